// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Report.h"

#include "engine/core/NativePath.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

bool isHidden(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x2028 || c == 0x2029 || c == 0x200E || c == 0x200F
        || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

/// The length of the UTF-8 sequence that \a lead opens; 0 for a byte that opens none.
int sequenceLength(uchar lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool isInterrupted(const ConversionOutcome& outcome)
{
    return outcome.status == ConversionOutcome::Status::Skipped
        && outcome.reason == QLatin1String("interrupted");
}

} // namespace

QByteArray escapedForTerminal(const QByteArray& text)
{
    QByteArray shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const auto lead = static_cast<uchar>(text[i]);
        const int length = sequenceLength(lead);
        // A sequence is taken only when it decodes to one character and back to the same bytes.
        const QByteArray sequence = text.mid(i, length);
        const QString decoded = QString::fromUtf8(sequence);
        const QList<uint> characters = decoded.toUcs4();
        const bool valid = length > 0 && sequence.size() == length && characters.size() == 1
            && decoded.toUtf8() == sequence;
        if (!valid) {
            shown += "\\x" + QByteArray::number(lead, 16).rightJustified(2, '0');
            ++i;
            continue;
        }
        const char32_t c = characters.first();
        if (c == '\\')
            shown += "\\\\";
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\t')
            shown += "\\t";
        else if (c == '\r')
            shown += "\\r";
        else if (c < 0x80 && isHidden(c))
            shown += "\\x" + QByteArray::number(uint(c), 16).rightJustified(2, '0');
        else if (isHidden(c))
            shown += "\\u{" + QByteArray::number(uint(c), 16).rightJustified(4, '0') + '}';
        else
            shown += sequence;
        i += length;
    }
    return shown;
}

QByteArray jsonLine(const Report& report)
{
    const ConversionOutcome& outcome = report.outcome;
    const bool written = outcome.status == ConversionOutcome::Status::Written;
    // JSON holds text: bytes that are no UTF-8 show as U+FFFD there, and whole in the "_hex" fields.
    const auto text = [](const QString& path) { return QString::fromUtf8(encodePath(path)); };
    QJsonObject object;
    object.insert("source", QString::fromUtf8(report.source));
    if (hasUndecodedBytes(decodePath(report.source)))
        object.insert("source_hex", QString::fromLatin1(report.source.toHex()));
    object.insert("output", written ? QJsonValue(text(outcome.output)) : QJsonValue());
    if (written && hasUndecodedBytes(outcome.output))
        object.insert("output_hex", QString::fromLatin1(encodePath(outcome.output).toHex()));
    object.insert("status", written ? "written" : "skipped");
    // A written copy was read back and held nothing personal (convertToWorkFile checks every one).
    object.insert("checked", written);
    object.insert("reason", written ? QJsonValue() : QJsonValue(text(outcome.reason)));
    object.insert("note", outcome.note.isEmpty() ? QJsonValue() : QJsonValue(text(outcome.note)));
    // Whether the pixels were decoded and encoded again, or the source's coded data was kept.
    object.insert("reencoded", written ? QJsonValue(outcome.reencoded) : QJsonValue());
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray textLine(const Report& report)
{
    const ConversionOutcome& outcome = report.outcome;
    if (isInterrupted(outcome))
        return {};
    if (outcome.status == ConversionOutcome::Status::Skipped) {
        return "morvane-cli: skipped " + escapedForTerminal(report.source) + ": "
            + escapedForTerminal(encodePath(outcome.reason)) + '\n';
    }
    if (!outcome.note.isEmpty()) {
        return "morvane-cli: note: " + escapedForTerminal(report.source) + ": "
            + escapedForTerminal(encodePath(outcome.note)) + '\n';
    }
    return {};
}
