// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ImageWrapper.h"

#include "engine/core/NativePath.h"
#include "engine/pipeline/ImageSaving.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Float to int toward zero, saturating instead of overflowing; not-a-number gives 0.
int truncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(value);
}

// The nearest whole pixel, an exact half going up.
int roundHalfUp(float value)
{
    return truncateToInt(double(value) + 0.5);
}

// The quality on the scale 0 to 100 as the encoder's fraction, clamped to 0.0 to 1.0.
float encoderQuality(float quality)
{
    return std::max(0.0f, std::min(100.0f, quality)) / 100.0f;
}

} // namespace

QString ImageWrapper::CFURLFromString(const QString& path)
{
    if (path.isEmpty())
        return {};
    return absolutePath(path);
}

bool ImageWrapper::load(const QString& path, bool FixupOrientation)
{
    m_imgInfo.reset();
    m_imgInfo.reset(IICreateImageForSaving(CFURLFromString(path), FixupOrientation));
    return m_imgInfo != nullptr;
}

ImageFormat ImageWrapper::GetImageTypeFromPath(const QString& path)
{
    // An output's bytes match its name: both spellings of JPEG and TIFF, whatever other programs expect.
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        return kUTTypeJPEG;
    if (extension == QLatin1String("bmp"))
        return kUTTypeBMP;
    if (extension == QLatin1String("png"))
        return kUTTypePNG;
    if (extension == QLatin1String("gif"))
        return kUTTypeGIF;
    if (extension == QLatin1String("tif") || extension == QLatin1String("tiff"))
        return kUTTypeTIFF;
    if (extension == QLatin1String("heic") || extension == QLatin1String("heif")
        || extension == QLatin1String("hif"))
        return kUTTypeHEIC;
    if (extension == QLatin1String("avif"))
        return kUTTypeAVIF;
    if (extension == QLatin1String("webp"))
        return kUTTypeWebP;
    return kUTTypeJPEG;
}

bool ImageWrapper::save(const QString& path, bool withExif)
{
    if (!m_imgInfo)
        return true;
    const QString url = CFURLFromString(path);
    const ImageFormat type = GetImageTypeFromPath(path);
    const float quality = encoderQuality(m_quality);
    // A negative size converts to a huge one, which the engine refuses like a zero side.
    return IISaveImage(m_imgInfo.get(), url, std::size_t(std::max(m_newWidth, 0)),
        std::size_t(std::max(m_newHeight, 0)), type, withExif, quality);
}

bool ImageWrapper::save(WorkFile& file, const QString& outputName, bool withExif)
{
    if (!m_imgInfo)
        return true;
    return IISaveImageToWorkFile(m_imgInfo.get(), file, std::size_t(std::max(m_newWidth, 0)),
        std::size_t(std::max(m_newHeight, 0)), GetImageTypeFromPath(outputName), withExif,
        encoderQuality(m_quality));
}

void ImageWrapper::resizeToWidth(int w, int Height, bool KeepAspect)
{
    if (!m_imgInfo)
        return;
    const int h = Height;
    const QSize imageSize = IIGetImageSize(m_imgInfo.get());
    const int imageWidth = imageSize.width();
    const int imageHeight = imageSize.height();
    const float ratio = float(imageWidth) / float(imageHeight);
    if (!KeepAspect) {
        m_newWidth = w;
        m_newHeight = h;
    } else if (w >= h) {
        m_newWidth = w;
        m_newHeight = roundHalfUp(float(w) / ratio);
        if (m_newHeight > h) {
            m_newHeight = h;
            m_newWidth = roundHalfUp(float(h) * ratio);
        }
    } else {
        m_newHeight = h;
        m_newWidth = roundHalfUp(float(h) * ratio);
        if (m_newWidth > w) {
            m_newWidth = w;
            m_newHeight = roundHalfUp(float(w) / ratio);
        }
    }
    m_imgInfo->scaleX = float(m_newWidth) / float(imageWidth);
    m_imgInfo->scaleY = float(m_newHeight) / float(imageHeight);
}

void ImageWrapper::resizeToPercentOfWidth(float pw, float Height)
{
    if (!m_imgInfo)
        return;
    const QSize imageSize = IIGetImageSize(m_imgInfo.get());
    m_newWidth = truncateToInt(float(imageSize.width()) * pw);
    m_newHeight = truncateToInt(float(imageSize.height()) * Height);
    m_imgInfo->scaleX = pw;
    m_imgInfo->scaleY = Height;
}
