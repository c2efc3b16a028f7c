// SPDX-License-Identifier: GPL-3.0-or-later
// The new container is built from what the structure walk read, never by editing the source's boxes:
// every box and field written here is written anew from a value that was read and understood, so no
// field, padding or trailing byte of the source can ride along. The coded data is the one thing copied,
// unit by unit, after its units were parsed from start to end.
#include "engine/formats/heif/HeifRewriter.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/ImageFormat.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/structure/BoxReader.h"
#include "engine/structure/CodedStreams.h"

#include <QByteArray>

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <vector>

namespace {

/// An iPhone's 48 MP photo is 192 tiles; a grid of more is no photo this program copies as it is.
constexpr int kMaxGridTiles = 4096;
constexpr quint64 kMaxMdatBytes = 0xFFFFFFF0;

/// Big-endian fields and boxes appended to a byte array; a box's size is filled in when it ends.
class BoxWriter
{
public:
    void u8(quint32 value) { m_bytes.append(char(value)); }
    void u16(quint32 value)
    {
        u8(value >> 8);
        u8(value);
    }
    void u32(quint32 value)
    {
        u16(value >> 16);
        u16(value);
    }
    void bytes(QByteArrayView data) { m_bytes.append(data.data(), data.size()); }
    /// Starts a box; returns what end() takes.
    qsizetype begin(quint32 type)
    {
        const qsizetype start = m_bytes.size();
        u32(0);
        u32(type);
        return start;
    }
    qsizetype beginFull(quint32 type, int version, quint32 flags)
    {
        const qsizetype start = begin(type);
        u32(quint32(version) << 24 | (flags & 0xFFFFFF));
        return start;
    }
    void end(qsizetype start)
    {
        const auto size = quint32(m_bytes.size() - start);
        for (int i = 0; i < 4; ++i)
            m_bytes[start + i] = char(size >> (24 - 8 * i));
    }
    [[nodiscard]] const QByteArray& data() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

/// Brands that a file of one still image, with the items this writer keeps, may claim. Sequence brands
/// (no tracks are kept) and the tone-map brand (no gain map is kept) are not among them.
bool isKeptBrand(quint32 brand)
{
    static const std::set<quint32> kBrands = { fourCC("heic"), fourCC("heix"), fourCC("heim"), fourCC("heis"),
        fourCC("mif1"), fourCC("mif2"), fourCC("miaf"), fourCC("avif"), fourCC("MA1A"), fourCC("MA1B"),
        fourCC("MiHE"), fourCC("MiHA"), fourCC("MiHB"), fourCC("MiPr"), fourCC("iso8") };
    return kBrands.contains(brand);
}

/// Whether an HEVC NAL unit of \a type is kept: the coded slices and parameter sets. Supplemental data
/// (SEI), filler, delimiters and the reserved and unspecified types are what a decoder may skip, so they
/// are left out; the reserved slice types are not understood at all (-1).
int hevcUnitVerdict(int type)
{
    if ((type >= 0 && type <= 9) || (type >= 16 && type <= 21) || (type >= 32 && type <= 34))
        return 1;
    if ((type >= 10 && type <= 15) || (type >= 22 && type <= 31) || type < 0)
        return -1;
    return 0;
}

/// Whether an AV1 OBU of \a type is kept: sequence headers, temporal delimiters, frames and their parts.
/// Metadata, padding and reserved OBUs, which decoders ignore, are left out.
bool isKeptObu(int type)
{
    return (type >= 1 && type <= 4) || (type >= 6 && type <= 8);
}

struct KeptItem
{
    quint32 sourceId = 0;
    quint32 id = 0;
    quint32 type = 0;
    bool hidden = false;
    std::vector<std::pair<int, bool>> properties; ///< new property index (0-based), essential
    std::vector<QByteArrayView> pieces; ///< the item's data as written, in order
    quint64 length = 0;
};

class Rewriter
{
public:
    Rewriter(QByteArrayView file, std::optional<HeifCoding> coding, QString* reason)
        : m_file(file)
        , m_coding(coding)
        , m_reason(reason)
    { }

