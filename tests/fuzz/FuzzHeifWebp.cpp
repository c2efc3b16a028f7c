// SPDX-License-Identifier: GPL-3.0-or-later
// A fast libFuzzer target over the HEIF reader (MORVANE_FUZZ_HEIF 1: its structure walk, libheif, the
// HEVC and AV1 decoders) or the WebP reader (0: libwebp's demuxer and decoder), built once for each.
// Inputs of the other format are turned away. Besides the sanitizers' findings it checks what the readers
// promise: a decoded image of the size the header stated, within the pixel bound, and for HEIF the YCbCr
// planes of that size too.
#include "engine/core/ImageFormat.h"
#include "engine/core/LibraryMessages.h"
#include "engine/formats/heif/HeifCodec.h"
#include "engine/formats/webp/WebpCodec.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

template<typename Input> void decodeAndCheck(const Input& input)
{
    const QSize stated = input.info().size;
    if (stated.isEmpty() || qint64(stated.width()) * stated.height() > kFastTargetMaxPixels)
        fuzzFailure("an opened file states a size outside the pixel bound");
    const std::optional<Image> image = input.decode();
    if (image && (image->isNull() || image->pixels.size() != stated))
        fuzzFailure("a decoded image is not of the size its header states");
    if (input.hasJpegPlanes()) {
        const std::optional<YCbCr420Planes> planes = input.decodePlanes();
        if (planes
            && (planes->width != stated.width() || planes->height != stated.height() || !planes->y
                || !planes->cb || !planes->cr || planes->yStride < planes->width
                || planes->cbStride < (planes->width + 1) / 2))
            fuzzFailure("decoded planes do not match the stated size");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzTarget(MORVANE_FUZZ_NAME);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzzInput(data, size);
#if MORVANE_FUZZ_HEIF
    if (!isHeifFile(bytes))
        return -1;
    if (const auto input = HeifInput::open(bytes, kFastTargetMaxPixels))
        decodeAndCheck(*input);
#else
    if (!isWebpFile(bytes))
        return -1;
    if (const auto input = WebpInput::open(bytes, kFastTargetMaxPixels))
        decodeAndCheck(*input);
#endif
    (void)takeLibraryMessages();
    return 0;
}
