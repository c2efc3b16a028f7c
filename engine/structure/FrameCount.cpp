// SPDX-License-Identifier: GPL-3.0-or-later
// Counting the pages of a TIFF and the frames of a GIF or an animated PNG by walking their structure, without
// decoding.
#include "engine/structure/FrameCount.h"

#include "engine/structure/ByteOrder.h"
#include "engine/structure/PngChunks.h"
#include "engine/structure/TiffStructure.h"

#include <QSet>

#include <algorithm>
#include <limits>

namespace {

// A page count above this is taken as a loop or garbage, not a document.
constexpr int kMaxCounted = 100000;

// The image descriptors of a GIF, walking past colour tables, extensions and data sub-blocks.
int countGifFrames(const QByteArray& data)
{
    const OrderedBytes bytes(data, true);
    if (!bytes.has(0, 13))
        return 1;
    const auto colourTable = [](uchar flags) { return (flags & 0x80) ? 3 * (quint64(2) << (flags & 7)) : 0; };
    quint64 pos = 13 + colourTable(bytes.at(10));
    // Past a chain of data sub-blocks; false when the data ends first.
    const auto skipSubBlocks = [&] {
        while (bytes.has(pos, 1)) {
            const uchar length = bytes.at(pos++);
            if (length == 0)
                return true;
            pos += length;
        }
        return false;
    };
    int frames = 0;
    while (bytes.has(pos, 1) && frames < kMaxCounted) {
        const uchar introducer = bytes.at(pos);
        if (introducer == 0x2C) {
            if (!bytes.has(pos, 11))
                break;
            ++frames;
            pos += 10 + colourTable(bytes.at(pos + 9)) + 1; // descriptor, table, LZW code size
            if (!skipSubBlocks())
                break;
        } else if (introducer == 0x21) {
            pos += 2;
            if (!skipSubBlocks())
                break;
        } else {
            break; // the trailer, or data that is no longer a GIF
        }
    }
    return std::max(frames, 1);
}

// The frames an animation control before the image data states (an animated PNG), else 1.
int countPngFrames(const QByteArray& data)
{
    quint32 frames = 1;
    (void)walkPngChunks(data, [&frames](const PngChunk& chunk) {
        if (chunk.type == QByteArrayView("acTL") && chunk.data.size() == 8) {
            frames = qFromBigEndian<quint32>(chunk.data.data());
            return false;
        }
        return chunk.type != QByteArrayView("IDAT");
    });
    return int(std::clamp<quint32>(frames, 1, kMaxCounted));
}

} // namespace

int countFrames(const QByteArray& data, ImageFormat format)
{
    switch (format) {
    case ImageFormat::TIFF:
        return std::max(int(tiffPageDirectories(data).size()), 1);
    case ImageFormat::GIF:
        return countGifFrames(data);
    case ImageFormat::PNG:
        return countPngFrames(data);
    default:
        return 1;
    }
}

// The IFD chain of a classic TIFF. Reduced-resolution images (thumbnails) and transparency masks are
// not pages: NewSubfileType bits 0 and 2, or the old SubfileType 2.
QList<TiffPageDirectory> tiffPageDirectories(const QByteArray& data)
{
    QList<TiffPageDirectory> pages;
    const TiffStructure tiff(data);
    if (!tiff.valid())
        return pages;
    QSet<qsizetype> visited;
    for (qsizetype offset = tiff.firstDirectory(); offset != 0 && visited.size() < kMaxCounted;) {
        if (visited.contains(offset) || !tiff.contains(offset, 2))
            break;
        visited.insert(offset);
        const qsizetype entries = tiff.u16(offset);
        bool page = true;
        qint64 width = -1;
        qint64 height = -1;
        for (qsizetype i = 0; i < entries; ++i) {
            const qsizetype at = offset + 2 + TiffStructure::kEntrySize * i;
            if (!tiff.contains(at, TiffStructure::kEntrySize))
                break;
            const TiffStructure::Entry e = tiff.entry(at);
            const quint32 value = tiff.firstValue(e);
            if ((e.tag == 254 && (value & 5) != 0) || (e.tag == 255 && value == 2))
                page = false;
            else if (e.tag == 256)
                width = value;
            else if (e.tag == 257)
                height = value;
        }
        if (page) {
            const bool sized = width > 0 && height > 0 && width <= std::numeric_limits<int>::max()
                && height <= std::numeric_limits<int>::max();
            pages.append({ offset, sized ? QSize(int(width), int(height)) : QSize() });
        }
        const qsizetype next = offset + 2 + TiffStructure::kEntrySize * entries;
        if (!tiff.contains(next, 4))
            break;
        offset = tiff.u32(next);
    }
    return pages;
}
