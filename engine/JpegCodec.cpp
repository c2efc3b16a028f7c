// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JpegCodec.h"

#include "engine/ColorProfile.h"
#include "engine/PixelPool.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <emmintrin.h>
#include <jerror.h>
#include <jpeglib.h>
#include <memory>
#include <unistd.h>
#include <vector>

// libjpeg reports errors by calling error_exit, which must not return. Every function below that calls
// libjpeg therefore comes in two halves: an outer one that owns all C++ objects (images, byte arrays,
// buffers) and an inner one that sets the jump target, holds nothing with a destructor, and is left
// by longjmp on any error.

namespace {

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    /// A premature end of the data makes libjpeg pad the rest with grey and only warn; while this is
    /// set such a warning ends the decoding as an error.
    bool endOfDataIsFatal = true;
};

[[noreturn]] void exitOnError(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(errors->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (cinfo->err->msg_code == JWRN_JPEG_EOF && errors->endOfDataIsFatal)
        std::longjmp(errors->jump, 1);
    // Other corrupt-data warnings leave a usable image, as in every common viewer.
    ++cinfo->err->num_warnings;
}

void outputMessage(j_common_ptr) { }

void installErrorManager(ErrorManager& errors)
{
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = exitOnError;
    errors.pub.emit_message = emitMessage;
    errors.pub.output_message = outputMessage;
}

/// Destroys a libjpeg object whatever way its work ended. The struct must be zeroed before its error
/// manager is installed so that destroying an object whose creation failed is harmless.
template<typename Struct, void (*destroy)(Struct*)> struct JpegObject
{
    Struct cinfo {};
    ErrorManager errors;

    JpegObject()
    {
        installErrorManager(errors);
        cinfo.err = &errors.pub;
    }
    ~JpegObject() { destroy(&cinfo); }
    JpegObject(const JpegObject&) = delete;
    JpegObject& operator=(const JpegObject&) = delete;
};

using Decompressor = JpegObject<jpeg_decompress_struct, jpeg_destroy_decompress>;
using Compressor = JpegObject<jpeg_compress_struct, jpeg_destroy_compress>;

constexpr int kRowsPerCall = 16;
/// Rows gathered before a turn by a quarter places them: the longer the runs it writes, the fewer the
/// pages it touches per pixel.
constexpr int kTurnStripRows = 64;

constexpr J_COLOR_SPACE kQRgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// ---------------------------------------------------------------------------------------------------------
// Decoding

/// The caller-owned results of one decoding pass.
struct DecodeTarget
{
    qint64 maxPixels = 0;
    int orientation = 1; ///< 2..8: written upright, strip by strip
    QImage pixels;
    QByteArray iccProfile;
    std::vector<uchar> strip; ///< decoded rows waiting to be turned into place
};

/// Where the stored pixel (x, y) of a \a width x \a height image lands when the image is turned upright
/// for EXIF \a orientation (top-left origin, y down).
inline void uprightPosition(int orientation, int width, int height, int x, int y, int& ux, int& uy)
{
    switch (orientation) {
    case 2:
        ux = width - 1 - x;
        uy = y;
        break;
    case 3:
        ux = width - 1 - x;
        uy = height - 1 - y;
        break;
    case 4:
        ux = x;
        uy = height - 1 - y;
        break;
    case 5:
        ux = y;
        uy = x;
        break;
    case 6:
        ux = height - 1 - y;
        uy = x;
        break;
    case 7:
        ux = height - 1 - y;
        uy = width - 1 - x;
        break;
    case 8:
        ux = y;
        uy = width - 1 - x;
        break;
    default:
        ux = x;
        uy = y;
        break;
    }
}

/// Copies \a count decoded rows, starting at stored row \a firstRow, into their upright places.
template<typename Pixel>
void placeRows(const uchar* strip, qsizetype stripStride, int count, int firstRow, int width, int height,
    int orientation, uchar* base, qsizetype stride)
{
    if (orientation <= 4) {
        // Rows stay rows, possibly mirrored or moved.
        for (int i = 0; i < count; ++i) {
            int ux = 0, uy = 0;
            uprightPosition(orientation, width, height, 0, firstRow + i, ux, uy);
            const auto* in = reinterpret_cast<const Pixel*>(strip + i * stripStride);
            auto* out = reinterpret_cast<Pixel*>(base + uy * stride);
            if (ux == 0)
                std::memcpy(out, in, size_t(width) * sizeof(Pixel));
            else
                std::reverse_copy(in, in + width, out);
        }
        return;
    }
    // Rows become columns: each stored column of the strip is a run in one upright row. Going through
    // the strip in narrow bands keeps the few upright rows being written, and their pages, at hand.
    constexpr int kBand = 32;
    const int step = (orientation == 5 || orientation == 8) ? 1 : -1;
    Pixel* out[kBand];
    for (int band = 0; band < width; band += kBand) {
        const int columns = std::min(kBand, width - band);
        for (int c = 0; c < columns; ++c) {
            int ux0 = 0, uy = 0;
            uprightPosition(orientation, width, height, band + c, firstRow, ux0, uy);
            out[c] = reinterpret_cast<Pixel*>(base + uy * stride) + ux0;
        }
        int i = 0;
        if constexpr (sizeof(Pixel) == 4) {
            // Four rows by four columns at a time, turned in registers.
            const int wholeColumns = columns & ~3;
            for (; i + 4 <= count; i += 4) {
                const auto* in = reinterpret_cast<const Pixel*>(strip + i * stripStride) + band;
                for (int c = 0; c < wholeColumns; c += 4) {
                    __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + c));
                    __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + stripStride / 4 + c));
                    __m128i r2
                        = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * stripStride / 4 + c));
                    __m128i r3
                        = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * stripStride / 4 + c));
                    const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
                    const __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
                    __m128i columnsOf[4] = { _mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                        _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3) };
                    for (int k = 0; k < 4; ++k) {
                        if (step > 0) {
                            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[c + k] + i), columnsOf[k]);
                        } else {
                            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[c + k] - i - 3),
                                _mm_shuffle_epi32(columnsOf[k], _MM_SHUFFLE(0, 1, 2, 3)));
                        }
                    }
                }
                for (int c = wholeColumns; c < columns; ++c) {
                    for (int k = 0; k < 4; ++k)
                        out[c][step * (i + k)]
                            = reinterpret_cast<const Pixel*>(strip + (i + k) * stripStride)[band + c];
                }
            }
        }
        for (; i < count; ++i) {
            const Pixel* in = reinterpret_cast<const Pixel*>(strip + i * stripStride) + band;
            for (int c = 0; c < columns; ++c)
                out[c][step * i] = in[c];
        }
    }
}

