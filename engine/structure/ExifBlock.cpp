// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/ExifBlock.h"

#include "engine/structure/ByteOrder.h"
#include "engine/structure/TiffStructure.h"

#include <optional>

namespace {

constexpr quint16 kOrientationTag = 0x0112;
constexpr quint16 kShortType = 3;

/// Where the value of IFD0's Orientation lies in \a tiff and the block's byte order, when the block
/// states one as a single SHORT (the only form the tag has).
struct OrientationField
{
    qsizetype offset = 0;
    bool littleEndian = true;
};

std::optional<OrientationField> orientationField(QByteArrayView data)
{
    const TiffStructure tiff(data);
    if (!tiff.valid())
        return std::nullopt;
    const qsizetype ifd = tiff.firstDirectory();
    if (ifd < 8 || !tiff.contains(ifd, 2))
        return std::nullopt;
    const qsizetype count = tiff.u16(ifd);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype at = ifd + 2 + i * TiffStructure::kEntrySize;
        if (!tiff.contains(at, TiffStructure::kEntrySize))
            return std::nullopt;
        const TiffStructure::Entry e = tiff.entry(at);
        if (e.tag != kOrientationTag)
            continue;
        if (e.type != kShortType || e.count != 1)
            return std::nullopt;
        // A single SHORT sits at the start of the entry's value field.
        return OrientationField { e.valueAt, tiff.littleEndian() };
    }
    return std::nullopt;
}

} // namespace

int exifBlockOrientation(QByteArrayView tiff)
{
    const std::optional<OrientationField> field = orientationField(tiff);
    if (!field)
        return 0;
    const int value
        = byteorder::read16(reinterpret_cast<const uchar*>(tiff.data()) + field->offset, field->littleEndian);
    return value >= 1 && value <= 8 ? value : 0;
}

QByteArray exifBlockWithOrientation(QByteArray tiff, int orientation)
{
    if (orientation < 1 || orientation > 8)
        return tiff;
    const std::optional<OrientationField> field = orientationField(tiff);
    if (!field)
        return tiff;
    byteorder::write16(
        reinterpret_cast<uchar*>(tiff.data()) + field->offset, quint16(orientation), field->littleEndian);
    return tiff;
}
