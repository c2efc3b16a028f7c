// SPDX-License-Identifier: GPL-3.0-or-later
// The rewrite of an animated GIF: a walk of its blocks, an LZW decoder for each frame and the encoder of
// GifEncoder.cpp for the way back.
#include "engine/formats/gif/GifAnimation.h"

#include "engine/core/ConversionReasons.h"
#include "engine/formats/gif/GifPrivate.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace {

/// More frames than this are refused before they are decoded: each costs a record here however small.
constexpr int kMaxFrames = 100000;
constexpr int kMaxCodes = 4096;

/// The bytes of a GIF with a read position that never passes the end.
class GifBytes
{
public:
    explicit GifBytes(QByteArrayView data)
        : m_data(reinterpret_cast<const std::uint8_t*>(data.data()))
        , m_size(std::size_t(data.size()))
    { }

    [[nodiscard]] bool has(std::size_t count) const { return count <= m_size - m_pos; }
    [[nodiscard]] bool atEnd() const { return m_pos >= m_size; }
    std::uint8_t byte() { return m_data[m_pos++]; }
    int u16()
    {
        const int value = m_data[m_pos] | m_data[m_pos + 1] << 8;
        m_pos += 2;
        return value;
    }
    const std::uint8_t* take(std::size_t count)
    {
        const std::uint8_t* at = m_data + m_pos;
        m_pos += count;
        return at;
    }