/// Whether \a bytes of JPEG data can hold a frame of \a pixels. A decoder that runs out of data fills
/// the rest of the frame with grey without complaint, so a few kilobytes claiming hundreds of
/// megapixels would cost seconds and a gigabyte; even a frame of one flat colour needs well over one
/// byte per thousand pixels. Small frames are always decoded.
bool plausibleDataSize(qint64 pixels, qint64 bytes)
{
    constexpr qint64 kAlwaysDecoded = qint64(16) << 20;
    return pixels <= kAlwaysDecoded || bytes >= pixels / 1024;
}

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

/// The profile carried by the APP2 "ICC_PROFILE" segments libjpeg saved, joined only when the chain is
/// whole. Calls nothing in libjpeg, so no jump can skip the destructors of what it holds.
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

bool readPixels(Decompressor& d, const QByteArray& data, DecodeTarget& target)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump))
        return false;

    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
        static_cast<unsigned long>(data.size()));
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

    const int orientation = target.orientation >= 2 && target.orientation <= 8 ? target.orientation : 1;
    const bool swapsSides = orientation >= 5;
    target.pixels = pooledImage(swapsSides ? height : width, swapsSides ? width : height, format);
    if (target.pixels.isNull())
        return false;
    uchar* const base = target.pixels.bits();
    const qsizetype stride = target.pixels.bytesPerLine();
    const int bytesPerPixel = format == QImage::Format_Grayscale8 ? 1 : 4;
    const qsizetype stripStride = qsizetype(width) * bytesPerPixel;
    const int stripRows = swapsSides ? kTurnStripRows : kRowsPerCall;
    if (orientation != 1)
        target.strip.resize(size_t(stripStride) * size_t(stripRows));

    JSAMPROW rows[kRowsPerCall];
    int stripFirst = 0; // the stored row at the top of the strip
    int stripFilled = 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int first = int(cinfo.output_scanline);
        const int wanted = std::min({ kRowsPerCall, height - first, stripRows - stripFilled });
        for (int i = 0; i < wanted; ++i) {
            rows[i] = orientation == 1 ? base + (first + i) * stride
                                       : target.strip.data() + (stripFilled + i) * stripStride;
        }
        const int got = int(jpeg_read_scanlines(&cinfo, rows, JDIMENSION(wanted)));
        if (got <= 0)
            return false;
        if (cmyk) {
            for (int i = 0; i < got; ++i)
                cmykToRgb32(rows[i], width, inverted);
        }
        if (orientation == 1)
            continue;
        stripFilled += got;
        if (stripFilled < stripRows && int(cinfo.output_scanline) < height)
            continue;
        if (bytesPerPixel == 4) {
            placeRows<quint32>(target.strip.data(), stripStride, stripFilled, stripFirst, width, height,
                orientation, base, stride);
        } else {
            placeRows<uchar>(target.strip.data(), stripStride, stripFilled, stripFirst, width, height,
                orientation, base, stride);
        }
        stripFirst += stripFilled;
        stripFilled = 0;
    }

    // Every pixel is in; a file that lacks only its end marker has lost nothing.
    d.errors.endOfDataIsFatal = false;
    jpeg_finish_decompress(&cinfo);
    return true;
}

