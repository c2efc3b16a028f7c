// SPDX-License-Identifier: GPL-3.0-or-later
// The structure walk of a HEIF file: the boxes and the items of the 'meta' box, read with a bounds check on
// every field before libheif sees the data.
#include "engine/structure/HeifBoxes.h"

#include "engine/core/ConversionReasons.h"
#include "engine/structure/BoxReader.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kMaxItems = 1 << 16;
constexpr int kMaxExtentsPerItem = 32;

bool isHeifBrand(quint32 brand)
{
    switch (brand) {
    case fourCC("heic"):
    case fourCC("heix"):
    case fourCC("heim"):
    case fourCC("heis"):
    case fourCC("mif1"):
    case fourCC("mif2"):
    case fourCC("avif"):
    case fourCC("miaf"):
        return true;
    default:
        return false;
    }
}

bool fail(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

// ---------------------------------------------------------------------------------------------------------
// The 'meta' box

class MetaReader
{
public:
    MetaReader(HeifStructure& structure, QString* reason)
        : m_s(structure)
        , m_reason(reason)
    { }

    bool read(QByteArrayView meta)
    {
        ByteReader fullBox(meta);
        fullBox.skip(4); // version and flags
        if (fullBox.failed())
            return fail(m_reason, ConversionReasons::tr("The 'meta' box is damaged"));
        bool havePrimary = false;
        BoxReader boxes(fullBox.rest());
        while (const std::optional<Box> box = boxes.next()) {
            bool ok = true;
            switch (box->type) {
            case fourCC("pitm"):
                ok = readPrimary(box->payload);
                havePrimary = ok;
                break;
            case fourCC("iinf"):
                ok = readItemInfos(box->payload);
                break;
            case fourCC("iloc"):
                ok = readLocations(box->payload);
                break;
            case fourCC("iref"):
                ok = readReferences(box->payload);
                break;
            case fourCC("iprp"):
                ok = readProperties(box->payload);
                break;
            case fourCC("idat"):
                m_s.idat = box->payload;
                break;
            default:
                break;
            }
            if (!ok)
                return false;
        }
        if (boxes.failed())
            return fail(m_reason, ConversionReasons::tr("A box in the 'meta' box runs past its end"));
        if (!havePrimary)
            return fail(m_reason, ConversionReasons::tr("The file names no primary image"));
        if (!m_s.items.contains(m_s.primary))
            return fail(m_reason, ConversionReasons::tr("The primary image is not among the file's items"));
        return true;
    }

private:
    bool damaged(const char* box)
    {
        return fail(m_reason, ConversionReasons::tr("The '%1' box is damaged").arg(QLatin1String(box)));
    }

    HeifItem* item(quint32 id)
    {
        auto found = m_s.items.find(id);
        if (found != m_s.items.end())
            return &found->second;
        if (m_s.items.size() >= size_t(kMaxItems))
            return nullptr;
        HeifItem& added = m_s.items[id];
        added.id = id;
        return &added;
    }

    bool readPrimary(QByteArrayView payload)
    {
        ByteReader r(payload);
        const quint8 version = r.u8();
        r.skip(3);
        m_s.primary = version == 0 ? r.u16() : r.u32();
        return r.failed() ? damaged("pitm") : true;
    }

    bool readItemInfos(QByteArrayView payload)
    {
        ByteReader r(payload);
        const quint8 version = r.u8();
        r.skip(3);
        (void)(version == 0 ? r.u16() : r.u32()); // the entry count: the boxes themselves are what counts
        if (r.failed())
            return damaged("iinf");
        BoxReader boxes(r.rest());
        while (const std::optional<Box> box = boxes.next()) {
            if (box->type != fourCC("infe"))
                continue;
            ByteReader e(box->payload);
            const quint8 infeVersion = e.u8();
            const quint32 flags = quint32(e.read(3));
            if (infeVersion < 2)
                continue; // no item type: not an image
            const quint32 id = infeVersion == 2 ? e.u16() : e.u32();
            const quint16 protection = e.u16();
            const quint32 type = e.u32();
            if (e.failed())
                return damaged("infe");
            HeifItem* entry = item(id);
            if (!entry)
                return fail(m_reason, ConversionReasons::tr("The file has too many items"));
            entry->type = protection ? fourCC("encr") : type;
            entry->hidden = flags & 1;
        }
        return boxes.failed() ? damaged("iinf") : true;
    }

    bool readLocations(QByteArrayView payload)
    {
        ByteReader r(payload);
        const quint8 version = r.u8();
        r.skip(3);
        if (version > 2)
            return fail(m_reason, ConversionReasons::tr("The 'iloc' box has an unknown version"));
        const quint8 sizes = r.u8();
        const int offsetSize = sizes >> 4, lengthSize = sizes & 15;
        const quint8 moreSizes = r.u8();
        const int baseOffsetSize = moreSizes >> 4;
        const int indexSize = version >= 1 ? moreSizes & 15 : 0;
        for (const int size : { offsetSize, lengthSize, baseOffsetSize, indexSize }) {
            if (size != 0 && size != 4 && size != 8)
                return damaged("iloc");
        }
        const quint32 count = version < 2 ? r.u16() : r.u32();
        for (quint32 i = 0; i < count && !r.failed(); ++i) {
            const quint32 id = version < 2 ? r.u16() : r.u32();
            const int method = version >= 1 ? r.u16() & 15 : 0;
            r.u16(); // data reference index: 0, this file
            const quint64 base = r.read(baseOffsetSize);
            const quint16 extents = r.u16();
            if (r.failed())
                break;
            if (extents > kMaxExtentsPerItem)
                return fail(m_reason, ConversionReasons::tr("An item of the file has too many parts"));
            HeifItem* entry = item(id);
            if (!entry)
                return fail(m_reason, ConversionReasons::tr("The file has too many items"));
            entry->located = true;
            entry->constructionMethod = method;
            entry->extents.clear();
            for (int k = 0; k < extents; ++k) {
                r.read(indexSize);
                const quint64 offset = r.read(offsetSize);
                const quint64 length = r.read(lengthSize);
                if (offset > std::numeric_limits<quint64>::max() - base)
                    return damaged("iloc");
                entry->extents.push_back({ base + offset, length });
            }
        }
        return r.failed() ? damaged("iloc") : true;
    }

    bool readReferences(QByteArrayView payload)
    {
        ByteReader r(payload);
        const quint8 version = r.u8();
        r.skip(3);
        if (r.failed())
            return damaged("iref");
        const int idSize = version == 0 ? 2 : 4;
        BoxReader boxes(r.rest());
        while (const std::optional<Box> box = boxes.next()) {
            ByteReader e(box->payload);
            HeifReference reference;
            reference.type = box->type;
            reference.from = quint32(e.read(idSize));
            const quint16 count = e.u16();
            if (e.failed() || e.remaining() < qsizetype(count) * idSize)
                return damaged("iref");
            reference.to.reserve(count);
            for (int k = 0; k < count; ++k)
                reference.to.push_back(quint32(e.read(idSize)));
            m_s.references.push_back(std::move(reference));
        }
        return boxes.failed() ? damaged("iref") : true;
    }

    // NOLINTNEXTLINE(readability-function-cognitive-complexity): one branch per property box
    bool readProperties(QByteArrayView payload)
    {
        BoxReader boxes(payload);
        std::vector<QByteArrayView> associations;
        while (const std::optional<Box> box = boxes.next()) {
            if (box->type == fourCC("ipco")) {
                BoxReader properties(box->payload);
                while (const std::optional<Box> property = properties.next())
                    m_s.properties.push_back({ property->type, property->payload });
                if (properties.failed())
                    return damaged("ipco");
            } else if (box->type == fourCC("ipma")) {
                associations.push_back(box->payload);
            }
        }
        if (boxes.failed())
            return damaged("iprp");
        // The associations refer to the properties by their place, so they are read once all are known.
        for (const QByteArrayView ipma : associations) {
            ByteReader r(ipma);
            const quint8 version = r.u8();
            const quint32 flags = quint32(r.read(3));
            const quint32 count = r.u32();
            for (quint32 i = 0; i < count && !r.failed(); ++i) {
                const quint32 id = version < 1 ? r.u16() : r.u32();
                const quint8 associated = r.u8();
                HeifItem* entry = item(id);
                if (!entry)
                    return fail(m_reason, ConversionReasons::tr("The file has too many items"));
                for (int k = 0; k < associated; ++k) {
                    const int field = (flags & 1) ? r.u16() : r.u8();
                    const bool essential = (flags & 1) ? (field & 0x8000) : (field & 0x80);
                    const int index = (flags & 1) ? (field & 0x7FFF) : (field & 0x7F);
                    if (index == 0)
                        continue;
                    entry->essential.push_back(essential);
                    // A missing property matters only for an image that is decoded: marked, judged there.
                    entry->properties.push_back(
                        index <= int(m_s.properties.size()) ? index - 1 : std::numeric_limits<int>::max());
                }
            }
            if (r.failed())
                return damaged("ipma");
        }
        return true;
    }

    HeifStructure& m_s;
    QString* m_reason;
};

} // namespace

