// SPDX-License-Identifier: GPL-3.0-or-later
// The WebP reader: libwebp's demuxer for the chunks, its decoder for the first frame.
#include "engine/core/ConversionReasons.h"
#include "engine/core/ImageFormat.h"
#include "engine/core/PixelPool.h"
#include "engine/formats/webp/WebpCodec.h"
#include "engine/structure/ExifBlock.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <webp/decode.h>
#include <webp/demux.h>

namespace {

struct DemuxDelete
{
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
using DemuxPtr = std::unique_ptr<WebPDemuxer, DemuxDelete>;

/// The first chunk named \a fourcc, or nothing.
QByteArray chunk(WebPDemuxer* demux, const char* fourcc)
{
    WebPChunkIterator iterator;
    if (!WebPDemuxGetChunk(demux, fourcc, 1, &iterator))
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(iterator.chunk.bytes), qsizetype(iterator.chunk.size));
    WebPDemuxReleaseChunkIterator(&iterator);
    return bytes;
}

QString statusText(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return ConversionReasons::tr("Out of memory");
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return ConversionReasons::tr("The file is cut short");
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return ConversionReasons::tr("The image uses a WebP feature this program does not read");
    default:
        return ConversionReasons::tr("The image data is damaged");
    }
}

/// The first frame: where it lies on the canvas and its bitstream (ALPH and VP8, or VP8L).
struct FirstFrame
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    QByteArray bitstream;
};

} // namespace

struct WebpInput::Private
{
    QByteArray data;
    WebpImageInfo info;
    FirstFrame frame;
    WebPBitstreamFeatures features {};
};

WebpInput::WebpInput(std::unique_ptr<Private> p)
    : d(std::move(p))
{ }

WebpInput::~WebpInput() = default;

