// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/MetadataContainers.h"

QString readableText(const QString& text, qsizetype limit)
{
    QString result;
    result.reserve(std::min(text.size(), limit + 1));
    bool space = false;
    for (const QChar c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            space = !result.isEmpty();
            continue;
        }
        if (result.size() >= limit) {
            result.append(QChar(0x2026));
            break;
        }
        if (space)
            result.append(u' ');
        space = false;
        result.append(c);
    }
    return result;
}

QString printableExcerpt(QByteArrayView bytes, qsizetype limit)
{
    QString excerpt;
    qsizetype runStart = -1;
    const auto flush = [&](qsizetype runEnd) {
        if (runStart >= 0 && runEnd - runStart >= 4 && excerpt.size() < limit) {
            const QString run
                = readableText(QString::fromLatin1(bytes.sliced(runStart, runEnd - runStart)), limit);
            if (!run.isEmpty()) {
                if (!excerpt.isEmpty())
                    excerpt.append(u' ');
                excerpt.append(run);
            }
        }
        runStart = -1;
    };
    for (qsizetype i = 0; i < bytes.size() && excerpt.size() < limit; ++i) {
        const uchar c = uchar(bytes[i]);
        if (c >= 0x20 && c < 0x7F) {
            if (runStart < 0)
                runStart = i;
        } else {
            flush(i);
        }
    }
    flush(bytes.size());
    return excerpt.size() > limit ? excerpt.left(limit) + QChar(0x2026) : excerpt;
}
