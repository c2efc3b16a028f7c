// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/pipeline/BitmapCanvas.h"
#include "engine/pipeline/ImageInfo.h"

#include <QRectF>

/// Turns the record's pixels upright by the orientation in its properties (the eight EXIF values) and
/// stores that value in the record's orientation. Orientation 1 leaves the pixels untouched.
void FixupImageOrientation(ImageInfo* info);

/// Draws the record's image into \a canvas: offset, rotated and scaled about the centre of \a rect,
/// the image at its own size centred in the rectangle. Leaves the canvas's state as it found it.
void IIDrawImageTransformed(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect);
/// The transform steps of IIDrawImageTransformed without the drawing and without saving the state.
void IIApplyTransformation(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect);
void IITranslateContext(const ImageInfo* info, BitmapCanvas& canvas);
void IIRotateContext(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect);
void IIScaleContext(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect);
void IIDrawImage(const ImageInfo* info, BitmapCanvas& canvas, const QRectF& rect);