    /// Builds everything that is written; false with the reason when the file is not to be copied.
    bool plan()
    {
        QString why;
        const std::optional<HeifStructure> structure = readHeifStructure(m_file, &why);
        if (!structure)
            return refuse(why);
        m_s = &*structure;
        const std::optional<HeifDecodingPlan> decoding = checkHeifPrimaryImage(*m_s, kMaxDecodedPixels, &why);
        if (!decoding)
            return refuse(why);
        if (!decoding->sameCodingEverywhere)
            return refuse(ConversionReasons::tr("its images are coded in more than one way"));
        if (m_coding && decoding->coding != *m_coding)
            return refuse(ConversionReasons::tr("it is coded as %1, not as its name's type")
                              .arg(decoding->coding == HeifCoding::HEVC ? QStringLiteral("HEVC")
                                                                        : QStringLiteral("AV1")));
        m_codedType = decoding->coding == HeifCoding::HEVC ? fourCC("hvc1") : fourCC("av01");

        const bool ok = keepImage(m_s->primary, false) && keepAlpha() && keepReferences() && checkExtents()
            && buildFtyp() && layOut();
        m_s = nullptr;
        return ok;
    }

    /// Writes what plan() built to \a fd.
    bool write(int fd)
    {
        if (!writeBytes(fd, m_header))
            return false;
        // The units go out in blocks: one write per unit would cost a system call per NAL.
        QByteArray block;
        constexpr qsizetype kBlock = 1 << 20;
        block.reserve(kBlock);
        for (const KeptItem& item : m_items) {
            for (const QByteArrayView piece : item.pieces) {
                if (block.size() + piece.size() > kBlock) {
                    if (!writeBytes(fd, block))
                        return false;
                    block.clear();
                }
                if (piece.size() >= kBlock) {
                    if (!writeBytes(fd, piece))
                        return false;
                } else {
                    block.append(piece.data(), piece.size());
                }
            }
        }
        return writeBytes(fd, block);
    }

private:
    bool refuse(const QString& text)
    {
        // The box walk does not name every damage it stops at; a refusal always says something.
        if (m_reason)
            *m_reason = text.isEmpty() ? ConversionReasons::tr("its structure cannot be read") : text;
        return false;
    }

    bool writeBytes(int fd, QByteArrayView bytes)
    {
        const DescriptorTransfer done = writeFully(fd, bytes.data(), size_t(bytes.size()));
        if (done.bytes == size_t(bytes.size()))
            return true;
        if (m_reason)
            *m_reason = systemErrorText(done.error);
        return false;
    }

    const HeifItem* sourceItem(quint32 id) const
    {
        const auto found = m_s->items.find(id);
        return found == m_s->items.end() ? nullptr : &found->second;
    }

    const HeifProperty* sourceProperty(const HeifItem& item, quint32 type) const
    {
        for (const int index : item.properties) {
            if (size_t(index) < m_s->properties.size() && m_s->properties[size_t(index)].type == type)
                return &m_s->properties[size_t(index)];
        }
        return nullptr;
    }

    std::vector<quint32> referencedBy(quint32 from, quint32 type) const
    {
        std::vector<quint32> to;
        for (const HeifReference& reference : m_s->references) {
            if (reference.type == type && reference.from == from)
                to.insert(to.end(), reference.to.begin(), reference.to.end());
        }
        return to;
    }

    /// Keeps item \a id (a coded image or a grid of coded images) with its tiles.
    bool keepImage(quint32 id, bool alpha)
    {
        const HeifItem* item = sourceItem(id);
        if (!item)
            return refuse(ConversionReasons::tr("it refers to an image it does not hold"));
        if (item->type == fourCC("grid")) {
            const std::vector<quint32> tiles = referencedBy(id, fourCC("dimg"));
            if (tiles.empty() || tiles.size() > size_t(kMaxGridTiles))
                return refuse(ConversionReasons::tr("its grid has %1 tiles").arg(tiles.size()));
            if (!keepItem(*item, alpha))
                return false;
            for (const quint32 tile : tiles) {
                const HeifItem* tileItem = sourceItem(tile);
                if (!tileItem || tileItem->type != m_codedType)
                    return refuse(ConversionReasons::tr("its grid is made of images of another kind"));
                if (!m_newIds.contains(tile) && !keepItem(*tileItem, false))
                    return false;
            }
            m_grids.emplace_back(id, tiles);
            return true;
        }
        if (item->type != m_codedType)
            return refuse(ConversionReasons::tr(
                "its image is an item of type '%1', which is copied only by decoding it")
                              .arg(fourCCText(item->type)));
        return keepItem(*item, alpha);
    }

