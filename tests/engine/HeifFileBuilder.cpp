// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/HeifFileBuilder.h"

#include <QColor>
#include <QtEndian>

#include <algorithm>
#include <libheif/heif.h>

namespace {

void put8(QByteArray& out, quint32 value)
{
    out.append(char(value & 0xFF));
}
void put16(QByteArray& out, quint32 value)
{
    put8(out, value >> 8);
    put8(out, value);
}
void put32(QByteArray& out, quint32 value)
{
    put16(out, value >> 16);
    put16(out, value);
}
quint32 get32(const QByteArray& data, qsizetype at)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | uchar(data.at(at + i));
    return value;
}
quint64 getN(const QByteArray& data, qsizetype& at, int bytes)
{
    quint64 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | uchar(data.at(at++));
    return value;
}

QByteArray fullBox(const QByteArray& type, int version, quint32 flags, const QByteArray& payload)
{
    QByteArray body;
    put32(body, quint32(version) << 24 | flags);
    return box(type, body + payload);
}

/// The child boxes of \a payload as (type, payload).
std::vector<std::pair<QByteArray, QByteArray>> children(const QByteArray& payload)
{
    std::vector<std::pair<QByteArray, QByteArray>> boxes;
    qsizetype at = 0;
    while (at + 8 <= payload.size()) {
        const quint32 size = get32(payload, at);
        if (size < 8 || at + size > payload.size())
            break;
        boxes.emplace_back(payload.mid(at + 4, 4), payload.mid(at + 8, size - 8));
        at += size;
    }
    return boxes;
}

heif_error collect(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return { heif_error_Ok, heif_suberror_Unspecified, "" };
}

/// The one coded item of a file libheif wrote: its configuration, size and data.
CodedImage codedItemOf(const QByteArray& file)
{
    CodedImage image;
    QByteArray meta;
    for (const auto& [type, payload] : children(file)) {
        if (type == "meta")
            meta = payload.mid(4);
    }
    quint32 itemId = 0;
    for (const auto& [type, payload] : children(meta)) {
        if (type == "iinf") {
            const int version = uchar(payload.at(0));
            for (const auto& [entryType, entry] : children(payload.mid(version == 0 ? 6 : 8))) {
                if (entryType != "infe" || uchar(entry.at(0)) != 2)
                    continue;
                const QByteArray itemType = entry.mid(8, 4);
                if (itemType == "hvc1" || itemType == "av01") {
                    itemId = quint32(uchar(entry.at(4))) << 8 | uchar(entry.at(5));
                    image.type = itemType;
                }
            }
        } else if (type == "iprp") {
            for (const auto& [iprpType, iprpPayload] : children(payload)) {
                if (iprpType != "ipco")
                    continue;
                for (const auto& [propertyType, property] : children(iprpPayload)) {
                    if ((propertyType == "hvcC" || propertyType == "av1C") && image.configuration.isEmpty())
                        image.configuration = property;
                    if (propertyType == "ispe" && image.width == 0) {
                        image.width = get32(property, 4);
                        image.height = get32(property, 8);
                    }
                }
            }
        }
    }
    for (const auto& [type, payload] : children(meta)) {
        if (type != "iloc")
            continue;
        qsizetype at = 0;
        const int version = uchar(payload.at(at));
        at += 4;
        const int offsetSize = uchar(payload.at(at)) >> 4, lengthSize = uchar(payload.at(at)) & 15;
        const int baseSize = uchar(payload.at(at + 1)) >> 4;
        const int indexSize = version >= 1 ? uchar(payload.at(at + 1)) & 15 : 0;
        at += 2;
        const quint64 count = getN(payload, at, version < 2 ? 2 : 4);
        for (quint64 i = 0; i < count; ++i) {
            const quint64 id = getN(payload, at, version < 2 ? 2 : 4);
            if (version >= 1)
                at += 2;
            at += 2;
            const quint64 base = getN(payload, at, baseSize);
            const quint64 extents = getN(payload, at, 2);
            for (quint64 k = 0; k < extents; ++k) {
                getN(payload, at, indexSize);
                const quint64 offset = getN(payload, at, offsetSize);
                const quint64 length = getN(payload, at, lengthSize);
                if (id == itemId)
                    image.data += file.mid(qsizetype(base + offset), qsizetype(length));
            }
        }
    }
    return image;
}

} // namespace

