// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG codec's writer: libjpeg-turbo encoding of an image's rows, with nothing but JFIF and the
// segments it is given, straight to a file descriptor.
#include "engine/JpegCodec.h"
#include "engine/JpegPrivate.h"

using namespace JpegPrivate;

namespace {

constexpr int kExifHeaderSize = 6; // "Exif\0\0"

/// Everything an encoding pass needs, prepared by the caller.
struct EncodeJob
{
    const QImage* image = nullptr;
    J_COLOR_SPACE inputSpace = JCS_UNKNOWN;
    int components = 0;
    int quality = 75;
    UINT8 densityUnit = 0;
    UINT16 xDensity = 1;
    UINT16 yDensity = 1;
    const QByteArray* exifSegment = nullptr; ///< "Exif\0\0" + payload, or empty
    const QByteArray* iccProfile = nullptr;
};

bool writeJpeg(Compressor& c, DescriptorDestination& dest, const EncodeJob& job)
{
    jpeg_compress_struct& cinfo = c.cinfo;
    if (setjmp(c.errors.jump))
        return false;

    jpeg_create_compress(&cinfo);
    cinfo.dest = &dest.pub;

    const QImage& image = *job.image;
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.in_color_space = job.inputSpace;
    cinfo.input_components = job.components;
    jpeg_set_defaults(&cinfo); // baseline Huffman tables, 4:2:0 for colour, islow DCT, JFIF marker
    jpeg_set_quality(&cinfo, job.quality, TRUE);
    cinfo.write_JFIF_header = TRUE;
    cinfo.write_Adobe_marker = FALSE;
    cinfo.optimize_coding = FALSE;
    cinfo.density_unit = job.densityUnit;
    cinfo.X_density = job.xDensity;
    cinfo.Y_density = job.yDensity;

    jpeg_start_compress(&cinfo, TRUE); // writes SOI and the JFIF APP0
    if (!job.exifSegment->isEmpty()) {
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1,
            reinterpret_cast<const JOCTET*>(job.exifSegment->constData()),
            static_cast<unsigned int>(job.exifSegment->size()));
    }
    if (!job.iccProfile->isEmpty()) {
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET*>(job.iccProfile->constData()),
            static_cast<unsigned int>(job.iccProfile->size()));
    }

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

bool encodeJpeg(const QImage& image, const JpegEncodeOptions& options, int fd, QString* reason)
{
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (image.isNull() || fd < 0)
        return refuse(QStringLiteral("no image to write"));
    if (image.width() > JPEG_MAX_DIMENSION || image.height() > JPEG_MAX_DIMENSION)
        return refuse(QStringLiteral("image too large for a JPEG (%1 x %2 pixels)")
                          .arg(image.width())
                          .arg(image.height()));
    if (options.exifPayload.size() > kMaxMarkerData - kExifHeaderSize)
        return refuse(QStringLiteral("EXIF block too large for a JPEG"));
    if (options.iccProfile.size() > kMaxIccSize)
        return refuse(QStringLiteral("colour profile too large for a JPEG"));

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
        return refuse(QStringLiteral("out of memory"));

    job.image = &source;
    job.quality = std::clamp(options.quality, 1, 100);
    // JFIF cannot state one resolution without the other: a lone value stands for both.
    std::optional<quint16> x = jfifDensity(options.dpiX);
    std::optional<quint16> y = jfifDensity(options.dpiY);
    if (x || y) {
        job.densityUnit = 1;
        job.xDensity = x.value_or(y.value_or(1));
        job.yDensity = y.value_or(job.xDensity);
    }
    QByteArray exifSegment;
    if (!options.exifPayload.isEmpty()) {
        exifSegment.reserve(kExifHeaderSize + options.exifPayload.size());
        exifSegment.append("Exif\0\0", kExifHeaderSize);
        exifSegment.append(options.exifPayload);
    }
    job.exifSegment = &exifSegment;
    job.iccProfile = &options.iccProfile;

    DescriptorDestination dest(fd);
    Compressor c;
    if (writeJpeg(c, dest, job))
        return true;
    return refuse(writeFailure(dest, c.errors));
}
