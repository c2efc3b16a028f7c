// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/MetadataContainers.h"

#include "engine/core/ImageFormat.h"
#include "engine/inspect/HeifCodedData.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/structure/HeifBoxes.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <limits>
#include <optional>
#include <set>
#include <zlib.h>

namespace {

/// Images embedded in an image (a second JPEG after the end of the first) are walked to this depth only.
constexpr int kMaxEmbeddingDepth = 1;
/// At most this many embedded images are walked in one image's trailing data.
constexpr int kMaxEmbeddedImages = 8;
/// The budgets of a walk of TIFF directories: pages, directories of each other role, sub-images named by
/// one directory, and entries and pointers in all.
constexpr int kMaxTiffPages = 16384;
constexpr int kMaxTiffDirectoriesPerRole = 1024;
constexpr quint32 kMaxSubImagesPerDirectory = 64;
constexpr qsizetype kMaxTiffEntries = qsizetype(1) << 20;
constexpr qsizetype kMaxTiffPointers = qsizetype(1) << 18;
/// Of data that is shown as an excerpt, at most this much is looked at.
constexpr qsizetype kMaxExcerptSource = 64 << 10;
/// Compressed PNG texts and profiles are inflated up to this size each (a longer text is read in part),
/// and up to the second size in all for one file: a file of many small chunks that inflate to huge texts
/// must not keep the list's reader busy for minutes.
constexpr qsizetype kMaxInflatedSize = 16 << 20;
constexpr qsizetype kMaxInflatedPerFile = 64 << 20;

const uchar* bytesOf(QByteArrayView data)
{
    return reinterpret_cast<const uchar*>(data.data());
}

quint16 readBE16(const uchar* p)
{
    return quint16(p[0] << 8 | p[1]);
}

quint32 readBE32(const uchar* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

quint16 readLE16(const uchar* p)
{
    return quint16(p[0] | p[1] << 8);
}

quint32 readLE32(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

/// \a data as a byte array that refers to it without copying: for blocks of the inspected data, which
/// outlives the blocks.
QByteArray rawBytes(QByteArrayView data)
{
    return QByteArray::fromRawData(data.data(), data.size());
}

void report(MetadataBlocks& blocks, PersonalGroup group, const QString& name, const QString& value)
{
    blocks.found.push_back({ group, InspectedField { name, value } });
}

QString byteCount(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(count);
}

/// "N bytes" with what can be read of them.
QString sizeWithExcerpt(QByteArrayView bytes)
{
    const QString excerpt = printableExcerpt(bytes);
    return excerpt.isEmpty() ? byteCount(bytes.size())
                             : byteCount(bytes.size()) + QStringLiteral(": ") + excerpt;
}

bool isPadding(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0 || uchar(c) == 0xFF; });
}

/// Inflates a zlib stream, at most \a limit bytes of it. Null when the stream is damaged before its end
/// or longer than the limit and \a whole is asked for.
std::optional<QByteArray> inflateZlib(
    QByteArrayView compressed, bool whole, qsizetype limit = kMaxInflatedSize)
{
    z_stream stream {};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    stream.next_in = const_cast<Bytef*>(reinterpret_cast<const Bytef*>(compressed.data()));
    stream.avail_in = uInt(std::min<qsizetype>(compressed.size(), std::numeric_limits<uInt>::max()));
    QByteArray out;
    int status = Z_OK;
    while (status == Z_OK && out.size() < limit) {
        const qsizetype before = out.size();
        const qsizetype grow = std::min(std::max<qsizetype>(compressed.size() * 4, 4096), limit - before);
        out.resize(before + grow);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        stream.avail_out = uInt(grow);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(before + grow - qsizetype(stream.avail_out));
        if (status == Z_BUF_ERROR && stream.avail_in == 0)
            break;
    }
    inflateEnd(&stream);
    if (whole && status != Z_STREAM_END)
        return std::nullopt;
    return out;
}

// --- Photoshop image resources (JPEG APP13, TIFF tag 34377, PNG raw profiles) ------------------------

/// Walks a block of Photoshop image resources (copying what it keeps: the block may be a joined copy
/// that does not outlive the walk): IPTC (unless \a iptcElsewhere: Exiv2 reads the IPTC of a TIFF
/// file's resources itself), EXIF, XMP and a profile go to their blocks; thumbnails and every other resource
/// except the resolution and the IPTC digest are reported as hidden.
void walkPhotoshopResources(QByteArrayView resources, MetadataBlocks& blocks, bool iptcElsewhere = false)
{
    const uchar* u = bytesOf(resources);
    const qsizetype size = resources.size();
    QStringList others;
    qsizetype pos = 0;
    while (pos + 12 <= size) {
        const QByteArrayView signature = resources.sliced(pos, 4);
        if (signature != "8BIM" && signature != "PHUT" && signature != "AgHg" && signature != "DCSR"
            && signature != "MeSa") {
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Photoshop data"),
                sizeWithExcerpt(resources.sliced(pos)));
            return;
        }
        const quint16 id = readBE16(u + pos + 4);
        const qsizetype nameLength = (u[pos + 6] + 2) & ~qsizetype(1); // a padded Pascal string
        const qsizetype lengthAt = pos + 6 + nameLength;
        if (lengthAt + 4 > size)
            break;
        const qsizetype length = readBE32(u + lengthAt);
        const qsizetype dataAt = lengthAt + 4;
        if (length > size - dataAt)
            break;
        const QByteArrayView data = resources.sliced(dataAt, length);
        switch (id) {
        case 0x0404: // IPTC-NAA record
            if (!iptcElsewhere)
                blocks.iptc.append(data.toByteArray());
            break;
        case 0x0422: // EXIF data 1
            blocks.exif.append(data.toByteArray());
            break;
        case 0x0424: // XMP
            blocks.xmp.append(data.toByteArray());
            break;
        case 0x040F: // ICC profile
            blocks.profiles.append(data.toByteArray());
            break;
        case 0x0409: // thumbnails
        case 0x040C:
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Thumbnail (Photoshop)"), byteCount(length));
            break;
        case 0x03ED: // resolution
        case 0x0425: // the digest of the IPTC record
            break;
        default:
            others.append(QStringLiteral("0x%1").arg(id, 4, 16, QLatin1Char('0')));
            break;
        }
        pos = dataAt + length + (length & 1);
    }
    if (!others.isEmpty())
        report(blocks, PersonalGroup::Hidden, QStringLiteral("Photoshop resources"),
            others.join(QStringLiteral(", ")));
}

// --- Trailing data -----------------------------------------------------------------------------------

qsizetype walkJpeg(QByteArrayView data, MetadataBlocks& blocks, int depth);

/// Data after the end of an image: padding is left alone, JPEG images in it are walked as embedded
/// images, and the rest is reported with what can be read of it. \a kind, when given, says what the data
/// begins with, and its first \a header bytes are left out of the excerpt.
void reportTrailingData(
    QByteArrayView tail, MetadataBlocks& blocks, int depth, const QString& kind = {}, qsizetype header = 0)
{
    if (tail.isEmpty() || isPadding(tail))
        return;
    int images = 0;
    QByteArray loose; // the bytes outside embedded images, for the excerpt
    qsizetype pos = std::min(header, tail.size());
    static constexpr QByteArrayView kJpegStart("\xFF\xD8\xFF", 3);
    while (pos < tail.size()) {
        const qsizetype start = depth < kMaxEmbeddingDepth && images < kMaxEmbeddedImages
            ? tail.sliced(pos).indexOf(kJpegStart)
            : -1;
        if (start < 0) {
            loose.append(tail.sliced(pos, std::min(tail.size() - pos, kMaxExcerptSource)));
            break;
        }
        loose.append(tail.sliced(pos, std::min(start, kMaxExcerptSource)));
        MetadataBlocks embedded;
        const qsizetype length = walkJpeg(tail.sliced(pos + start), embedded, depth + 1);
        blocks.embedded.push_back(std::move(embedded));
        ++images;
        pos += start + std::max<qsizetype>(length, 3);
    }
    QString value = byteCount(tail.size());
    if (!kind.isEmpty())
        value += QStringLiteral(", ") + kind;
    if (images == 1)
        value += QStringLiteral(", with a JPEG image");
    else if (images > 1)
        value += QStringLiteral(", with %1 JPEG images").arg(images);
    const QString excerpt = printableExcerpt(loose);
    if (!excerpt.isEmpty())
        value += QStringLiteral(": ") + excerpt;
    report(blocks, PersonalGroup::Hidden, QStringLiteral("Data after the image"), value);
}

