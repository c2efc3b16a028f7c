// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/TiffStructure.h"

#include "engine/structure/ByteOrder.h"

#include <algorithm>
#include <array>
#include <limits>

TiffStructure::TiffStructure(QByteArrayView data)
    : m_data(data)
{
    if (data.size() >= 8 && (data.startsWith("II") || data.startsWith("MM"))) {
        m_littleEndian = data[0] == 'I';
        m_valid = u16(2) == 42;
    }
}

quint32 TiffStructure::u16(qsizetype at) const
{
    if (!contains(at, 2))
        return 0;
    return byteorder::read16(reinterpret_cast<const uchar*>(m_data.data()) + at, m_littleEndian);
}

quint32 TiffStructure::u32(qsizetype at) const
{
    if (!contains(at, 4))
        return 0;
    return byteorder::read32(reinterpret_cast<const uchar*>(m_data.data()) + at, m_littleEndian);
}

TiffStructure::Entry TiffStructure::entry(qsizetype at) const
{
    static constexpr std::array<qsizetype, 19> kTypeSizes
        = { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 0, 0, 8, 8, 8 };
    Entry e { u16(at), u16(at + 2), u32(at + 4), at + 8, 0 };
    const qsizetype unit = e.type < kTypeSizes.size() ? kTypeSizes[e.type] : 1;
    e.valueSize = qsizetype(std::min<quint64>(quint64(e.count) * quint64(std::max<qsizetype>(unit, 1)),
        quint64(std::numeric_limits<quint32>::max())));
    if (e.valueSize > 4)
        e.valueAt = u32(at + 8);
    return e;
}
