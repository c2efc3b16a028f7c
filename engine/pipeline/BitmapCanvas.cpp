// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/BitmapCanvas.h"

#include "engine/core/LibraryMessages.h"
#include "engine/core/Orientation.h"

#include <QColorSpace>
#include <QPainter>

#include <cmath>
#include <cstring>

namespace {

// Qt's raster engine puts the origin at the top left with y growing downwards; the canvas's user
// space has it at the lower left. This maps canvas device space onto Qt's.
QTransform deviceFlip(int height)
{
    return QTransform(1, 0, 0, -1, 0, height);
}

bool isUnit(double v)
{
    return v == 1.0 || v == -1.0;
}

bool isWhole(double v)
{
    return std::isfinite(v) && v == std::floor(v);
}

} // namespace

std::unique_ptr<BitmapCanvas> BitmapCanvas::create(
    int width, int height, const QByteArray& iccProfile, AlphaInfo alphaInfo, bool gray)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    QImage::Format format;
    switch (alphaInfo) {
    case AlphaInfo::PremultipliedFirst:
        format = QImage::Format_ARGB32_Premultiplied;
        break;
    case AlphaInfo::None:
    case AlphaInfo::NoneSkipFirst:
    case AlphaInfo::NoneSkipLast:
        format = gray ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
        break;
    default:
        // Straight and reversed alpha layouts are not drawn into.
        return nullptr;
    }
    // Refuse what could never be allocated now rather than at the first draw.
    const qint64 bytes = qint64(width) * height * (format == QImage::Format_Grayscale8 ? 1 : 4);
    if (bytes > (qint64(1) << 34))
        return nullptr;
    std::unique_ptr<BitmapCanvas> canvas(new BitmapCanvas);
    canvas->m_size = QSize(width, height);
    canvas->m_format = format;
    canvas->m_iccProfile = iccProfile;
    if (!iccProfile.isEmpty()) {
        const QColorSpace colorSpace = QColorSpace::fromIccProfile(iccProfile);
        if (colorSpace.isValid())
            canvas->m_colorSpace = colorSpace;
    }
    return canvas;
}

bool BitmapCanvas::ensurePixels()
{
    if (!m_pixels.isNull())
        return true;
    m_pixels = QImage(m_size, m_format);
    if (m_pixels.isNull()) {
        recordLibraryMessage(QStringLiteral("out of memory"));
        return false;
    }
    m_pixels.fill(0);
    if (m_colorSpace.isValid())
        m_pixels.setColorSpace(m_colorSpace);
    return true;
}

void BitmapCanvas::saveState()
{
    m_savedStates.push_back(m_ctm);
}

void BitmapCanvas::restoreState()
{
    if (m_savedStates.empty())
        return;
    m_ctm = m_savedStates.back();
    m_savedStates.pop_back();
}

void BitmapCanvas::translate(double tx, double ty)
{
    m_ctm = QTransform::fromTranslate(tx, ty) * m_ctm;
}

void BitmapCanvas::rotate(double radians)
{
    m_ctm = QTransform().rotateRadians(radians) * m_ctm;
}

void BitmapCanvas::scale(double sx, double sy)
{
    m_ctm = QTransform::fromScale(sx, sy) * m_ctm;
}

void BitmapCanvas::concat(const QTransform& transform)
{
    m_ctm = transform * m_ctm;
}

void BitmapCanvas::drawImage(const QRectF& rect, const Image& image)
{
    if (image.isNull() || rect.isEmpty())
        return;
    const QImage& source = image.pixels;
    // Image pixels -> the rectangle in user space (top row at the rectangle's top edge) -> device.
    const QTransform imageToRect
        = QTransform::fromScale(rect.width() / source.width(), rect.height() / source.height())
        * QTransform(1, 0, 0, -1, rect.x(), rect.y() + rect.height());
    const QTransform full = imageToRect * m_ctm * deviceFlip(m_size.height());

    // Whole pixels onto whole pixels covering the canvas exactly: move them instead of resampling.
    const bool permutation = (isUnit(full.m11()) && isUnit(full.m22()) && full.m12() == 0 && full.m21() == 0)
        || (isUnit(full.m12()) && isUnit(full.m21()) && full.m11() == 0 && full.m22() == 0);
    if (m_untouched && permutation && full.type() <= QTransform::TxRotate && isWhole(full.dx())
        && isWhole(full.dy())
        && full.mapRect(QRectF(source.rect())) == QRectF(QPointF(0, 0), QSizeF(m_size))) {
        QImage moved = turnedUpright(source, orientationOfPermutation(full));
        if (moved.format() != m_format)
            moved.convertTo(m_format);
        if (!moved.isNull())
            moved = imageWithoutText(moved);
        if (!moved.isNull()) {
            if (m_colorSpace.isValid() && moved.colorSpace() != m_colorSpace)
                moved.setColorSpace(m_colorSpace);
            m_pixels = std::move(moved);
            m_untouched = false;
            return;
        }
    }

    m_untouched = false;
    if (!ensurePixels())
        return;
    QPainter painter(&m_pixels);
    if (!painter.isActive())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setTransform(full);
    painter.drawImage(QRectF(source.rect()), source);
}

Image BitmapCanvas::makeImage()
{
    if (!ensurePixels())
        return {};
    return Image { m_pixels, m_iccProfile };
}
