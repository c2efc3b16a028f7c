// SPDX-License-Identifier: GPL-3.0-or-later
// The WebP writer: libwebp's encoder, and its muxer when a colour profile joins the bitstream.
#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/formats/webp/WebpCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace {

/// libwebp's effort for lossless files (cwebp's default): larger is slower and smaller.
constexpr float kLosslessEffort = 75;
/// libwebp's speed/size trade-off (cwebp's default).
constexpr int kMethod = 4;

struct PictureFree
{
    void operator()(WebPPicture* picture) const { WebPPictureFree(picture); }
};
struct MuxDelete
{
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

int writeAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data += written;
        size -= size_t(written);
    }
    return 0;
}

QString encodingErrorText(WebPEncodingError code)
{
    switch (code) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
        return ConversionReasons::tr("Out of memory");
    case VP8_ENC_ERROR_BAD_DIMENSION:
        return ConversionReasons::tr("The image is too large for a WebP file");
    case VP8_ENC_ERROR_FILE_TOO_BIG:
        return ConversionReasons::tr("The image makes a WebP file larger than the format allows");
    default:
        return ConversionReasons::tr("libwebp cannot encode the image");
    }
}

} // namespace

bool encodeWebp(const QImage& image, const WebpEncodeOptions& options, int fd, QString* error)
{
    if (image.isNull() || fd < 0)
        return fail(error, ConversionReasons::tr("Nothing to write"));
    if (image.width() > WEBP_MAX_DIMENSION || image.height() > WEBP_MAX_DIMENSION)
        return fail(error, ConversionReasons::tr("The image is too large for a WebP file"));

    WebPConfig config;
    if (!WebPConfigInit(&config))
        return fail(error, ConversionReasons::tr("libwebp cannot be set up"));
    config.lossless = options.lossless ? 1 : 0;
    config.quality = options.lossless ? kLosslessEffort : float(std::clamp(options.quality, 0, 100));
    config.method = kMethod;
    config.thread_level = 0;
    if (!WebPValidateConfig(&config))
        return fail(error, ConversionReasons::tr("libwebp refuses its settings"));

    // libwebp reads QImage's 32-bit layout directly (B, G, R, A in memory on little-endian); other
    // formats are converted once.
    const bool alpha = image.hasAlphaChannel();
    const QImage::Format wanted = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const QImage source = image.format() == wanted ? image : image.convertToFormat(wanted);
    if (source.isNull())
        return fail(error, ConversionReasons::tr("Out of memory"));

    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        return fail(error, ConversionReasons::tr("libwebp cannot be set up"));
    const std::unique_ptr<WebPPicture, PictureFree> held(&picture);
    picture.width = source.width();
    picture.height = source.height();
    picture.use_argb = options.lossless ? 1 : 0;
    const auto* pixels = source.constBits();
    const int stride = int(source.bytesPerLine());
    int imported = 0;
    if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        imported = alpha ? WebPPictureImportBGRA(&picture, pixels, stride)
                         : WebPPictureImportBGRX(&picture, pixels, stride);
    } else {
        const QImage bytes
            = source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
        imported = alpha ? WebPPictureImportRGBA(&picture, bytes.constBits(), int(bytes.bytesPerLine()))
                         : WebPPictureImportRGBX(&picture, bytes.constBits(), int(bytes.bytesPerLine()));
    }
    if (!imported)
        return fail(error, ConversionReasons::tr("Out of memory"));

    WebPMemoryWriter memory;
    WebPMemoryWriterInit(&memory);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &memory;
    const bool encoded = WebPEncode(&config, &picture) != 0;
    const WebPEncodingError code = picture.error_code;
    const std::unique_ptr<uint8_t, void (*)(uint8_t*)> bitstream(memory.mem, [](uint8_t* p) { WebPFree(p); });
    if (!encoded)
        return fail(error, encodingErrorText(code));

    WebPData file { memory.mem, memory.size };
    WebPData assembled { nullptr, 0 };
    if (!options.iccProfile.isEmpty()) {
        // The muxer turns the simple file into an extended one with the profile's chunk and flag.
        const WebPData simple { memory.mem, memory.size };
        const std::unique_ptr<WebPMux, MuxDelete> mux(WebPMuxCreate(&simple, 0));
        const WebPData profile { reinterpret_cast<const uint8_t*>(options.iccProfile.constData()),
            size_t(options.iccProfile.size()) };
        if (!mux || WebPMuxSetChunk(mux.get(), "ICCP", &profile, 0) != WEBP_MUX_OK
            || WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK) {
            WebPDataClear(&assembled);
            return fail(error, ConversionReasons::tr("libwebp cannot add the colour profile"));
        }
        file = assembled;
    }
    const int written = writeAll(fd, file.bytes, file.size);
    WebPDataClear(&assembled);
    if (written != 0)
        return fail(error, systemErrorText(written));
    return true;
}
