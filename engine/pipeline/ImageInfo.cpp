// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ImageInfo.h"

#include "engine/core/LibraryMessages.h"
#include "engine/formats/jpeg/JpegBands.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/pipeline/ImageDrawing.h"
#include "engine/pipeline/ImageSource.h"

#include <cmath>
#include <limits>
#include <new>

namespace {

/// The record of the source that \a open gives (a unique_ptr to an ImageSource, null when there is none).
template<typename Open> ImageInfo* createImage(const Open& open, bool fixOrientation, bool forSaving)
{
    try {
        std::unique_ptr<ImageSource> source = open();
        if (!source)
            return nullptr;
        ImageInfoPtr info(new (std::nothrow) ImageInfo);
        if (!info)
            return nullptr;
        info->properties = source->copyPropertiesAtIndex0();
        info->sourceFormat = source->format();
        info->frameCount = source->frameCount();
        info->sourceLossless = source->isLossless();

        if (forSaving && source->format() == ImageFormat::JPEG) {
            const int orientation = fixOrientation ? IIGetImageOrientation(info.get()) : 1;
            std::optional<JpegBands> bands;
            if (orientationFromExif(orientation) == Orientation::Normal)
                bands = openJpegBands(source->data(), kMaxDecodedPixels);
            if (bands) {
                // The profile cleaned as ImageSource cleans a decoded image's.
                bands->iccProfile = cleanColorProfile(bands->iccProfile);
                info->bands = std::make_shared<const JpegBands>(std::move(*bands));
                info->orientation = orientation;
                info->orientationFixed = fixOrientation;
                return info.release();
            }
        }

        if (forSaving && source->hasJpegPlanes()) {
            // A HEIF decodes upright whatever its EXIF says; a WebP relies on its EXIF orientation.
            const int orientation = fixOrientation ? IIGetImageOrientation(info.get()) : 1;
            const QSize size = source->statedSize();
            if (orientationFromExif(orientation) == Orientation::Normal && !size.isEmpty()) {
                info->source = std::shared_ptr<const ImageSource>(source.release());
                info->orientation = orientation;
                info->orientationFixed = fixOrientation;
                return info.release();
            }
        }

        std::optional<Image> image;
        if (fixOrientation && source->decodesUpright()) {
            // Turned while decoding: the same pixels as a turn afterwards, without a second full image.
            info->orientation = IIGetImageOrientation(info.get());
            image = source->createUprightImageAtIndex0(info->orientation);
        } else {
            image = source->createImageAtIndex0();
        }
        if (!image || image->isNull())
            return nullptr;
        info->image = std::move(*image);
        if (fixOrientation && !source->decodesUpright())
            FixupImageOrientation(info.get());
        info->orientationFixed = fixOrientation;
        info->reserved = 0;
        return info.release();
    } catch (const std::bad_alloc&) {
        recordLibraryMessage(QStringLiteral("out of memory"));
        return nullptr;
    } catch (...) {
        return nullptr;
    }
}

} // namespace

ImageInfo* IICreateImage(const QString& path, bool fixOrientation)
{
    return createImage([&path] { return ImageSource::createWithPath(path); }, fixOrientation, false);
}

ImageInfo* IICreateImageWithData(QByteArray data, bool fixOrientation)
{
    return createImage(
        [&data] { return ImageSource::createWithData(std::move(data)); }, fixOrientation, false);
}

ImageInfo* IICreateImageForSaving(const QString& path, bool fixOrientation)
{
    return createImage([&path] { return ImageSource::createWithPath(path); }, fixOrientation, true);
}

QSize IIGetImageSize(const ImageInfo* info)
{
    if (!info)
        return {};
    if (info->image.isNull() && info->bands)
        return info->bands->size;
    if (info->image.isNull() && info->source)
        return info->source->statedSize();
    return info->image.pixels.size();
}

int IIGetImageOrientation(const ImageInfo* info)
{
    if (!info || !info->properties)
        return 1;
    const PropertyValue* value = info->properties->find(kCGImagePropertyOrientation);
    if (!value)
        return 1;
    if (const auto* i = std::get_if<std::int64_t>(value)) {
        if (*i >= std::numeric_limits<int>::min() && *i <= std::numeric_limits<int>::max())
            return int(*i);
        return 1;
    }
    if (const auto* d = std::get_if<double>(value); d && std::isfinite(*d) && std::fabs(*d) < 2147483647.0)
        return int(*d);
    return 1;
}

void IIRelease(ImageInfo* info)
{
    delete info;
}