// --- JPEG --------------------------------------------------------------------------------------------

/// The identifier an APPn segment starts with by convention ("Ducky", "FPXR", "MPF"): up to 24 printable
/// characters ended by a zero byte. Empty when the segment has none.
QByteArrayView segmentIdentifier(QByteArrayView payload)
{
    qsizetype length = 0;
    while (length < payload.size() && length < 24 && payload[length] >= 0x20 && payload[length] < 0x7F)
        ++length;
    return length >= 2 && length < payload.size() && payload[length] == 0 ? payload.first(length)
                                                                          : QByteArrayView();
}

/// Where the entropy-coded data that starts at \a pos ends: the next marker that is neither a stuffed
/// byte nor a restart marker, or the end of the data.
qsizetype endOfEntropyCodedData(QByteArrayView data, qsizetype pos)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    while (pos < size) {
        const auto* found = static_cast<const uchar*>(std::memchr(u + pos, 0xFF, size_t(size - pos)));
        if (!found)
            return size;
        const qsizetype at = found - u;
        if (at + 1 >= size)
            return size;
        const uchar next = u[at + 1];
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
            pos = at + 2;
        else if (next == 0xFF)
            pos = at + 1;
        else
            return at;
    }
    return size;
}

struct ExtendedXmp
{
    quint32 fullLength = 0;
    QByteArray data;
    qsizetype received = 0;
};

/// Walks the JPEG in \a data and returns where it ends (after its end-of-image marker, or the size of the
/// data when it has none). Data after the end is reported at depth 0 only: an embedded image's end is
/// where its container's trailing data goes on.
qsizetype walkJpeg(QByteArrayView data, MetadataBlocks& blocks, int depth)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    QList<QByteArrayView> iccChunks;
    QByteArray photoshop;
    std::map<QByteArray, ExtendedXmp> extended;
    qsizetype extendedBudget = size;
    qsizetype end = -1;
    qsizetype pos = 2;
    while (pos < size) {
        if (u[pos] != 0xFF) {
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Data between segments"),
                sizeWithExcerpt(data.sliced(pos, std::min<qsizetype>(size - pos, 4096))));
            break;
        }
        while (pos < size && u[pos] == 0xFF)
            ++pos;
        if (pos >= size)
            break;
        const uchar marker = u[pos++];
        if (marker == 0xD9) {
            end = pos;
            break;
        }
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (pos + 2 > size)
            break;
        const qsizetype length = readBE16(u + pos);
        if (length < 2 || pos + length > size)
            break; // a segment cut short: a truncated file, nothing more to follow
        const QByteArrayView payload = data.sliced(pos + 2, length - 2);
        pos += length;
        if (marker == 0xDA) {
            pos = endOfEntropyCodedData(data, pos);
            continue;
        }
        if (marker == 0xFE) {
            report(blocks, PersonalGroup::Text, QStringLiteral("Comment"),
                readableText(QString::fromUtf8(payload.data(), payload.size())));
            continue;
        }
        if (marker >= 0xF0 && marker <= 0xFD) {
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Reserved segment 0x%1").arg(marker, 2, 16),
                sizeWithExcerpt(payload));
            continue;
        }
        if (marker < 0xE0 || marker > 0xEF)
            continue; // frame, tables, restart interval: the image itself
        const int app = marker - 0xE0;
        if (app == 0 && payload.startsWith(QByteArrayView("JFIF\0", 5))) {
            if (payload.size() >= 14 && (payload[12] != 0 || payload[13] != 0))
                report(blocks, PersonalGroup::Hidden, QStringLiteral("Thumbnail (JFIF)"),
                    QStringLiteral("%1 x %2 pixels").arg(uchar(payload[12])).arg(uchar(payload[13])));
            continue;
        }
        if (app == 0 && payload.startsWith(QByteArrayView("JFXX\0", 5))) {
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Thumbnail (JFIF extension)"),
                byteCount(payload.size()));
            continue;
        }
        if (app == 1 && payload.startsWith(QByteArrayView("Exif\0", 5)) && payload.size() > 6) {
            blocks.exif.append(rawBytes(payload.sliced(6)));
            continue;
        }
        static constexpr QByteArrayView kXmp("http://ns.adobe.com/xap/1.0/\0", 29);
        static constexpr QByteArrayView kExtendedXmp("http://ns.adobe.com/xmp/extension/\0", 35);
        if (app == 1 && payload.startsWith(kXmp)) {
            blocks.xmp.append(rawBytes(payload.sliced(kXmp.size())));
            continue;
        }
        if (app == 1 && payload.startsWith(kExtendedXmp) && payload.size() >= kExtendedXmp.size() + 40) {
            // A GUID of 32 characters, the full length and this part's offset, then the part.
            const QByteArrayView part = payload.sliced(kExtendedXmp.size());
            ExtendedXmp& whole = extended[part.first(32).toByteArray()];
            const quint32 fullLength = readBE32(bytesOf(part) + 32);
            const quint32 offset = readBE32(bytesOf(part) + 36);
            const QByteArrayView piece = part.sliced(40);
            // The parts of all extended packets together cannot be longer than the file.
            if (whole.data.isEmpty() && fullLength <= quint64(extendedBudget)) {
                whole = { fullLength, QByteArray(qsizetype(fullLength), ' '), 0 };
                extendedBudget -= fullLength;
            }
            if (whole.fullLength == fullLength && quint64(offset) + quint64(piece.size()) <= fullLength) {
                std::memcpy(whole.data.data() + offset, piece.data(), size_t(piece.size()));
                whole.received += piece.size();
            }
            continue;
        }
        if (app == 2 && payload.startsWith(QByteArrayView("ICC_PROFILE\0", 12))) {
            iccChunks.append(payload);
            continue;
        }
        if (app == 13 && payload.startsWith(QByteArrayView("Photoshop 3.0\0", 14))) {
            photoshop.append(payload.sliced(14));
            continue;
        }
        if (app == 14 && payload.startsWith(QByteArrayView("Adobe")) && payload.size() == 12)
            continue; // the colour transform of CMYK and YCCK data
        const QByteArrayView identifier = segmentIdentifier(payload);
        const QString excerpt
            = printableExcerpt(payload.sliced(identifier.isEmpty() ? 0 : identifier.size() + 1));
        report(blocks, PersonalGroup::Hidden,
            identifier.isEmpty()
                ? QStringLiteral("APP%1 segment").arg(app)
                : QStringLiteral("APP%1 segment \"%2\"").arg(app).arg(QString::fromLatin1(identifier)),
            byteCount(payload.size()) + (excerpt.isEmpty() ? QString() : QStringLiteral(": ") + excerpt));
    }

    if (!iccChunks.isEmpty()) {
        // Chunks in file order; joinJpegIccChunks wants them in sequence, so sort by sequence number.
        std::stable_sort(iccChunks.begin(), iccChunks.end(), [](QByteArrayView a, QByteArrayView b) {
            return (a.size() > 12 ? uchar(a[12]) : 0) < (b.size() > 12 ? uchar(b[12]) : 0);
        });
        const QByteArray profile = joinJpegIccChunks(iccChunks);
        if (profile.isEmpty())
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Colour profile"),
                QStringLiteral("incomplete chain of %1 segments").arg(iccChunks.size()));
        else
            blocks.profiles.append(profile);
    }
    for (const auto& [guid, whole] : extended) {
        if (whole.received >= qsizetype(whole.fullLength) && whole.fullLength > 0)
            blocks.xmp.append(whole.data);
        else
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Extended XMP"),
                QStringLiteral("incomplete, %1 of %2")
                    .arg(byteCount(whole.received), byteCount(whole.fullLength)));
    }
    if (!photoshop.isEmpty())
        walkPhotoshopResources(photoshop, blocks);

    if (end < 0)
        return size;
    if (depth == 0)
        reportTrailingData(data.sliced(end), blocks, depth);
    return end;
}

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
                report(blocks, PersonalGroup::Hidden, QStringLiteral("%1 (PNG text)").arg(keyword),
                    sizeWithExcerpt(*bytes));
            }
            return;
        }
    }
    const QString value = latin1 ? QString::fromLatin1(text) : QString::fromUtf8(text);
    report(blocks, pngTextGroup(keyword), QStringLiteral("%1 (PNG text)").arg(readableText(keyword, 80)),
        readableText(value));
}

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
                report(blocks, PersonalGroup::Text, QStringLiteral("%1 (PNG text)").arg(keyword),
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
                report(blocks, PersonalGroup::Hidden, QStringLiteral("Colour profile"),
                    QStringLiteral("damaged (%1 compressed)").arg(byteCount(body.size())));
        } else if (type == "eXIf") {
            blocks.exif.append(body.toByteArray());
        } else if (type == "tIME" && length == 7) {
            const QDateTime time(QDate(readBE16(bytesOf(body)), uchar(body[2]), uchar(body[3])),
                QTime(uchar(body[4]), uchar(body[5]), uchar(body[6])), Qt::UTC);
            report(blocks, PersonalGroup::Time, QStringLiteral("Last modified (PNG)"),
                time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))
                               : QStringLiteral("invalid"));
        } else {
            report(blocks, PersonalGroup::Hidden,
                QStringLiteral("Chunk \"%1\"").arg(QString::fromLatin1(type).toHtmlEscaped()),
                sizeWithExcerpt(body));
        }
    }
}

