// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ImageDrawing.h"

#include "engine/core/Orientation.h"

namespace {

constexpr double kPi = 3.141592653589793;

// The canvas an upright copy is drawn into keeps the source's kind of pixels: grey stays grey, opaque
// stays opaque, anything with alpha gets premultiplied alpha (what drawing composes with).
AlphaInfo canvasAlphaFor(const QImage& image)
{
    return image.hasAlphaChannel() ? AlphaInfo::PremultipliedFirst : AlphaInfo::NoneSkipFirst;
}

} // namespace

void FixupImageOrientation(ImageInfo* info)
{
    if (!info)
        return;
    info->orientation = IIGetImageOrientation(info);
    // Values outside 1..8 name no turn: the pixels stay as stored (and are written with orientation 1).
    const Orientation orientation = orientationFromExif(info->orientation);
    if (orientation == Orientation::Normal)
        return;

    const QImage& pixels = info->image.pixels;
    const int width = pixels.width();
    const int height = pixels.height();
    const QSize upright = uprightSize(orientation, pixels.size());
    const bool gray = imageIsGray(pixels) && !pixels.hasAlphaChannel();
    std::unique_ptr<BitmapCanvas> canvas = BitmapCanvas::create(
        upright.width(), upright.height(), info->image.iccProfile, canvasAlphaFor(pixels), gray);
    if (!canvas)
        return; // the decoded image stays: callers need a valid image more than an upright one
    canvas->concat(uprightTransformYUp(orientation, width, height));
    canvas->drawImage(QRectF(0, 0, width, height), info->image);
    Image turned = canvas->makeImage();
    if (!turned.isNull())
        info->image = std::move(turned);
}

void IITranslateContext(const ImageInfo* info, BitmapCanvas& canvas)
{
    canvas.translate(info->translateX, info->translateY);
}

void IIRotateContext(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect)
{
    canvas.translate(rect.width() * 0.5, rect.height() * 0.5);
    canvas.rotate(CGFloat(info->rotation * kPi / 180.0));
    canvas.translate(rect.width() * -0.5, rect.height() * -0.5);
}

void IIScaleContext(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect)
{
    canvas.translate(rect.width() * 0.5, rect.height() * 0.5);
    canvas.scale(info->scaleX, info->scaleY);
    canvas.translate(rect.width() * -0.5, rect.height() * -0.5);
}

void IIDrawImage(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect)
{
    const double imageWidth = info->image.width();
    const double imageHeight = info->image.height();
    canvas.drawImage(QRectF((rect.width() - imageWidth) * 0.5, (rect.height() - imageHeight) * 0.5,
                         imageWidth, imageHeight),
        info->image);
}

void IIApplyTransformation(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect)
{
    IITranslateContext(info, canvas);
    IIRotateContext(info, canvas, rect);
    IIScaleContext(info, canvas, rect);
}

void IIDrawImageTransformed(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect)
{
    if (!info)
        return;
    canvas.saveState();
    IIApplyTransformation(info, canvas, rect);
    IIDrawImage(info, canvas, rect);
    canvas.restoreState();
}
