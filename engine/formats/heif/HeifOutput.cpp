// SPDX-License-Identifier: GPL-3.0-or-later
// The HEIF writer: one image, HEVC (x265) or AV1 (aom), through libheif's encoder, written to a file
// descriptor.
#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/formats/heif/HeifPrivate.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

/// Rows converted at a time from the image's format to libheif's interleaved RGB(A).
constexpr int kBandRows = 64;

struct EncoderRelease
{
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct EncodingOptionsFree
{
    void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
};
struct NclxFree
{
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};

/// Where heif_context_write's bytes go, and what went wrong there.
struct DescriptorTarget
{
    int fd = -1;
    int error = 0;
};

heif_error writeToDescriptor(heif_context*, const void* data, size_t size, void* userdata)
{
    auto* target = static_cast<DescriptorTarget*>(userdata);
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(target->fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            target->error = written < 0 ? errno : EIO;
            return { heif_error_Encoding_error, heif_suberror_Cannot_write_output_data, "write failed" };
        }
        bytes += written;
        size -= size_t(written);
    }
    return { heif_error_Ok, heif_suberror_Unspecified, "" };
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

/// Copies \a image into \a plane as 8-bit RGB or RGBA (straight alpha), a band of rows at a time so
/// that no second full-size copy is made.
bool fillInterleaved(const QImage& image, bool alpha, uint8_t* plane, int stride)
{
    const QImage::Format target = alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
    const qsizetype rowBytes = qsizetype(image.width()) * (alpha ? 4 : 3);
    for (int top = 0; top < image.height(); top += kBandRows) {
        const int rows = std::min(kBandRows, image.height() - top);
        QImage band;
        if (image.format() == target) {
            band = image;
        } else {
            QImage view(image.constScanLine(top), image.width(), rows, image.bytesPerLine(), image.format());
            if (image.format() == QImage::Format_Indexed8)
                view.setColorTable(image.colorTable());
            band = view.convertToFormat(target);
            if (band.isNull())
                return false;
        }
        const int first = image.format() == target ? top : 0;
        for (int y = 0; y < rows; ++y)
            std::memcpy(plane + qsizetype(top + y) * stride, band.constScanLine(first + y), size_t(rowBytes));
    }
    return true;
}

} // namespace

int heifQualityForJpegQuality(int jpegQuality, HeifCoding coding)
{
    // Points measured on photographs: the libheif quality whose output has the SSIM of the JPEG
    // encoder's output at the JPEG quality (both against the original), joined by straight lines.
    struct Point
    {
        int jpeg;
        int heif;
    };
    static constexpr Point kHevc[]
        = { { 0, 0 }, { 30, 20 }, { 50, 32 }, { 70, 45 }, { 80, 55 }, { 90, 70 }, { 95, 82 }, { 100, 100 } };
    static constexpr Point kAv1[]
        = { { 0, 0 }, { 30, 20 }, { 50, 32 }, { 70, 45 }, { 80, 55 }, { 90, 70 }, { 95, 82 }, { 100, 100 } };
    const auto& points = coding == HeifCoding::HEVC ? kHevc : kAv1;
    const int q = std::clamp(jpegQuality, 0, 100);
    for (size_t i = 1; i < std::size(points); ++i) {
        if (q <= points[i].jpeg) {
            const Point a = points[i - 1], b = points[i];
            return a.heif + ((q - a.jpeg) * (b.heif - a.heif) + (b.jpeg - a.jpeg) / 2) / (b.jpeg - a.jpeg);
        }
    }
    return 100;
}

