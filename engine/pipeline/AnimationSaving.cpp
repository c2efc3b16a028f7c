// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/AnimationSaving.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/Orientation.h"
#include "engine/core/WorkFile.h"
#include "engine/formats/gif/GifAnimation.h"
#include "engine/formats/png/ApngRewriter.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSource.h"
#include "engine/structure/PngChunks.h"

#include <cmath>
#include <new>

namespace {

std::optional<double> positive(std::optional<double> value)
{
    return value && std::isfinite(*value) && *value > 0 ? value : std::nullopt;
}

/// Whether an animation control comes before the image data: what makes a PNG animated.
bool hasAnimationControl(const QByteArray& png)
{
    bool found = false;
    (void)walkPngChunks(png, [&found](const PngChunk& chunk) {
        if (chunk.type == QByteArrayView("acTL"))
            found = true;
        return !found && chunk.type != QByteArrayView("IDAT");
    });
    return found;
}

AnimationSaving notKept(const QString& why)
{
    return AnimationSaving { false, why };
}

} // namespace

std::optional<AnimationSaving> saveAnimationWhole(
    const QString& sourcePath, ImageFormat outputType, bool fixOrientation, WorkFile& file)
{
    try {
        if (outputType != ImageFormat::GIF && outputType != ImageFormat::PNG)
            return std::nullopt;
        const std::unique_ptr<ImageSource> source = ImageSource::createWithPath(sourcePath);
        if (!source || source->format() != outputType)
            return std::nullopt;
        const QByteArray& data = source->data();
        if (outputType == ImageFormat::GIF ? source->frameCount() < 2 : !hasAnimationControl(data))
            return std::nullopt;

        ImageInfo probe;
        probe.properties = source->copyPropertiesAtIndex0();
        // The frames are kept as they are stored: a turn would have to be applied to every one of them.
        if (fixOrientation && orientationFromExif(IIGetImageOrientation(&probe)) != Orientation::Normal)
            return notKept(ConversionReasons::tr("its frames would have to be turned upright"));

        QByteArray rewritten;
        if (outputType == ImageFormat::GIF) {
            GifAnimation gif = rewriteAnimatedGif(data, kMaxDecodedPixels);
            if (gif.result == GifAnimationResult::NotAnimated)
                return std::nullopt;
            if (gif.result != GifAnimationResult::Rewritten)
                return notKept(gif.reason);
            rewritten = std::move(gif.file);
        } else {
            PngWriteOptions options;
            options.dpiX = positive(probe.properties->real(kCGImagePropertyDPIWidth));
            options.dpiY = positive(probe.properties->real(kCGImagePropertyDPIHeight));
            // The profile of the decoded image, cleaned: what a re-encoded copy would carry.
            const std::optional<Image> first = source->createImageAtIndex0();
            if (!first)
                return std::nullopt;
            options.iccProfile = first->iccProfile;
            ApngRewrite png = rewriteApng(data, options, kMaxDecodedPixels);
            if (png.result == ApngResult::NotAnimated)
                return std::nullopt;
            if (png.result != ApngResult::Rewritten)
                return notKept(png.reason);
            rewritten = std::move(png.file);
        }
        const DescriptorTransfer written
            = writeFully(file.descriptor(), rewritten.constData(), size_t(rewritten.size()));
        if (written.error != 0)
            return notKept(systemErrorText(written.error));
        return AnimationSaving { true, {} };
    } catch (const std::bad_alloc&) {
        return notKept(ConversionReasons::tr("not enough memory"));
    } catch (...) {
        return notKept(ConversionReasons::tr("could not be read"));
    }
}