std::unique_ptr<WebpInput> WebpInput::open(const QByteArray& data, qint64 maxPixels, QString* reason)
{
    const auto refuse = [&](const QString& text) -> std::unique_ptr<WebpInput> {
        if (reason)
            *reason = text;
        return nullptr;
    };
    if (!isWebpFile(data))
        return refuse(ConversionReasons::tr("Not a WebP file"));
    auto d = std::make_unique<Private>();
    d->data = data;
    const WebPData whole { reinterpret_cast<const uint8_t*>(d->data.constData()), size_t(d->data.size()) };
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const DemuxPtr demux(WebPDemuxPartial(&whole, &state));
    if (!demux || state == WEBP_DEMUX_PARSE_ERROR)
        return refuse(ConversionReasons::tr("The WebP file is damaged"));
    if (state != WEBP_DEMUX_DONE)
        return refuse(ConversionReasons::tr("The file is cut short"));

    WebpImageInfo& info = d->info;
    const auto width = qint64(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
    const auto height = qint64(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
    if (width <= 0 || height <= 0)
        return refuse(ConversionReasons::tr("The WebP file is damaged"));
    if (width * height > maxPixels) {
        return refuse(ConversionReasons::tr("The image is %1 by %2 pixels: more than this program decodes")
                          .arg(width)
                          .arg(height));
    }
    info.size = QSize(int(width), int(height));
    info.frameCount = std::max(1, int(WebPDemuxGetI(demux.get(), WEBP_FF_FRAME_COUNT)));

    WebPIterator iterator;
    if (!WebPDemuxGetFrame(demux.get(), 1, &iterator))
        return refuse(ConversionReasons::tr("The WebP file holds no image"));
    FirstFrame& frame = d->frame;
    frame.x = iterator.x_offset;
    frame.y = iterator.y_offset;
    frame.width = iterator.width;
    frame.height = iterator.height;
    frame.bitstream = QByteArray::fromRawData(
        reinterpret_cast<const char*>(iterator.fragment.bytes), qsizetype(iterator.fragment.size));
    WebPDemuxReleaseIterator(&iterator);
    if (frame.width <= 0 || frame.height <= 0 || frame.x < 0 || frame.y < 0 || frame.x + frame.width > width
        || frame.y + frame.height > height)
        return refuse(ConversionReasons::tr("The WebP file is damaged"));
    const VP8StatusCode status
        = WebPGetFeatures(reinterpret_cast<const uint8_t*>(frame.bitstream.constData()),
            size_t(frame.bitstream.size()), &d->features);
    if (status != VP8_STATUS_OK)
        return refuse(statusText(status));
    if (d->features.width != frame.width || d->features.height != frame.height)
        return refuse(ConversionReasons::tr("The WebP file is damaged"));
    info.lossless = d->features.format == 2;
    const bool covers = frame.x == 0 && frame.y == 0 && frame.width == width && frame.height == height;
    info.hasAlpha = d->features.has_alpha || !covers;

    info.iccProfile = chunk(demux.get(), "ICCP");
    QByteArray exif = chunk(demux.get(), "EXIF");
    // Some writers keep the JPEG segment's "Exif\0\0" in front of the TIFF structure.
    if (exif.startsWith(QByteArrayView("Exif\0\0", 6)))
        exif.remove(0, 6);
    info.exif = exif;
    info.orientation = std::max(1, exifBlockOrientation(exif));
    info.xmp = chunk(demux.get(), "XMP ");
    return std::unique_ptr<WebpInput>(new WebpInput(std::move(d)));
}

const WebpImageInfo& WebpInput::info() const
{
    return d->info;
}

std::optional<Image> WebpInput::decode(QString* reason) const
{
    const WebpImageInfo& info = d->info;
    const FirstFrame& frame = d->frame;
    QImage canvas = pooledImage(
        info.size.width(), info.size.height(), info.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (canvas.isNull()) {
        if (reason)
            *reason = ConversionReasons::tr("Out of memory");
        return std::nullopt;
    }
    // The pool's memory is not cleared: what the frame leaves of the canvas is, and libwebp reports
    // success only after writing every pixel of the frame (data that ends early fails).
    if (frame.width != info.size.width() || frame.height != info.size.height())
        canvas.fill(Qt::transparent);

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) {
        if (reason)
            *reason = ConversionReasons::tr("The WebP decoder cannot be set up");
        return std::nullopt;
    }
    // QImage's 32-bit formats hold a native-endian 0xAARRGGBB: B, G, R, A in memory on little-endian.
    config.output.colorspace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;
    config.output.is_external_memory = 1;
    const qsizetype stride = canvas.bytesPerLine();
    config.output.u.RGBA.rgba = canvas.bits() + qsizetype(frame.y) * stride + qsizetype(frame.x) * 4;
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size = size_t(stride) * size_t(frame.height - 1) + size_t(frame.width) * 4;
    const VP8StatusCode status = WebPDecode(reinterpret_cast<const uint8_t*>(frame.bitstream.constData()),
        size_t(frame.bitstream.size()), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        if (reason)
            *reason = statusText(status);
        return std::nullopt;
    }
    return Image { canvas, info.iccProfile };
}

bool WebpInput::decodesEveryFrame(QString* reason) const
{
    const WebPData whole { reinterpret_cast<const uint8_t*>(d->data.constData()), size_t(d->data.size()) };
    const DemuxPtr demux(WebPDemux(&whole));
    WebPIterator iterator;
    if (!demux || !WebPDemuxGetFrame(demux.get(), 1, &iterator)) {
        if (reason)
            *reason = ConversionReasons::tr("The WebP file is damaged");
        return false;
    }
    VP8StatusCode status = VP8_STATUS_OK;
    do {
        WebPDecoderConfig config;
        if (!WebPInitDecoderConfig(&config)) {
            status = VP8_STATUS_INVALID_PARAM;
            break;
        }
        config.output.colorspace = MODE_RGBA;
        status = WebPDecode(iterator.fragment.bytes, iterator.fragment.size, &config);
        WebPFreeDecBuffer(&config.output);
    } while (status == VP8_STATUS_OK && WebPDemuxNextFrame(&iterator));
    WebPDemuxReleaseIterator(&iterator);
    if (status != VP8_STATUS_OK && reason)
        *reason = statusText(status);
    return status == VP8_STATUS_OK;
}

bool WebpInput::hasJpegPlanes() const
{
    return !d->info.lossless && !d->info.hasAlpha;
}

std::optional<YCbCr420Planes> WebpInput::decodePlanes(QString* reason) const
{
    if (!hasJpegPlanes())
        return std::nullopt;
    // The decoder's own buffer, released with the last copy of the planes.
    auto config = std::shared_ptr<WebPDecoderConfig>(new WebPDecoderConfig, [](WebPDecoderConfig* held) {
        WebPFreeDecBuffer(&held->output);
        delete held;
    });
    if (!WebPInitDecoderConfig(config.get())) {
        if (reason)
            *reason = ConversionReasons::tr("The WebP decoder cannot be set up");
        return std::nullopt;
    }
    config->output.colorspace = MODE_YUV;
    const VP8StatusCode status = WebPDecode(reinterpret_cast<const uint8_t*>(d->frame.bitstream.constData()),
        size_t(d->frame.bitstream.size()), config.get());
    const WebPYUVABuffer& yuv = config->output.u.YUVA;
    if (status != VP8_STATUS_OK || config->output.width != d->info.size.width()
        || config->output.height != d->info.size.height()) {
        if (reason)
            *reason = status != VP8_STATUS_OK ? statusText(status)
                                              : ConversionReasons::tr("The WebP file is damaged");
        return std::nullopt;
    }
    YCbCr420Planes planes;
    planes.width = config->output.width;
    planes.height = config->output.height;
    planes.y = yuv.y;
    planes.yStride = yuv.y_stride;
    planes.cb = yuv.u;
    planes.cbStride = yuv.u_stride;
    planes.cr = yuv.v;
    planes.crStride = yuv.v_stride;
    planes.limitedRange = true; // VP8 codes BT.601 with the video range
    planes.owner = config;
    return planes;
}
