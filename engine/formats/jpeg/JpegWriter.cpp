// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG codec's writer: libjpeg-turbo encoding of an image's rows, with nothing but JFIF and the
// segments it is given, straight to a file descriptor.
#include "engine/core/ConversionReasons.h"
#include "engine/formats/jpeg/JpegCodec.h"
#include "engine/formats/jpeg/JpegPrivate.h"

using namespace JpegPrivate;

namespace {

constexpr int kExifHeaderSize = 6; // "Exif\0\0"

/// Everything an encoding pass needs, prepared by the caller.
struct EncodeJob
{
    const QImage* image = nullptr;
    J_COLOR_SPACE inputSpace = JCS_UNKNOWN;
    int components = 0;
    const EncodeSettings* settings = nullptr;
};

bool writeJpeg(Compressor& c, DescriptorDestination& dest, const EncodeJob& job)
{
    jpeg_compress_struct& cinfo = c.cinfo;
    if (setjmp(c.errors.jump))
        return false;

    const QImage& image = *job.image;
    startWriting(
        cinfo, &dest.pub, *job.settings, image.width(), image.height(), job.inputSpace, job.components);

    // libjpeg takes non-const rows but only reads them; constScanLine keeps a shared image undetached.
    JSAMPROW rows[kRowsPerCall];
    const int height = image.height();
    while (cinfo.next_scanline < cinfo.image_height) {
        const int first = int(cinfo.next_scanline);
        const int count = std::min(kRowsPerCall, height - first);
        for (int i = 0; i < count; ++i)
            rows[i] = const_cast<JSAMPROW>(image.constScanLine(first + i));
        if (jpeg_write_scanlines(&cinfo, rows, JDIMENSION(count)) == 0)
            return false;
    }
    jpeg_finish_compress(&cinfo); // writes EOI and flushes through the destination
    return true;
}

} // namespace

namespace JpegPrivate {

QString encodeRefusal(const JpegEncodeOptions& options, int width, int height)
{
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        return ConversionReasons::tr("image too large for a JPEG (%1 x %2 pixels)").arg(width).arg(height);
    if (options.exifPayload.size() > kMaxMarkerData - kExifHeaderSize)
        return ConversionReasons::tr("EXIF block too large for a JPEG");
    if (options.iccProfile.size() > kMaxIccSize)
        return ConversionReasons::tr("colour profile too large for a JPEG");
    return {};
}

EncodeSettings encodeSettingsOf(const JpegEncodeOptions& options)
{
    EncodeSettings settings;
    settings.quality = std::clamp(options.quality, 1, 100);
    // JFIF cannot state one resolution without the other: a lone value stands for both.
    std::optional<quint16> x = jfifDensity(options.dpiX);
    std::optional<quint16> y = jfifDensity(options.dpiY);
    if (x || y) {
        settings.densityUnit = 1;
        settings.xDensity = x.value_or(y.value_or(1));
        settings.yDensity = y.value_or(settings.xDensity);
    }
    if (!options.exifPayload.isEmpty()) {
        settings.exifSegment.reserve(kExifHeaderSize + options.exifPayload.size());
        settings.exifSegment.append("Exif\0\0", kExifHeaderSize);
        settings.exifSegment.append(options.exifPayload);
    }
    settings.iccProfile = options.iccProfile;
    return settings;
}

void setUpWriting(jpeg_compress_struct& cinfo, jpeg_destination_mgr* destination,
    const EncodeSettings& settings, int width, int height, J_COLOR_SPACE inputSpace, int components)
{
    jpeg_create_compress(&cinfo);
    cinfo.dest = destination;

    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.in_color_space = inputSpace;
    cinfo.input_components = components;
    jpeg_set_defaults(&cinfo); // baseline Huffman tables, 4:2:0 for colour, islow DCT, JFIF marker
    jpeg_set_quality(&cinfo, settings.quality, TRUE);
    cinfo.write_JFIF_header = TRUE;
    cinfo.write_Adobe_marker = FALSE;
    cinfo.optimize_coding = FALSE;
    cinfo.density_unit = settings.densityUnit;
    cinfo.X_density = settings.xDensity;
    cinfo.Y_density = settings.yDensity;
}

void beginWriting(jpeg_compress_struct& cinfo, const EncodeSettings& settings)
{
    jpeg_start_compress(&cinfo, TRUE); // writes SOI and the JFIF APP0
    if (!settings.exifSegment.isEmpty()) {
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1,
            reinterpret_cast<const JOCTET*>(settings.exifSegment.constData()),
            static_cast<unsigned int>(settings.exifSegment.size()));
    }
    if (!settings.iccProfile.isEmpty()) {
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET*>(settings.iccProfile.constData()),
            static_cast<unsigned int>(settings.iccProfile.size()));
    }
}

void startWriting(jpeg_compress_struct& cinfo, jpeg_destination_mgr* destination,
    const EncodeSettings& settings, int width, int height, J_COLOR_SPACE inputSpace, int components)
{
    setUpWriting(cinfo, destination, settings, width, height, inputSpace, components);
    beginWriting(cinfo, settings);
}

} // namespace JpegPrivate

bool encodeJpeg(const QImage& image, const JpegEncodeOptions& options, int fd, QString* reason)
{
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (image.isNull() || fd < 0)
        return refuse(ConversionReasons::tr("no image to write"));
    if (const QString refusal = encodeRefusal(options, image.width(), image.height()); !refusal.isEmpty())
        return refuse(refusal);

    // Formats libjpeg-turbo reads directly; anything else is converted once.
    QImage source;
    EncodeJob job;
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        source = image;
        job.inputSpace = kQRgb32Space;
        job.components = 4;
        break;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        source = image;
        job.inputSpace = JCS_EXT_RGBX;
        job.components = 4;
        break;
    case QImage::Format_RGB888:
        source = image;
        job.inputSpace = JCS_RGB;
        job.components = 3;
        break;
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        source = image.convertToFormat(QImage::Format_Grayscale8);
        job.inputSpace = JCS_GRAYSCALE;
        job.components = 1;
        break;
    default:
        source = image.convertToFormat(QImage::Format_RGB32);
        job.inputSpace = kQRgb32Space;
        job.components = 4;
        break;
    }
    if (source.isNull())
        return refuse(ConversionReasons::tr("out of memory"));

    job.image = &source;
    const EncodeSettings settings = encodeSettingsOf(options);
    job.settings = &settings;

    DescriptorDestination dest(fd);
    Compressor c;
    if (writeJpeg(c, dest, job))
        return true;
    return refuse(writeFailure(dest, c.errors));
}
