// SPDX-License-Identifier: GPL-3.0-or-later
// What a file's own name gives away: cameras, phones and screenshot tools name their files after the
// moment they were made and sometimes after the device or the app.
#include "engine/inspect/MetadataInspector.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace {

using Finding = std::pair<PersonalGroup, InspectedField>;

/// "2024-06-12", with " 18:45:01" when \a match captured a time in groups 4 to 6.
QString dateOf(const QRegularExpressionMatch& match)
{
    QString text = QStringLiteral("%1-%2-%3").arg(match.captured(1), match.captured(2), match.captured(3));
    if (match.hasCaptured(4) && !match.captured(4).isEmpty())
        text += QStringLiteral(" %1:%2:%3").arg(match.captured(4), match.captured(5), match.captured(6));
    return text;
}

/// Dates, with their times where they follow: "20240612_184501", "20240612-184501123", "20240612",
/// "2024-06-12 18-45-01", "2024-06-12 at 18.45.01". Digits around them make them part of another number.
const QRegularExpression& compactDate()
{
    static const QRegularExpression pattern(
        QStringLiteral("(?<!\\d)((?:19|20)\\d\\d)(0[1-9]|1[0-2])(0[1-9]|[12]\\d|3[01])"
                       "(?:[_\\- T]?([01]\\d|2[0-3])([0-5]\\d)([0-5]\\d)\\d{0,3})?(?!\\d)"));
    return pattern;
}

const QRegularExpression& separatedDate()
{
    static const QRegularExpression pattern(QStringLiteral(
        "(?<!\\d)((?:19|20)\\d\\d)[\\-_.](0[1-9]|1[0-2])[\\-_.](0[1-9]|[12]\\d|3[01])"
        "(?:(?:[ _T\\-]|\\s+at\\s+)([01]\\d|2[0-3])[\\-.:_]([0-5]\\d)[\\-.:_]([0-5]\\d))?(?!\\d)"));
    return pattern;
}

/// Device models as their owners' phones and cameras name files, with spaces, underscores or dashes.
const QRegularExpression& deviceModel()
{
    static const QRegularExpression pattern(
        QStringLiteral(
            "(?<![A-Za-z])("
            "iPhone[ _\\-]?(?:\\d{1,2}|X[SR]?|SE)(?:[ _\\-]?(?:Pro[ _\\-]?Max|Pro|Plus|Max|mini))?"
            "|iPad(?:[ _\\-]?(?:Pro|Air|mini))?(?![a-z])"
            "|Pixel[ _\\-]?\\d{1,2}a?(?:[ _\\-]?(?:Pro[ _\\-]?XL|Pro|XL|Fold))?"
            "|Galaxy[ _\\-]?(?:[SAZMN]\\d{1,2}\\+?|Note[ _\\-]?\\d{1,2}|Z[ _\\-]?(?:Fold|Flip)[ _\\-]?\\d?)"
            "(?:[ _\\-]?(?:Ultra|Plus|FE))?"
            "|SM-[AGNSFM]\\d{3}[A-Z]?"
            "|Canon[ _\\-]?EOS[ _\\-]?[A-Za-z0-9]+"
            "|Nikon[ _\\-]?[DZ][ _\\-]?\\d+[A-Za-z]*"
            "|OnePlus[ _\\-]?\\d+[A-Za-z]*"
            "|Redmi[ _\\-]?(?:Note[ _\\-]?)?\\d+[A-Za-z]*"
            ")"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

/// WhatsApp's "IMG-20240612-WA0003.jpg" and Android's "Screenshot_20240612-184501_Chrome.jpg".
const QRegularExpression& appMark()
{
    static const QRegularExpression pattern(
        QStringLiteral("(-WA\\d{4}(?!\\d))|^Screenshot_\\d{8}-\\d{6}_([^.]+)"));
    return pattern;
}

QString readableModel(QString model)
{
    model.replace(u'_', u' ');
    if (!model.startsWith(QLatin1String("SM-"), Qt::CaseInsensitive))
        model.replace(u'-', u' ');
    return model.simplified();
}

} // namespace

std::vector<std::pair<PersonalGroup, InspectedField>> fileNameFindings(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    std::vector<Finding> findings;
    const auto add = [&findings](PersonalGroup group, const char* label, const QString& value) {
        InspectedField field { QCoreApplication::translate("MetadataInspector", label), value };
        const Finding finding { group, field };
        if (std::find(findings.begin(), findings.end(), finding) == findings.end())
            findings.push_back(finding);
    };
    for (const QRegularExpression* pattern : { &compactDate(), &separatedDate() }) {
        for (QRegularExpressionMatchIterator it = pattern->globalMatch(stem); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const bool timed = !match.captured(4).isEmpty();
            add(PersonalGroup::Time,
                timed ? QT_TRANSLATE_NOOP("MetadataInspector", "Date and time in the file name")
                      : QT_TRANSLATE_NOOP("MetadataInspector", "Date in the file name"),
                dateOf(match));
        }
    }
    for (QRegularExpressionMatchIterator it = deviceModel().globalMatch(stem); it.hasNext();)
        add(PersonalGroup::Device, QT_TRANSLATE_NOOP("MetadataInspector", "Device in the file name"),
            readableModel(it.next().captured(1)));
    for (QRegularExpressionMatchIterator it = appMark().globalMatch(stem); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        add(PersonalGroup::Device, QT_TRANSLATE_NOOP("MetadataInspector", "App in the file name"),
            match.captured(1).isEmpty() ? match.captured(2) : QStringLiteral("WhatsApp"));
    }
    return findings;
}

void addFileNameFindings(Inspection& inspection, const QString& path)
{
    if (!inspection.readable)
        return;
    for (const auto& [group, field] : fileNameFindings(path))
        inspection.groups[group].push_back(field);
}
