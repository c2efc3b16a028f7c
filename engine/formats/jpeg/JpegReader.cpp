// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG codec's reader: libjpeg-turbo decoding straight into the image's buffer, turned upright on the
// way when asked (the kernel is in JpegUprightRows.cpp).
#include "engine/core/ConversionReasons.h"
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

/// Why a decoding pass refused a file before libjpeg found anything wrong with it.
enum class Refusal {
    None,
    TooLarge,
    TooLittleData,
    NoRowInFile,
};

/// The caller-owned results of one decoding pass.
struct DecodeTarget
{
    qint64 maxPixels = 0;
    Refusal refusal = Refusal::None;
    QSize stated; ///< the frame's size as the header states it
    std::optional<RowsInFile> rowsInFile; ///< for a file that ends early: what the decoder filled in
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

    target.stated = QSize(int(cinfo.image_width), int(cinfo.image_height));
    const qint64 pixelCount = qint64(cinfo.image_width) * qint64(cinfo.image_height);
    if (pixelCount <= 0 || pixelCount > target.maxPixels) {
        target.refusal = Refusal::TooLarge;
        return false;
    }
    if (!plausibleDataSize(pixelCount, data.size())) {
        target.refusal = Refusal::TooLittleData;
        return false;
    }

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

    // Every row is out: the rows a file cut short lacks are libjpeg's fill, defined. One that lacks only
    // its end marker has lost nothing.
    target.rowsInFile = rowsInFileOf(cinfo, d.errors);
    if (target.rowsInFile && target.rowsInFile->present <= 0) {
        target.refusal = Refusal::NoRowInFile;
        return false;
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

/// Why decoding \a target failed, in words for a skip reason.
QString failureOf(const DecodeTarget& target, const ErrorManager& errors)
{
    switch (target.refusal) {
    case Refusal::TooLarge:
        return tooLargeMessage(target.stated);
    case Refusal::TooLittleData:
        return ConversionReasons::tr("The file is far too small for %1 x %2 pixels")
            .arg(target.stated.width())
            .arg(target.stated.height());
    case Refusal::NoRowInFile:
        return endsBeforeItsPixelsMessage();
    case Refusal::None:
        break;
    }
    if (errors.endOfData)
        return endsBeforeItsPixelsMessage();
    return libraryMessage(errors);
}

} // namespace

namespace JpegPrivate {

std::optional<RowsInFile> rowsInFileOf(const jpeg_decompress_struct& cinfo, const ErrorManager& errors)
{
    if (!errors.endOfData)
        return std::nullopt;
    RowsInFile rows;
    rows.total = int(cinfo.image_height);
    rows.present = errors.rowsWithData >= 0 ? errors.rowsWithData : rows.total;
    rows.lessDetail = errors.lessDetail;
    if (cinfo.progressive_mode && cinfo.coef_bits) {
        // Which bits of each coefficient the scans read: -1 for none, 0 for all.
        for (int c = 0; c < cinfo.num_components; ++c) {
            for (int k = 0; k < DCTSIZE2; ++k) {
                if (k == 0 && cinfo.coef_bits[c][k] < 0)
                    rows.present = 0; // a component none of whose scans is in the file
                if (cinfo.coef_bits[c][k] != 0)
                    rows.lessDetail = true;
            }
        }
    }
    if (rows.present >= rows.total && !rows.lessDetail)
        return std::nullopt;
    return rows;
}

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
        Decompressor d(FatalWarnings::None);
        if (!readPixels(d, data, target)) {
            if (const QString failure = failureOf(target, d.errors); !failure.isEmpty())
                recordLibraryMessage(failure);
            return std::nullopt;
        }
    }
    if (target.rowsInFile)
        recordRowsInFile(*target.rowsInFile);
    Image result;
    result.pixels = std::move(target.pixels);
    result.iccProfile = std::move(target.iccProfile);
    return result;
}
