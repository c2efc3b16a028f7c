// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/formats/jpeg/JpegBands.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/LibraryMessages.h"
#include "engine/formats/jpeg/JpegPrivate.h"

#include <vector>

using namespace JpegPrivate;

namespace {

/// The output colour space for a decoder whose header was read, or JCS_UNKNOWN for a file that is not
/// copied in bands. The same choice as decodeJpeg's for the files it accepts.
J_COLOR_SPACE bandSpaceOf(const jpeg_decompress_struct& cinfo)
{
    if (cinfo.progressive_mode)
        return JCS_UNKNOWN; // its rows come only after every scan: the coefficients are a frame anyway
    if (cinfo.jpeg_color_space == JCS_GRAYSCALE && cinfo.num_components == 1)
        return JCS_GRAYSCALE;
    if ((cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB)
        && cinfo.num_components == 3)
        return kQRgb32Space;
    return JCS_UNKNOWN;
}

/// Reads the header and starts decompressing, with the checks decodeJpeg makes. False when the file is
/// not copied in bands. Inner halves only: may jump.
bool startBands(jpeg_decompress_struct& cinfo, const QByteArray& data, qint64 maxPixels)
{
    startReading(cinfo, data);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    const qint64 pixelCount = qint64(cinfo.image_width) * qint64(cinfo.image_height);
    if (pixelCount <= 0 || pixelCount > maxPixels || !plausibleDataSize(pixelCount, data.size()))
        return false;
    const J_COLOR_SPACE space = bandSpaceOf(cinfo);
    if (space == JCS_UNKNOWN)
        return false;
    cinfo.out_color_space = space;
    jpeg_start_decompress(&cinfo);
    return cinfo.output_components == (space == JCS_GRAYSCALE ? 1 : 4);
}

bool probe(Decompressor& d, const QByteArray& data, qint64 maxPixels, JpegBands& bands)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump))
        return false;
    if (!startBands(cinfo, data, maxPixels))
        return false;
    bands.size = QSize(int(cinfo.output_width), int(cinfo.output_height));
    bands.gray = cinfo.out_color_space == JCS_GRAYSCALE;
    bands.iccProfile = iccChainOf(cinfo);
    return true;
}

bool readsAsBands(Decompressor& d, const QByteArray& head, int& width)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump))
        return false;
    startReading(cinfo, head);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK || bandSpaceOf(cinfo) == JCS_UNKNOWN)
        return false;
    width = int(cinfo.image_width);
    return true;
}

/// Everything a copying pass needs, prepared by the caller.
struct CopyJob
{
    const JpegBands* source = nullptr;
    const EncodeSettings* settings = nullptr;
    uchar* band = nullptr; ///< kRowsPerCall rows of the source's width
    qsizetype bandStride = 0;
    std::optional<RowsInFile>* rowsInFile = nullptr; ///< receives what the decoder filled in
};

JpegBandCopy copyBands(Decompressor& d, Compressor& c, DescriptorDestination& dest, const CopyJob& job)
{
    if (setjmp(d.errors.jump))
        return JpegBandCopy::ReadFailed;
    if (setjmp(c.errors.jump))
        return JpegBandCopy::WriteFailed;

    jpeg_decompress_struct& in = d.cinfo;
    jpeg_compress_struct& out = c.cinfo;
    // The probe accepted these bytes; reading them again gives the same header.
    if (!startBands(in, job.source->data, qint64(1) << 62)
        || QSize(int(in.output_width), int(in.output_height)) != job.source->size)
        return JpegBandCopy::ReadFailed;
    const bool gray = in.out_color_space == JCS_GRAYSCALE;
    startWriting(out, &dest.pub, *job.settings, int(in.output_width), int(in.output_height),
        gray ? JCS_GRAYSCALE : kQRgb32Space, gray ? 1 : 4);

    JSAMPROW rows[kRowsPerCall];
    for (int i = 0; i < kRowsPerCall; ++i)
        rows[i] = job.band + i * job.bandStride;
    while (in.output_scanline < in.output_height) {
        // The decoder may hand out fewer rows than asked; the band goes on when it is full or ends.
        const int wanted
            = int(std::min<JDIMENSION>(JDIMENSION(kRowsPerCall), in.output_height - in.output_scanline));
        int filled = 0;
        while (filled < wanted) {
            const int got = int(jpeg_read_scanlines(&in, rows + filled, JDIMENSION(wanted - filled)));
            if (got <= 0)
                return JpegBandCopy::ReadFailed;
            filled += got;
        }
        if (jpeg_write_scanlines(&out, rows, JDIMENSION(filled)) != JDIMENSION(filled))
            return JpegBandCopy::WriteFailed;
    }
    // Every row is out: the rows a file cut short lacks are libjpeg's fill, defined. One that lacks only
    // its end marker has lost nothing.
    *job.rowsInFile = rowsInFileOf(in, d.errors);
    if (*job.rowsInFile && (*job.rowsInFile)->present <= 0)
        return JpegBandCopy::ReadFailed;
    jpeg_finish_decompress(&in);
    jpeg_finish_compress(&out); // writes EOI and flushes through the destination
    return JpegBandCopy::Written;
}

} // namespace

bool jpegHeaderAllowsBands(const QByteArray& head, int& width)
{
    // A head cut before the scan reads as a file without an image: an error, so no.
    Decompressor d(FatalWarnings::LostData);
    return readsAsBands(d, head, width);
}

std::optional<JpegBands> openJpegBands(const QByteArray& data, qint64 maxPixels)
{
    if (data.isEmpty())
        return std::nullopt;
    JpegBands bands;
    {
        Decompressor d;
        if (!probe(d, data, maxPixels, bands))
            return std::nullopt;
    }
    bands.data = data;
    return bands;
}

JpegBandCopy copyJpegInBands(
    const JpegBands& source, const JpegEncodeOptions& options, int fd, QString* reason)
{
    const auto refuse = [reason](JpegBandCopy result, const QString& why) {
        if (reason)
            *reason = why;
        return result;
    };
    if (source.data.isEmpty() || source.size.isEmpty() || fd < 0)
        return refuse(JpegBandCopy::WriteFailed, ConversionReasons::tr("no image to write"));
    if (const QString refusal = encodeRefusal(options, source.size.width(), source.size.height());
        !refusal.isEmpty())
        return refuse(JpegBandCopy::WriteFailed, refusal);

    const EncodeSettings settings = encodeSettingsOf(options);
    const qsizetype bandStride = qsizetype(source.size.width()) * (source.gray ? 1 : 4);
    std::vector<uchar> band(size_t(bandStride) * kRowsPerCall);
    CopyJob job;
    job.source = &source;
    job.settings = &settings;
    job.band = band.data();
    job.bandStride = bandStride;
    std::optional<RowsInFile> rowsInFile;
    job.rowsInFile = &rowsInFile;

    DescriptorDestination dest(fd);
    Decompressor d(FatalWarnings::None);
    Compressor c;
    const JpegBandCopy result = copyBands(d, c, dest, job);
    switch (result) {
    case JpegBandCopy::Written:
        if (rowsInFile)
            recordRowsInFile(*rowsInFile);
        return result;
    case JpegBandCopy::ReadFailed: {
        // The caller explains a read failure as a failed decode, with the recorded words.
        const QString failure = d.errors.endOfData ? endsBeforeItsPixelsMessage() : libraryMessage(d.errors);
        if (!failure.isEmpty())
            recordLibraryMessage(failure);
        return refuse(result, failure);
    }
    case JpegBandCopy::WriteFailed:
        break;
    }
    return refuse(result, writeFailure(dest, c.errors));
}
