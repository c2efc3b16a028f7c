// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/ExifBlock.h"

#include <optional>

namespace {

constexpr quint16 kOrientationTag = 0x0112;
constexpr quint16 kShortType = 3;
constexpr qsizetype kEntrySize = 12;

/// Where the value of IFD0's Orientation lies in \a tiff and the block's byte order, when the block
/// states one as a single SHORT (the only form the tag has).
struct OrientationField
{
    qsizetype offset = 0;
    bool bigEndian = false;
};

quint16 read16(QByteArrayView data, qsizetype at, bool bigEndian)
{
    const auto b0 = quint16(uchar(data[at])), b1 = quint16(uchar(data[at + 1]));
    return bigEndian ? quint16(b0 << 8 | b1) : quint16(b1 << 8 | b0);
}

quint32 read32(QByteArrayView data, qsizetype at, bool bigEndian)
{
    const quint32 high = read16(data, at, bigEndian), low = read16(data, at + 2, bigEndian);
    return bigEndian ? (high << 16 | low) : (low << 16 | high);
}

std::optional<OrientationField> orientationField(QByteArrayView tiff)
{
    if (tiff.size() < 8)
        return std::nullopt;
    bool bigEndian = false;
    if (tiff.startsWith(QByteArrayView("MM\0*", 4)))
        bigEndian = true;
    else if (!tiff.startsWith(QByteArrayView("II*\0", 4)))
        return std::nullopt;
    const quint32 ifd = read32(tiff, 4, bigEndian);
    if (ifd < 8 || qint64(ifd) + 2 > tiff.size())
        return std::nullopt;
    const int count = read16(tiff, ifd, bigEndian);
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = qsizetype(ifd) + 2 + i * kEntrySize;
        if (entry + kEntrySize > tiff.size())
            return std::nullopt;
        if (read16(tiff, entry, bigEndian) != kOrientationTag)
            continue;
        if (read16(tiff, entry + 2, bigEndian) != kShortType || read32(tiff, entry + 4, bigEndian) != 1)
            return std::nullopt;
        // A single SHORT sits at the start of the entry's value field.
        return OrientationField { entry + 8, bigEndian };
    }
    return std::nullopt;
}

} // namespace

int exifBlockOrientation(QByteArrayView tiff)
{
    const std::optional<OrientationField> field = orientationField(tiff);
    if (!field)
        return 0;
    const int value = read16(tiff, field->offset, field->bigEndian);
    return value >= 1 && value <= 8 ? value : 0;
}

QByteArray exifBlockWithOrientation(QByteArray tiff, int orientation)
{
    if (orientation < 1 || orientation > 8)
        return tiff;
    const std::optional<OrientationField> field = orientationField(tiff);
    if (!field)
        return tiff;
    const auto value = quint16(orientation);
    tiff[field->offset] = char(field->bigEndian ? value >> 8 : value & 0xFF);
    tiff[field->offset + 1] = char(field->bigEndian ? value & 0xFF : value >> 8);
    return tiff;
}
