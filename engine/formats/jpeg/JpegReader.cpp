// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG codec's reader: libjpeg-turbo decoding straight into the image's buffer, turned upright on the
// way when asked (the kernel is in JpegUprightRows.cpp).
#include "engine/core/LibraryMessages.h"
#include "engine/core/PixelPool.h"
#include "engine/formats/jpeg/JpegCodec.h"
#include "engine/formats/jpeg/JpegPrivate.h"
#include "engine/metadata/ColorProfile.h"

#include <QList>

#include <algorithm>
#include <vector>

using namespace JpegPrivate;

namespace {

/// Rows gathered before a turn by a quarter places them: the longer the runs it writes, the fewer the
/// pages it touches per pixel.
constexpr int kTurnStripRows = 64;

/// The caller-owned results of one decoding pass.
struct DecodeTarget
{
    qint64 maxPixels = 0;
    Orientation orientation = Orientation::Normal; ///< written upright, strip by strip
    QImage pixels;
    QByteArray iccProfile;
    std::vector<uchar> strip; ///< decoded rows waiting to be turned into place
};

/// Rewrites \a count pixels of 4-byte CMYK in place as QRgb. Photoshop (and every writer that adds
/// the Adobe marker) stores CMYK inverted, 255 meaning no ink.
void cmykToRgb32(uchar* row, int count, bool inverted)
{
    auto* out = reinterpret_cast<QRgb*>(row);
    for (int i = 0; i < count; ++i) {
        uint c = row[4 * i], m = row[4 * i + 1], y = row[4 * i + 2], k = row[4 * i + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Reading the four bytes before writing the pixel keeps the in-place rewrite safe.
        out[i] = qRgb(int(c * k / 255), int(m * k / 255), int(y * k / 255));
    }
}

bool readPixels(Decompressor& d, const QByteArray& data, DecodeTarget& target)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump))
        return false;

    startReading(cinfo, data);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;

    const qint64 pixelCount = qint64(cinfo.image_width) * qint64(cinfo.image_height);
    if (pixelCount <= 0 || pixelCount > target.maxPixels || !plausibleDataSize(pixelCount, data.size()))
        return false;

    bool cmyk = false;
    QImage::Format format = QImage::Format_RGB32;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        cinfo.out_color_space = kQRgb32Space;
        break;
    }
    const bool inverted = cmyk && cinfo.saw_Adobe_marker;

    if (!cmyk)
        target.iccProfile = iccChainOf(cinfo);

    jpeg_start_decompress(&cinfo);
    const int width = int(cinfo.output_width);
    const int height = int(cinfo.output_height);
    const int components = cinfo.output_components;
    if (components != (format == QImage::Format_Grayscale8 ? 1 : 4))
        return false;

    const Orientation orientation = target.orientation;
    const QSize upright = uprightSize(orientation, QSize(width, height));
    target.pixels = pooledImage(upright.width(), upright.height(), format);
    if (target.pixels.isNull())
        return false;
    uchar* const base = target.pixels.bits();
    const qsizetype stride = target.pixels.bytesPerLine();
    const int bytesPerPixel = format == QImage::Format_Grayscale8 ? 1 : 4;
    const qsizetype stripStride = qsizetype(width) * bytesPerPixel;
    const int stripRows = stepsOf(orientation).transposes ? kTurnStripRows : kRowsPerCall;
    const bool turns = orientation != Orientation::Normal;
    if (turns)
        target.strip.resize(size_t(stripStride) * size_t(stripRows));

    JSAMPROW rows[kRowsPerCall];
    int stripFirst = 0; // the stored row at the top of the strip
    int stripFilled = 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int first = int(cinfo.output_scanline);
        const int wanted = std::min({ kRowsPerCall, height - first, stripRows - stripFilled });
        for (int i = 0; i < wanted; ++i) {
            rows[i] = !turns ? base + (first + i) * stride
                             : target.strip.data() + (stripFilled + i) * stripStride;
        }
        const int got = int(jpeg_read_scanlines(&cinfo, rows, JDIMENSION(wanted)));
        if (got <= 0)
            return false;
        if (cmyk) {
            for (int i = 0; i < got; ++i)
                cmykToRgb32(rows[i], width, inverted);
        }
        if (!turns)
            continue;
        stripFilled += got;
        if (stripFilled < stripRows && int(cinfo.output_scanline) < height)
            continue;
        placeUprightRows(target.strip.data(), stripStride, stripFilled, stripFirst, width, height,
            bytesPerPixel, orientation, base, stride);
        stripFirst += stripFilled;
        stripFilled = 0;
    }

    // Every pixel is in; a file that lacks only its end marker has lost nothing.
    d.errors.fatal = FatalWarnings::None;
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

namespace JpegPrivate {

QByteArray iccChainOf(const jpeg_decompress_struct& cinfo)
{
    QList<QByteArrayView> payloads;
    for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker; marker = marker->next) {
        const QByteArrayView payload(
            reinterpret_cast<const char*>(marker->data), qsizetype(marker->data_length));
        if (marker->marker == JPEG_APP0 + 2 && payload.startsWith(QByteArrayView("ICC_PROFILE\0", 12))) {
            // A segment libjpeg did not save whole cannot be part of a whole chain.
            if (marker->data_length != marker->original_length)
                return {};
            payloads.append(payload);
        }
    }
    return payloads.isEmpty() ? QByteArray() : joinJpegIccChunks(payloads);
}

} // namespace JpegPrivate

std::optional<Image> decodeJpeg(const QByteArray& data, qint64 maxPixels, Orientation orientation)
{
    if (data.isEmpty())
        return std::nullopt;
    DecodeTarget target;
    target.maxPixels = maxPixels;
    target.orientation = orientation;
    {
        Decompressor d;
        if (!readPixels(d, data, target)) {
            if (d.errors.pub.msg_code == JWRN_JPEG_EOF)
                recordLibraryMessage(endsBeforeItsPixelsMessage());
            return std::nullopt;
        }
    }
    Image result;
    result.pixels = std::move(target.pixels);
    result.iccProfile = std::move(target.iccProfile);
    return result;
}