// --- GIF ---------------------------------------------------------------------------------------------

/// Skips the sub-blocks starting at \a pos and returns the position after their terminator (or the end
/// of the data); their payload goes to \a payload when given.
qsizetype skipSubBlocks(QByteArrayView data, qsizetype pos, QByteArray* payload = nullptr)
{
    const uchar* u = bytesOf(data);
    while (pos < data.size()) {
        const qsizetype length = u[pos++];
        if (length == 0)
            return pos;
        const qsizetype available = std::min(length, data.size() - pos);
        if (payload)
            payload->append(data.sliced(pos, available));
        pos += length;
    }
    return data.size();
}

void walkGif(QByteArrayView data, MetadataBlocks& blocks)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    if (size < 13)
        return;
    qsizetype pos = 13;
    if (u[10] & 0x80)
        pos += 3 * (qsizetype(1) << ((u[10] & 7) + 1));
    while (pos < size) {
        const uchar introducer = u[pos];
        if (introducer == 0x3B) {
            reportTrailingData(data.sliced(pos + 1), blocks, 0);
            return;
        }
        if (introducer == 0x2C) {
            if (pos + 10 > size)
                return;
            const uchar packed = u[pos + 9];
            pos += 10;
            if (packed & 0x80)
                pos += 3 * (qsizetype(1) << ((packed & 7) + 1));
            pos = skipSubBlocks(data, pos + 1); // after the LZW minimum code size
            continue;
        }
        if (introducer != 0x21 || pos + 2 > size) {
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Data between blocks"),
                sizeWithExcerpt(data.sliced(pos, std::min<qsizetype>(size - pos, 4096))));
            return;
        }
        const uchar label = u[pos + 1];
        const qsizetype start = pos + 2;
        QByteArray payload;
        pos = skipSubBlocks(data, start, &payload);
        switch (label) {
        case 0xF9: // graphic control: frame timing and transparency
            break;
        case 0xFE:
            report(blocks, PersonalGroup::Text, QStringLiteral("Comment"),
                readableText(QString::fromLatin1(payload)));
            break;
        case 0x01: // plain text: a 12-byte header block, then the text
            report(blocks, PersonalGroup::Text, QStringLiteral("Plain text"),
                readableText(QString::fromLatin1(payload.mid(12))));
            break;
        case 0xFF: {
            const QByteArray application = start < size && u[start] == 11 ? payload.left(11) : QByteArray();
            const QByteArray content = payload.mid(11);
            if (application == "NETSCAPE2.0" || application == "ANIMEXTS1.0")
                break; // the loop count
            if (application == "XMP DataXMP") {
                // The packet is stored raw, its bytes read as sub-block lengths, ended by a "magic
                // trailer" that makes the sub-block walk land on the terminator.
                const QByteArrayView raw
                    = start + 12 <= pos ? data.sliced(start + 12, pos - start - 12) : QByteArrayView();
                const qsizetype packetEnd = raw.lastIndexOf(QByteArrayView("<?xpacket end"));
                const qsizetype close = packetEnd < 0 ? -1 : raw.indexOf(QByteArrayView("?>"), packetEnd);
                if (close >= 0)
                    blocks.xmp.append(raw.first(close + 2).toByteArray());
                else
                    report(blocks, PersonalGroup::Hidden, QStringLiteral("XMP"), sizeWithExcerpt(raw));
            } else if (application == "ICCRGBG1012") {
                blocks.profiles.append(content);
            } else if (application == "MGK8BIM0000") {
                walkPhotoshopResources(content, blocks);
            } else if (application == "MGKIPTC0000") {
                blocks.iptc.append(content);
            } else {
                report(blocks, PersonalGroup::Hidden,
                    QStringLiteral("Application data \"%1\"")
                        .arg(readableText(QString::fromLatin1(application), 11)),
                    sizeWithExcerpt(content));
            }
            break;
        }
        default:
            report(blocks, PersonalGroup::Hidden,
                QStringLiteral("Extension 0x%1").arg(label, 2, 16, QLatin1Char('0')),
                sizeWithExcerpt(payload));
            break;
        }
    }
}

// --- TIFF --------------------------------------------------------------------------------------------

/// Reads a TIFF structure in either byte order, every read checked against the data.
class TiffStructure
{
public:
    explicit TiffStructure(QByteArrayView data)
        : m_data(data)
    {
        if (data.size() >= 8 && (data.startsWith("II") || data.startsWith("MM"))) {
            m_littleEndian = data[0] == 'I';
            m_valid = u16(2) == 42;
        }
    }
    [[nodiscard]] bool valid() const { return m_valid; }
    [[nodiscard]] bool littleEndian() const { return m_littleEndian; }
    [[nodiscard]] qsizetype size() const { return m_data.size(); }
    [[nodiscard]] QByteArrayView bytes(qsizetype at, qsizetype length) const
    {
        return at >= 0 && length >= 0 && at <= size() && length <= size() - at ? m_data.sliced(at, length)
                                                                               : QByteArrayView();
    }
    [[nodiscard]] quint32 u16(qsizetype at) const
    {
        if (at < 0 || at + 2 > size())
            return 0;
        const uchar* p = bytesOf(m_data) + at;
        return m_littleEndian ? readLE16(p) : readBE16(p);
    }
    [[nodiscard]] quint32 u32(qsizetype at) const
    {
        if (at < 0 || at + 4 > size())
            return 0;
        const uchar* p = bytesOf(m_data) + at;
        return m_littleEndian ? readLE32(p) : readBE32(p);
    }

