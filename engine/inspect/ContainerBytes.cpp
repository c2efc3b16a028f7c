// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/MetadataContainers.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>
#include <zlib.h>

namespace containers {

const uchar* bytesOf(QByteArrayView data)
{
    return reinterpret_cast<const uchar*>(data.data());
}

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
    return count == 1 ? QCoreApplication::translate("MetadataInspector", "1 byte")
                      : QCoreApplication::translate("MetadataInspector", "%1 bytes").arg(count);
}

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

std::optional<QByteArray> inflateZlib(QByteArrayView compressed, bool whole, qsizetype limit)
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

void walkPhotoshopResources(QByteArrayView resources, MetadataBlocks& blocks, bool iptcElsewhere)
{
    const uchar* u = bytesOf(resources);
    const qsizetype size = resources.size();
    QStringList others;
    qsizetype pos = 0;
    while (pos + 12 <= size) {
        const QByteArrayView signature = resources.sliced(pos, 4);
        if (signature != "8BIM" && signature != "PHUT" && signature != "AgHg" && signature != "DCSR"
            && signature != "MeSa") {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Photoshop data"),
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
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Thumbnail (Photoshop)"), byteCount(length));
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
        report(blocks, PersonalGroup::Hidden,
            QCoreApplication::translate("MetadataInspector", "Photoshop resources"),
            others.join(QStringLiteral(", ")));
}

// --- Trailing data -----------------------------------------------------------------------------------

void reportTrailingData(
    QByteArrayView tail, MetadataBlocks& blocks, int depth, const QString& kind, qsizetype header)
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
        value += QCoreApplication::translate("MetadataInspector", ", with a JPEG image");
    else if (images > 1)
        value += QCoreApplication::translate("MetadataInspector", ", with %1 JPEG images").arg(images);
    const QString excerpt = printableExcerpt(loose);
    if (!excerpt.isEmpty())
        value += QStringLiteral(": ") + excerpt;
    report(blocks, PersonalGroup::Hidden,
        QCoreApplication::translate("MetadataInspector", "Data after the image"), value);
}

} // namespace containers
