// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/Image.h"

#include <QColorSpace>
#include <QRectF>
#include <QTransform>

#include <memory>
#include <vector>

/// A bitmap of 8 bits per component that images are drawn into through a current transform, with the
/// origin at the lower left and y growing upwards. The transform starts as the identity, changes by
/// translate/rotate/scale/concat and is saved and restored on a stack. The canvas owns its pixels.
/// One thread at a time.
class BitmapCanvas
{
public:
    /// A canvas of \a width x \a height pixels, cleared to transparent black (opaque black without
    /// alpha), in the colour space of \a iccProfile. Returns null for a zero side, an alpha layout the
    /// canvas does not draw into (First, Last, PremultipliedLast: straight or reversed alpha) or when the
    /// pixels cannot be allocated.
    [[nodiscard]] static std::unique_ptr<BitmapCanvas> create(
        int width, int height, const QByteArray& iccProfile, AlphaInfo alphaInfo, bool gray = false);

    [[nodiscard]] int width() const { return m_size.width(); }
    [[nodiscard]] int height() const { return m_size.height(); }

    void saveState();
    void restoreState();
    void translate(double tx, double ty);
    void rotate(double radians);
    void scale(double sx, double sy);
    /// Prepends \a transform (a, b, c, d, tx, ty) to the current transform, as CGContextConcatCTM does.
    void concat(const QTransform& transform);

    /// Draws \a image so that it fills \a rect in user space, its top row at the rectangle's top edge.
    void drawImage(const QRectF& rect, const Image& image);

    /// The canvas's pixels as a new image, with the canvas's colour profile. Null when the pixels could
    /// not be allocated.
    [[nodiscard]] Image makeImage();

private:
    BitmapCanvas() = default;

    /// The pixels, allocated and cleared on first need: a draw that covers the canvas exactly with whole
    /// pixels takes the image's own instead, and then no canvas memory is ever touched.
    bool ensurePixels();

    QSize m_size;
    QImage::Format m_format = QImage::Format_RGB32;
    QColorSpace m_colorSpace;
    QImage m_pixels;
    QByteArray m_iccProfile;
    QTransform m_ctm;
    std::vector<QTransform> m_savedStates;
    bool m_untouched = true; ///< nothing drawn yet: a full-cover draw may replace the pixels outright
};
