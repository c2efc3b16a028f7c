// SPDX-License-Identifier: GPL-3.0-or-later
// The structure walk of a HEIF file: the boxes, the items of the 'meta' box and the images the primary
// image is made of, read with a bounds check on every field before libheif sees the data. libheif bounds
// each side of an image only, follows derived images without looking for loops, and its decoders
// allocate what the coded sequence headers claim: all of that is checked here first.
#include "engine/structure/HeifBoxes.h"

#include <algorithm>
#include <limits>
#include <set>

namespace {

constexpr int kMaxItems = 1 << 16;
constexpr int kMaxExtentsPerItem = 32;
constexpr int kMaxDerivationDepth = 8;
/// Grid and overlay descriptions are a few bytes; anything beyond this is no description.
constexpr quint64 kMaxDescriptionBytes = 4096;
constexpr qint64 kSaturated = std::numeric_limits<qint64>::max() / 4;

QString fourCCText(quint32 type)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = char(type >> shift);
        text += c >= 0x20 && c < 0x7F ? QChar(c) : QChar('?');
    }
    return text;
}

qint64 saturatedAdd(qint64 a, qint64 b)
{
    return std::min(kSaturated, a + b);
}

/// Big-endian fields of a byte range; reading past the end sets failed() and gives zeros.
class ByteReader
{
public:
    explicit ByteReader(QByteArrayView data)
        : m_data(data)
    { }

    [[nodiscard]] bool failed() const { return m_failed; }
    [[nodiscard]] qsizetype position() const { return m_pos; }
    [[nodiscard]] qsizetype remaining() const { return m_data.size() - m_pos; }
    [[nodiscard]] bool atEnd() const { return m_pos >= m_data.size(); }

    quint64 read(int bytes)
    {
        if (bytes < 0 || bytes > 8 || remaining() < bytes) {
            m_failed = true;
            m_pos = m_data.size();
            return 0;
        }
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | uchar(m_data[m_pos++]);
        return value;
    }
    quint8 u8() { return quint8(read(1)); }
    quint16 u16() { return quint16(read(2)); }
    quint32 u32() { return quint32(read(4)); }
    quint64 u64() { return read(8); }
    void skip(qsizetype bytes)
    {
        if (bytes < 0 || remaining() < bytes) {
            m_failed = true;
            m_pos = m_data.size();
            return;
        }
        m_pos += bytes;
    }
    /// A NUL-terminated string (the NUL skipped); the rest of the data when there is none.
    QByteArrayView string()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_data.size() && m_data[m_pos] != '\0')
            ++m_pos;
        const QByteArrayView text = m_data.sliced(start, m_pos - start);
        if (m_pos < m_data.size())
            ++m_pos;
        return text;
    }
    QByteArrayView rest() { return m_data.sliced(std::exchange(m_pos, m_data.size())); }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

/// One box of a sequence of boxes.
struct Box
{
    quint32 type = 0;
    QByteArrayView payload;
};

/// Reads the boxes of \a data one after another. A box that does not fit sets the reason.
class BoxReader
{
public:
    explicit BoxReader(QByteArrayView data)
        : m_data(data)
    { }

    /// The next box, or nothing at the end or on a box that does not fit (then failed() is true).
    std::optional<Box> next()
    {
        if (m_pos >= m_data.size())
            return std::nullopt;
        ByteReader header(m_data.sliced(m_pos));
        quint64 size = header.u32();
        const quint32 type = header.u32();
        if (size == 1)
            size = header.u64();
        else if (size == 0)
            size = quint64(m_data.size() - m_pos);
        const qsizetype headerSize = header.position();
        if (header.failed() || size > quint64(m_data.size() - m_pos)) {
            m_failed = true;
            return std::nullopt;
        }
        if (size < quint64(headerSize)) {
            m_failed = m_impossible = true;
            return std::nullopt;
        }
        Box box { type, m_data.sliced(m_pos + headerSize, qsizetype(size) - headerSize) };
        m_pos += qsizetype(size);
        return box;
    }
    /// Where the next box begins: after the last box read.
    [[nodiscard]] qsizetype position() const { return m_pos; }
    /// A box ran past the end of its container (or of the file, for the top level).
    [[nodiscard]] bool failed() const { return m_failed; }
    /// The failure was a box smaller than its own header.
    [[nodiscard]] bool impossible() const { return m_impossible; }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_failed = false;
    bool m_impossible = false;
};

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

