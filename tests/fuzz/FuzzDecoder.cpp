// SPDX-License-Identifier: GPL-3.0-or-later
// A fast libFuzzer target over one decoder, built once per format (MORVANE_FUZZ_FORMAT is the ImageFormat
// value): the header is read, then the first frame decoded as a batch run decodes it, turned upright on
// the way for JPEG. Inputs of another format are turned away, so that each target's corpus holds its own
// format. Besides the sanitizers' findings it checks what a decoded image promises its writers: pixels,
// and a colour profile that is cleaned and is exactly what the colour space holds.
#include "engine/core/LibraryMessages.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/pipeline/ImageSource.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QColorSpace>

#include <zlib.h>

namespace {

constexpr auto kFormat = ImageFormat(MORVANE_FUZZ_FORMAT);

} // namespace

#if MORVANE_FUZZ_FORMAT == 1
// Almost every mutation of a PNG breaks a chunk's CRC, and a broken CRC ends decoding at once: after each
// mutation the CRCs are made right again, so that the mutations reach libpng's decoding.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(
    std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int)
{
    size = LLVMFuzzerMutate(data, size, maxSize);
    for (std::size_t pos = 8; pos + 12 <= size;) {
        const std::size_t length = std::size_t(data[pos]) << 24 | std::size_t(data[pos + 1]) << 16
            | std::size_t(data[pos + 2]) << 8 | data[pos + 3];
        if (length > size - pos - 12)
            break;
        const uLong crc = crc32(crc32(0, nullptr, 0), data + pos + 4, uInt(length + 4));
        for (int i = 0; i < 4; ++i)
            data[pos + 8 + length + std::size_t(i)] = std::uint8_t(crc >> (24 - 8 * i));
        pos += length + 12;
    }
    return size;
}
#endif

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
    const std::optional<QSize> claimed = claimedFrameSize(bytes);
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