    /// One directory entry: its tag, and where its values lie (inline in the entry when they fit).
    struct Entry
    {
        quint32 tag = 0;
        quint32 type = 0;
        quint32 count = 0;
        qsizetype valueAt = 0;
        qsizetype valueSize = 0;
    };

    [[nodiscard]] Entry entry(qsizetype at) const
    {
        static constexpr std::array<qsizetype, 19> kTypeSizes
            = { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 0, 0, 8, 8, 8 };
        Entry e { u16(at), u16(at + 2), u32(at + 4), at + 8, 0 };
        const qsizetype unit = e.type < kTypeSizes.size() ? kTypeSizes[e.type] : 1;
        e.valueSize = qsizetype(std::min<quint64>(quint64(e.count) * quint64(std::max<qsizetype>(unit, 1)),
            quint64(std::numeric_limits<quint32>::max())));
        if (e.valueSize > 4)
            e.valueAt = u32(at + 8);
        return e;
    }
    /// The first value of an entry as a number (an offset, a count).
    [[nodiscard]] quint32 firstValue(const Entry& e) const
    {
        return e.type == 3 || e.type == 8 ? u16(e.valueAt) : u32(e.valueAt);
    }

private:
    QByteArrayView m_data;
    bool m_littleEndian = true;
    bool m_valid = false;
};

void walkTiff(QByteArrayView data, MetadataBlocks& blocks)
{
    TiffWalk walk = walkTiffStructure(data, true);
    blocks.profiles.append(walk.profiles);
    for (const QByteArray& resources : walk.photoshopResources)
        walkPhotoshopResources(resources, blocks, true);
    if (walk.metadata)
        blocks.tiffFile = rawBytes(data);
}

// --- BMP ---------------------------------------------------------------------------------------------

void walkBmp(QByteArrayView data, MetadataBlocks& blocks)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    if (size < 14 + 12)
        return;
    const qsizetype pixelsAt = readLE32(u + 10);
    const qsizetype headerSize = readLE32(u + 14);
    if (headerSize < 12 || 14 + headerSize > size)
        return;
    qint64 width = 0;
    qint64 height = 0;
    quint32 bitsPerPixel = 0;
    quint32 compression = 0;
    qsizetype imageSize = 0;
    quint32 coloursUsed = 0;
    if (headerSize == 12) {
        width = readLE16(u + 18);
        height = readLE16(u + 20);
        bitsPerPixel = readLE16(u + 24);
    } else {
        width = qint32(readLE32(u + 18));
        height = qint32(readLE32(u + 22));
        bitsPerPixel = readLE16(u + 28);
        compression = readLE32(u + 30);
        imageSize = readLE32(u + 34);
        if (headerSize >= 40)
            coloursUsed = readLE32(u + 46);
    }
    // Where the header, the bit masks and the palette end.
    qsizetype headerEnd = 14 + headerSize;
    if (headerSize == 40 && (compression == 3 || compression == 6))
        headerEnd += compression == 3 ? 12 : 16;
    if (bitsPerPixel <= 8)
        headerEnd += qsizetype(coloursUsed ? std::min<quint32>(coloursUsed, 256) : 1u << bitsPerPixel)
            * (headerSize == 12 ? 3 : 4);
    // Where the pixels end: uncompressed rows are padded to four bytes. Sides and depth as a header may
    // state them (31 bits each, 16 bits of depth) multiply past 64 bits: such pixels end beyond any file.
    const qint64 stride = (std::abs(width) * bitsPerPixel + 31) / 32 * 4;
    qint64 pixelBytes = qint64(imageSize);
    if ((compression == 0 || compression == 3 || compression == 6)
        && __builtin_mul_overflow(stride, std::abs(height), &pixelBytes))
        pixelBytes = std::numeric_limits<qint64>::max() / 2;
    qint64 end = qint64(pixelsAt) + pixelBytes;
    // A version 5 header may hold an embedded profile or a linked profile's file name after the pixels.
    if (headerSize >= 124) {
        const quint32 colourSpace = readLE32(u + 14 + 56);
        const qsizetype profileAt = 14 + qsizetype(readLE32(u + 14 + 112));
        const qsizetype profileSize = readLE32(u + 14 + 116);
        if ((colourSpace == 0x4D424544 || colourSpace == 0x4C494E4B) && profileAt <= size
            && profileSize <= size - profileAt) {
            const QByteArrayView profile = data.sliced(profileAt, profileSize);
            if (colourSpace == 0x4D424544) // 'MBED'
                blocks.profiles.append(profile.toByteArray());
            else { // 'LINK': the file name of the profile, which may name a person's folder
                const qsizetype nul = profile.indexOf('\0');
                report(blocks, PersonalGroup::Hidden, QStringLiteral("Linked colour profile"),
                    readableText(QString::fromLatin1(nul >= 0 ? profile.first(nul) : profile)));
            }
            end = std::max<qint64>(end, profileAt + profileSize);
            if (profileAt > headerEnd && profileAt < pixelsAt)
                headerEnd = std::max<qsizetype>(headerEnd, profileAt + profileSize);
        }
    }
    if (pixelsAt > headerEnd && pixelsAt <= size && !isPadding(data.sliced(headerEnd, pixelsAt - headerEnd)))
        report(blocks, PersonalGroup::Hidden, QStringLiteral("Data between the header and the pixels"),
            sizeWithExcerpt(data.sliced(headerEnd, pixelsAt - headerEnd)));
    if (end > 0 && end < size)
        reportTrailingData(data.sliced(end), blocks, 0);
}

// --- HEIF (HEIC, AVIF) -------------------------------------------------------------------------------

/// Metadata items above this size are not read (no Exif or XMP item of a photo comes near it).
constexpr quint64 kMaxHeifMetadataItem = 16 << 20;

QString fourCCName(quint32 type)
{
    QString name;
    for (const int shift : { 24, 16, 8, 0 }) {
        const uchar c = uchar(type >> shift);
        name.append(c >= 0x20 && c < 0x7F ? QChar(c) : QChar(u'?'));
    }
    return name;
}

bool isHeifImageType(quint32 type)
{
    static const std::set<quint32> kImageTypes
        = { fourCC("hvc1"), fourCC("av01"), fourCC("grid"), fourCC("iovl"), fourCC("iden"), fourCC("jpeg"),
              fourCC("avc1"), fourCC("unci"), fourCC("j2k1"), fourCC("vvc1") };
    return kImageTypes.contains(type);
}

/// The TIFF structure of a HEIF Exif item: after a 4-byte offset to the TIFF header (usually past
/// "Exif\0\0"). Empty when the item holds none.
QByteArrayView tiffOfHeifExif(QByteArrayView item)
{
    if (item.size() < 4)
        return {};
    const quint32 offset = readBE32(bytesOf(item));
    const auto isTiff = [](QByteArrayView at) {
        return at.startsWith(QByteArrayView("II*\0", 4)) || at.startsWith(QByteArrayView("MM\0*", 4));
    };
    if (quint64(offset) + 4 < quint64(item.size()) && isTiff(item.sliced(4 + offset)))
        return item.sliced(4 + offset);
    // Writers disagree on what the offset counts: look for the header near the start instead.
    for (qsizetype at = 4; at < std::min<qsizetype>(item.size() - 4, 64); ++at) {
        if (isTiff(item.sliced(at)))
            return item.sliced(at);
    }
    return {};
}