    /// The alpha image of the primary image, when it has one.
    bool keepAlpha()
    {
        std::vector<quint32> alphas;
        for (const HeifReference& reference : m_s->references) {
            if (reference.type != fourCC("auxl")
                || std::find(reference.to.begin(), reference.to.end(), m_s->primary) == reference.to.end())
                continue;
            const HeifItem* item = sourceItem(reference.from);
            const HeifProperty* auxC = item ? sourceProperty(*item, fourCC("auxC")) : nullptr;
            if (!auxC)
                continue;
            ByteReader r(auxC->payload);
            r.skip(4);
            const QByteArrayView type = r.string();
            if (!isHeifAlphaType(type))
                continue;
            if (std::find(alphas.begin(), alphas.end(), reference.from) == alphas.end())
                alphas.push_back(reference.from);
            m_alphaType = QByteArray(type.data(), type.size());
        }
        if (alphas.size() > 1)
            return refuse(ConversionReasons::tr("its image has more than one alpha channel"));
        if (alphas.empty())
            return true;
        if (m_newIds.contains(alphas.front()))
            return refuse(ConversionReasons::tr("its alpha channel is also part of its image"));
        m_alpha = alphas.front();
        return keepImage(m_alpha, true);
    }

    bool keepItem(const HeifItem& item, bool alpha)
    {
        KeptItem kept;
        kept.sourceId = item.id;
        kept.id = quint32(m_items.size() + 1);
        kept.type = item.type;
        kept.hidden = item.id != m_s->primary && item.hidden;
        for (size_t i = 0; i < item.properties.size(); ++i) {
            const bool essential = i < item.essential.size() && item.essential[i];
            const std::optional<int> index = keptProperty(item, item.properties[i], alpha);
            if (!index)
                return false;
            if (*index >= 0)
                kept.properties.emplace_back(*index, essential);
            else if (essential)
                return refuse(
                    ConversionReasons::tr("an image has a property this program does not copy ('%1')")
                        .arg(size_t(item.properties[i]) < m_s->properties.size()
                                ? fourCCText(m_s->properties[size_t(item.properties[i])].type)
                                : ConversionReasons::tr("missing")));
        }
        if (kept.properties.size() > 255)
            return refuse(ConversionReasons::tr("an image has too many properties"));
        if (!keptData(item, kept))
            return false;
        m_newIds[item.id] = kept.id;
        m_items.push_back(std::move(kept));
        return true;
    }

    /// The new index of source property \a index of \a item; -1 when it is left out; null (with the
    /// reason) when the file must not be copied.
    std::optional<int> keptProperty(const HeifItem& item, int index, bool alpha)
    {
        if (size_t(index) >= m_s->properties.size())
            return -1;
        if (const auto done = m_propertyIndex.find(index); done != m_propertyIndex.end())
            return done->second;
        const HeifProperty& property = m_s->properties[size_t(index)];
        std::optional<QByteArray> box;
        switch (property.type) {
        case fourCC("hvcC"):
            if (item.type == fourCC("hvc1"))
                box = hevcConfiguration(property.payload);
            break;
        case fourCC("av1C"):
            if (item.type == fourCC("av01"))
                box = av1Configuration(property.payload);
            break;
        case fourCC("ispe"):
            box = imageSize(property.payload);
            break;
        case fourCC("pixi"):
            box = pixelChannels(property.payload);
            break;
        case fourCC("colr"):
            box = colour(property.payload);
            break;
        case fourCC("irot"):
        case fourCC("imir"):
            if (property.payload.size() != 1)
                return fail(ConversionReasons::tr("an image's rotation or mirroring is damaged"));
            box = simpleBox(property.type,
                QByteArray(1, char(uchar(property.payload[0]) & (property.type == fourCC("irot") ? 3 : 1))));
            break;
        case fourCC("clap"):
        case fourCC("pasp"):
            if (property.payload.size() != (property.type == fourCC("clap") ? 32 : 8))
                return fail(ConversionReasons::tr("an image's crop or pixel shape is damaged"));
            box = simpleBox(property.type, property.payload);
            break;
        case fourCC("auxC"):
            if (alpha)
                box = alphaType();
            break;
        default:
            break;
        }
        if (m_failed)
            return std::nullopt;
        if (!box || box->isEmpty()) {
            // Not shared with another item's verdict: an auxC left out for one item may be kept for another.
            return -1;
        }
        const int newIndex = int(m_properties.size());
        m_properties.push_back(std::move(*box));
        m_propertyIndex[index] = newIndex;
        return newIndex;
    }

