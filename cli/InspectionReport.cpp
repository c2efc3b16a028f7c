// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InspectionReport.h"

#include "batch/ImageWorkers.h"
#include "engine/core/NativePath.h"

#include <QJsonDocument>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

/// Inspects the file at \a path as the file system spells it: a name that is no valid text in the
/// locale's encoding is opened all the same.
Inspection inspectPath(ImageWorkers& workers, const QByteArray& path)
{
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        Inspection unreadable;
        unreadable.reason = QString::fromLocal8Bit(std::strerror(errno));
        return unreadable;
    }
    Inspection inspection = workers.inspectOpenFile(descriptor);
    ::close(descriptor);
    return inspection;
}

} // namespace

QByteArray inspectionText(const QByteArray& shownSource, const Inspection& inspection)
{
    if (!inspection.readable)
        return shownSource + ": could not be read: " + inspection.reason.toUtf8() + '\n';
    QByteArray text = shownSource + ": " + inspection.summary().toUtf8() + '\n';
    for (const auto& [group, fields] : inspection.groups) {
        text += "  " + personalGroupName(group).toUtf8() + '\n';
        for (const InspectedField& field : fields)
            text += "    " + field.name.toUtf8() + ": " + field.value.toUtf8() + '\n';
    }
    return text;
}

QJsonObject inspectionReport(const QByteArray& source, const Inspection& inspection)
{
    QJsonObject object = inspectionToJson(inspection);
    // JSON holds text: the bytes that are no UTF-8 show as U+FFFD there and whole in "source_hex".
    object.insert(QStringLiteral("source"), QString::fromUtf8(source));
    if (hasUndecodedBytes(decodePath(source)))
        object.insert(QStringLiteral("source_hex"), QString::fromLatin1(source.toHex()));
    return object;
}

int writeInspectionReports(const QList<QByteArray>& sources, bool json, QIODevice& out,
    const ShownPath& shown, const QStringList& names)
{
    int status = 0;
    ImageWorkers workers(1);
    for (qsizetype i = 0; i < sources.size(); ++i) {
        const QByteArray& source = sources[i];
        Inspection inspection = inspectPath(workers, source);
        addFileNameFindings(inspection, i < names.size() ? names[i] : decodePath(source));
        if (!inspection.readable)
            status = 1;
        out.write(json
                ? QJsonDocument(inspectionReport(source, inspection)).toJson(QJsonDocument::Compact) + '\n'
                : inspectionText(shown(source), inspection));
    }
    return status;
}