bool looksLikeXmp(QByteArrayView data)
{
    return data.indexOf("<x:xmpmeta") >= 0 || data.indexOf("<?xpacket") >= 0 || data.indexOf("rdf:RDF") >= 0;
}

/// The zero-ended strings of a HEIF 'udes' property (language, name, description, tags), joined.
QString heifDescription(QByteArrayView payload)
{
    QStringList texts;
    qsizetype pos = 4; // version and flags
    for (int i = 0; i < 4 && pos < payload.size(); ++i) {
        qsizetype end = payload.indexOf('\0', pos);
        if (end < 0)
            end = payload.size();
        if (i > 0 && end > pos)
            texts.append(readableText(QString::fromUtf8(payload.sliced(pos, end - pos))));
        pos = end + 1;
    }
    texts.removeAll(QString());
    return texts.join(QStringLiteral("; "));
}

/// Walks a HEIF file: its metadata items (Exif, XMP and any other), thumbnails and auxiliary images
/// other than alpha, images beside the primary one, colour profiles and descriptions, boxes outside the
/// standard ones and data after the last box. The item structure is read by the engine's own HEIF walk,
/// which follows every item location kind libheif writes. False, with the reason, when that structure
/// cannot be read.
bool walkHeif(QByteArrayView data, MetadataBlocks& blocks, QString* reason)
{
    QString why;
    const std::optional<HeifStructure> structure = readHeifStructure(data, &why);
    if (!structure) {
        *reason = why.isEmpty() ? QStringLiteral("not a HEIF image") : why;
        return false;
    }
    // The top-level boxes, whole ones only (the structure walk has checked their sizes): boxes outside the
    // standard ones, and free space that holds more than padding.
    qsizetype pos = 0;
    while (pos + 8 <= structure->boxesEnd) {
        quint64 size = readBE32(bytesOf(data) + pos);
        const quint32 type = readBE32(bytesOf(data) + pos + 4);
        qsizetype header = 8;
        if (size == 1 && pos + 16 <= structure->boxesEnd) {
            size = quint64(readBE32(bytesOf(data) + pos + 8)) << 32 | readBE32(bytesOf(data) + pos + 12);
            header = 16;
        } else if (size == 0) {
            size = quint64(structure->boxesEnd - pos);
        }
        if (size < quint64(header) || size > quint64(structure->boxesEnd - pos))
            break;
        const QByteArrayView payload = data.sliced(pos + header, qsizetype(size) - header);
        if (type == fourCC("moov"))
            report(
                blocks, PersonalGroup::Hidden, QStringLiteral("Image sequence"), byteCount(payload.size()));
        else if ((type == fourCC("free") || type == fourCC("skip")) && !isPadding(payload))
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Box '%1'").arg(fourCCName(type)),
                sizeWithExcerpt(payload));
        else if (type != fourCC("ftyp") && type != fourCC("meta") && type != fourCC("mdat")
            && type != fourCC("free") && type != fourCC("skip"))
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Box '%1'").arg(fourCCName(type)),
                sizeWithExcerpt(payload));
        pos += qsizetype(size);
    }
    // After the boxes and the data the items name: a box that runs past the end of the file, or bytes
    // that are no box at all.
    const QByteArrayView tail = data.sliced(heifDataEnd(*structure));
    // A box's header: a size that is no text and a type of letters, digits and spaces.
    const auto isText = [](char c) { return c >= 0x20 && c < 0x7F; };
    const auto isTypeCharacter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
    };
    const bool startsLikeABox = tail.size() >= 8 && !std::all_of(tail.begin(), tail.begin() + 4, isText)
        && std::all_of(tail.begin() + 4, tail.begin() + 8, isTypeCharacter);
    if (startsLikeABox)
        reportTrailingData(tail, blocks, 0,
            QStringLiteral("beginning like a box '%1'").arg(fourCCName(readBE32(bytesOf(tail) + 4))), 8);
    else
        reportTrailingData(tail, blocks, 0);

    const HeifStructure& s = *structure;
    const auto propertyOf = [&](const HeifItem& item, quint32 type) -> const HeifProperty* {
        for (const int index : item.properties) {
            if (index >= 0 && size_t(index) < s.properties.size() && s.properties[size_t(index)].type == type)
                return &s.properties[size_t(index)];
        }
        return nullptr;
    };
    // Items that are parts of other images (grid tiles, overlay inputs), alpha channels, thumbnails and
    // other auxiliary images: none of them is a picture of its own.
    std::set<quint32> parts;
    for (const HeifReference& reference : s.references) {
        if (reference.type == fourCC("dimg") || reference.type == fourCC("base"))
            parts.insert(reference.to.begin(), reference.to.end());
        if (reference.type != fourCC("thmb") && reference.type != fourCC("auxl"))
            continue;
        parts.insert(reference.from);
        const auto item = s.items.find(reference.from);
        if (item == s.items.end())
            continue;
        const QString size = [&] {
            const HeifProperty* ispe = propertyOf(item->second, fourCC("ispe"));
            if (!ispe || ispe->payload.size() < 12)
                return QString();
            return QStringLiteral("%1 × %2 pixels")
                .arg(readBE32(bytesOf(ispe->payload) + 4))
                .arg(readBE32(bytesOf(ispe->payload) + 8));
        }();
        if (reference.type == fourCC("thmb")) {
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Thumbnail"),
                size.isEmpty() ? QStringLiteral("an embedded preview") : size);
            continue;
        }
        const HeifProperty* auxC = propertyOf(item->second, fourCC("auxC"));
        QByteArrayView type;
        if (auxC && auxC->payload.size() > 4) {
            type = auxC->payload.sliced(4);
            type = type.first(
                std::max<qsizetype>(0, type.indexOf('\0') < 0 ? type.size() : type.indexOf('\0')));
        }
        if (isHeifAlphaType(type))
            continue;
        report(blocks, PersonalGroup::Hidden, QStringLiteral("Auxiliary image"),
            readableText(QString::fromLatin1(type.isEmpty() ? QByteArrayView("of no stated kind") : type))
                + (size.isEmpty() ? QString() : QStringLiteral(", ") + size));
    }
    for (const auto& [id, item] : s.items) {
        if (item.type == fourCC("Exif") || item.type == fourCC("mime") || item.type == fourCC("uri ")) {
            QString ignored;
            const std::optional<QByteArray> bytes = heifItemData(
                s, item, std::min<quint64>(kMaxHeifMetadataItem, quint64(data.size())), &ignored);
            if (!bytes) {
                report(blocks, PersonalGroup::Hidden, QStringLiteral("Metadata item"),
                    QStringLiteral("'%1', whose data lies outside the file").arg(fourCCName(item.type)));
                continue;
            }
            if (item.type == fourCC("Exif")) {
                const QByteArrayView tiff = tiffOfHeifExif(*bytes);
                if (!tiff.isEmpty())
                    blocks.exif.append(QByteArray(tiff.data(), tiff.size()));
                else if (!bytes->isEmpty())
                    report(
                        blocks, PersonalGroup::Hidden, QStringLiteral("EXIF item"), sizeWithExcerpt(*bytes));
            } else if (item.type == fourCC("mime") && looksLikeXmp(*bytes)) {
                blocks.xmp.append(QByteArray(bytes->constData(), bytes->size()));
            } else if (!bytes->isEmpty()) {
                report(blocks, PersonalGroup::Hidden,
                    QStringLiteral("Metadata item '%1'").arg(fourCCName(item.type).trimmed()),
                    sizeWithExcerpt(*bytes));
            }
            continue;
        }
        if (id != s.primary && !parts.contains(id) && isHeifImageType(item.type))
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Another image"),
                QStringLiteral("item %1 ('%2')").arg(id).arg(fourCCName(item.type)));
    }
    reportHeifCodedMetadata(s, blocks);
    for (const HeifProperty& property : s.properties) {
        if (property.type == fourCC("colr") && property.payload.size() > 4
            && (property.payload.startsWith("prof") || property.payload.startsWith("rICC")))
            blocks.profiles.append(QByteArray(property.payload.data() + 4, property.payload.size() - 4));
        else if (property.type == fourCC("udes")) {
            const QString text = heifDescription(property.payload);
            if (!text.isEmpty())
                report(blocks, PersonalGroup::Text, QStringLiteral("Description (HEIF)"), text);
        }
    }
    return true;
}