QByteArray box(const QByteArray& type, const QByteArray& payload)
{
    QByteArray out;
    put32(out, quint32(payload.size() + 8));
    return out + type.left(4) + payload;
}

QImage testPattern(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int diagonal = std::abs(x - 2 * y) < 3 ? 200 : 0;
            image.setPixel(x, y,
                qRgb((x * 255 / std::max(1, width - 1) + seed * 40) & 255,
                    (y * 255 / std::max(1, height - 1) + diagonal) & 255, (seed * 70 + (x ^ y)) & 255));
        }
    }
    return image;
}

CodedImage encodeCodedImage(const QImage& source, bool av1)
{
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    const int width = rgb.width(), height = rgb.height();
    heif_image* image = nullptr;
    if (heif_image_create(width, height, heif_colorspace_YCbCr, heif_chroma_420, &image).code
        != heif_error_Ok)
        return {};
    heif_image_add_plane(image, heif_channel_Y, width, height, 8);
    heif_image_add_plane(image, heif_channel_Cb, (width + 1) / 2, (height + 1) / 2, 8);
    heif_image_add_plane(image, heif_channel_Cr, (width + 1) / 2, (height + 1) / 2, 8);
    int strideY = 0, strideCb = 0, strideCr = 0;
    uint8_t* planeY = heif_image_get_plane(image, heif_channel_Y, &strideY);
    uint8_t* planeCb = heif_image_get_plane(image, heif_channel_Cb, &strideCb);
    uint8_t* planeCr = heif_image_get_plane(image, heif_channel_Cr, &strideCr);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb c = rgb.pixel(x, y);
            const double r = qRed(c), g = qGreen(c), b = qBlue(c);
            planeY[y * strideY + x] = uint8_t(std::clamp(0.299 * r + 0.587 * g + 0.114 * b, 0.0, 255.0));
            if (x % 2 == 0 && y % 2 == 0) {
                planeCb[(y / 2) * strideCb + x / 2]
                    = uint8_t(std::clamp(128 - 0.168736 * r - 0.331264 * g + 0.5 * b, 0.0, 255.0));
                planeCr[(y / 2) * strideCr + x / 2]
                    = uint8_t(std::clamp(128 + 0.5 * r - 0.418688 * g - 0.081312 * b, 0.0, 255.0));
            }
        }
    }
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    CodedImage coded;
    if (heif_context_get_encoder_for_format(
            context, av1 ? heif_compression_AV1 : heif_compression_HEVC, &encoder)
            .code
        == heif_error_Ok) {
        heif_encoder_set_lossy_quality(encoder, 60);
        heif_image_handle* handle = nullptr;
        QByteArray file;
        heif_writer writer { 1, collect };
        if (heif_context_encode_image(context, image, encoder, nullptr, &handle).code == heif_error_Ok
            && heif_context_write(context, &writer, &file).code == heif_error_Ok)
            coded = codedItemOf(file);
        heif_image_handle_release(handle);
        heif_encoder_release(encoder);
    }
    heif_context_free(context);
    heif_image_release(image);
    return coded;
}

QByteArray seiUserDataNal(const QByteArray& text)
{
    QByteArray nal;
    put8(nal, 39 << 1); // prefix SEI, layer 0
    put8(nal, 1); // temporal id 0 + 1
    put8(nal, 5); // user data unregistered
    put8(nal, quint32(16 + text.size()));
    for (int i = 0; i < 16; ++i)
        put8(nal, quint32(0x11 * (i + 1)) | 1);
    nal += text;
    put8(nal, 0x80);
    return nal;
}

QByteArray hvcCWithNal(const QByteArray& configuration, const QByteArray& nal)
{
    QByteArray out = configuration;
    out[22] = char(uchar(out[22]) + 1);
    put8(out, 0x80 | quint32((uchar(nal[0]) >> 1) & 0x3F));
    put16(out, 1);
    put16(out, quint32(nal.size()));
    return out + nal;
}