/// Whether \a type names a box: four printable ASCII characters.
bool isPlausibleBoxType(quint32 type)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = uchar(type >> shift);
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
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
            return fail(m_reason, QStringLiteral("The 'meta' box is damaged"));
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
            return fail(m_reason, QStringLiteral("A box in the 'meta' box runs past its end"));
        if (!havePrimary)
            return fail(m_reason, QStringLiteral("The file names no primary image"));
        if (!m_s.items.contains(m_s.primary))
            return fail(m_reason, QStringLiteral("The primary image is not among the file's items"));
        return true;
    }

private:
    bool damaged(const char* box)
    {
        return fail(m_reason, QStringLiteral("The '%1' box is damaged").arg(QLatin1String(box)));
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
                return fail(m_reason, QStringLiteral("The file has too many items"));
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
            return fail(m_reason, QStringLiteral("The 'iloc' box has an unknown version"));
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
                return fail(m_reason, QStringLiteral("An item of the file has too many parts"));
            HeifItem* entry = item(id);
            if (!entry)
                return fail(m_reason, QStringLiteral("The file has too many items"));
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
                    return fail(m_reason, QStringLiteral("The file has too many items"));
                for (int k = 0; k < associated; ++k) {
                    const int index = (flags & 1) ? (r.u16() & 0x7FFF) : (r.u8() & 0x7F);
                    if (index == 0)
                        continue;
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

// ---------------------------------------------------------------------------------------------------------
// Coded sizes: HEVC sequence parameter sets and AV1 sequence headers

/// Bits of a byte range, most significant first; reading past the end sets failed().
class BitReader
{
public:
    explicit BitReader(QByteArrayView data)
        : m_data(data)
    { }

    [[nodiscard]] bool failed() const { return m_failed; }

    quint64 bits(int count)
    {
        quint64 value = 0;
        for (int i = 0; i < count; ++i) {
            if (m_bit >= quint64(m_data.size()) * 8) {
                m_failed = true;
                return 0;
            }
            value = value << 1 | ((uchar(m_data[qsizetype(m_bit >> 3)]) >> (7 - (m_bit & 7))) & 1);
            ++m_bit;
        }
        return value;
    }
    bool flag() { return bits(1) != 0; }
    void skip(int count)
    {
        for (int i = 0; i < count; ++i)
            bits(1);
    }
    /// Exp-Golomb ue(v).
    quint64 unsignedGolomb()
    {
        int zeros = 0;
        while (!flag()) {
            if (m_failed || ++zeros > 32) {
                m_failed = true;
                return 0;
            }
        }
        return (quint64(1) << zeros) - 1 + bits(zeros);
    }
    /// AV1's uvlc().
    quint64 uvlc()
    {
        int zeros = 0;
        while (!flag()) {
            if (m_failed)
                return 0;
            ++zeros;
        }
        if (zeros >= 32)
            return std::numeric_limits<quint32>::max();
        return bits(zeros) + (quint64(1) << zeros) - 1;
    }

private:
    QByteArrayView m_data;
    quint64 m_bit = 0;
    bool m_failed = false;
};

struct CodedSize
{
    qint64 width = 0;
    qint64 height = 0;
};

/// \a width times \a height (both not negative), at most the largest qint64: sides of 32 bits each
/// would overflow.
qint64 areaOf(qint64 width, qint64 height)
{
    return width > 0 && height > std::numeric_limits<qint64>::max() / width
        ? std::numeric_limits<qint64>::max()
        : width * height;
}

/// The picture size an HEVC sequence parameter set (a whole NAL unit, header included) states.
std::optional<CodedSize> hevcSpsSize(QByteArrayView nal)
{
    // Emulation prevention: 00 00 03 stands for 00 00. The size fields come within the first bytes.
    QByteArray rbsp;
    const qsizetype end = std::min<qsizetype>(nal.size(), 512);
    int zeros = 0;
    for (qsizetype i = 2; i < end; ++i) {
        const auto b = uchar(nal[i]);
        if (zeros >= 2 && b == 3) {
            zeros = 0;
            continue;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        rbsp.append(char(b));
    }
    BitReader r(rbsp);
    r.skip(4); // sps_video_parameter_set_id
    const int maxSubLayersMinus1 = int(r.bits(3));
    r.skip(1);
    r.skip(88 + 8); // the general profile and level
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (int i = 0; i < maxSubLayersMinus1; ++i) {
        profilePresent[i] = r.flag();
        levelPresent[i] = r.flag();
    }
    if (maxSubLayersMinus1 > 0)
        r.skip(2 * (8 - maxSubLayersMinus1));
    for (int i = 0; i < maxSubLayersMinus1; ++i)
        r.skip((profilePresent[i] ? 88 : 0) + (levelPresent[i] ? 8 : 0));
    r.unsignedGolomb(); // sps_seq_parameter_set_id
    if (r.unsignedGolomb() == 3) // chroma_format_idc
        r.skip(1);
    const quint64 width = r.unsignedGolomb();
    const quint64 height = r.unsignedGolomb();
    if (r.failed() || width == 0 || height == 0)
        return std::nullopt;
    return CodedSize { qint64(width), qint64(height) };
}

/// The largest frame an AV1 sequence header OBU's payload allows.
std::optional<CodedSize> av1SequenceHeaderSize(QByteArrayView payload)
{
    BitReader r(payload);
    r.skip(3); // seq_profile
    r.skip(1); // still_picture
    if (r.flag()) { // reduced_still_picture_header
        r.skip(5);
    } else {
        bool decoderModelInfo = false;
        int bufferDelayLength = 0;
        if (r.flag()) { // timing_info_present_flag
            r.skip(64);
            if (r.flag())
                r.uvlc();
            decoderModelInfo = r.flag();
            if (decoderModelInfo) {
                bufferDelayLength = int(r.bits(5)) + 1;
                r.skip(32 + 5 + 5);
            }
        }
        const bool initialDisplayDelay = r.flag();
        const int operatingPoints = int(r.bits(5)) + 1;
        for (int i = 0; i < operatingPoints && !r.failed(); ++i) {
            r.skip(12);
            if (r.bits(5) > 7)
                r.skip(1);
            if (decoderModelInfo && r.flag())
                r.skip(2 * bufferDelayLength + 1);
            if (initialDisplayDelay && r.flag())
                r.skip(4);
        }
    }
    const int widthBits = int(r.bits(4)) + 1;
    const int heightBits = int(r.bits(4)) + 1;
    const quint64 width = r.bits(widthBits) + 1;
    const quint64 height = r.bits(heightBits) + 1;
    if (r.failed())
        return std::nullopt;
    return CodedSize { qint64(width), qint64(height) };
}

/// Calls \a visit with each HEVC NAL unit of a length-prefixed stream; false when the stream is damaged.
template<typename Visit> bool forEachNal(QByteArrayView stream, int lengthSize, Visit visit)
{
    ByteReader r(stream);
    while (!r.atEnd()) {
        const quint64 length = r.read(lengthSize);
        if (r.failed() || length > quint64(r.remaining()))
            return false;
        const QByteArrayView nal = stream.sliced(r.position(), qsizetype(length));
        r.skip(qsizetype(length));
        if (!visit(nal))
            return false;
    }
    return true;
}

/// Calls \a visit with the type and payload of each AV1 OBU of \a stream; false when it is damaged.
template<typename Visit> bool forEachObu(QByteArrayView stream, Visit visit)
{
    ByteReader r(stream);
    while (!r.atEnd()) {
        const quint8 header = r.u8();
        if (header & 0x80)
            return false; // the forbidden bit
        const int type = (header >> 3) & 15;
        if (header & 4)
            r.u8(); // extension
        quint64 size = quint64(r.remaining());
        if (header & 2) {
            size = 0;
            for (int i = 0; i < 8; ++i) {
                const quint8 byte = r.u8();
                size |= quint64(byte & 0x7F) << (7 * i);
                if (!(byte & 0x80))
                    break;
            }
        }
        if (r.failed() || size > quint64(r.remaining()))
            return false;
        const QByteArrayView payload = stream.sliced(r.position(), qsizetype(size));
        r.skip(qsizetype(size));
        if (!visit(type, payload))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// The images the primary image is made of

class PrimaryCheck
{
public:
    PrimaryCheck(const HeifStructure& structure, qint64 maxPixels, QString* reason)
        : m_s(structure)
        , m_maxPixels(maxPixels)
        , m_reason(reason)
    {
        for (const HeifReference& reference : m_s.references) {
            if (reference.type == fourCC("dimg"))
                m_derivedFrom[reference.from].push_back(&reference);
            if (reference.type != fourCC("auxl"))
                continue;
            const auto auxiliary = m_s.items.find(reference.from);
            if (auxiliary == m_s.items.end())
                continue;
            const HeifProperty* auxC = property(auxiliary->second, fourCC("auxC"));
            if (!auxC)
                continue;
            ByteReader r(auxC->payload);
            r.skip(4);
            if (!isHeifAlphaType(r.string()))
                continue;
            for (const quint32 target : reference.to)
                m_alphaOf[target].push_back(reference.from);
        }
    }

    std::optional<HeifDecodingPlan> run()
    {
        // Data after the last box is no part of the image, but every item's data is: libheif refuses a
        // file in which any item's data runs past its end.
        const auto fileSize = quint64(m_s.file.size());
        for (const auto& [id, item] : m_s.items) {
            if (item.constructionMethod != 0)
                continue;
            for (const HeifExtent& extent : item.extents) {
                if (extent.offset > fileSize || extent.length > fileSize - extent.offset) {
                    fail(m_reason, QStringLiteral("The file is cut short"));
                    return std::nullopt;
                }
            }
        }
        const qint64 work = visit(m_s.primary, 0);
        if (work < 0)
            return std::nullopt;
        if (work > 2 * m_maxPixels) {
            fail(m_reason,
                QStringLiteral("Decoding the image would take more pixels than this program decodes"));
            return std::nullopt;
        }
        if (!m_haveCoding) {
            fail(m_reason, QStringLiteral("The primary image holds no coded image"));
            return std::nullopt;
        }
        m_plan.hasAlpha = m_alphaOf.contains(m_s.primary);
        return m_plan;
    }

private:
    const HeifProperty* property(const HeifItem& item, quint32 type) const
    {
        for (const int index : item.properties) {
            if (index < int(m_s.properties.size()) && m_s.properties[size_t(index)].type == type)
                return &m_s.properties[size_t(index)];
        }
        return nullptr;
    }

    qint64 refuse(const QString& text)
    {
        fail(m_reason, text);
        return -1;
    }

    qint64 tooLarge(qint64 width, qint64 height)
    {
        return refuse(QStringLiteral("The image is %1 by %2 pixels: more than this program decodes")
                          .arg(width)
                          .arg(height));
    }

    /// The item's data, or null (with the reason set) when it does not lie where its location says.
    std::optional<QByteArray> itemData(const HeifItem& item, quint64 maxBytes)
    {
        return heifItemData(m_s, item, maxBytes, m_reason);
    }

    /// The pixels of decoding item \a id and everything it is made of; -1 with the reason set when the
    /// item must not be decoded.
    qint64 visit(quint32 id, int depth)
    {
        if (depth > kMaxDerivationDepth)
            return refuse(QStringLiteral("The file's images are nested too deeply"));
        if (const auto done = m_work.find(id); done != m_work.end())
            return done->second;
        if (!m_visiting.insert(id).second)
            return refuse(QStringLiteral("The file's item references form a loop"));
        const auto found = m_s.items.find(id);
        if (found == m_s.items.end())
            return refuse(QStringLiteral("The file refers to an image it does not hold"));
        const HeifItem& item = found->second;

        qint64 work = -1;
        switch (item.type) {
        case fourCC("hvc1"):
        case fourCC("av01"):
            work = codedImage(item);
            break;
        case fourCC("grid"):
        case fourCC("iovl"):
        case fourCC("iden"):
            work = derivedImage(item, depth);
            break;
        case fourCC("encr"):
            work = refuse(QStringLiteral("The image is encrypted"));
            break;
        default:
            work = refuse(QStringLiteral("The image is coded as '%1', which this program does not decode")
                              .arg(fourCCText(item.type)));
            break;
        }
        if (work < 0)
            return -1;
        // libheif decodes the alpha of every image it decodes.
        if (const auto alphas = m_alphaOf.find(id); alphas != m_alphaOf.end()) {
            for (const quint32 alpha : alphas->second) {
                const qint64 alphaWork = visit(alpha, depth + 1);
                if (alphaWork < 0)
                    return -1;
                work = saturatedAdd(work, alphaWork);
            }
        }
        m_visiting.erase(id);
        m_work[id] = work;
        return work;
    }

    /// The stated size ('ispe') of \a item, checked against the bound; null with the reason set.
    std::optional<CodedSize> statedSize(const HeifItem& item, bool required)
    {
        const HeifProperty* ispe = property(item, fourCC("ispe"));
        if (!ispe) {
            if (required)
                refuse(QStringLiteral("An image of the file states no size"));
            return required ? std::nullopt : std::optional<CodedSize>(CodedSize {});
        }
        ByteReader r(ispe->payload);
        r.skip(4);
        const CodedSize size { r.u32(), r.u32() };
        if (r.failed() || size.width == 0 || size.height == 0) {
            refuse(QStringLiteral("An image of the file states no size"));
            return std::nullopt;
        }
        if (areaOf(size.width, size.height) > m_maxPixels) {
            tooLarge(size.width, size.height);
            return std::nullopt;
        }
        return size;
    }

    void noteCoding(HeifCoding coding, int chromaFormat, int bitDepth)
    {
        if (!m_haveCoding) {
            m_plan.coding = coding;
            m_plan.chromaFormat = chromaFormat;
            m_plan.bitDepth = bitDepth;
            m_haveCoding = true;
        } else if (m_plan.coding != coding || m_plan.chromaFormat != chromaFormat
            || m_plan.bitDepth != bitDepth) {
            m_plan.sameCodingEverywhere = false;
        }
    }

    /// The coded size must fit the bound, and must not claim far more than the stated size: the decoder
    /// allocates what the coded size says.
    bool codedSizeFits(const CodedSize& coded, const CodedSize& stated)
    {
        const qint64 pixels = areaOf(coded.width, coded.height);
        if (pixels > m_maxPixels) {
            tooLarge(coded.width, coded.height);
            return false;
        }
        if (pixels / 2 > areaOf(stated.width, stated.height) + (qint64(1) << 19)) {
            fail(m_reason, QStringLiteral("An image's coded size does not match its stated size"));
            return false;
        }
        return true;
    }

    qint64 codedImage(const HeifItem& item)
    {
        const std::optional<CodedSize> stated = statedSize(item, true);
        if (!stated)
            return -1;
        const std::optional<QByteArray> data = itemData(item, quint64(m_s.file.size()));
        if (!data)
            return -1;
        if (item.type == fourCC("hvc1"))
            return hevcImage(item, *stated, *data);
        return av1Image(item, *stated, *data);
    }

    qint64 hevcImage(const HeifItem& item, const CodedSize& stated, const QByteArray& data)
    {
        const HeifProperty* hvcC = property(item, fourCC("hvcC"));
        if (!hvcC)
            return refuse(QStringLiteral("An HEVC image of the file has no decoder configuration"));
        ByteReader r(hvcC->payload);
        r.skip(16);
        const int chromaFormat = r.u8() & 3;
        const int bitDepth = (r.u8() & 7) + 8;
        r.skip(3);
        const int lengthSize = (r.u8() & 3) + 1;
        const int arrays = r.u8();
        bool haveSize = false;
        for (int i = 0; i < arrays && !r.failed(); ++i) {
            const int type = r.u8() & 0x3F;
            const int count = r.u16();
            for (int k = 0; k < count && !r.failed(); ++k) {
                const int length = r.u16();
                if (r.remaining() < length)
                    break;
                const QByteArrayView nal = hvcC->payload.sliced(r.position(), length);
                r.skip(length);
                if (type != 33)
                    continue;
                const std::optional<CodedSize> coded = hevcSpsSize(nal);
                if (!coded)
                    return refuse(QStringLiteral("An HEVC image of the file has a damaged configuration"));
                if (!codedSizeFits(*coded, stated))
                    return -1;
                haveSize = true;
            }
        }
        if (r.failed())
            return refuse(QStringLiteral("An HEVC image of the file has a damaged configuration"));
        bool spsFits = true;
        const bool whole = forEachNal(data, lengthSize, [&](QByteArrayView nal) {
            if (nal.size() < 2 || ((uchar(nal[0]) >> 1) & 0x3F) != 33)
                return true;
            const std::optional<CodedSize> coded = hevcSpsSize(nal);
            spsFits = coded && codedSizeFits(*coded, stated);
            haveSize = haveSize || coded;
            return spsFits;
        });
        if (!spsFits)
            return -1;
        if (!whole)
            return refuse(QStringLiteral("An HEVC image of the file is damaged"));
        if (!haveSize)
            return refuse(QStringLiteral("An HEVC image of the file has no sequence parameter set"));
        noteCoding(HeifCoding::HEVC, chromaFormat, bitDepth);
        return stated.width * stated.height;
    }

    qint64 av1Image(const HeifItem& item, const CodedSize& stated, const QByteArray& data)
    {
        const HeifProperty* av1C = property(item, fourCC("av1C"));
        if (!av1C || av1C->payload.size() < 4)
            return refuse(QStringLiteral("An AV1 image of the file has no decoder configuration"));
        const auto flags = uchar(av1C->payload[2]);
        const int bitDepth = (flags & 0x20) ? 12 : (flags & 0x40) ? 10 : 8;
        const bool monochrome = flags & 0x10, halfX = flags & 0x08, halfY = flags & 0x04;
        const int chromaFormat = monochrome ? 0 : (halfX && halfY) ? 1 : halfX ? 2 : 3;
        bool haveSize = false;
        bool fits = true;
        const auto sequenceHeaders = [&](int type, QByteArrayView payload) {
            if (type != 1)
                return true;
            const std::optional<CodedSize> coded = av1SequenceHeaderSize(payload);
            fits = coded && codedSizeFits(*coded, stated);
            haveSize = haveSize || coded;
            return fits;
        };
        const bool configWhole = forEachObu(av1C->payload.sliced(4), sequenceHeaders);
        if (!fits)
            return -1;
        const bool dataWhole = configWhole && forEachObu(data, sequenceHeaders);
        if (!fits)
            return -1;
        if (!dataWhole)
            return refuse(QStringLiteral("An AV1 image of the file is damaged"));
        if (!haveSize)
            return refuse(QStringLiteral("An AV1 image of the file has no sequence header"));
        noteCoding(HeifCoding::AV1, chromaFormat, bitDepth);
        return stated.width * stated.height;
    }

    qint64 derivedImage(const HeifItem& item, int depth)
    {
        std::vector<quint32> inputs;
        if (const auto found = m_derivedFrom.find(item.id); found != m_derivedFrom.end()) {
            for (const HeifReference* reference : found->second)
                inputs.insert(inputs.end(), reference->to.begin(), reference->to.end());
        }
        if (!statedSize(item, false))
            return -1;
        qint64 work = 0;
        if (item.type == fourCC("iden")) {
            if (inputs.size() != 1)
                return refuse(QStringLiteral("A derived image of the file has no single source"));
        } else {
            const std::optional<QByteArray> data = itemData(item, kMaxDescriptionBytes);
            if (!data)
                return -1;
            ByteReader r(*data);
            r.u8(); // version
            const quint8 flags = r.u8();
            int tiles = 0;
            if (item.type == fourCC("grid")) {
                const int rows = r.u8() + 1, columns = r.u8() + 1;
                tiles = rows * columns;
            } else {
                r.skip(8); // the fill colour
                tiles = int(inputs.size());
            }
            const int fieldSize = (flags & 1) ? 4 : 2;
            const qint64 width = qint64(r.read(fieldSize)), height = qint64(r.read(fieldSize));
            if (r.failed() || width == 0 || height == 0 || tiles != int(inputs.size()) || inputs.empty())
                return refuse(QStringLiteral("A grid or overlay of the file is damaged"));
            if (areaOf(width, height) > m_maxPixels)
                return tooLarge(width, height);
            work = width * height;
        }
        for (const quint32 input : inputs) {
            const qint64 inputWork = visit(input, depth + 1);
            if (inputWork < 0)
                return -1;
            work = saturatedAdd(work, inputWork);
            if (work > 2 * m_maxPixels)
                return refuse(
                    QStringLiteral("Decoding the image would take more pixels than this program decodes"));
        }
        return work;
    }

    const HeifStructure& m_s;
    qint64 m_maxPixels;
    QString* m_reason;
    std::map<quint32, std::vector<const HeifReference*>> m_derivedFrom;
    std::map<quint32, std::vector<quint32>> m_alphaOf;
    std::map<quint32, qint64> m_work;
    std::set<quint32> m_visiting;
    HeifDecodingPlan m_plan;
    bool m_haveCoding = false;
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
        fail(reason, QStringLiteral("An image of the file has no data"));
        return std::nullopt;
    }
    if (item.constructionMethod > 1) {
        fail(reason, QStringLiteral("An image of the file is stored in a way this program does not read"));
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
                item.constructionMethod == 0 ? QStringLiteral("The file is cut short")
                                             : QStringLiteral("An image's data lies outside its box"));
            return std::nullopt;
        }
        total += length;
    }
    if (total > maxBytes) {
        fail(reason, QStringLiteral("An image's data is larger than the file"));
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
                fail(reason, QStringLiteral("Not a HEIF file"));
                return std::nullopt;
            }
            ByteReader r(box->payload);
            bool heif = isHeifBrand(r.u32());
            r.u32(); // minor version
            while (r.remaining() >= 4)
                heif = isHeifBrand(r.u32()) || heif;
            if (!heif) {
                fail(reason, QStringLiteral("Not a HEIF image file"));
                return std::nullopt;
            }
            first = false;
            continue;
        }
        if (box->type != fourCC("meta"))
            continue;
        if (haveMeta) {
            fail(reason, QStringLiteral("The file has two 'meta' boxes"));
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
            boxes.impossible() ? QStringLiteral("The file holds a box of an impossible size")
                               : QStringLiteral("The file is cut short"));
        return std::nullopt;
    }
    if (first) {
        fail(reason, QStringLiteral("Not a HEIF file"));
        return std::nullopt;
    }
    if (!haveMeta) {
        fail(reason, QStringLiteral("The file holds no still image"));
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

std::optional<HeifDecodingPlan> checkHeifPrimaryImage(
    const HeifStructure& structure, qint64 maxPixels, QString* reason)
{
    return PrimaryCheck(structure, maxPixels, reason).run();
}
