// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/formats/jpeg/JpegPreview.h"

#include "engine/formats/jpeg/JpegFrame.h"

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace JpegPrivate;

namespace {

/// A block's pixel value from its quantised DC coefficient, as libjpeg's one-pixel inverse DCT gives it.
inline int sampleOf(std::int16_t dc, int quant)
{
    const qint64 value = ((qint64(dc) * quant + 4) >> 3) + 128;
    return int(std::clamp<qint64>(value, 0, 255));
}

inline uchar clamped(int value)
{
    return uchar(std::clamp(value, 0, 255));
}

} // namespace

QImage decodeJpegEighth(const QByteArray& data, Orientation orientation, qint64 maxPixels)
{
    SourceFrame frame;
    {
        Decompressor d(FatalWarnings::LostData);
        if (!readFrame(d, data, frame))
            return {};
    }
    const qint64 pixels = qint64(frame.width) * frame.height;
    const bool colour = frame.colorSpace == JCS_YCbCr && frame.components.size() == 3;
    const bool grey = frame.colorSpace == JCS_GRAYSCALE && frame.components.size() == 1;
    if (!frame.walkable || pixels <= 0 || pixels > maxPixels || (!colour && !grey))
        return {};

    // Each component's DC plane, then the scan walked once into them.
    JpegScan scan = scanOf(frame, data);
    std::vector<std::vector<std::int16_t>> planes(frame.components.size());
    for (size_t i = 0; i < frame.scan.size(); ++i) {
        const FrameComponent& component = frame.components[size_t(frame.scan[i].frameIndex)];
        std::vector<std::int16_t>& plane = planes[size_t(frame.scan[i].frameIndex)];
        plane.resize(size_t(component.widthInBlocks) * size_t(component.heightInBlocks));
        scan.components[i].dcPlane = plane.data();
    }
    if (!decodeJpegScanDc(scan))
        return {};

    const int width = (frame.width + 7) / 8;
    const int height = (frame.height + 7) / 8;
    QImage eighth(width, height, colour ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
    if (eighth.isNull())
        return {};
    // Where pixel (x, y) of the eighth takes its sample in each component's plane.
    const auto blockIndex = [&frame](size_t c, int x, int y) {
        const FrameComponent& component = frame.components[c];
        const int bx = std::min(x * component.hSampling / frame.maxHSampling, component.widthInBlocks - 1);
        const int by = std::min(y * component.vSampling / frame.maxVSampling, component.heightInBlocks - 1);
        return size_t(by) * size_t(component.widthInBlocks) + size_t(bx);
    };
    const auto quantOf
        = [&frame](size_t c) { return int((*frame.quantTables[size_t(frame.components[c].quantTable)])[0]); };
    if (grey) {
        const int quant = quantOf(0);
        for (int y = 0; y < height; ++y) {
            uchar* row = eighth.scanLine(y);
            for (int x = 0; x < width; ++x)
                row[x] = uchar(sampleOf(planes[0][blockIndex(0, x, y)], quant));
        }
    } else {
        const int quant[3] = { quantOf(0), quantOf(1), quantOf(2) };
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(eighth.scanLine(y));
            for (int x = 0; x < width; ++x) {
                // JFIF's YCbCr to RGB, in 16-bit fixed point.
                const int luma = sampleOf(planes[0][blockIndex(0, x, y)], quant[0]) << 16;
                const int cb = sampleOf(planes[1][blockIndex(1, x, y)], quant[1]) - 128;
                const int cr = sampleOf(planes[2][blockIndex(2, x, y)], quant[2]) - 128;
                constexpr int kHalf = 1 << 15;
                row[x] = qRgb(clamped((luma + 91881 * cr + kHalf) >> 16),
                    clamped((luma - 22554 * cb - 46802 * cr + kHalf) >> 16),
                    clamped((luma + 116130 * cb + kHalf) >> 16));
            }
        }
    }
    return orientation == Orientation::Normal ? eighth : turnedUpright(eighth, orientation);
}
