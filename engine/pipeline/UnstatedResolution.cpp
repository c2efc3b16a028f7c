// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/UnstatedResolution.h"

#include "engine/core/DescriptorIo.h"
#include "engine/structure/ByteOrder.h"

#include <QtEndian>

#include <algorithm>
#include <array>

namespace {

bool readAt(int fd, void* buffer, size_t size, off_t offset)
{
    return readFully(fd, buffer, size, offset).bytes == size;
}

bool writeAt(int fd, const void* buffer, size_t size, off_t offset)
{
    return writeFully(fd, buffer, size, offset).error == 0;
}

constexpr quint16 kTiffShort = 3;
constexpr quint16 kTiffRational = 5;
constexpr quint16 kXResolution = 282;
constexpr quint16 kYResolution = 283;
constexpr quint16 kResolutionUnit = 296;
constexpr quint16 kUnitNone = 1;

} // namespace

bool clearBmpResolution(int fd)
{
    // The file header (14 bytes), then an info header whose first field is its own size; the resolution
    // follows at offset 24 of every info header of 40 bytes or more.
    std::array<uchar, 4> infoSize {};
    if (!readAt(fd, infoSize.data(), infoSize.size(), 14))
        return false;
    if (qFromLittleEndian<quint32>(infoSize.data()) < 40)
        return false;
    const std::array<uchar, 8> zero {};
    return writeAt(fd, zero.data(), zero.size(), 14 + 24);
}

bool clearTiffResolution(int fd)
{
    std::array<uchar, 8> header {};
    if (!readAt(fd, header.data(), header.size(), 0))
        return false;
    if (!(header[0] == 'M' && header[1] == 'M') && !(header[0] == 'I' && header[1] == 'I'))
        return false;
    const bool little = header[0] == 'I';
    const off_t directory = off_t(byteorder::read32(header.data() + 4, little));
    std::array<uchar, 2> countBytes {};
    if (!readAt(fd, countBytes.data(), countBytes.size(), directory))
        return false;
    const quint32 count = byteorder::read16(countBytes.data(), little);

    off_t unitEntry = -1;
    std::array<off_t, 2> rationals { -1, -1 };
    for (quint32 i = 0; i < count; ++i) {
        const off_t entryOffset = directory + 2 + off_t(i) * 12;
        std::array<uchar, 12> entry {};
        if (!readAt(fd, entry.data(), entry.size(), entryOffset))
            return false;
        const quint32 tag = byteorder::read16(entry.data(), little);
        const quint32 type = byteorder::read16(entry.data() + 2, little);
        const quint32 valueCount = byteorder::read32(entry.data() + 4, little);
        if (tag == kResolutionUnit && type == kTiffShort && valueCount == 1)
            unitEntry = entryOffset;
        else if ((tag == kXResolution || tag == kYResolution) && type == kTiffRational && valueCount == 1)
            rationals[tag - kXResolution] = off_t(byteorder::read32(entry.data() + 8, little));
    }
    if (unitEntry < 0 || rationals[0] < 0 || rationals[1] < 0)
        return false;

    std::array<uchar, 4> unit {};
    byteorder::write16(unit.data(), kUnitNone, little);
    std::array<uchar, 8> oneToOne {};
    byteorder::write32(oneToOne.data(), 1, little);
    byteorder::write32(oneToOne.data() + 4, 1, little);
    return writeAt(fd, unit.data(), unit.size(), unitEntry + 8)
        && writeAt(fd, oneToOne.data(), oneToOne.size(), rationals[0])
        && writeAt(fd, oneToOne.data(), oneToOne.size(), rationals[1]);
}