bool isHeifAlphaType(QByteArrayView auxiliaryType)
{
    return auxiliaryType == "urn:mpeg:hevc:2015:auxid:1" || auxiliaryType == "urn:mpeg:avc:2015:auxid:1"
        || auxiliaryType == "urn:mpeg:mpegB:cicp:systems:auxiliary:alpha";
}

std::optional<QByteArray> heifItemData(
    const HeifStructure& structure, const HeifItem& item, quint64 maxBytes, QString* reason)
{
    if (!item.located) {
        fail(reason, ConversionReasons::tr("An image of the file has no data"));
        return std::nullopt;
    }
    if (item.constructionMethod > 1) {
        fail(reason,
            ConversionReasons::tr("An image of the file is stored in a way this program does not read"));
        return std::nullopt;
    }
    const QByteArrayView source = item.constructionMethod == 0 ? structure.file : structure.idat;
    quint64 total = 0;
    for (const HeifExtent& extent : item.extents) {
        const quint64 length = extent.length
            ? extent.length
            : quint64(source.size()) - std::min(extent.offset, quint64(source.size()));
        if (extent.offset > quint64(source.size()) || length > quint64(source.size()) - extent.offset) {
            fail(reason,
                item.constructionMethod == 0 ? ConversionReasons::tr("The file is cut short")
                                             : ConversionReasons::tr("An image's data lies outside its box"));
            return std::nullopt;
        }
        total += length;
    }
    if (total > maxBytes) {
        fail(reason, ConversionReasons::tr("An image's data is larger than the file"));
        return std::nullopt;
    }
    if (item.extents.size() == 1) {
        const HeifExtent& extent = item.extents.front();
        const quint64 length = extent.length ? extent.length : quint64(source.size()) - extent.offset;
        return QByteArray::fromRawData(source.data() + extent.offset, qsizetype(length));
    }
    QByteArray data;
    data.reserve(qsizetype(total));
    for (const HeifExtent& extent : item.extents) {
        const quint64 length = extent.length ? extent.length : quint64(source.size()) - extent.offset;
        data.append(source.data() + extent.offset, qsizetype(length));
    }
    return data;
}

