// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/Image.h"

#include <QColorSpace>

#include <algorithm>
#include <cstring>

AlphaInfo imageAlphaInfo(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_ARGB8565_Premultiplied:
    case QImage::Format_ARGB6666_Premultiplied:
    case QImage::Format_ARGB8555_Premultiplied:
    case QImage::Format_ARGB4444_Premultiplied:
        return AlphaInfo::PremultipliedFirst;
    case QImage::Format_RGBA8888_Premultiplied:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_A2RGB30_Premultiplied:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBA32FPx4_Premultiplied:
        return AlphaInfo::PremultipliedLast;
    case QImage::Format_ARGB32:
        return AlphaInfo::First;
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_Alpha8:
        return AlphaInfo::Last;
    case QImage::Format_Indexed8:
        return image.hasAlphaChannel() ? AlphaInfo::Last : AlphaInfo::None;
    case QImage::Format_RGB32:
        return AlphaInfo::NoneSkipFirst;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBX32FPx4:
        return AlphaInfo::NoneSkipLast;
    default:
        return AlphaInfo::None;
    }
}

bool imageIsGray(const QImage& image)
{
    return image.format() == QImage::Format_Grayscale8 || image.format() == QImage::Format_Grayscale16;
}

QImage imageWithoutText(const QImage& image)
{
    if (image.textKeys().isEmpty())
        return image;
    QImage fresh(image.size(), image.format());
    if (fresh.isNull())
        return fresh;
    fresh.setColorTable(image.colorTable());
    fresh.setColorSpace(image.colorSpace());
    fresh.setDotsPerMeterX(image.dotsPerMeterX());
    fresh.setDotsPerMeterY(image.dotsPerMeterY());
    const qsizetype rowBytes = std::min(image.bytesPerLine(), fresh.bytesPerLine());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(fresh.scanLine(y), image.constScanLine(y), size_t(rowBytes));
    return fresh;
}
