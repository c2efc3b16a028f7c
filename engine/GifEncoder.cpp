// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/GifEncoder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <gif_lib.h>
#include <libimagequant.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMaxGifSide = 65535;
constexpr int kMaxColours = 256;
constexpr int kOpaqueAlpha = 128; ///< alpha at or above this is drawn opaque, below it transparent
constexpr int kQuantiserSpeed = 4;

/// The colour table and the index of every pixel, row after row.
struct IndexedImage
{
    std::array<GifColorType, kMaxColours> colours {};
    int colourCount = 0;
    int transparentIndex = -1;
    std::vector<GifByteType> indices;
};

/// Hands the finished file to the file descriptor, through short writes and interruptions; remembers a
/// failure.
struct FdWriter
{
    int fd = -1;
    std::vector<GifByteType> buffer;
    bool failed = false;

    bool flush()
    {
        const GifByteType* data = buffer.data();
        size_t length = buffer.size();
        while (!failed && length > 0) {
            const ssize_t written = ::write(fd, data, length);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                failed = true;
                break;
            }
            data += written;
            length -= size_t(written);
        }
        buffer.clear();
        return !failed;
    }
};

/// A colour as the key of the exact palette: 0x00RRGGBB from a straight RGBA8888 pixel.
inline quint32 colourKey(const uchar* rgba)
{
    return quint32(rgba[0]) << 16 | quint32(rgba[1]) << 8 | quint32(rgba[2]);
}

/// Colours seen so far, with their palette index: an open-addressing table far larger than the
/// 256 entries it may hold, so that probes stay short.
class ColourTable
{
public:
    /// The index of \a key, adding it when there is room (and setting \a added); -1 when the palette
    /// is full.
    int indexOf(quint32 key, bool& added)
    {
        added = false;
        quint32 slot = (key * 2654435761u) >> (32 - kBits);
        while (m_keys[slot] != kEmpty) {
            if (m_keys[slot] == key)
                return m_values[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        if (m_count == kMaxColours)
            return -1;
        m_keys[slot] = key;
        m_values[slot] = m_count;
        added = true;
        return m_count++;
    }
    [[nodiscard]] int count() const { return m_count; }

private:
    static constexpr int kBits = 11;
    static constexpr quint32 kSlots = 1u << kBits;
    static constexpr quint32 kEmpty = 0xFFFFFFFFu;
    std::array<quint32, kSlots> m_keys = filled();
    std::array<int, kSlots> m_values {};
    int m_count = 0;

    static constexpr std::array<quint32, kSlots> filled()
    {
        std::array<quint32, kSlots> keys {};
        keys.fill(kEmpty);
        return keys;
    }
};

/// Maps \a rgba to an exact palette when its opaque pixels have few enough colours. False when they
/// have more than fit beside a transparent index (if one is needed).
bool indexExactly(const QImage& rgba, IndexedImage& out)
{
    const int width = rgba.width();
    const int height = rgba.height();
    ColourTable table;
    bool hasTransparent = false;
    out.indices.resize(size_t(width) * size_t(height));
    GifByteType* index = out.indices.data();
    for (int y = 0; y < height; ++y) {
        const uchar* pixel = rgba.constScanLine(y);
        for (int x = 0; x < width; ++x, pixel += 4, ++index) {
            if (pixel[3] < kOpaqueAlpha) {
                hasTransparent = true;
                continue; // filled in below, once the transparent index is known
            }
            const quint32 key = colourKey(pixel);
            bool added = false;
            const int i = table.indexOf(key, added);
            if (i < 0)
                return false;
            if (added)
                out.colours[size_t(i)]
                    = GifColorType { GifByteType(key >> 16), GifByteType(key >> 8), GifByteType(key) };
            *index = GifByteType(i);
        }
    }
    const int opaqueCount = table.count();
    if (hasTransparent && opaqueCount == kMaxColours)
        return false;

    out.colourCount = opaqueCount;
    if (hasTransparent) {
        for (int y = 0; y < height; ++y) {
            const uchar* pixel = rgba.constScanLine(y);
            GifByteType* rowIndex = out.indices.data() + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x, pixel += 4) {
                if (pixel[3] < kOpaqueAlpha)
                    rowIndex[x] = GifByteType(opaqueCount);
            }
        }
        out.transparentIndex = opaqueCount;
        out.colours[size_t(opaqueCount)] = GifColorType { 0, 0, 0 };
        out.colourCount = opaqueCount + 1;
    }
    return true;
}

struct LiqAttrDeleter
{
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct LiqImageDeleter
{
    void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct LiqResultDeleter
{
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};

/// Quantises \a rgba (straight RGBA8888, changed in place) with libimagequant, dithered. Transparent
/// pixels get their own index and take no part in choosing the colours.
bool indexByQuantising(QImage& rgba, IndexedImage& out)
{
    const int width = rgba.width();
    const int height = rgba.height();
    std::vector<void*> rows(static_cast<size_t>(height));
    std::vector<unsigned char> importance;
    bool hasTransparent = false;
    for (int y = 0; y < height; ++y) {
        uchar* row = rgba.scanLine(y);
        rows[size_t(y)] = row;
        // Transparent pixels take the colour of their left neighbour so that they disturb neither the
        // histogram nor the dithering of the opaque ones.
        std::array<uchar, 3> fill { 0, 0, 0 };
        for (int x = 0; x < width; ++x) {
            uchar* pixel = row + 4 * x;
            if (pixel[3] >= kOpaqueAlpha) {
                pixel[3] = 255;
                std::copy(pixel, pixel + 3, fill.begin());
                continue;
            }
            if (!hasTransparent) {
                hasTransparent = true;
                importance.assign(size_t(width) * size_t(height), 255);
            }
            importance[size_t(y) * size_t(width) + size_t(x)] = 0;
            std::copy(fill.begin(), fill.end(), pixel);
            pixel[3] = 255;
        }
    }

    const std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
    if (!attr)
        return false;
    if (liq_set_max_colors(attr.get(), hasTransparent ? kMaxColours - 1 : kMaxColours) != LIQ_OK
        || liq_set_speed(attr.get(), kQuantiserSpeed) != LIQ_OK)
        return false;
    const std::unique_ptr<liq_image, LiqImageDeleter> image(
        liq_image_create_rgba_rows(attr.get(), rows.data(), width, height, 0));
    if (!image)
        return false;
    if (hasTransparent
        && liq_image_set_importance_map(image.get(), importance.data(), importance.size(), LIQ_COPY_PIXELS)
            != LIQ_OK)
        return false;
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &rawResult) != LIQ_OK || !rawResult)
        return false;
    const std::unique_ptr<liq_result, LiqResultDeleter> result(rawResult);
    if (liq_set_dithering_level(result.get(), 1.0f) != LIQ_OK)
        return false;