std::optional<HeifStructure> readHeifStructure(QByteArrayView file, QString* reason)
{
    HeifStructure structure;
    structure.file = file;
    BoxReader boxes(file);
    bool first = true, haveMeta = false, implausible = false;
    qsizetype boxesEnd = 0;
    while (const std::optional<Box> box = boxes.next()) {
        // A box whose type is no name (not four printable characters) is no box of the file: the bytes
        // from it on are data after the image.
        if (!isPlausibleBoxType(box->type)) {
            implausible = true;
            break;
        }
        boxesEnd = boxes.position();
        if (first) {
            if (box->type != fourCC("ftyp")) {
                fail(reason, ConversionReasons::tr("Not a HEIF file"));
                return std::nullopt;
            }
            ByteReader r(box->payload);
            bool heif = isHeifBrand(r.u32());
            r.u32(); // minor version
            while (r.remaining() >= 4)
                heif = isHeifBrand(r.u32()) || heif;
            if (!heif) {
                fail(reason, ConversionReasons::tr("Not a HEIF image file"));
                return std::nullopt;
            }
            first = false;
            continue;
        }
        if (box->type != fourCC("meta"))
            continue;
        if (haveMeta) {
            fail(reason, ConversionReasons::tr("The file has two 'meta' boxes"));
            return std::nullopt;
        }
        haveMeta = true;
        if (!MetaReader(structure, reason).read(box->payload))
            return std::nullopt;
    }
    // Bytes after the last whole box (a box that runs past the end of the file, or no box at all) end the
    // file's structure once it holds its 'meta' box; before that the file is cut short or damaged.
    if ((boxes.failed() || implausible) && (first || !haveMeta)) {
        fail(reason,
            boxes.impossible() ? ConversionReasons::tr("The file holds a box of an impossible size")
                               : ConversionReasons::tr("The file is cut short"));
        return std::nullopt;
    }
    if (first) {
        fail(reason, ConversionReasons::tr("Not a HEIF file"));
        return std::nullopt;
    }
    if (!haveMeta) {
        fail(reason, ConversionReasons::tr("The file holds no still image"));
        return std::nullopt;
    }
    structure.boxesEnd = boxesEnd;
    return structure;
}

qsizetype heifDataEnd(const HeifStructure& structure)
{
    const auto fileSize = quint64(structure.file.size());
    quint64 end = quint64(structure.boxesEnd);
    for (const auto& [id, item] : structure.items) {
        if (item.constructionMethod != 0)
            continue;
        for (const HeifExtent& extent : item.extents) {
            if (extent.offset >= fileSize)
                continue;
            const quint64 length = extent.length ? extent.length : fileSize - extent.offset;
            end = std::max(end, extent.offset + std::min(length, fileSize - extent.offset));
        }
    }
    return qsizetype(end);
}