bool readHeader(Decompressor& d, const QByteArray& data, JpegHeaderInfo& info)
{
    jpeg_decompress_struct& cinfo = d.cinfo;
    if (setjmp(d.errors.jump))
        return false;

    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
        static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    info.width = int(cinfo.image_width);
    info.height = int(cinfo.image_height);
    info.components = cinfo.num_components;
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Encoding

constexpr size_t kWriteBufferSize = 64 * 1024;
constexpr int kExifHeaderSize = 6; // "Exif\0\0"
constexpr qsizetype kMaxMarkerData = 65533;
constexpr qsizetype kMaxIccDataPerMarker = 65519; // 65533 minus "ICC_PROFILE\0", sequence and count
constexpr qsizetype kMaxIccSize = 255 * kMaxIccDataPerMarker;

bool writeAll(int fd, const JOCTET* data, size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0)
            return false;
        data += written;
        length -= size_t(written);
    }
    return true;
}

/// A destination manager that collects the output in a buffer and writes it to a file descriptor.
struct FdDestination
{
    jpeg_destination_mgr pub;
    int fd = -1;
    JOCTET* buffer = nullptr;
};

void initDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<FdDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kWriteBufferSize;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<FdDestination*>(cinfo->dest);
    // libjpeg ignores free_in_buffer here: the whole buffer is due.
    if (!writeAll(dest->fd, dest->buffer, kWriteBufferSize))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kWriteBufferSize;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<FdDestination*>(cinfo->dest);
    const size_t used = kWriteBufferSize - dest->pub.free_in_buffer;
    if (used > 0 && !writeAll(dest->fd, dest->buffer, used))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

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

bool writeJpeg(Compressor& c, FdDestination& dest, const EncodeJob& job)
{
    jpeg_compress_struct& cinfo = c.cinfo;
    if (setjmp(c.errors.jump))
        return false;

    jpeg_create_compress(&cinfo);
    dest.pub.init_destination = initDestination;
    dest.pub.empty_output_buffer = emptyOutputBuffer;
    dest.pub.term_destination = termDestination;
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
    jpeg_finish_compress(&cinfo); // writes EOI and flushes through termDestination
    return true;
}

/// The JFIF density for a resolution in dots per inch, or nothing for an unusable value.
std::optional<UINT16> jfifDensity(const std::optional<double>& dpi)
{
    if (!dpi || !std::isfinite(*dpi) || *dpi <= 0)
        return std::nullopt;
    return UINT16(std::lround(std::clamp(*dpi, 1.0, 65535.0)));
}

} // namespace

std::optional<JpegHeaderInfo> readJpegHeader(const QByteArray& data)
{
    if (data.isEmpty())
        return std::nullopt;
    Decompressor d;
    JpegHeaderInfo info;
    if (!readHeader(d, data, info))
        return std::nullopt;
    return info;
}

std::optional<Image> decodeJpeg(const QByteArray& data, qint64 maxPixels, int orientation)
{
    if (data.isEmpty())
        return std::nullopt;
    DecodeTarget target;
    target.maxPixels = maxPixels;
    target.orientation = orientation;
    {
        Decompressor d;
        if (!readPixels(d, data, target))
            return std::nullopt;
    }
    Image result;
    result.pixels = std::move(target.pixels);
    result.iccProfile = std::move(target.iccProfile);
    return result;
}

bool encodeJpeg(const QImage& image, const JpegEncodeOptions& options, int fd)
{
    if (image.isNull() || fd < 0 || image.width() > JPEG_MAX_DIMENSION || image.height() > JPEG_MAX_DIMENSION)
        return false;
    if (options.exifPayload.size() > kMaxMarkerData - kExifHeaderSize
        || options.iccProfile.size() > kMaxIccSize)
        return false;

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
        return false;

    job.image = &source;
    job.quality = std::clamp(options.quality, 1, 100);
    // JFIF cannot state one resolution without the other: a lone value stands for both.
    std::optional<UINT16> x = jfifDensity(options.dpiX);
    std::optional<UINT16> y = jfifDensity(options.dpiY);
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

    const std::unique_ptr<JOCTET[]> buffer(new JOCTET[kWriteBufferSize]);
    FdDestination dest;
    dest.fd = fd;
    dest.buffer = buffer.get();
    Compressor c;
    return writeJpeg(c, dest, job);
}