    std::nullopt_t fail(const QString& text)
    {
        refuse(text);
        m_failed = true;
        return std::nullopt;
    }

    static QByteArray simpleBox(quint32 type, QByteArrayView payload)
    {
        BoxWriter w;
        const qsizetype box = w.begin(type);
        w.bytes(payload);
        w.end(box);
        return w.data();
    }

    std::optional<QByteArray> hevcConfiguration(QByteArrayView payload)
    {
        const std::optional<HevcConfiguration> configuration = readHevcConfiguration(payload);
        if (!configuration)
            return fail(ConversionReasons::tr("an HEVC image's configuration is damaged"));
        std::vector<std::pair<quint8, std::vector<QByteArrayView>>> arrays;
        for (const HevcConfiguration::Array& array : configuration->arrays) {
            std::vector<QByteArrayView> units;
            for (const QByteArrayView unit : array.units) {
                const int verdict = hevcUnitVerdict(hevcNalType(unit));
                if (verdict < 0)
                    return fail(
                        ConversionReasons::tr("an HEVC image's configuration holds units of unknown kinds"));
                if (verdict > 0)
                    units.push_back(unit);
            }
            if (!units.empty())
                arrays.emplace_back(array.header, std::move(units));
        }
        BoxWriter w;
        const qsizetype box = w.begin(fourCC("hvcC"));
        w.bytes(configuration->fixedFields);
        w.u8(quint32(arrays.size()));
        for (const auto& [header, units] : arrays) {
            w.u8(header);
            w.u16(quint32(units.size()));
            for (const QByteArrayView unit : units) {
                w.u16(quint32(unit.size()));
                w.bytes(unit);
            }
        }
        w.end(box);
        return w.data();
    }

    std::optional<QByteArray> av1Configuration(QByteArrayView payload)
    {
        if (payload.size() < 4 || uchar(payload[0]) != 0x81)
            return fail(ConversionReasons::tr("an AV1 image's configuration is damaged"));
        BoxWriter w;
        const qsizetype box = w.begin(fourCC("av1C"));
        w.bytes(payload.first(4));
        const bool whole = forEachObu(payload.sliced(4), [&](int type, QByteArrayView, QByteArrayView obu) {
            if (isKeptObu(type))
                w.bytes(obu);
            return true;
        });
        if (!whole)
            return fail(ConversionReasons::tr("an AV1 image's configuration is damaged"));
        w.end(box);
        return w.data();
    }

    std::optional<QByteArray> imageSize(QByteArrayView payload)
    {
        ByteReader r(payload);
        r.skip(4);
        const quint32 width = r.u32(), height = r.u32();
        if (r.failed())
            return fail(ConversionReasons::tr("an image's size is damaged"));
        BoxWriter w;
        const qsizetype box = w.beginFull(fourCC("ispe"), 0, 0);
        w.u32(width);
        w.u32(height);
        w.end(box);
        return w.data();
    }

    std::optional<QByteArray> pixelChannels(QByteArrayView payload)
    {
        ByteReader r(payload);
        r.skip(4);
        const int channels = r.u8();
        if (r.failed() || r.remaining() < channels)
            return fail(ConversionReasons::tr("an image's channel description is damaged"));
        BoxWriter w;
        const qsizetype box = w.beginFull(fourCC("pixi"), 0, 0);
        w.u8(quint32(channels));
        w.bytes(payload.sliced(5, channels));
        w.end(box);
        return w.data();
    }