QByteArray withNalFirst(const QByteArray& data, const QByteArray& nal, int lengthSize)
{
    QByteArray out;
    for (int i = lengthSize - 1; i >= 0; --i)
        put8(out, quint32(nal.size()) >> (8 * i));
    return out + nal + data;
}

QByteArray av1MetadataObu(const QByteArray& text)
{
    QByteArray payload;
    put8(payload, 4); // metadata_type: ITU-T T.35
    put8(payload, 0xB5); // country code
    payload += text;
    put8(payload, 0x80); // trailing bits
    QByteArray obu;
    put8(obu, (5 << 3) | 2); // OBU_METADATA with a size field
    put8(obu, quint32(payload.size())); // under 128: one leb128 byte
    return obu + payload;
}

QByteArray withObuSecond(const QByteArray& obus, const QByteArray& obu)
{
    const auto header = uchar(obus.at(0));
    qsizetype at = 1 + ((header & 4) ? 1 : 0);
    quint64 size = 0;
    for (int i = 0; i < 8; ++i) {
        const auto byte = uchar(obus.at(at++));
        size |= quint64(byte & 0x7F) << (7 * i);
        if (!(byte & 0x80))
            break;
    }
    const qsizetype end = at + qsizetype(size);
    return obus.left(end) + obu + obus.mid(end);
}

QByteArray av1CWithObu(const QByteArray& configuration, const QByteArray& obu)
{
    return configuration + obu;
}

