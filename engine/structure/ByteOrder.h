// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Integers in a file's byte order, and a view of a file's bytes that checks every read against its size.
// The one place the engine's walkers of TIFF, EXIF, BMP and GIF structures read numbers from.

#include <QByteArrayView>
#include <QtGlobal>

namespace byteorder {

[[nodiscard]] inline quint16 read16(const uchar* p, bool littleEndian)
{
    return littleEndian ? quint16(p[0] | p[1] << 8) : quint16(p[0] << 8 | p[1]);
}
[[nodiscard]] inline quint32 read32(const uchar* p, bool littleEndian)
{
    return littleEndian ? quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24
                        : quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}
inline void write16(uchar* p, quint16 value, bool littleEndian)
{
    p[littleEndian ? 0 : 1] = uchar(value & 0xFF);
    p[littleEndian ? 1 : 0] = uchar(value >> 8);
}
inline void write32(uchar* p, quint32 value, bool littleEndian)
{
    for (int i = 0; i < 4; ++i)
        p[littleEndian ? i : 3 - i] = uchar(value >> (8 * i));
}

} // namespace byteorder

/// A file's bytes read in one byte order. has() says whether a range lies inside them; at(), u16() and
/// u32() read without a check, after has() said yes.
class OrderedBytes
{
public:
    OrderedBytes(QByteArrayView data, bool littleEndian)
        : m_data(reinterpret_cast<const uchar*>(data.data()))
        , m_size(quint64(data.size()))
        , m_little(littleEndian)
    { }

    [[nodiscard]] quint64 size() const { return m_size; }
    [[nodiscard]] bool has(quint64 offset, quint64 count) const
    {
        return offset <= m_size && count <= m_size - offset;
    }
    [[nodiscard]] uchar at(quint64 offset) const { return m_data[offset]; }
    [[nodiscard]] quint32 u16(quint64 offset) const { return byteorder::read16(m_data + offset, m_little); }
    [[nodiscard]] quint32 u32(quint64 offset) const { return byteorder::read32(m_data + offset, m_little); }

private:
    const uchar* m_data;
    quint64 m_size;
    bool m_little;
};
