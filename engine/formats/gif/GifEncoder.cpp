// SPDX-License-Identifier: GPL-3.0-or-later
// The GIF writer: the file's blocks around the LZW-compressed indices of a palette from GifPalette.cpp.
#include "engine/formats/gif/GifEncoder.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/formats/gif/GifPalette.h"
#include "engine/formats/gif/GifPrivate.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxGifSide = 65535;

/// Packs LZW codes of varying width, least significant bit first, into the image's data sub-blocks.
class CodeWriter
{
public:
    explicit CodeWriter(std::vector<std::uint8_t>& out)
        : m_out(out)
    { }

    void put(unsigned code, int bits)
    {
        m_bits |= std::uint64_t(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            byte(std::uint8_t(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    /// Writes what is left and the empty block that ends the image data.
    void finish()
    {
        if (m_count > 0)
            byte(std::uint8_t(m_bits & 0xFF));
        flushBlock();
        m_out.push_back(0);
    }

private:
    void byte(std::uint8_t value)
    {
        m_block[size_t(m_blockLength++)] = value;
        if (m_blockLength == 255)
            flushBlock();
    }
    void flushBlock()
    {
        if (m_blockLength == 0)
            return;
        m_out.push_back(std::uint8_t(m_blockLength));
        m_out.insert(m_out.end(), m_block.begin(), m_block.begin() + m_blockLength);
        m_blockLength = 0;
    }

    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_bits = 0;
    int m_count = 0;
    std::array<std::uint8_t, 255> m_block {};
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

void putLittleEndian16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t((value >> 8) & 0xFF));
}

/// Writes the file; the system's error number when a write fails, else 0.
int writeGif(const IndexedImage& indexed, int width, int height, int fd)
{
    // The colour table holds a power of two entries, at least two; the rest stays black.
    int tableBits = 1;
    while ((1 << tableBits) < indexed.colourCount)
        ++tableBits;
    const bool transparent = indexed.transparentIndex >= 0;

    std::vector<std::uint8_t> out;
    out.reserve(indexed.indices.size() / 2 + 1024);
    // GIF87a has no extensions: the version goes up only for the transparent index.
    const char* signature = transparent ? "GIF89a" : "GIF87a";
    out.insert(out.end(), signature, signature + 6);
    putLittleEndian16(out, width);
    putLittleEndian16(out, height);
    out.push_back(std::uint8_t(0x80 | 0x70 | (tableBits - 1))); // global table, 8-bit colour
    out.push_back(0); // background
    out.push_back(0); // aspect ratio
    for (int i = 0; i < (1 << tableBits); ++i) {
        const GifColour colour = i < indexed.colourCount ? indexed.colours[size_t(i)] : GifColour {};
        out.push_back(colour.red);
        out.push_back(colour.green);
        out.push_back(colour.blue);
    }
    if (transparent) {
        const std::uint8_t control[]
            = { 0x21, 0xF9, 0x04, 0x01, 0, 0, std::uint8_t(indexed.transparentIndex), 0 };
        out.insert(out.end(), std::begin(control), std::end(control));
    }
    out.push_back(0x2C);
    putLittleEndian16(out, 0);
    putLittleEndian16(out, 0);
    putLittleEndian16(out, width);
    putLittleEndian16(out, height);
    out.push_back(0); // no local table, not interlaced
    compressGifIndices(indexed.indices.data(), indexed.indices.size(), std::max(2, tableBits), out);
    out.push_back(0x3B);

    return writeFully(fd, out.data(), out.size()).error;
}

} // namespace

void compressGifIndices(
    const std::uint8_t* indices, std::size_t count, int minimumCodeSize, std::vector<std::uint8_t>& out)
{
    out.push_back(std::uint8_t(minimumCodeSize));
    CodeWriter writer(out);
    const unsigned clearCode = 1u << minimumCodeSize;
    const unsigned endCode = clearCode + 1;
    auto table = std::make_unique<StringTable>();
    table->clear();
    int codeSize = minimumCodeSize + 1;
    unsigned lastCode = endCode; // the highest code in use
    writer.put(clearCode, codeSize);
    if (count == 0) {
        writer.put(endCode, codeSize);
        writer.finish();
        return;
    }
    unsigned current = indices[0];
    for (std::size_t i = 1; i < count; ++i) {
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

bool encodeGif(const QImage& image, int fd, QString* reason)
{
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (image.isNull() || fd < 0)
        return refuse(ConversionReasons::tr("no image to write"));
    if (image.width() > kMaxGifSide || image.height() > kMaxGifSide)
        return refuse(ConversionReasons::tr("image too large for a GIF (%1 x %2 pixels)")
                          .arg(image.width())
                          .arg(image.height()));
    const std::optional<IndexedImage> indexed = indexedForGif(image);
    if (!indexed)
        return refuse(ConversionReasons::tr("the colours could not be reduced to a GIF palette"));
    if (const int error = writeGif(*indexed, image.width(), image.height(), fd))
        return refuse(systemErrorText(error));
    return true;
}