QByteArray exifItem(const QByteArray& artist)
{
    // Little-endian TIFF: IFD0 with Artist and a GPS pointer; the GPS IFD with GPSLatitudeRef "N".
    const auto entry = [](quint16 tag, quint16 type, quint32 count, quint32 value) {
        QByteArray bytes(12, '\0');
        qToLittleEndian(tag, bytes.data());
        qToLittleEndian(type, bytes.data() + 2);
        qToLittleEndian(count, bytes.data() + 4);
        qToLittleEndian(value, bytes.data() + 8);
        return bytes;
    };
    const QByteArray text = artist + '\0';
    const quint32 gps = 8 + 2 + 2 * 12 + 4, textAt = gps + 2 + 12 + 4;
    const QByteArray tiff = QByteArray("II*\0\x08\0\0\0\x02\0", 10)
        + entry(0x013B, 2, quint32(text.size()), textAt) + entry(0x8825, 4, 1, gps)
        + QByteArray("\0\0\0\0\x01\0", 6) + entry(1, 2, 2, quint32('N')) + QByteArray(4, '\0') + text;
    QByteArray item;
    put32(item, 6);
    return item + QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray xmpPacket(const QByteArray& creator)
{
    return "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description rdf:about='' "
           "xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:creator><rdf:Seq><rdf:li>"
        + creator
        + "</rdf:li></rdf:Seq></dc:creator></rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
}

QByteArray ispePayload(quint32 width, quint32 height)
{
    QByteArray out(4, '\0');
    put32(out, width);
    put32(out, height);
    return out;
}

QByteArray auxCPayload(const QByteArray& urn)
{
    return QByteArray(4, '\0') + urn + '\0';
}

QByteArray colrProfilePayload(const QByteArray& icc)
{
    return "prof" + icc;
}

QByteArray colrNclxPayload(int primaries, int transfer, int matrix, bool fullRange)
{
    QByteArray out("nclx");
    put16(out, quint32(primaries));
    put16(out, quint32(transfer));
    put16(out, quint32(matrix));
    put8(out, fullRange ? 0x80 : 0);
    return out;
}

QByteArray gridDescription(int rows, int columns, quint32 width, quint32 height)
{
    QByteArray out;
    put8(out, 0);
    put8(out, 0);
    put8(out, quint32(rows - 1));
    put8(out, quint32(columns - 1));
    put16(out, width);
    put16(out, height);
    return out;
}

HeifFileBuilder::HeifFileBuilder(QByteArray majorBrand, QList<QByteArray> brands)
    : m_major(std::move(majorBrand))
    , m_brands(std::move(brands))
{ }

quint32 HeifFileBuilder::addItem(const QByteArray& type, const QByteArray& data, bool hidden, bool inIdat)
{
    Item item;
    item.id = quint32(m_items.size() + 1);
    item.type = type;
    item.data = data;
    item.hidden = hidden;
    item.inIdat = inIdat;
    m_items.push_back(item);
    if (!m_primary)
        m_primary = item.id;
    return item.id;
}

quint32 HeifFileBuilder::addMimeItem(const QByteArray& contentType, const QByteArray& data)
{
    const quint32 id = addItem("mime", data);
    m_items.back().contentType = contentType;
    return id;
}

void HeifFileBuilder::setExtents(quint32 id, const std::vector<std::pair<qint64, quint64>>& extents)
{
    m_items[id - 1].extents = extents;
}

int HeifFileBuilder::addProperty(const QByteArray& type, const QByteArray& payload)
{
    m_properties.push_back(box(type, payload));
    return int(m_properties.size());
}

void HeifFileBuilder::associate(quint32 item, int property, bool essential)
{
    m_items[item - 1].properties.emplace_back(property, essential);
}

void HeifFileBuilder::reference(const QByteArray& type, quint32 from, const std::vector<quint32>& to)
{
    m_references.push_back({ type, from, to });
}

void HeifFileBuilder::addMetaBox(const QByteArray& type, const QByteArray& payload)
{
    m_metaBoxes.push_back(box(type, payload));
}

void HeifFileBuilder::addBox(const QByteArray& type, const QByteArray& payload)
{
    m_boxes.push_back(box(type, payload));
}

quint32 HeifFileBuilder::addCodedImage(const CodedImage& image, bool hidden)
{
    const quint32 id = addItem(image.type, image.data, hidden);
    associate(id, addProperty(image.type == "av01" ? "av1C" : "hvcC", image.configuration), true);
    associate(id, addProperty("ispe", ispePayload(image.width, image.height)));
    return id;
}

QByteArray HeifFileBuilder::meta(qint64 mdatData) const
{
    QByteArray hdlr(4, '\0');
    hdlr += "pict" + QByteArray(12, '\0') + QByteArray(1, '\0');
    QByteArray body = fullBox("hdlr", 0, 0, hdlr);
    if (m_primary) {
        QByteArray pitm;
        put16(pitm, *m_primary);
        body += fullBox("pitm", 0, 0, pitm);
    }
    QByteArray iinf;
    put16(iinf, quint32(m_items.size()));
    for (const Item& item : m_items) {
        QByteArray infe;
        put16(infe, item.id);
        put16(infe, 0);
        infe += item.type.left(4) + '\0';
        if (item.type == "mime")
            infe += item.contentType + '\0';
        iinf += fullBox("infe", 2, item.hidden ? 1 : 0, infe);
    }
    body += fullBox("iinf", 0, 0, iinf);
    if (!m_references.empty()) {
        QByteArray iref;
        for (const Reference& reference : m_references) {
            QByteArray entry;
            put16(entry, reference.from);
            put16(entry, quint32(reference.to.size()));
            for (const quint32 to : reference.to)
                put16(entry, to);
            iref += box(reference.type, entry);
        }
        body += fullBox("iref", 0, 0, iref);
    }
    QByteArray ipco;
    for (const QByteArray& property : m_properties)
        ipco += property;
    QByteArray ipma;
    int associated = 0;
    for (const Item& item : m_items)
        associated += item.properties.empty() ? 0 : 1;
    put32(ipma, quint32(associated));
    for (const Item& item : m_items) {
        if (item.properties.empty())
            continue;
        put16(ipma, item.id);
        put8(ipma, quint32(item.properties.size()));
        for (const auto& [index, essential] : item.properties)
            put16(ipma, (essential ? 0x8000 : 0) | quint32(index));
    }
    body += box("iprp", box("ipco", ipco) + fullBox("ipma", 0, 1, ipma));
    // 'iloc' version 1: offsets and lengths of 8 bytes, construction methods.
    QByteArray iloc;
    put8(iloc, 0x88);
    put8(iloc, 0x00);
    put16(iloc, quint32(m_items.size()));
    qint64 inMdat = 0, inIdat = 0;
    QByteArray idat;
    for (const Item& item : m_items) {
        put16(iloc, item.id);
        put16(iloc, item.inIdat ? 1 : 0);
        put16(iloc, 0);
        std::vector<std::pair<qint64, quint64>> extents;
        if (item.extents) {
            for (const auto& [offset, length] : *item.extents)
                extents.emplace_back(mdatData + offset, length);
        } else if (item.inIdat) {
            extents.emplace_back(inIdat, quint64(item.data.size()));
            idat += item.data;
            inIdat += item.data.size();
        } else {
            extents.emplace_back(mdatData + inMdat, quint64(item.data.size()));
        }
        if (!item.inIdat)
            inMdat += item.data.size();
        put16(iloc, quint32(extents.size()));
        for (const auto& [offset, length] : extents) {
            put32(iloc, quint32(quint64(offset) >> 32));
            put32(iloc, quint32(offset));
            put32(iloc, quint32(length >> 32));
            put32(iloc, quint32(length));
        }
    }
    body += fullBox("iloc", 1, 0, iloc);
    if (!idat.isEmpty())
        body += box("idat", idat);
    for (const QByteArray& extra : m_metaBoxes)
        body += extra;
    return fullBox("meta", 0, 0, body);
}

QByteArray HeifFileBuilder::build() const
{
    QByteArray ftyp = m_major.left(4);
    put32(ftyp, 0);
    for (const QByteArray& brand : m_brands)
        ftyp += brand.left(4);
    const QByteArray head = box("ftyp", ftyp);
    QByteArray extra;
    for (const QByteArray& added : m_boxes)
        extra += added;
    QByteArray mdat;
    for (const Item& item : m_items) {
        if (!item.inIdat)
            mdat += item.data;
    }
    const qint64 before = head.size() + meta(0).size() + extra.size() + 8;
    return head + meta(before) + extra + box("mdat", mdat) + m_trailing;
}

std::vector<std::pair<QByteArray, quint64>> topLevelBoxes(const QByteArray& file)
{
    std::vector<std::pair<QByteArray, quint64>> boxes;
    qsizetype at = 0;
    while (at < file.size()) {
        if (at + 8 > file.size()) {
            boxes.emplace_back("?", quint64(file.size() - at));
            break;
        }
        const quint32 size = get32(file, at);
        if (size < 8 || at + qsizetype(size) > file.size()) {
            boxes.emplace_back("?", quint64(file.size() - at));
            break;
        }
        boxes.emplace_back(file.mid(at + 4, 4), size);
        at += size;
    }
    return boxes;
}

Decoded decodeWithLibheif(const QByteArray& file)
{
    Decoded result;
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    if (heif_context_read_from_memory_without_copy(context, file.constData(), size_t(file.size()), nullptr)
                .code
            == heif_error_Ok
        && heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        result.alpha = heif_image_handle_has_alpha_channel(handle);
        result.topLevelImages = heif_context_get_number_of_top_level_images(context);
        result.thumbnails = heif_image_handle_get_number_of_thumbnails(handle);
        result.auxiliaryOtherThanAlpha
            = heif_image_handle_get_number_of_auxiliary_images(handle, LIBHEIF_AUX_IMAGE_FILTER_OMIT_ALPHA);
        result.depth = heif_image_handle_has_depth_image(handle);
        result.metadataBlocks = heif_image_handle_get_number_of_metadata_blocks(handle, nullptr);
        const heif_chroma chroma = result.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
        if (heif_decode_image(handle, &image, heif_colorspace_RGB, chroma, nullptr).code == heif_error_Ok) {
            result.width = heif_image_get_width(image, heif_channel_interleaved);
            result.height = heif_image_get_height(image, heif_channel_interleaved);
            int stride = 0;
            const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
            const int rowBytes = result.width * (result.alpha ? 4 : 3);
            for (int y = 0; y < result.height; ++y)
                result.pixels.append(reinterpret_cast<const char*>(plane + y * stride), rowBytes);
            result.ok = result.width > 0;
        }
    }
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(context);
    return result;
}