    out.indices.resize(size_t(width) * size_t(height));
    if (liq_write_remapped_image(result.get(), image.get(), out.indices.data(), out.indices.size()) != LIQ_OK)
        return false;
    const liq_palette* palette = liq_get_palette(result.get());
    if (!palette || palette->count == 0
        || palette->count > unsigned(hasTransparent ? kMaxColours - 1 : kMaxColours))
        return false;
    for (unsigned i = 0; i < palette->count; ++i)
        out.colours[i] = GifColorType { palette->entries[i].r, palette->entries[i].g, palette->entries[i].b };
    out.colourCount = int(palette->count);
    if (hasTransparent) {
        out.transparentIndex = out.colourCount;
        out.colours[size_t(out.colourCount)] = GifColorType { 0, 0, 0 };
        ++out.colourCount;
        for (size_t i = 0; i < importance.size(); ++i) {
            if (importance[i] == 0)
                out.indices[i] = GifByteType(out.transparentIndex);
        }
    }
    return true;
}

/// Packs LZW codes of varying width, least significant bit first, into the image's data sub-blocks.
class CodeWriter
{
public:
    explicit CodeWriter(std::vector<GifByteType>& out)
        : m_out(out)
    { }

    void put(unsigned code, int bits)
    {
        m_bits |= std::uint64_t(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            byte(GifByteType(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    /// Writes what is left and the empty block that ends the image data.
    void finish()
    {
        if (m_count > 0)
            byte(GifByteType(m_bits & 0xFF));
        flushBlock();
        m_out.push_back(0);
    }

private:
    void byte(GifByteType value)
    {
        m_block[size_t(m_blockLength++)] = value;
        if (m_blockLength == 255)
            flushBlock();
    }
    void flushBlock()
    {
        if (m_blockLength == 0)
            return;
        m_out.push_back(GifByteType(m_blockLength));
        m_out.insert(m_out.end(), m_block.begin(), m_block.begin() + m_blockLength);
        m_blockLength = 0;
    }

    std::vector<GifByteType>& m_out;
    std::uint64_t m_bits = 0;
    int m_count = 0;
    std::array<GifByteType, 255> m_block {};
    int m_blockLength = 0;
};

/// The strings seen so far, keyed by (code of the prefix, next index): an open-addressing table of
/// twice the 4096 codes GIF allows, small enough to stay in the processor's cache.
class StringTable
{
public:
    void clear() { m_keys.fill(kEmpty); }
    /// The code of the string, or -1 with \a slot where it would go.
    int find(std::uint32_t key, std::uint32_t& slot) const
    {
        slot = (key * 2654435761u) >> (32 - kBits);
        while (m_keys[slot] != kEmpty) {
            if (m_keys[slot] == key)
                return m_codes[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        return -1;
    }
    void add(std::uint32_t slot, std::uint32_t key, int code)
    {
        m_keys[slot] = key;
        m_codes[slot] = std::uint16_t(code);
    }

private:
    static constexpr int kBits = 13;
    static constexpr std::uint32_t kSlots = 1u << kBits;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::array<std::uint32_t, kSlots> m_keys {};
    std::array<std::uint16_t, kSlots> m_codes {};
};

/// The LZW-compressed image data (minimum code size byte, sub-blocks, terminator) of \a indices.
void compressIndices(
    const std::vector<GifByteType>& indices, int minimumCodeSize, std::vector<GifByteType>& out)
{
    out.push_back(GifByteType(minimumCodeSize));
    CodeWriter writer(out);
    const unsigned clearCode = 1u << minimumCodeSize;
    const unsigned endCode = clearCode + 1;
    auto table = std::make_unique<StringTable>();
    table->clear();
    int codeSize = minimumCodeSize + 1;
    unsigned lastCode = endCode; // the highest code in use
    writer.put(clearCode, codeSize);
    if (indices.empty()) {
        writer.put(endCode, codeSize);
        writer.finish();
        return;
    }
    unsigned current = indices.front();
    for (size_t i = 1; i < indices.size(); ++i) {
        const unsigned next = indices[i];
        const std::uint32_t key = std::uint32_t(current) << 8 | next;
        std::uint32_t slot = 0;
        const int found = table->find(key, slot);
        if (found >= 0) {
            current = unsigned(found);
            continue;
        }
        writer.put(current, codeSize);
        table->add(slot, key, int(++lastCode));
        if (lastCode >= (1u << codeSize))
            ++codeSize;
        if (lastCode == 4095) {
            // The table is full: start afresh, as every decoder expects after a clear code.
            writer.put(clearCode, codeSize);
            table->clear();
            codeSize = minimumCodeSize + 1;
            lastCode = endCode;
        }
        current = next;
    }
    writer.put(current, codeSize);
    writer.put(endCode, codeSize);
    writer.finish();
}

void putLittleEndian16(std::vector<GifByteType>& out, int value)
{
    out.push_back(GifByteType(value & 0xFF));
    out.push_back(GifByteType((value >> 8) & 0xFF));
}

bool writeGif(const IndexedImage& indexed, int width, int height, int fd)
{
    // The colour table holds a power of two entries, at least two; the rest stays black.
    int tableBits = 1;
    while ((1 << tableBits) < indexed.colourCount)
        ++tableBits;
    const bool transparent = indexed.transparentIndex >= 0;

    std::vector<GifByteType> out;
    out.reserve(indexed.indices.size() / 2 + 1024);
    // GIF87a has no extensions: the version goes up only for the transparent index.
    const char* signature = transparent ? "GIF89a" : "GIF87a";
    out.insert(out.end(), signature, signature + 6);
    putLittleEndian16(out, width);
    putLittleEndian16(out, height);
    out.push_back(GifByteType(0x80 | 0x70 | (tableBits - 1))); // global table, 8-bit colour
    out.push_back(0); // background
    out.push_back(0); // aspect ratio
    for (int i = 0; i < (1 << tableBits); ++i) {
        const GifColorType colour = i < indexed.colourCount ? indexed.colours[size_t(i)] : GifColorType {};
        out.push_back(colour.Red);
        out.push_back(colour.Green);
        out.push_back(colour.Blue);
    }
    if (transparent) {
        const GifByteType control[]
            = { 0x21, 0xF9, 0x04, 0x01, 0, 0, GifByteType(indexed.transparentIndex), 0 };
        out.insert(out.end(), std::begin(control), std::end(control));
    }
    out.push_back(0x2C);
    putLittleEndian16(out, 0);
    putLittleEndian16(out, 0);
    putLittleEndian16(out, width);
    putLittleEndian16(out, height);
    out.push_back(0); // no local table, not interlaced
    compressIndices(indexed.indices, std::max(2, tableBits), out);
    out.push_back(0x3B);

    FdWriter writer;
    writer.fd = fd;
    writer.buffer = std::move(out);
    return writer.flush();
}

} // namespace

bool encodeGif(const QImage& image, int fd)
{
    if (image.isNull() || fd < 0 || image.width() > kMaxGifSide || image.height() > kMaxGifSide)
        return false;
    // Straight (not premultiplied) colour in R, G, B, A byte order on every platform.
    QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull())
        return false;

    IndexedImage indexed;
    if (!indexExactly(rgba, indexed)) {
        indexed = IndexedImage {};
        if (!indexByQuantising(rgba, indexed))
            return false;
    }
    return writeGif(indexed, image.width(), image.height(), fd);
}