// --- WebP --------------------------------------------------------------------------------------------

/// Walks the chunks of a WebP file (or of one animation frame, \a inFrame): its EXIF, XMP and ICCP
/// chunks go to the blocks; chunks outside the format's own are reported.
void walkWebpChunks(QByteArrayView chunks, MetadataBlocks& blocks, bool inFrame)
{
    qsizetype pos = 0;
    while (pos + 8 <= chunks.size()) {
        const QByteArrayView fourcc = chunks.sliced(pos, 4);
        const quint32 size = readLE32(bytesOf(chunks) + pos + 4);
        const qsizetype available = chunks.size() - pos - 8;
        const QByteArrayView payload
            = chunks.sliced(pos + 8, std::min<qsizetype>(qsizetype(size), available));
        if (fourcc == "EXIF" && !inFrame) {
            QByteArrayView tiff = payload;
            if (tiff.startsWith(QByteArrayView("Exif\0\0", 6)))
                tiff = tiff.sliced(6);
            if (tiff.startsWith(QByteArrayView("II*\0", 4)) || tiff.startsWith(QByteArrayView("MM\0*", 4)))
                blocks.exif.append(QByteArray(tiff.data(), tiff.size()));
            else if (!tiff.isEmpty())
                report(blocks, PersonalGroup::Hidden, QStringLiteral("EXIF chunk"), sizeWithExcerpt(tiff));
        } else if (fourcc == "XMP " && !inFrame) {
            blocks.xmp.append(QByteArray(payload.data(), payload.size()));
        } else if (fourcc == "ICCP" && !inFrame) {
            blocks.profiles.append(QByteArray(payload.data(), payload.size()));
        } else if (fourcc == "ANMF" && !inFrame) {
            if (payload.size() > 16)
                walkWebpChunks(payload.sliced(16), blocks, true);
        } else if (fourcc != "VP8 " && fourcc != "VP8L" && fourcc != "ALPH" && fourcc != "VP8X"
            && fourcc != "ANIM") {
            report(blocks, PersonalGroup::Hidden,
                QStringLiteral("Chunk '%1'").arg(readableText(QString::fromLatin1(fourcc))),
                sizeWithExcerpt(payload));
        }
        if (qsizetype(size) > available)
            break; // cut short: what was there is walked
        pos += 8 + qsizetype(size) + qsizetype(size & 1);
    }
}

/// Walks a WebP file ("RIFF", size, "WEBP", chunks) and what follows the RIFF structure.
void walkWebp(QByteArrayView data, MetadataBlocks& blocks)
{
    const quint64 riffEnd = std::min<quint64>(8 + quint64(readLE32(bytesOf(data) + 4)), quint64(data.size()));
    walkWebpChunks(data.sliced(12, qsizetype(riffEnd) - 12), blocks, false);
    if (qsizetype(riffEnd) < data.size())
        reportTrailingData(data.sliced(qsizetype(riffEnd)), blocks, 0);
}

// --- Colour profiles ---------------------------------------------------------------------------------

/// Tag signatures the ICC registers for colour (versions 2 and 4), texts among them.
bool isRegisteredProfileTag(QByteArrayView signature)
{
    static const std::set<QByteArrayView> kTags = { "A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2", "D2B0",
        "D2B1", "D2B2", "D2B3", "B2D0", "B2D1", "B2D2", "B2D3", "bXYZ", "bTRC", "bkpt", "calt", "chad",
        "chrm", "cicp", "ciis", "clro", "clrt", "clot", "cprt", "crdi", "desc", "dmnd", "dmdd", "gamt",
        "gXYZ", "gTRC", "kTRC", "lumi", "meas", "ncol", "ncl2", "pre0", "pre1", "pre2", "resp", "rXYZ",
        "rTRC", "rig0", "rig2", "scrd", "scrn", "targ", "tech", "bfd ", "vued", "view", "wtpt", "psd0",
        "psd1", "psd2", "psd3", "ps2s", "ps2i", "ps2r", "ps2c", "dscm" };
    return kTags.count(signature) != 0;
}

/// Text tags: descriptions of the profile, its device and its viewing conditions, and its copyright.
bool isProfileTextTag(QByteArrayView signature)
{
    return signature == "desc" || signature == "cprt" || signature == "dmnd" || signature == "dmdd"
        || signature == "vued" || signature == "scrd" || signature == "targ" || signature == "dscm";
}

/// Registered tags made to carry free data about devices: metadata, profile sequences, device settings.
bool isProfileDeviceTag(QByteArrayView signature)
{
    return signature == "meta" || signature == "pseq" || signature == "psid" || signature == "devs";
}

/// The texts of a tag of type 'desc', 'text' or 'mluc'; none for other types.
QStringList profileTagTexts(QByteArrayView tag)
{
    QStringList texts;
    const uchar* u = bytesOf(tag);
    const auto cut = [](QString text) {
        const qsizetype nul = text.indexOf(QChar(0));
        return nul >= 0 ? text.left(nul) : text;
    };
    if (tag.size() < 12)
        return texts;
    const QByteArrayView type = tag.first(4);
    if (type == "text") {
        texts.append(cut(QString::fromLatin1(tag.sliced(8))));
    } else if (type == "desc") {
        const qsizetype ascii = readBE32(u + 8);
        if (ascii > tag.size() - 12)
            return texts;
        texts.append(cut(QString::fromLatin1(tag.sliced(12, ascii))));
        const qsizetype unicodeAt = 12 + ascii + 4;
        if (unicodeAt + 4 <= tag.size()) {
            const qsizetype characters = readBE32(u + unicodeAt);
            if (characters > 0 && characters <= (tag.size() - unicodeAt - 4) / 2) {
                QString text;
                for (qsizetype i = 0; i < characters; ++i)
                    text.append(QChar(readBE16(u + unicodeAt + 4 + 2 * i)));
                texts.append(cut(text));
            }
        }
    } else if (type == "mluc" && tag.size() >= 16) {
        const qsizetype records = readBE32(u + 8);
        const qsizetype recordSize = readBE32(u + 12);
        if (recordSize < 12 || records > (tag.size() - 16) / recordSize)
            return texts;
        for (qsizetype i = 0; i < records; ++i) {
            const uchar* record = u + 16 + i * recordSize;
            const qsizetype length = readBE32(record + 4);
            const qsizetype offset = readBE32(record + 8);
            if (offset > tag.size() || length > tag.size() - offset)
                continue;
            QString text;
            for (qsizetype k = 0; k + 1 < length; k += 2)
                text.append(QChar(readBE16(u + offset + k)));
            texts.append(cut(text));
        }
    }
    return texts;
}

