// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/MetadataContainers.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <set>

namespace containers {

// --- PNG ---------------------------------------------------------------------------------------------

/// ImageMagick's "Raw profile type NAME" text: a line with the name, one with the length, then the bytes
/// in hexadecimal. Null when the text is not of that form.
std::optional<QByteArray> rawProfileBytes(const QByteArray& text)
{
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size && text[pos] == '\n')
        ++pos;
    const qsizetype nameEnd = text.indexOf('\n', pos);
    if (nameEnd < 0)
        return std::nullopt;
    pos = nameEnd + 1;
    while (pos < size && text[pos] == ' ')
        ++pos;
    qint64 length = 0;
    while (pos < size && text[pos] >= '0' && text[pos] <= '9' && length < size)
        length = length * 10 + (text[pos++] - '0');
    if (length <= 0 || length > size / 2)
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(length);
    int high = -1;
    for (; pos < size && bytes.size() < length; ++pos) {
        const char c = text[pos];
        int nibble = -1;
        if (c >= '0' && c <= '9')
            nibble = c - '0';
        else if (c >= 'a' && c <= 'f')
            nibble = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            nibble = c - 'A' + 10;
        else if (c == '\n' || c == ' ' || c == '\r')
            continue;
        else
            return std::nullopt;
        if (high < 0) {
            high = nibble;
        } else {
            bytes.append(char(high << 4 | nibble));
            high = -1;
        }
    }
    if (bytes.size() != length)
        return std::nullopt;
    return bytes;
}

/// The group of a PNG text keyword (the registered ones and a few that programs write).
PersonalGroup pngTextGroup(const QString& keyword)
{
    const QString key = keyword.toLower();
    if (key == u"author" || key == u"copyright" || key == u"artist" || key == u"owner")
        return PersonalGroup::People;
    if (key == u"software" || key == u"source" || key == u"make" || key == u"model")
        return PersonalGroup::Device;
    if (key == u"creation time" || key.contains(u"date"))
        return PersonalGroup::Time;
    return PersonalGroup::Text;
}

void pngText(const QString& keyword, const QByteArray& text, bool latin1, MetadataBlocks& blocks)
{
    if (keyword == u"XML:com.adobe.xmp") {
        blocks.xmp.append(text);
        return;
    }
    if (keyword.startsWith(u"Raw profile type ", Qt::CaseInsensitive)) {
        const QString kind = keyword.mid(17).toLower();
        if (const std::optional<QByteArray> bytes = rawProfileBytes(text)) {
            if (kind == u"exif" || kind == u"app1") {
                const qsizetype tiff = bytes->startsWith(QByteArrayView("Exif\0\0", 6)) ? 6 : 0;
                blocks.exif.append(bytes->mid(tiff));
            } else if (kind == u"xmp") {
                blocks.xmp.append(*bytes);
            } else if (kind == u"icc" || kind == u"icm") {
                blocks.profiles.append(*bytes);
            } else if (kind == u"iptc" && !bytes->startsWith("8BIM")) {
                blocks.iptc.append(*bytes);
            } else if (kind == u"iptc" || kind == u"8bim") {
                walkPhotoshopResources(*bytes, blocks);
            } else {
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "%1 (PNG text)").arg(keyword),
                    sizeWithExcerpt(*bytes));
            }
            return;
        }
    }
    const QString value = latin1 ? QString::fromLatin1(text) : QString::fromUtf8(text);
    report(blocks, pngTextGroup(keyword),
        QCoreApplication::translate("MetadataInspector", "%1 (PNG text)").arg(readableText(keyword, 80)),
        readableText(value));
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one branch per chunk kind
void walkPng(QByteArrayView data, MetadataBlocks& blocks)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    qsizetype inflateBudget = kMaxInflatedPerFile;
    const auto inflateChunk
        = [&inflateBudget](QByteArrayView compressed, bool whole) -> std::optional<QByteArray> {
        if (inflateBudget <= 0)
            return std::nullopt;
        std::optional<QByteArray> inflated
            = inflateZlib(compressed, whole, std::min(kMaxInflatedSize, inflateBudget));
        if (inflated)
            inflateBudget -= inflated->size();
        return inflated;
    };
    static const std::set<QByteArrayView> kPixelChunks
        = { "IHDR", "PLTE", "IDAT", "tRNS", "pHYs", "sRGB", "gAMA", "cHRM", "sBIT", "cICP", "mDCv", "cLLi",
              "acTL", "fcTL", "fdAT", "bKGD", "hIST", "sCAL", "sTER", "oFFs" };
    qsizetype pos = 8;
    while (pos + 12 <= size) {
        const qsizetype length = readBE32(u + pos);
        const QByteArrayView type = data.sliced(pos + 4, 4);
        if (length > size - pos - 12)
            return; // cut short: nothing more to follow
        const QByteArrayView body = data.sliced(pos + 8, length);
        pos += 12 + length;
        if (type == "IEND") {
            reportTrailingData(data.sliced(pos), blocks, 0);
            return;
        }
        if (kPixelChunks.count(type))
            continue;
        const qsizetype keywordEnd = body.indexOf('\0');
        const QString keyword = keywordEnd > 0 ? QString::fromLatin1(body.first(keywordEnd)) : QString();
        if (type == "tEXt" && keywordEnd > 0) {
            pngText(keyword, body.sliced(keywordEnd + 1).toByteArray(), true, blocks);
        } else if (type == "zTXt" && keywordEnd > 0 && body.size() > keywordEnd + 2) {
            const std::optional<QByteArray> text = inflateChunk(body.sliced(keywordEnd + 2), false);
            pngText(keyword, text.value_or(QByteArray()), true, blocks);
        } else if (type == "iTXt" && keywordEnd > 0 && body.size() > keywordEnd + 3) {
            const bool compressed = body[keywordEnd + 1] != 0;
            const qsizetype languageEnd = body.indexOf('\0', keywordEnd + 3);
            const qsizetype translatedEnd = languageEnd < 0 ? -1 : body.indexOf('\0', languageEnd + 1);
            if (translatedEnd < 0) {
                report(blocks, PersonalGroup::Text,
                    QCoreApplication::translate("MetadataInspector", "%1 (PNG text)").arg(keyword),
                    sizeWithExcerpt(body));
                continue;
            }
            const QByteArrayView text = body.sliced(translatedEnd + 1);
            pngText(keyword,
                compressed ? inflateChunk(text, false).value_or(QByteArray()) : text.toByteArray(), false,
                blocks);
        } else if (type == "iCCP" && keywordEnd > 0 && body.size() > keywordEnd + 2) {
            if (std::optional<QByteArray> profile = inflateChunk(body.sliced(keywordEnd + 2), true))
                blocks.profiles.append(std::move(*profile));
            else
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Colour profile"),
                    QCoreApplication::translate("MetadataInspector", "damaged (%1 compressed)")
                        .arg(byteCount(body.size())));
        } else if (type == "eXIf") {
            blocks.exif.append(body.toByteArray());
        } else if (type == "tIME" && length == 7) {
            const QDateTime time(QDate(readBE16(bytesOf(body)), uchar(body[2]), uchar(body[3])),
                QTime(uchar(body[4]), uchar(body[5]), uchar(body[6])), Qt::UTC);
            report(blocks, PersonalGroup::Time,
                QCoreApplication::translate("MetadataInspector", "Last modified (PNG)"),
                time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))
                               : QCoreApplication::translate("MetadataInspector", "invalid"));
        } else {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Chunk \"%1\"")
                    .arg(QString::fromLatin1(type).toHtmlEscaped()),
                sizeWithExcerpt(body));
        }
    }
}

} // namespace containers