    /// The payload of a chain of data sub-blocks, or false when the data ends before its terminator.
    bool subBlocks(std::vector<std::uint8_t>* payload)
    {
        for (;;) {
            if (!has(1))
                return false;
            const std::size_t length = byte();
            if (length == 0)
                return true;
            if (!has(length))
                return false;
            const std::uint8_t* at = take(length);
            if (payload)
                payload->insert(payload->end(), at, at + length);
        }
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

struct ColourTable
{
    int size = 0; ///< entries: 0 when absent, else a power of two from 2 to 256
    std::array<std::uint8_t, 768> rgb {};
    std::array<bool, 256> used {};
};

struct Frame
{
    bool hasControl = false;
    int disposal = 0;
    int delay = 0;
    int transparent = -1;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int localTable = -1; ///< index into the local tables, -1 for the global one
    std::vector<std::uint8_t> data; ///< our own LZW data (code size byte, sub-blocks, terminator)
};

ColourTable readTable(GifBytes& bytes, std::uint8_t flags)
{
    ColourTable table;
    table.size = 2 << (flags & 7);
    std::memcpy(table.rgb.data(), bytes.take(std::size_t(3 * table.size)), std::size_t(3 * table.size));
    return table;
}

/// Decodes LZW \a codes (the sub-blocks' payload) of minimum code size \a minimumSize into exactly
/// \a indices.size() indices, as GIF readers take them: a clear code resets the table, a code equal to
/// the next free one repeats the previous string and its first index, a full table stops growing. False
/// when the codes end, or the end code comes, before the last index, or a code is not yet defined.
bool decodeLzw(const std::vector<std::uint8_t>& codes, int minimumSize, std::vector<std::uint8_t>& indices)
{
    const int clear = 1 << minimumSize;
    const int end = clear + 1;
    std::array<std::uint16_t, kMaxCodes> prefix {};
    std::array<std::uint8_t, kMaxCodes> suffix {};
    std::array<std::uint8_t, kMaxCodes> first {};
    std::array<std::uint16_t, kMaxCodes> length {};
    for (int i = 0; i < clear; ++i) {
        suffix[std::size_t(i)] = first[std::size_t(i)] = std::uint8_t(i);
        length[std::size_t(i)] = 1;
    }
    int codeSize = minimumSize + 1;
    int next = clear + 2;
    int previous = -1;
    std::size_t out = 0;
    const std::size_t wanted = indices.size();
    std::uint32_t accumulator = 0;
    int bits = 0;
    std::size_t pos = 0;
    while (out < wanted) {
        while (bits < codeSize) {
            if (pos >= codes.size())
                return false;
            accumulator |= std::uint32_t(codes[pos++]) << bits;
            bits += 8;
        }
        const int code = int(accumulator & ((1u << codeSize) - 1));
        accumulator >>= codeSize;
        bits -= codeSize;
        if (code == clear) {
            codeSize = minimumSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end)
            return false;
        if (previous < 0) {
            if (code >= clear)
                return false;
            indices[out++] = std::uint8_t(code);
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= kMaxCodes))
            return false;
        // The string of `code`, or for the code about to be defined the previous string and its first.
        const int known = code == next ? previous : code;
        const std::size_t stringLength = length[std::size_t(known)] + (code == next ? 1u : 0u);
        const std::size_t room = std::min(stringLength, wanted - out);
        // Written back to front; what does not fit in the frame is cut off at its end.
        std::size_t at = stringLength;
        int walk = known;
        if (code == next) {
            --at;
            if (at < room)
                indices[out + at] = first[std::size_t(previous)];
        }
        while (at > 0) {
            --at;
            if (at < room)
                indices[out + at] = suffix[std::size_t(walk)];
            walk = prefix[std::size_t(walk)];
        }
        out += room;
        if (next < kMaxCodes) {
            prefix[std::size_t(next)] = std::uint16_t(previous);
            suffix[std::size_t(next)] = first[std::size_t(known)];
            first[std::size_t(next)] = first[std::size_t(previous)];
            length[std::size_t(next)] = std::uint16_t(length[std::size_t(previous)] + 1);
            ++next;
            if (next >= (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        previous = code;
    }
    return true;
}

void put16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t((value >> 8) & 0xFF));
}

/// The table with the entries no frame draws zeroed, as many entries as it had.
void putTable(std::vector<std::uint8_t>& out, const ColourTable& table)
{
    for (int i = 0; i < table.size; ++i) {
        for (int c = 0; c < 3; ++c)
            out.push_back(table.used[std::size_t(i)] ? table.rgb[std::size_t(3 * i + c)] : 0);
    }
}

int sizeBits(int size)
{
    int bits = 0;
    while ((2 << bits) < size)
        ++bits;
    return bits;
}

GifAnimation refused(QString why, int frames = 0)
{
    return GifAnimation { GifAnimationResult::Refused, {}, std::move(why), frames };
}

} // namespace

// NOLINTNEXTLINE(readability-function-cognitive-complexity): the block walk of a GIF in one pass
GifAnimation rewriteAnimatedGif(QByteArrayView gif, qint64 maxPixels)
{
    GifBytes bytes(gif);
    if (!bytes.has(13))
        return refused(ConversionReasons::tr("no GIF header"));
    const std::uint8_t* signature = bytes.take(6);
    if (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0)
        return refused(ConversionReasons::tr("no GIF header"));
    const int screenWidth = bytes.u16();
    const int screenHeight = bytes.u16();
    const std::uint8_t screenFlags = bytes.byte();
    const int background = bytes.byte();
    (void)bytes.byte(); // the aspect ratio, which no reader of ours needs
    ColourTable global;
    if (screenFlags & 0x80) {
        if (!bytes.has(std::size_t(3 * (2 << (screenFlags & 7)))))
            return refused(ConversionReasons::tr("the colour table is cut short"));
        global = readTable(bytes, screenFlags);
    }

    std::vector<Frame> frames;
    std::vector<ColourTable> locals;
    std::optional<int> loops;
    Frame pending;
    qint64 pixels = 0;
    std::vector<std::uint8_t> codes;
    std::vector<std::uint8_t> indices;
    bool trailer = false;
    while (!bytes.atEnd() && !trailer) {
        const std::uint8_t introducer = bytes.byte();
        if (introducer == 0x3B) {
            trailer = true;
        } else if (introducer == 0x21) {
            if (!bytes.has(1))
                return refused(ConversionReasons::tr("an extension is cut short"));
            const std::uint8_t label = bytes.byte();
            std::vector<std::uint8_t> payload;
            const bool keep = label == 0xF9 || label == 0xFF;
            if (!bytes.subBlocks(keep ? &payload : nullptr))
                return refused(ConversionReasons::tr("an extension is cut short"));
            if (label == 0xF9) {
                if (payload.size() < 4)
                    return refused(ConversionReasons::tr("a frame's timing is damaged"));
                pending.hasControl = true;
                pending.disposal = (payload[0] >> 2) & 7;
                pending.delay = payload[1] | payload[2] << 8;
                pending.transparent = (payload[0] & 1) ? payload[3] : -1;
            } else if (label == 0xFF && payload.size() >= 11 + 3 && !loops
                && (std::memcmp(payload.data(), "NETSCAPE2.0", 11) == 0
                    || std::memcmp(payload.data(), "ANIMEXTS1.0", 11) == 0)
                && payload[11] == 1) {
                loops = payload[12] | payload[13] << 8;
            }
        } else if (introducer == 0x2C) {
            if (!bytes.has(9))
                return refused(ConversionReasons::tr("a frame is cut short"), int(frames.size()));
            Frame frame = pending;
            pending = Frame {};
            frame.left = bytes.u16();
            frame.top = bytes.u16();
            frame.width = bytes.u16();
            frame.height = bytes.u16();
            const std::uint8_t flags = bytes.byte();
            frame.interlaced = (flags & 0x40) != 0;
            const int number = int(frames.size()) + 1;
            if (frames.size() >= std::size_t(kMaxFrames))
                return refused(ConversionReasons::tr("more than %1 frames").arg(kMaxFrames), number);
            if (frame.width == 0 || frame.height == 0)
                return refused(ConversionReasons::tr("frame %1 is empty").arg(number), number);
            pixels += qint64(frame.width) * frame.height;
            if (pixels > maxPixels)
                return refused(ConversionReasons::tr("its frames hold too many pixels"), number);
            if (flags & 0x80) {
                if (!bytes.has(std::size_t(3 * (2 << (flags & 7)))))
                    return refused(ConversionReasons::tr("frame %1 is cut short").arg(number), number);
                frame.localTable = int(locals.size());
                locals.push_back(readTable(bytes, flags));
            }
            ColourTable& table = frame.localTable >= 0 ? locals[std::size_t(frame.localTable)] : global;
            if (table.size == 0)
                return refused(ConversionReasons::tr("frame %1 has no colour table").arg(number), number);
            if (!bytes.has(1))
                return refused(ConversionReasons::tr("frame %1 is cut short").arg(number), number);
            const int minimumSize = bytes.byte();
            codes.clear();
            if (minimumSize < 2 || minimumSize > 8 || !bytes.subBlocks(&codes))
                return refused(ConversionReasons::tr("frame %1's image data is damaged").arg(number), number);
            indices.assign(std::size_t(frame.width) * std::size_t(frame.height), 0);
            if (!decodeLzw(codes, minimumSize, indices))
                return refused(ConversionReasons::tr("frame %1's image data ends early").arg(number), number);
            for (const std::uint8_t index : indices) {
                if (index >= table.size)
                    return refused(
                        ConversionReasons::tr("frame %1 draws colours its table lacks").arg(number), number);
                if (index != frame.transparent)
                    table.used[index] = true;
            }
            compressGifIndices(
                indices.data(), indices.size(), std::max(2, sizeBits(table.size) + 1), frame.data);
            frames.push_back(std::move(frame));
        } else {
            return refused(ConversionReasons::tr("data between blocks"), int(frames.size()));
        }
    }
    if (frames.size() < 2)
        return GifAnimation { GifAnimationResult::NotAnimated, {}, {}, int(frames.size()) };

    // The background colour is what some readers clear a disposed frame to: it stays when stated.
    if (global.size > 0 && background < global.size)
        global.used[std::size_t(background)] = true;

    std::vector<std::uint8_t> out;
    out.insert(out.end(), { 'G', 'I', 'F', '8', '9', 'a' });
    put16(out, screenWidth);
    put16(out, screenHeight);
    out.push_back(std::uint8_t(global.size ? 0x80 | 0x70 | sizeBits(global.size) : 0x70));
    out.push_back(std::uint8_t(global.size ? background : 0));
    out.push_back(0);
    putTable(out, global);
    if (loops) {
        out.insert(out.end(), { 0x21, 0xFF, 11 });
        out.insert(out.end(), { 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0' });
        out.insert(out.end(), { 3, 1 });
        put16(out, *loops);
        out.push_back(0);
    }
    for (const Frame& frame : frames) {
        if (frame.hasControl) {
            out.insert(out.end(),
                { 0x21, 0xF9, 4, std::uint8_t(frame.disposal << 2 | (frame.transparent >= 0 ? 1 : 0)) });
            put16(out, frame.delay);
            out.push_back(std::uint8_t(frame.transparent >= 0 ? frame.transparent : 0));
            out.push_back(0);
        }
        out.push_back(0x2C);
        put16(out, frame.left);
        put16(out, frame.top);
        put16(out, frame.width);
        put16(out, frame.height);
        std::uint8_t flags = frame.interlaced ? 0x40 : 0;
        if (frame.localTable >= 0) {
            const ColourTable& table = locals[std::size_t(frame.localTable)];
            out.push_back(std::uint8_t(flags | 0x80 | sizeBits(table.size)));
            putTable(out, table);
        } else {
            out.push_back(flags);
        }
        out.insert(out.end(), frame.data.begin(), frame.data.end());
    }
    out.push_back(0x3B);
    return GifAnimation { GifAnimationResult::Rewritten,
        QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(out.size())), {},
        int(frames.size()) };
}
