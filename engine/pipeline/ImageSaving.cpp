// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ImageSaving.h"

#include "engine/formats/jpeg/JpegBands.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/pipeline/BitmapCanvas.h"
#include "engine/pipeline/ImageDestination.h"
#include "engine/pipeline/ImageDrawing.h"

#include <limits>

std::atomic<bool> isRunningOnSnowLeopardOrLater { true };

namespace {

// Straight alpha is drawn into premultiplied pixels: a canvas with the source's exact alpha layout
// would refuse it and leave the file unwritten.
AlphaInfo saveCanvasAlpha(const QImage& image)
{
    const AlphaInfo alpha = imageAlphaInfo(image);
    switch (alpha) {
    case AlphaInfo::None:
    case AlphaInfo::NoneSkipFirst:
    case AlphaInfo::NoneSkipLast:
        return alpha;
    default:
        return AlphaInfo::PremultipliedFirst;
    }
}

PropertyDictionary propertySetFor(const ImageInfo* info, bool withExif)
{
    if (!info->properties)
        return {};
    if (withExif)
        return *info->properties;
    PropertyDictionary set;
    for (const std::string& key : { kCGImagePropertyDPIWidth, kCGImagePropertyDPIHeight }) {
        if (const PropertyValue* value = info->properties->find(key))
            set.set(key, *value);
    }
    return set;
}

} // namespace

namespace {

bool sizeIsDrawable(std::size_t width, std::size_t height)
{
    return width != 0 && height != 0 && width <= std::size_t(std::numeric_limits<int>::max())
        && height <= std::size_t(std::numeric_limits<int>::max())
        && double(width) * double(height) <= double(kMaxDecodedPixels);
}

/// Whether drawing the record at \a width x \a height moves no pixel: its own size, no scale, no turn, no
/// offset. The canvas then takes the decoded pixels as they are.
bool drawsUnchanged(const ImageInfo* info, std::size_t width, std::size_t height)
{
    const QSize size = IIGetImageSize(info);
    return width == std::size_t(size.width()) && height == std::size_t(size.height()) && info->scaleX == 1.0
        && info->scaleY == 1.0 && info->rotation == 0 && info->translateX == 0 && info->translateY == 0;
}

/// The decoded record drawn into the canvas that a save hands its writer; null when there is no canvas.
std::optional<Image> drawnForSaving(const ImageInfo* info, std::size_t width, std::size_t height)
{
    const QImage& pixels = info->image.pixels;
    const AlphaInfo alpha = saveCanvasAlpha(pixels);
    const bool gray = imageIsGray(pixels) && alpha != AlphaInfo::PremultipliedFirst;
    std::unique_ptr<BitmapCanvas> canvas
        = BitmapCanvas::create(int(width), int(height), info->image.iccProfile, alpha, gray);
    if (!canvas)
        return std::nullopt;
    IIDrawImageTransformed(info, *canvas, QRectF(0, 0, double(width), double(height)));
    return canvas->makeImage();
}

bool saveTo(std::unique_ptr<ImageDestination> destination, const ImageInfo* info, std::size_t width,
    std::size_t height, ImageFormat type, bool withExif, float quality)
{
    PropertyDictionary properties = propertySetFor(info, withExif);
    if (type == kUTTypeJPEG || type == kUTTypeHEIC || type == kUTTypeAVIF || type == kUTTypeWebP)
        properties.set(kCGImageDestinationLossyCompressionQuality, double(quality));
    if (type == kUTTypeWebP && info->sourceLossless)
        properties.set(kImageDestinationLosslessCompression, std::int64_t(1));
    if (!destination)
        return false;
    if (info->orientationFixed && info->orientation != 1) {
        // The pixels were turned upright at load: the stored orientation no longer applies.
        if (PropertyDictionary* tiff = properties.dictionary(kCGImagePropertyTIFFDictionary))
            tiff->set(kCGImagePropertyOrientation, std::int64_t(1));
        properties.set(kCGImagePropertyOrientation, std::int64_t(1));
    }

    std::optional<ImageInfo> decoded;
    if (info->image.isNull() && info->bands) {
        if (type == kUTTypeJPEG && drawsUnchanged(info, width, height)) {
            // JPEG to JPEG as it stands: decoded band by band while it is written, never as a frame.
            destination->addJpegBands(info->bands, info->bands->iccProfile, properties);
            return destination->finalize();
        }
        // Anything else draws the frame, decoded now as the load decodes it.
        std::optional<Image> image = decodeJpeg(info->bands->data, kMaxDecodedPixels);
        if (!image) {
            recordImageReadFailure(true);
            return false;
        }
        cleanImageColorProfile(*image);
        decoded = *info;
        decoded->bands.reset();
        decoded->image = std::move(*image);
        info = &*decoded;
    } else if (info->image.isNull() && info->source) {
        if (type == kUTTypeJPEG && drawsUnchanged(info, width, height)) {
            // A HEIF or lossy WebP to JPEG: the decoder's YCbCr planes are what a JPEG stores.
            QByteArray profile;
            const std::optional<YCbCr420Planes> planes = info->source->createJpegPlanesAtIndex0(&profile);
            if (planes && QSize(planes->width, planes->height) == IIGetImageSize(info)) {
                destination->addJpegPlanes(*planes, profile, properties);
                return destination->finalize();
            }
        }
        // Anything else draws the pixels, decoded now as the load decodes them.
        std::optional<Image> image = info->source->createImageAtIndex0();
        if (!image || image->pixels.size() != IIGetImageSize(info)) {
            recordImageReadFailure(true);
            return false;
        }
        decoded = *info;
        decoded->source.reset();
        decoded->image = std::move(*image);
        info = &*decoded;
    }

    if (std::optional<Image> image = drawnForSaving(info, width, height))
        destination->addImage(*image, properties);
    return destination->finalize();
}

} // namespace

bool IISaveImage(const ImageInfo* info, const QString& path, std::size_t width, std::size_t height,
    ImageFormat type, bool withExif, float quality)
{
    recordImageReadFailure(false);
    if (!info || path.isEmpty() || !sizeIsDrawable(width, height))
        return false;
    try {
        return saveTo(
            ImageDestination::createWithPath(path, type), info, width, height, type, withExif, quality);
    } catch (...) {
        return false;
    }
}

bool IISaveImageToWorkFile(const ImageInfo* info, WorkFile& file, std::size_t width, std::size_t height,
    ImageFormat type, bool withExif, float quality)
{
    recordImageReadFailure(false);
    if (!info || !sizeIsDrawable(width, height))
        return false;
    try {
        return saveTo(
            ImageDestination::createWithWorkFile(file, type), info, width, height, type, withExif, quality);
    } catch (...) {
        return false;
    }
}

std::optional<Image> IIDrawImageForSaving(const ImageInfo* info, std::size_t width, std::size_t height)
{
    if (!info || info->image.isNull() || !sizeIsDrawable(width, height))
        return std::nullopt;
    try {
        std::optional<Image> image = drawnForSaving(info, width, height);
        if (image && image->isNull())
            return std::nullopt;
        return image;
    } catch (...) {
        return std::nullopt;
    }
}