    std::optional<QByteArray> colour(QByteArrayView payload)
    {
        ByteReader r(payload);
        const quint32 kind = r.u32();
        BoxWriter w;
        const qsizetype box = w.begin(fourCC("colr"));
        if (kind == fourCC("nclx")) {
            const quint16 primaries = r.u16(), transfer = r.u16(), matrix = r.u16();
            const quint8 range = r.u8();
            if (r.failed())
                return fail(ConversionReasons::tr("an image's colour description is damaged"));
            w.u32(kind);
            w.u16(primaries);
            w.u16(transfer);
            w.u16(matrix);
            w.u8(range & 0x80);
        } else if (kind == fourCC("prof") || kind == fourCC("rICC")) {
            const QByteArray profile = cleanColorProfile(QByteArray(payload.data() + 4, payload.size() - 4));
            if (profile.isEmpty())
                return QByteArray();
            w.u32(fourCC("prof"));
            w.bytes(profile);
        } else {
            return QByteArray();
        }
        w.end(box);
        return w.data();
    }

    QByteArray alphaType()
    {
        BoxWriter w;
        const qsizetype box = w.beginFull(fourCC("auxC"), 0, 0);
        w.bytes(m_alphaType);
        w.u8(0);
        w.end(box);
        return w.data();
    }

    /// The item's data as written: a grid's description anew, a coded image's units that are kept.
    bool keptData(const HeifItem& item, KeptItem& kept)
    {
        QString why;
        const quint64 limit = item.type == fourCC("grid") ? 4096 : quint64(m_file.size());
        std::optional<QByteArray> data = heifItemData(*m_s, item, limit, &why);
        if (!data)
            return refuse(why);
        // One extent is a view into the file; the joined extents of several are a copy, kept until written.
        QByteArrayView bytes = *data;
        if (item.extents.size() != 1) {
            m_copies.push_back(std::move(*data));
            bytes = m_copies.back();
        }
        if (item.type == fourCC("grid"))
            return gridDescription(bytes, kept);
        bool understood = true;
        bool whole = false;
        if (item.type == fourCC("hvc1")) {
            const HeifProperty* hvcC = sourceProperty(item, fourCC("hvcC"));
            const std::optional<HevcConfiguration> configuration
                = hvcC ? readHevcConfiguration(hvcC->payload) : std::nullopt;
            if (!configuration)
                return refuse(ConversionReasons::tr("an HEVC image has no configuration"));
            const int lengthSize = configuration->lengthSize;
            whole = forEachNal(bytes, lengthSize, [&](QByteArrayView unit) {
                const int verdict = hevcUnitVerdict(hevcNalType(unit));
                understood = verdict >= 0;
                if (verdict > 0) {
                    // The length prefix comes with the unit: it precedes it in the source.
                    kept.pieces.push_back(QByteArrayView(unit.data() - lengthSize, unit.size() + lengthSize));
                    kept.length += quint64(unit.size() + lengthSize);
                }
                return understood;
            });
        } else {
            whole = forEachObu(bytes, [&](int type, QByteArrayView, QByteArrayView obu) {
                if (isKeptObu(type)) {
                    kept.pieces.push_back(obu);
                    kept.length += quint64(obu.size());
                }
                return true;
            });
        }
        if (!understood)
            return refuse(ConversionReasons::tr("an image's coded data holds units of unknown kinds"));
        if (!whole || kept.pieces.empty())
            return refuse(ConversionReasons::tr("an image's coded data does not read as whole units"));
        return true;
    }

    bool gridDescription(QByteArrayView data, KeptItem& kept)
    {
        ByteReader r(data);
        r.u8(); // version
        const quint8 flags = r.u8();
        const int rows = r.u8(), columns = r.u8();
        const int fieldSize = (flags & 1) ? 4 : 2;
        const quint64 width = r.read(fieldSize), height = r.read(fieldSize);
        if (r.failed())
            return refuse(ConversionReasons::tr("a grid's description is damaged"));
        BoxWriter w;
        w.u8(0);
        w.u8(flags & 1);
        w.u8(quint32(rows));
        w.u8(quint32(columns));
        for (const quint64 side : { width, height }) {
            if (fieldSize == 4)
                w.u32(quint32(side));
            else
                w.u16(quint32(side));
        }
        m_copies.push_back(w.data());
        kept.pieces.push_back(m_copies.back());
        kept.length = quint64(m_copies.back().size());
        return true;
    }