bool encodeHeif(const QImage& image, const HeifEncodeOptions& options, int fd, QString* error)
{
    if (image.isNull() || fd < 0)
        return fail(error, ConversionReasons::tr("Nothing to write"));
    if (image.width() > (1 << 16) || image.height() > (1 << 16))
        return fail(error, ConversionReasons::tr("The image is too large for a HEIF file"));
    initializeHeifLibrary();

    const HeifContextPtr context(heif_context_alloc());
    if (!context)
        return fail(error, ConversionReasons::tr("Out of memory"));
    heif_encoder* rawEncoder = nullptr;
    heif_error status = heif_context_get_encoder_for_format(context.get(),
        options.coding == HeifCoding::HEVC ? heif_compression_HEVC : heif_compression_AV1, &rawEncoder);
    const std::unique_ptr<heif_encoder, EncoderRelease> encoder(rawEncoder);
    if (status.code != heif_error_Ok || !encoder)
        return fail(error, heifErrorText(status, "libheif has no encoder for the format"));
    const int quality = heifQualityForJpegQuality(options.quality, options.coding);
    heif_encoder_set_logging_level(encoder.get(), 0);
    status = heif_encoder_set_lossy_quality(encoder.get(), quality);
    if (status.code == heif_error_Ok)
        status = heif_encoder_set_lossless(encoder.get(), 0);
    // Full chroma resolution at the top of the scale, as libvips and most encoders choose.
    if (status.code == heif_error_Ok)
        status = heif_encoder_set_parameter_string(encoder.get(), "chroma", quality >= 90 ? "444" : "420");
    if (status.code == heif_error_Ok && options.coding == HeifCoding::HEVC) {
        // x265 writes its version and settings into the bitstream unless told not to.
        status = heif_encoder_set_parameter(encoder.get(), "x265:info", "0");
    }
    if (status.code != heif_error_Ok)
        return fail(error, heifErrorText(status, "libheif's encoder refuses its settings"));

    const bool alpha = image.hasAlphaChannel();
    heif_image* rawImage = nullptr;
    status = heif_image_create(image.width(), image.height(), heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &rawImage);
    const HeifImagePtr frame(rawImage);
    if (status.code == heif_error_Ok)
        status
            = heif_image_add_plane(frame.get(), heif_channel_interleaved, image.width(), image.height(), 8);
    if (status.code != heif_error_Ok)
        return fail(error, heifErrorText(status, "Out of memory"));
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(frame.get(), heif_channel_interleaved, &stride);
    if (!plane || !fillInterleaved(image, alpha, plane, stride))
        return fail(error, ConversionReasons::tr("Out of memory"));

    const std::unique_ptr<heif_encoding_options, EncodingOptionsFree> encoding(heif_encoding_options_alloc());
    const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(heif_nclx_color_profile_alloc());
    if (!encoding || !nclx)
        return fail(error, ConversionReasons::tr("Out of memory"));
    encoding->save_alpha_channel = alpha;
    // The source's primaries and transfer describe the pixels (sRGB's when it states none); the YCbCr
    // coding is this writer's choice. libheif writes the description it finds on the image.
    nclx->color_primaries = heif_color_primaries(options.colour ? options.colour->primaries : 1);
    nclx->transfer_characteristics
        = heif_transfer_characteristics(options.colour ? options.colour->transfer : 13);
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    if (options.colour || options.iccProfile.isEmpty())
        status = heif_image_set_nclx_color_profile(frame.get(), nclx.get());
    if (status.code == heif_error_Ok && !options.iccProfile.isEmpty()) {
        status = heif_image_set_raw_color_profile(
            frame.get(), "prof", options.iccProfile.constData(), size_t(options.iccProfile.size()));
    }
    if (status.code != heif_error_Ok)
        return fail(error, heifErrorText(status, "libheif refuses the colour description"));
    if (encoding->version >= 4)
        encoding->output_nclx_profile = nclx.get();
    if (encoding->version >= 3)
        encoding->save_two_colr_boxes_when_ICC_and_nclx_available
            = options.colour && !options.iccProfile.isEmpty();
    if (encoding->version >= 5)
        encoding->image_orientation = heif_orientation_normal;
    heif_image_handle* handle = nullptr;
    status = heif_context_encode_image(context.get(), frame.get(), encoder.get(), encoding.get(), &handle);
    const HeifHandlePtr encoded(handle);
    if (status.code != heif_error_Ok)
        return fail(error, heifErrorText(status, "libheif cannot encode the image"));

    DescriptorTarget target { fd, 0 };
    heif_writer writer { 1, writeToDescriptor };
    status = heif_context_write(context.get(), &writer, &target);
    if (target.error != 0)
        return fail(error, systemErrorText(target.error));
    if (status.code != heif_error_Ok)
        return fail(error, heifErrorText(status, "libheif cannot write the file"));
    return true;
}
