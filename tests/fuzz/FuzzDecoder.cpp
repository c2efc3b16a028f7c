// SPDX-License-Identifier: GPL-3.0-or-later
// A fast libFuzzer target over one decoder, built once per format (MORVANE_FUZZ_FORMAT is the ImageFormat
// value): the header is read, then the first frame decoded as a batch run decodes it, turned upright on
// the way for JPEG. Inputs of another format are turned away, so that each target's corpus holds its own
// format. Besides the sanitizers' findings it checks what a decoded image promises its writers: pixels,
// and a colour profile that is cleaned and is exactly what the colour space holds.
#include "engine/ColorProfile.h"
#include "engine/ImageSource.h"
#include "engine/LibraryMessages.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QColorSpace>

namespace {

constexpr auto kFormat = ImageFormat(MORVANE_FUZZ_FORMAT);

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzTarget(MORVANE_FUZZ_NAME);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzzInput(data, size);
    const std::unique_ptr<ImageSource> source = ImageSource::createWithData(bytes);
    if (!source || source->format() != kFormat)
        return -1;
    const std::optional<QSize> claimed = source->pixelSizeAtIndex0();
    if (claimed && qint64(claimed->width()) * claimed->height() > kFastTargetMaxPixels) {
        (void)takeLibraryMessages();
        return 0;
    }
    const int orientation = 1 + data[size - 1] % 8;
    const std::optional<Image> image = source->createUprightImageAtIndex0(orientation);
    (void)takeLibraryMessages();
    if (!image)
        return 0;
    if (image->isNull() || image->width() <= 0 || image->height() <= 0)
        fuzzFailure("a decoded image has no pixels");
    if (!image->iccProfile.isEmpty() && cleanColorProfile(image->iccProfile) != image->iccProfile)
        fuzzFailure("a decoded image carries a profile that is not clean");
    const QColorSpace colorSpace = image->pixels.colorSpace();
    if (colorSpace.isValid() && colorSpace.iccProfile() != image->iccProfile)
        fuzzFailure("a decoded image's colour space holds other bytes than its profile");
    return 0;
}