    /// The references among the kept items: tiles of grids, the alpha image of the primary and whether
    /// the primary's colour is premultiplied by it.
    bool keepReferences()
    {
        for (const auto& [grid, tiles] : m_grids) {
            std::vector<quint32> to;
            for (const quint32 tile : tiles)
                to.push_back(m_newIds.at(tile));
            m_references.push_back({ fourCC("dimg"), m_newIds.at(grid), std::move(to) });
        }
        if (!m_alpha)
            return true;
        m_references.push_back({ fourCC("auxl"), m_newIds.at(m_alpha), { m_newIds.at(m_s->primary) } });
        for (const quint32 to : referencedBy(m_s->primary, fourCC("prem"))) {
            if (to == m_alpha) {
                m_references.push_back(
                    { fourCC("prem"), m_newIds.at(m_s->primary), { m_newIds.at(m_alpha) } });
                break;
            }
        }
        return true;
    }

    /// The kept items' data must not overlap: one byte read as two images' data is no file this program
    /// understands.
    bool checkExtents()
    {
        std::vector<std::pair<quint64, quint64>> inFile, inIdat;
        for (const KeptItem& kept : m_items) {
            const HeifItem& item = m_s->items.at(kept.sourceId);
            for (const HeifExtent& extent : item.extents) {
                const quint64 size
                    = item.constructionMethod == 0 ? quint64(m_file.size()) : quint64(m_s->idat.size());
                const quint64 length = extent.length ? extent.length : size - std::min(size, extent.offset);
                (item.constructionMethod == 0 ? inFile : inIdat).emplace_back(extent.offset, length);
            }
        }
        for (auto* extents : { &inFile, &inIdat }) {
            std::sort(extents->begin(), extents->end());
            for (size_t i = 1; i < extents->size(); ++i) {
                if ((*extents)[i - 1].first + (*extents)[i - 1].second > (*extents)[i].first)
                    return refuse(ConversionReasons::tr("its images' data overlap"));
            }
        }
        return true;
    }

    bool buildFtyp()
    {
        // The structure walk read the 'ftyp' box as the first box; one with a 64-bit size is not copied.
        const quint64 size = ByteReader(m_file).u32();
        if (size < 16 || size > quint64(m_file.size()))
            return refuse(ConversionReasons::tr("its file type box is of a kind this program does not copy"));
        ByteReader brands(m_file.sliced(8, qsizetype(size) - 8));
        quint32 major = brands.u32();
        brands.u32(); // minor version
        std::vector<quint32> compatible;
        while (brands.remaining() >= 4) {
            const quint32 brand = brands.u32();
            if (isKeptBrand(brand)
                && std::find(compatible.begin(), compatible.end(), brand) == compatible.end())
                compatible.push_back(brand);
        }
        const quint32 codingBrand = m_codedType == fourCC("hvc1") ? fourCC("heic") : fourCC("avif");
        if (!isKeptBrand(major))
            major = codingBrand;
        for (const quint32 needed : { fourCC("mif1"), codingBrand }) {
            if (std::find(compatible.begin(), compatible.end(), needed) == compatible.end())
                compatible.push_back(needed);
        }
        BoxWriter w;
        const qsizetype box = w.begin(fourCC("ftyp"));
        w.u32(major);
        w.u32(0);
        for (const quint32 brand : compatible)
            w.u32(brand);
        w.end(box);
        m_ftyp = w.data();
        return true;
    }

