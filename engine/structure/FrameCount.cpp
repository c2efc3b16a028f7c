// SPDX-License-Identifier: GPL-3.0-or-later
// Counting the pages of a TIFF and the frames of a GIF by walking their structure, without decoding.
#include "engine/structure/FrameCount.h"

#include <QSet>

namespace {

// A page count above this is taken as a loop or garbage, not a document.
constexpr int kMaxCounted = 100000;

class Bytes
{
public:
    Bytes(const QByteArray& data, bool littleEndian)
        : m_data(reinterpret_cast<const uchar*>(data.constData()))
        , m_size(quint64(data.size()))
        , m_little(littleEndian)
    { }

    [[nodiscard]] bool has(quint64 offset, quint64 count) const
    {
        return offset <= m_size && count <= m_size - offset;
    }
    [[nodiscard]] uchar at(quint64 offset) const { return m_data[offset]; }
    [[nodiscard]] quint32 u16(quint64 offset) const
    {
        return m_little ? quint32(m_data[offset]) | quint32(m_data[offset + 1]) << 8
                        : quint32(m_data[offset]) << 8 | quint32(m_data[offset + 1]);
    }
    [[nodiscard]] quint32 u32(quint64 offset) const
    {
        return m_little ? u16(offset) | u16(offset + 2) << 16 : u16(offset) << 16 | u16(offset + 2);
    }

private:
    const uchar* m_data;
    quint64 m_size;
    bool m_little;
};

// The IFD chain of a classic TIFF. Reduced-resolution images (thumbnails) and transparency masks are
// not pages: NewSubfileType bits 0 and 2, or the old SubfileType 2.
int countTiffPages(const QByteArray& data)
{
    if (data.size() < 8)
        return 1;
    const Bytes bytes(data, data.at(0) == 'I');
    int pages = 0;
    QSet<quint32> visited;
    for (quint32 offset = bytes.u32(4); offset != 0 && visited.size() < kMaxCounted;) {
        if (visited.contains(offset) || !bytes.has(offset, 2))
            break;
        visited.insert(offset);
        const quint32 entries = bytes.u16(offset);
        bool page = true;
        for (quint32 i = 0; i < entries && bytes.has(offset + 2 + 12 * quint64(i), 12); ++i) {
            const quint64 entry = offset + 2 + 12 * quint64(i);
            const quint32 tag = bytes.u16(entry);
            const quint32 type = bytes.u16(entry + 2);
            const quint32 value = type == 3 ? bytes.u16(entry + 8) : bytes.u32(entry + 8);
            if ((tag == 254 && (value & 5) != 0) || (tag == 255 && value == 2))
                page = false;
        }
        if (page)
            ++pages;
        const quint64 next = offset + 2 + 12 * quint64(entries);
        if (!bytes.has(next, 4))
            break;
        offset = bytes.u32(next);
    }
    return std::max(pages, 1);
}

// The image descriptors of a GIF, walking past colour tables, extensions and data sub-blocks.
int countGifFrames(const QByteArray& data)
{
    const Bytes bytes(data, true);
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

} // namespace

int countFrames(const QByteArray& data, ImageFormat format)
{
    switch (format) {
    case ImageFormat::TIFF:
        return countTiffPages(data);
    case ImageFormat::GIF:
        return countGifFrames(data);
    default:
        return 1;
    }
}