/// Words that the texts of colour profiles are made of: colour spaces and their parts, rendering and
/// viewing terms, the words of copyright lines, and the colour vendors and profile makers. A text made
/// of these names no person and no camera.
const std::set<QString>& colourProfileWords()
{
    static const std::set<QString> kWords = [] {
        std::set<QString> words;
        for (const char* word :
            { "rgb", "srgb", "scrgb", "esrgb", "argb", "rgba", "gray", "grey", "sgray", "greyscale",
                "grayscale", "mono", "monochrome", "cmyk", "cmy", "lab", "xyz", "cie", "luv", "lch", "yuv",
                "ycc", "ycbcr", "display", "dci", "cinema", "compatible", "prophoto", "romm", "rimm", "eci",
                "ecirgb", "bt", "rec", "itu", "hdtv", "sdtv", "uhdtv", "pq", "hlg", "smpte", "aces", "acescg",
                "ap", "gamma", "linear", "trc", "tone", "curve", "curves", "primaries", "white", "point",
                "black", "illuminant", "wide", "gamut", "widegamut", "colormatch", "generic", "coated",
                "uncoated", "web", "offset", "sheetfed", "newsprint", "swop", "gracol", "iso", "isocoated",
                "isouncoated", "psr", "lwc", "euroscale", "dot", "gain", "perceptual", "relative", "absolute",
                "colorimetric", "saturation", "intent", "preference", "monitor", "photo", "reference",
                "viewing", "condition", "conditions", "standard", "default", "based", "colour", "color",
                "space", "colourspace", "colorspace", "profile", "profiles", "icc", "icm", "version", "rev",
                "revision", "generated", "created", "built", "in", "copyright", "all", "rights", "reserved",
                "inc", "incorporated", "corp", "corporation", "company", "co", "ltd", "limited", "gmbh", "ag",
                "llc", "sa", "plc", "public", "domain", "no", "warranty", "use", "freely", "at", "own",
                "risk", "is", "provided", "as", "by", "with", "for", "and", "of", "the", "on", "to", "from",
                "under", "licence", "license", "cc0", "none", "unknown", "www", "http", "https", "com", "org",
                "net", "ch", "de", "jp", "uk", "fr", "international", "consortium", "hewlett", "packard",
                "hp", "adobe", "systems", "apple", "computer", "microsoft", "eastman", "kodak", "little",
                "cms", "lcms", "littlecms", "argyll", "argyllcms", "rite", "xrite", "gretagmacbeth",
                "basiccolor", "european", "initiative", "fogra", "idealliance", "iec", "colorsync",
                "imagemagick", "gimp", "ghostscript", "artifex", "google", "qt", "heidelberg", "agfa" })
            words.insert(QString::fromLatin1(word));
        return words;
    }();
    return kWords;
}

/// Whether \a word is profile words written together ("adobergb", "itulab"), pieces of three letters or
/// more only, so that short words cannot spell a name.
bool isJoinedProfileWords(const QString& word)
{
    std::vector<bool> reach(size_t(word.size()) + 1, false);
    reach[0] = true;
    for (qsizetype end = 3; end <= word.size(); ++end) {
        for (qsizetype start = 0; start + 3 <= end && !reach[size_t(end)]; ++start)
            reach[size_t(end)]
                = reach[size_t(start)] && colourProfileWords().count(word.mid(start, end - start));
    }
    return reach.back();
}

/// Whether a profile text names nothing but colour spaces, colour terms and profile makers.
bool isColourText(const QString& text)
{
    QString word;
    const auto wordIsColour = [&word] {
        const bool ok = word.size() < 2 || colourProfileWords().count(word) || isJoinedProfileWords(word);
        word.clear();
        return ok;
    };
    for (const QChar c : text) {
        const bool letter = c >= u'a' && c <= u'z';
        const bool upper = c >= u'A' && c <= u'Z';
        if (letter || upper) {
            word.append(c.toLower());
            continue;
        }
        if (!word.isEmpty() && !wordIsColour())
            return false;
        // Digits, spaces and punctuation name nothing; any other letter is a word this list lacks.
        if (c.isLetter())
            return false;
    }
    return word.isEmpty() || wordIsColour();
}

QString tagName(QByteArrayView signature)
{
    QString name;
    for (const char c : signature)
        name.append(c >= 0x20 && c < 0x7F ? QChar(c) : QChar(u'?'));
    return name;
}

} // namespace

/// Tags of an image directory that describe the pixels, their layout, resolution and orientation: what a
/// clean copy keeps.
bool isTiffPixelTag(quint32 tag)
{
    static const std::set<quint32> kTags = { 254, 255, 256, 257, 258, 259, 262, 263, 264, 265, 266, 273, 274,
        277, 278, 279, 280, 281, 282, 283, 284, 286, 287, 290, 291, 292, 293, 296, 297, 301, 317, 318, 319,
        320, 321, 322, 323, 324, 325, 332, 338, 339, 340, 341, 347, 512, 513, 514, 515, 517, 518, 519, 520,
        521, 529, 530, 531, 532 };
    return kTags.count(tag) != 0;
}

/// Tags of the Exif directory that describe the pixels only: the versions, the component order, the
/// colour space, the pixel dimensions and the pointer to the interoperability directory.
bool isExifPixelTag(quint32 tag)
{
    return tag == 0x9000 || tag == 0x9101 || tag == 0xA000 || tag == 0xA001 || tag == 0xA002 || tag == 0xA003
        || tag == 0xA005;
}

std::vector<InspectedField> colourProfileFindings(const QByteArray& profile)
{
    std::vector<InspectedField> findings;
    if (!isCompleteProfile(profile)) {
        findings.push_back({ QStringLiteral("Colour profile"),
            QStringLiteral("damaged or no ICC profile (%1)").arg(sizeWithExcerpt(profile)) });
        return findings;
    }
    const uchar* u = bytesOf(profile);
    const qsizetype count = readBE32(u + 128);
    std::vector<std::pair<qsizetype, qsizetype>> covered { { 0, 132 + count * 12 } };
    for (qsizetype i = 0; i < count; ++i) {
        const uchar* entry = u + 132 + i * 12;
        const QByteArrayView signature(reinterpret_cast<const char*>(entry), 4);
        const qsizetype offset = readBE32(entry + 4);
        const qsizetype length = readBE32(entry + 8);
        const QByteArrayView tag = QByteArrayView(profile).sliced(offset, length);
        covered.emplace_back(offset, offset + length);
        const QString name = QStringLiteral("Colour profile tag '%1'").arg(tagName(signature));
        // A tag of a text type is read as text whatever its signature says (a colour tag holding text).
        const bool textType = tag.startsWith("text") || tag.startsWith("desc") || tag.startsWith("mluc");
        if (isProfileDeviceTag(signature)) {
            findings.push_back({ name, QStringLiteral("device data, %1").arg(byteCount(length)) });
        } else if (isProfileTextTag(signature) || (textType && isRegisteredProfileTag(signature))) {
            const QStringList texts = profileTagTexts(tag);
            if (texts.isEmpty())
                findings.push_back({ name, QStringLiteral("unreadable text, %1").arg(sizeWithExcerpt(tag)) });
            for (const QString& text : texts) {
                if (!isColourText(text))
                    findings.push_back({ name, readableText(text) });
            }
        } else if (!isRegisteredProfileTag(signature)) {
            findings.push_back({ name, QStringLiteral("private, %1").arg(sizeWithExcerpt(tag)) });
        }
    }
    // Tags begin on four-byte boundaries: a larger gap between them holds something no tag names.
    std::sort(covered.begin(), covered.end());
    qsizetype end = 0;
    qsizetype hidden = 0;
    for (const auto& [from, to] : covered) {
        if (from > end + 3 && !isPadding(QByteArrayView(profile).sliced(end, from - end)))
            hidden += from - end;
        end = std::max(end, to);
    }
    if (profile.size() > end + 3 && !isPadding(QByteArrayView(profile).sliced(end)))
        hidden += profile.size() - end;
    if (hidden > 0)
        findings.push_back({ QStringLiteral("Colour profile"),
            QStringLiteral("%1 outside its tags").arg(byteCount(hidden)) });
    // The profile ID is the profile's MD5 or, in version 2 profiles, zero; anything else is 16 bytes of
    // something else.
    const QByteArrayView id = QByteArrayView(profile).sliced(84, 16);
    if (std::any_of(id.begin(), id.end(), [](char c) { return c != 0; }) && id != computeProfileId(profile))
        findings.push_back({ QStringLiteral("Colour profile ID"),
            QStringLiteral("not the profile's checksum, %1").arg(sizeWithExcerpt(id)) });
    // A standard profile passes as it is, whatever its texts say. That a profile cleans to itself proves
    // nothing (one crafted to look rebuilt does too): any other profile is judged by its tags alone.
    if (!findings.empty() && isStandardColorProfile(profile))
        findings.clear();
    return findings;
}

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