    /// The 'meta' box for the items' data starting at \a dataStart in the file.
    QByteArray meta(quint64 dataStart) const
    {
        BoxWriter w;
        const qsizetype meta = w.beginFull(fourCC("meta"), 0, 0);
        const qsizetype hdlr = w.beginFull(fourCC("hdlr"), 0, 0);
        w.u32(0);
        w.u32(fourCC("pict"));
        for (int i = 0; i < 3; ++i)
            w.u32(0);
        w.u8(0);
        w.end(hdlr);
        const qsizetype pitm = w.beginFull(fourCC("pitm"), 0, 0);
        w.u16(m_newIds.at(m_primary));
        w.end(pitm);
        const qsizetype iinf = w.beginFull(fourCC("iinf"), 0, 0);
        w.u16(quint32(m_items.size()));
        for (const KeptItem& item : m_items) {
            const qsizetype infe = w.beginFull(fourCC("infe"), 2, item.hidden ? 1 : 0);
            w.u16(item.id);
            w.u16(0);
            w.u32(item.type);
            w.u8(0);
            w.end(infe);
        }
        w.end(iinf);
        if (!m_references.empty()) {
            const qsizetype iref = w.beginFull(fourCC("iref"), 0, 0);
            for (const HeifReference& reference : m_references) {
                const qsizetype entry = w.begin(reference.type);
                w.u16(reference.from);
                w.u16(quint32(reference.to.size()));
                for (const quint32 to : reference.to)
                    w.u16(to);
                w.end(entry);
            }
            w.end(iref);
        }
        const bool wideIndexes = m_properties.size() > 127;
        const qsizetype iprp = w.begin(fourCC("iprp"));
        const qsizetype ipco = w.begin(fourCC("ipco"));
        for (const QByteArray& property : m_properties)
            w.bytes(property);
        w.end(ipco);
        const qsizetype ipma = w.beginFull(fourCC("ipma"), 0, wideIndexes ? 1 : 0);
        w.u32(quint32(m_items.size()));
        for (const KeptItem& item : m_items) {
            w.u16(item.id);
            w.u8(quint32(item.properties.size()));
            for (const auto& [index, essential] : item.properties) {
                if (wideIndexes)
                    w.u16((essential ? 0x8000 : 0) | quint32(index + 1));
                else
                    w.u8((essential ? 0x80 : 0) | quint32(index + 1));
            }
        }
        w.end(ipma);
        w.end(iprp);
        const qsizetype iloc = w.beginFull(fourCC("iloc"), 0, 0);
        w.u8(0x44); // offsets and lengths of 4 bytes
        w.u8(0); // no base offset
        w.u16(quint32(m_items.size()));
        quint64 offset = dataStart;
        for (const KeptItem& item : m_items) {
            w.u16(item.id);
            w.u16(0); // this file
            w.u16(1);
            w.u32(quint32(offset));
            w.u32(quint32(item.length));
            offset += item.length;
        }
        w.end(iloc);
        w.end(meta);
        return w.data();
    }

    bool layOut()
    {
        m_primary = m_items.front().sourceId;
        if (m_items.size() > 0xFFFF || m_properties.size() > 0x7FFF)
            return refuse(ConversionReasons::tr("it has too many images or properties"));
        quint64 dataLength = 0;
        for (const KeptItem& item : m_items)
            dataLength += item.length;
        const quint64 before = quint64(m_ftyp.size() + meta(0).size()) + 8;
        if (dataLength + before > kMaxMdatBytes)
            return refuse(ConversionReasons::tr("it is too large to copy"));
        m_header = m_ftyp + meta(before);
        BoxWriter mdat;
        mdat.u32(quint32(dataLength + 8));
        mdat.u32(fourCC("mdat"));
        m_header += mdat.data();
        return true;
    }

    QByteArrayView m_file;
    std::optional<HeifCoding> m_coding;
    QString* m_reason;
    const HeifStructure* m_s = nullptr;
    quint32 m_codedType = 0;
    quint32 m_primary = 0;
    quint32 m_alpha = 0;
    QByteArray m_alphaType;
    bool m_failed = false;
    std::vector<KeptItem> m_items;
    std::map<quint32, quint32> m_newIds;
    std::vector<std::pair<quint32, std::vector<quint32>>> m_grids;
    std::vector<HeifReference> m_references;
    std::vector<QByteArray> m_properties;
    std::map<int, int> m_propertyIndex;
    std::deque<QByteArray> m_copies; ///< data written that is not in the file
    QByteArray m_ftyp;
    QByteArray m_header; ///< everything before the items' data
};

} // namespace

HeifRewriteResult rewriteHeif(QByteArrayView file, int fd, std::optional<HeifCoding> coding, QString* reason)
{
    Rewriter rewriter(file, coding, reason);
    if (!rewriter.plan())
        return HeifRewriteResult::NeedsReencode;
    return rewriter.write(fd) ? HeifRewriteResult::Written : HeifRewriteResult::Failed;
}
