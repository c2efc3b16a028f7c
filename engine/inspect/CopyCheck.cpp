// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/CopyCheck.h"

#include "engine/core/ImageFormat.h"
#include "engine/core/WorkFile.h"
#include "engine/inspect/MetadataInspector.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

/// How many names the reason spells out before it says how many more there are.
constexpr qsizetype kNamesShown = 4;

/// The largest copy the engine writes: a frame of the most pixels it decodes, uncompressed at 16 bits a
/// channel with alpha, with room for headers and a colour profile. Every copy it writes is read back.
constexpr qint64 kMaxCopyBytes = kMaxDecodedPixels * 8 + (qint64(64) << 20);

} // namespace

QString refusalOfCopy(const WorkFile& file)
{
    const Inspection inspection = inspectOpenFile(file.descriptor(), kMaxCopyBytes);
    // A copy that cannot be read back is not known to be clean: it is refused like one that leaks.
    if (!inspection.readable)
        return QCoreApplication::translate("CopyCheck", "the copy could not be checked: %1")
            .arg(inspection.reason);
    if (inspection.groups.empty())
        return {};
    QStringList names;
    for (const PersonalGroup group : kPersonalGroups) {
        const auto found = inspection.groups.find(group);
        if (found == inspection.groups.end())
            continue;
        for (const InspectedField& field : found->second) {
            if (!names.contains(field.name))
                names.append(field.name);
        }
    }
    QString shown = names.mid(0, kNamesShown).join(QStringLiteral(", "));
    if (names.size() > kNamesShown)
        shown += QCoreApplication::translate("CopyCheck", " and %1 more").arg(names.size() - kNamesShown);
    return QCoreApplication::translate("CopyCheck", "the copy still held: %1").arg(shown);
}