TiffWalk walkTiffStructure(QByteArrayView data, bool wholeFile)
{
    TiffWalk walk;
    const TiffStructure tiff(data);
    if (!tiff.valid())
        return walk;
    walk.littleEndian = tiff.littleEndian();
    struct Pending
    {
        qsizetype offset;
        TiffRole role;
        int page;
        TiffRole namedBy;
        bool underSubImage;
    };
    std::deque<Pending> pending { { qsizetype(tiff.u32(4)), TiffRole::Page, 0, TiffRole::Page, false } };
    std::set<std::pair<qsizetype, TiffRole>> visited;
    std::array<int, 5> directoriesLeft {};
    directoriesLeft.fill(kMaxTiffDirectoriesPerRole);
    directoriesLeft[size_t(TiffRole::Page)] = kMaxTiffPages;
    qsizetype entriesLeft = kMaxTiffEntries;
    qsizetype pointersLeft = kMaxTiffPointers;
    const auto follow = [&](const Pending& next) {
        if (pointersLeft-- > 0)
            pending.push_back(next);
        else
            walk.incomplete = walk.metadata = true;
    };
    while (!pending.empty()) {
        const Pending at = pending.front();
        pending.pop_front();
        // A pointer to nowhere (zero, into the header, past the data) names no directory to read.
        if (at.offset < 8 || at.offset + 2 > tiff.size() || !visited.insert({ at.offset, at.role }).second)
            continue;
        const qsizetype count = tiff.u16(at.offset);
        int& left = directoriesLeft[size_t(at.role)];
        if (left == 0 || count > entriesLeft) {
            walk.incomplete = walk.metadata = true;
            continue;
        }
        --left;
        entriesLeft -= count;
        if (at.offset + 2 + count * 12 > tiff.size()) {
            walk.incomplete = walk.metadata = true; // a directory that runs past the data hides what it holds
            continue;
        }
        TiffDirectory directory { at.role, at.page, at.namedBy, at.underSubImage, {} };
        bool holdsMetadata = false;
        for (qsizetype i = 0; i < count; ++i) {
            const TiffStructure::Entry e = tiff.entry(at.offset + 2 + i * 12);
            directory.entries.push_back(
                { quint16(e.tag), quint16(e.type), e.count, tiff.bytes(e.valueAt, e.valueSize) });
            if (at.role == TiffRole::Gps) {
                holdsMetadata = holdsMetadata || e.tag != 0; // the version alone says nothing
                continue;
            }
            // The pointers to other directories, wherever they appear but in a GPS directory: readers
            // (exiftool among them) follow them from pages, sub-images, Exif and interoperability
            // directories alike.
            const auto followFrom = [&](qsizetype offset, TiffRole role) {
                follow({ offset, role, at.page, at.role, at.underSubImage || role == TiffRole::SubImage });
            };
            if (e.tag == 34665) {
                followFrom(tiff.firstValue(e), TiffRole::Exif);
                continue;
            }
            if (e.tag == 34853) {
                followFrom(tiff.firstValue(e), TiffRole::Gps);
                continue;
            }
            if (e.tag == 40965) {
                followFrom(tiff.firstValue(e), TiffRole::Interoperability);
                continue;
            }
            if (e.tag == 330) {
                for (quint32 k = 0; k < std::min<quint32>(e.count, kMaxSubImagesPerDirectory); ++k)
                    followFrom(tiff.u32(e.valueAt + k * 4), TiffRole::SubImage);
                if (e.count > kMaxSubImagesPerDirectory)
                    walk.incomplete = walk.metadata = true;
                continue;
            }
            switch (at.role) {
            case TiffRole::Page:
            case TiffRole::SubImage:
                if (e.tag == 34675 && wholeFile) {
                    walk.profiles.append(tiff.bytes(e.valueAt, e.valueSize).toByteArray());
                } else if (e.tag == 34377 && wholeFile) {
                    walk.photoshopResources.append(tiff.bytes(e.valueAt, e.valueSize).toByteArray());
                    holdsMetadata = true;
                } else if (!isTiffPixelTag(e.tag) || (!wholeFile && (e.tag == 513 || e.tag == 514))) {
                    holdsMetadata = true;
                }
                break;
            case TiffRole::Exif:
                holdsMetadata = holdsMetadata || !isExifPixelTag(e.tag);
                break;
            case TiffRole::Gps:
            case TiffRole::Interoperability:
                break;
            }
        }
        walk.metadata = walk.metadata || holdsMetadata;
        // Pages and sub-images may name a next one; in an EXIF block the directory after the first holds
        // a thumbnail.
        if (at.role == TiffRole::Page || at.role == TiffRole::SubImage) {
            const qsizetype next = tiff.u32(at.offset + 2 + count * 12);
            if (next != 0 && !wholeFile && at.role == TiffRole::Page && at.page == 0)
                walk.metadata = true;
            if (next != 0)
                follow({ next, at.role, at.role == TiffRole::Page ? at.page + 1 : at.page, at.role,
                    at.underSubImage });
        }
        if (at.role == TiffRole::Gps)
            walk.gps.push_back(std::move(directory));
        else if (holdsMetadata && at.role != TiffRole::Interoperability)
            walk.described.push_back(std::move(directory));
    }
    return walk;
}

bool walkImageContainer(QByteArrayView data, MetadataBlocks& blocks, QString* reason)
{
    if (data.isEmpty()) {
        *reason = QStringLiteral("the file is empty");
        return false;
    }
    if (data.startsWith(QByteArrayView("\xFF\xD8\xFF", 3))) {
        (void)walkJpeg(data, blocks, 0);
        return true;
    }
    if (data.startsWith(QByteArrayView("\x89PNG\r\n\x1A\n", 8))) {
        walkPng(data, blocks);
        return true;
    }
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a")) {
        walkGif(data, blocks);
        return true;
    }
    if (data.startsWith(QByteArrayView("II*\0", 4)) || data.startsWith(QByteArrayView("MM\0*", 4))) {
        walkTiff(data, blocks);
        return true;
    }
    if (data.startsWith("BM")) {
        walkBmp(data, blocks);
        return true;
    }
    if (data.size() >= 12 && data.startsWith("RIFF") && data.sliced(8).startsWith("WEBP")) {
        walkWebp(data, blocks);
        return true;
    }
    if (isHeifFile(data.first(std::min<qsizetype>(data.size(), 4096))))
        return walkHeif(data, blocks, reason);
    *reason = QStringLiteral("not an image in a format Morvane reads");
    return false;
}
