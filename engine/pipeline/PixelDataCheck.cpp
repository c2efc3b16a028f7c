// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/PixelDataCheck.h"

#include "engine/core/LibraryMessages.h"
#include "engine/structure/ByteOrder.h"
#include "engine/structure/PngChunks.h"

#include <QCoreApplication>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdint>
#include <zlib.h>

namespace {

/// How much of a frame's pixel data a file holds.
enum class Shortfall { None, EndsEarly, Missing };

// ---- BMP ----

constexpr quint32 kBmpRgb = 0;
constexpr quint32 kBmpRle8 = 1;
constexpr quint32 kBmpRle4 = 2;
constexpr quint32 kBmpBitfields = 3;
constexpr quint32 kBmpAlphaBitfields = 6;

/// Walks the run-length codes of an RLE8 (\a fourBit false) or RLE4 bitmap of \a width x \a height from
/// \a start, as a reader draws them bottom row first. True when the codes run out before the
/// end-of-bitmap code while pixels are still to come.
bool rleEndsEarly(const OrderedBytes& bytes, quint64 start, qint64 width, qint64 height, bool fourBit)
{
    quint64 pos = start;
    qint64 x = 0;
    qint64 y = 0;
    const auto endsEarly = [&] { return y < height - 1 || (y == height - 1 && x < width); };
    while (y < height) {
        if (!bytes.has(pos, 2))
            return endsEarly();
        const uchar count = bytes.at(pos);
        const uchar value = bytes.at(pos + 1);
        pos += 2;
        if (count > 0) {
            x += count;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap: what is left keeps the background
            return false;
        case 2: // move right and up
            if (!bytes.has(pos, 2))
                return endsEarly();
            x += bytes.at(pos);
            y += bytes.at(pos + 1);
            pos += 2;
            break;
        default: { // a literal run, padded to a whole 16-bit word
            const quint64 length = fourBit ? (quint64(value) + 1) / 2 : quint64(value);
            if (!bytes.has(pos, length))
                return true;
            pos += length + (length & 1);
            x += value;
            break;
        }
        }
    }
    return false;
}

bool bmpEndsEarly(const QByteArray& data)
{
    const OrderedBytes bytes(data, true);
    if (!bytes.has(0, 18))
        return false;
    const quint32 offset = bytes.u32(10);
    const quint32 infoSize = bytes.u32(14);
    qint64 width = 0;
    qint64 height = 0;
    quint32 bits = 0;
    quint32 compression = kBmpRgb;
    quint32 coloursUsed = 0;
    if (infoSize != 12 && infoSize < 40)
        return false; // a header that readers take in different ways: the decoder's filled frame covers it
    if (infoSize == 12) {
        if (!bytes.has(14, 12))
            return true;
        width = qint16(bytes.u16(18));
        height = qint16(bytes.u16(20));
        bits = bytes.u16(24);
    } else {
        if (!bytes.has(14, 40))
            return true;
        width = qint32(bytes.u32(18));
        height = qint32(bytes.u32(22));
        bits = bytes.u16(28);
        compression = bytes.u32(30);
        coloursUsed = bytes.u32(46);
    }
    height = std::abs(height);
    if (width <= 0 || height <= 0 || bits == 0 || bits > 32)
        return false; // not an image any reader takes
    // Where the pixels start: the stated offset, unless it points back into the headers.
    quint64 headers = 14 + quint64(infoSize);
    if (infoSize == 40 && compression == kBmpBitfields)
        headers += 12;
    else if (infoSize == 40 && compression == kBmpAlphaBitfields)
        headers += 16;
    if (bits <= 8)
        headers += quint64(coloursUsed ? coloursUsed : 1U << bits) * (infoSize == 12 ? 3 : 4);
    if (!bytes.has(0, headers))
        return true;
    const quint64 start = std::max<quint64>(offset, headers);
    switch (compression) {
    case kBmpRle8:
        return bits == 8 && rleEndsEarly(bytes, start, width, height, false);
    case kBmpRle4:
        return bits == 4 && rleEndsEarly(bytes, start, width, height, true);
    case kBmpRgb:
    case kBmpBitfields:
    case kBmpAlphaBitfields: {
        const quint64 stride = ((quint64(width) * bits + 31) / 32) * 4;
        return !bytes.has(start, stride * quint64(height));
    }
    default:
        return false;
    }
}

// ---- GIF ----

/// Counts the pixels the LZW codes in the data sub-blocks from \a pos give, up to \a wanted, the way a
/// GIF reader takes them: after a clear code the first code is a pixel of its own; a code not yet in the
/// table repeats the previous string and its first pixel; the table stops growing at 4096 entries.
// NOLINTNEXTLINE(readability-function-cognitive-complexity): the LZW decoder's inner loop
bool lzwEndsEarly(const OrderedBytes& bytes, quint64 pos, quint64 wanted)
{
    if (wanted == 0)
        return false;
    if (!bytes.has(pos, 1))
        return true;
    const int minimumSize = bytes.at(pos++);
    if (minimumSize < 1 || minimumSize > 11)
        return false; // damaged rather than short: the reader refuses it
    constexpr int kMaxCodes = 4096;
    const int clear = 1 << minimumSize;
    const int end = clear + 1;
    std::array<quint32, kMaxCodes> length {};
    for (int i = 0; i < clear; ++i)
        length[size_t(i)] = 1;
    int codeSize = minimumSize + 1;
    int next = clear + 2;
    int previous = -1;
    quint64 pixels = 0;
    quint32 accumulator = 0;
    int bitCount = 0;
    while (bytes.has(pos, 1)) {
        const uchar blockSize = bytes.at(pos++);
        if (blockSize == 0)
            break;
        for (quint64 i = 0; i < blockSize; ++i) {
            if (!bytes.has(pos, 1))
                return pixels < wanted;
            accumulator |= quint32(bytes.at(pos++)) << bitCount;
            bitCount += 8;
            while (bitCount >= codeSize) {
                const int code = int(accumulator & ((1U << codeSize) - 1));
                accumulator >>= codeSize;
                bitCount -= codeSize;
                if (code == clear) {
                    codeSize = minimumSize + 1;
                    next = clear + 2;
                    previous = -1;
                    continue;
                }
                if (code == end)
                    return pixels < wanted;
                if (previous < 0) {
                    ++pixels;
                    previous = code;
                } else {
                    const quint32 previousLength = std::max<quint32>(length[size_t(previous)], 1);
                    pixels += code >= next ? previousLength + 1 : std::max<quint32>(length[size_t(code)], 1);
                    if (next < kMaxCodes) {
                        length[size_t(next)] = previousLength + 1;
                        ++next;
                        if (next >= (1 << codeSize) && codeSize < 12)
                            ++codeSize;
                    }
                    previous = code;
                }
                if (pixels >= wanted)
                    return false;
            }
        }
    }
    return pixels < wanted;
}

bool gifEndsEarly(const QByteArray& data)
{
    const OrderedBytes bytes(data, true);
    if (!bytes.has(0, 13))
        return true;
    const auto colourTable = [](uchar flags) { return (flags & 0x80) ? 3 * (quint64(2) << (flags & 7)) : 0; };
    quint64 pos = 13 + colourTable(bytes.at(10));
    while (bytes.has(pos, 1)) {
        const uchar introducer = bytes.at(pos);
        if (introducer == 0x2C) {
            if (!bytes.has(pos, 10))
                return true;
            const quint64 width = bytes.u16(pos + 5);
            const quint64 height = bytes.u16(pos + 7);
            pos += 10 + colourTable(bytes.at(pos + 9));
            return lzwEndsEarly(bytes, pos, width * height);
        }
        if (introducer != 0x21)
            return false; // the trailer, or no GIF any more: no frame at all
        pos += 2;
        while (true) {
            if (!bytes.has(pos, 1))
                return true;
            const uchar length = bytes.at(pos++);
            if (length == 0)
                break;
            pos += length;
        }
    }
    return true;
}

// ---- PNG ----

bool pngEndsEarly(const QByteArray& data)
{
    QByteArrayView header;
    QByteArray compressed;
    walkPngChunks(data, [&](const PngChunk& chunk) {
        if (chunk.type == QByteArrayView("IHDR"))
            header = chunk.data;
        else if (chunk.type == QByteArrayView("IDAT"))
            compressed.append(chunk.data.data(), chunk.data.size());
        return true;
    });
    if (header.size() < 13)
        return false;
    const quint64 width = qFromBigEndian<quint32>(header.data());
    const quint64 height = qFromBigEndian<quint32>(header.data() + 4);
    const int depth = uchar(header[8]);
    const int colourType = uchar(header[9]);
    const bool interlaced = header[12] != 0;
    if (width * height > quint64(kMaxDecodedPixels))
        return false; // refused for its size, unread
    int channels = 0;
    switch (colourType) {
    case 0:
    case 3:
        channels = 1;
        break;
    case 2:
        channels = 3;
        break;
    case 4:
        channels = 2;
        break;
    case 6:
        channels = 4;
        break;
    default:
        return false;
    }
    const quint64 bitsPerPixel = quint64(channels) * quint64(depth);
    // Each pass's rows, each with its filter byte; seven passes of Adam7 when interlaced.
    struct Pass
    {
        quint64 x0, y0, dx, dy;
    };
    static constexpr Pass kAdam7[] = { { 0, 0, 8, 8 }, { 4, 0, 8, 8 }, { 0, 4, 4, 8 }, { 2, 0, 4, 4 },
        { 0, 2, 2, 4 }, { 1, 0, 2, 2 }, { 0, 1, 1, 2 } };
    static constexpr Pass kWhole[] = { { 0, 0, 1, 1 } };
    const Pass* passes = interlaced ? kAdam7 : kWhole;
    const int passCount = interlaced ? 7 : 1;
    quint64 expected = 0;
    for (int p = 0; p < passCount; ++p) {
        const Pass& pass = passes[p];
        const quint64 columns = width > pass.x0 ? (width - pass.x0 + pass.dx - 1) / pass.dx : 0;
        const quint64 rows = height > pass.y0 ? (height - pass.y0 + pass.dy - 1) / pass.dy : 0;
        if (columns > 0 && rows > 0)
            expected += rows * (1 + (columns * bitsPerPixel + 7) / 8);
    }

    z_stream stream {};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef*>(compressed.data());
    stream.avail_in = uInt(compressed.size());
    std::array<Bytef, 64 * 1024> scratch {};
    quint64 inflated = 0;
    int status = Z_OK;
    while (inflated < expected && status == Z_OK) {
        stream.next_out = scratch.data();
        stream.avail_out = uInt(scratch.size());
        status = inflate(&stream, Z_NO_FLUSH);
        inflated += scratch.size() - stream.avail_out;
    }
    inflateEnd(&stream);
    // Data that is damaged rather than short is the decoder's to judge.
    return inflated < expected && status != Z_DATA_ERROR && status != Z_NEED_DICT && status != Z_MEM_ERROR;
}

// ---- TIFF ----

/// The values of entry \a entry of a classic TIFF directory (SHORT or LONG), or nothing when they lie
/// past the end of the file (\a pastEnd set then).
QList<quint32> tiffValues(const OrderedBytes& bytes, quint64 entry, bool& pastEnd)
{
    const quint32 type = bytes.u16(entry + 2);
    const quint32 count = bytes.u32(entry + 4);
    const quint64 size = type == 3 ? 2 : type == 4 ? 4 : 0;
    if (size == 0 || count == 0)
        return {};
    const quint64 total = size * count;
    const quint64 at = total <= 4 ? entry + 8 : bytes.u32(entry + 8);
    if (!bytes.has(at, total)) {
        pastEnd = true;
        return {};
    }
    QList<quint32> values;
    values.reserve(qsizetype(std::min<quint64>(count, quint64(1) << 20)));
    for (quint64 i = 0; i < count; ++i)
        values.append(size == 2 ? bytes.u16(at + 2 * i) : bytes.u32(at + 4 * i));
    return values;
}

Shortfall tiffShortfall(const QByteArray& data)
{
    if (data.size() < 8)
        return Shortfall::EndsEarly;
    const OrderedBytes bytes(data, data.at(0) == 'I');
    const quint64 directory = bytes.u32(4);
    if (!bytes.has(directory, 2))
        return Shortfall::EndsEarly;
    const quint32 entries = bytes.u16(directory);
    if (!bytes.has(directory + 2, 12 * quint64(entries)))
        return Shortfall::EndsEarly;
    bool pastEnd = false;
    QList<quint32> offsets;
    QList<quint32> counts;
    for (quint32 i = 0; i < entries; ++i) {
        const quint64 entry = directory + 2 + 12 * quint64(i);
        switch (bytes.u16(entry)) {
        case 273: // StripOffsets
        case 324: // TileOffsets
            offsets = tiffValues(bytes, entry, pastEnd);
            break;
        case 279: // StripByteCounts
        case 325: // TileByteCounts
            counts = tiffValues(bytes, entry, pastEnd);
            break;
        default:
            break;
        }
    }
    if (pastEnd)
        return Shortfall::EndsEarly;
    Shortfall shortfall = Shortfall::None;
    for (qsizetype i = 0; i < std::min(offsets.size(), counts.size()); ++i) {
        if (offsets[i] == 0 || counts[i] == 0)
            shortfall = Shortfall::Missing;
        else if (!bytes.has(offsets[i], counts[i]))
            return Shortfall::EndsEarly;
    }
    return shortfall;
}

} // namespace

QString missingPixelData(const QByteArray& data, ImageFormat format)
{
    Shortfall shortfall = Shortfall::None;
    switch (format) {
    case ImageFormat::BMP:
        shortfall = bmpEndsEarly(data) ? Shortfall::EndsEarly : Shortfall::None;
        break;
    case ImageFormat::GIF:
        shortfall = gifEndsEarly(data) ? Shortfall::EndsEarly : Shortfall::None;
        break;
    case ImageFormat::PNG:
        shortfall = pngEndsEarly(data) ? Shortfall::EndsEarly : Shortfall::None;
        break;
    case ImageFormat::TIFF:
        shortfall = tiffShortfall(data);
        break;
    case ImageFormat::JPEG:
    case ImageFormat::HEIC:
    case ImageFormat::AVIF:
    case ImageFormat::WebP:
        break;
    }
    switch (shortfall) {
    case Shortfall::None:
        break;
    case Shortfall::EndsEarly:
        return endsBeforeItsPixelsMessage();
    case Shortfall::Missing:
        return QCoreApplication::translate(
            "ConversionReasons", "Part of the image data is missing from the file");
    }
    return {};
}
