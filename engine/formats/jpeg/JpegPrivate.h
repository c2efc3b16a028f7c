// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/ConversionReasons.h"

// What the engine's JPEG source files share, on top of libjpeg: the codec's reader (JpegReader.cpp), its
// writer (JpegWriter.cpp) and its row-turning kernel (JpegUprightRows.cpp), and the lossless writer
// (JpegLossless*.cpp). Private to the engine.
//
// libjpeg reports errors by calling error_exit, which must not return. Every function that calls libjpeg
// therefore comes in two halves: an outer one that owns all C++ objects (images, byte arrays, buffers)
// and an inner one that sets the jump target, holds nothing with a destructor, and is left by longjmp on
// any error.

#include "engine/core/DescriptorIo.h"
#include "engine/core/LibraryMessages.h"
#include "engine/core/Orientation.h"
#include "engine/formats/jpeg/JpegCodec.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE
#include <jconfig.h> // before jerror.h, whose arithmetic-coding messages depend on it
#include <jerror.h>
#include <jpeglib.h>
#include <memory>
#include <optional>
#include <type_traits>

namespace JpegPrivate {

/// Which of libjpeg's warnings end the work as an error; the others are counted and the work goes on.
enum class FatalWarnings {
    /// Only a premature end of the data, after which libjpeg pads the picture with grey.
    EndOfData,
    /// Every sign of missing or made-up coefficients: an early end of the data, an invalid code, a
    /// marker inside a scan, a broken progression. The remaining warnings (bytes skipped between
    /// segments, unknown header versions) leave every coefficient as the source has it.
    LostData,
    None,
};

/// libjpeg's error manager with the jump target of the call in progress and the text of the error
/// that ended it.
struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    FatalWarnings fatal = FatalWarnings::EndOfData;
    char message[JMSG_LENGTH_MAX] = {};
    /// A decoder's data ended early: libjpeg went on as if an end marker followed.
    bool endOfData = false;
    /// After the end of the data: the stored rows above the first block that had no data left, or -1
    /// while no block lacked data.
    int rowsWithData = -1;
    /// After the end of the data: a refining scan of a progressive file lacked data.
    bool lessDetail = false;
};

/// Keeps where a decoder ran out of data. libjpeg decodes every block it has no data for as if it held
/// no coefficients: a defined flat grey for a sequential file, the detail missing for a progressive one.
inline void noteEndOfData(const jpeg_decompress_struct& cinfo, ErrorManager& errors, int code)
{
    if (code == JWRN_JPEG_EOF)
        errors.endOfData = true;
    // The Huffman decoder says when it needs bits that are not there; the arithmetic one reads zeros on.
    const bool lacking = code == JWRN_HIT_MARKER || (code == JWRN_JPEG_EOF && cinfo.arith_code);
    if (!errors.endOfData || !lacking || errors.rowsWithData >= 0 || errors.lessDetail
        || cinfo.input_scan_number <= 0)
        return;
    if (cinfo.progressive_mode && (cinfo.Ss != 0 || cinfo.Ah != 0)) {
        errors.lessDetail = true; // every row had its first scan
        return;
    }
    const qint64 rows = qint64(cinfo.input_iMCU_row) * cinfo.max_v_samp_factor * DCTSIZE;
    errors.rowsWithData = int(std::min<qint64>(rows, cinfo.image_height));
}

[[noreturn]] inline void exitOnError(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

inline bool warningIsFatal(FatalWarnings fatal, int code)
{
    switch (fatal) {
    case FatalWarnings::EndOfData:
        return code == JWRN_JPEG_EOF;
    case FatalWarnings::LostData:
        return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE
            || code == JWRN_ARITH_BAD_CODE || code == JWRN_MUST_RESYNC || code == JWRN_BOGUS_PROGRESSION
            || code == JWRN_NOT_SEQUENTIAL;
    case FatalWarnings::None:
        break;
    }
    return false;
}

inline void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (warningIsFatal(errors->fatal, cinfo->err->msg_code))
        exitOnError(cinfo);
    if (cinfo->is_decompressor)
        noteEndOfData(*reinterpret_cast<j_decompress_ptr>(cinfo), *errors, cinfo->err->msg_code);
    // Other corrupt-data warnings leave a usable image, as in every common viewer.
    ++cinfo->err->num_warnings;
}

inline void outputMessage(j_common_ptr) { }

/// A libjpeg object destroyed whatever way its work ended; zeroed before its error manager is installed
/// so that destroying one whose creation failed is harmless.
template<typename Struct, void (*destroy)(Struct*)> struct JpegObject
{
    Struct cinfo {};
    ErrorManager errors;

    explicit JpegObject(FatalWarnings fatal = FatalWarnings::EndOfData)
    {
        jpeg_std_error(&errors.pub);
        errors.pub.error_exit = exitOnError;
        errors.pub.emit_message = emitMessage;
        errors.pub.output_message = outputMessage;
        errors.fatal = fatal;
        cinfo.err = &errors.pub;
    }
    ~JpegObject() { destroy(&cinfo); }
    JpegObject(const JpegObject&) = delete;
    JpegObject& operator=(const JpegObject&) = delete;
};

using Decompressor = JpegObject<jpeg_decompress_struct, jpeg_destroy_decompress>;
using Compressor = JpegObject<jpeg_compress_struct, jpeg_destroy_compress>;

/// What libjpeg said when it stopped with an error.
[[nodiscard]] inline QString libraryMessage(const ErrorManager& errors)
{
    return QString::fromLatin1(errors.message);
}

/// A destination manager that collects the output in a buffer and writes it to a file descriptor,
/// keeping the system's error number of a write that failed. Owned by the outer half of a call.
struct DescriptorDestination
{
    static constexpr std::size_t kBufferSize = 64 * 1024;

    explicit DescriptorDestination(int descriptor)
        : fd(descriptor)
        , buffer(new JOCTET[kBufferSize])
    {
        pub.init_destination = start;
        pub.empty_output_buffer = flushWhole;
        pub.term_destination = flushRest;
    }
    ~DescriptorDestination() { delete[] buffer; }
    DescriptorDestination(const DescriptorDestination&) = delete;
    DescriptorDestination& operator=(const DescriptorDestination&) = delete;

    jpeg_destination_mgr pub {};
    int fd = -1;
    int error = 0; ///< the system's error number when a write failed
    // A plain pointer: a smart pointer need not be standard layout (clang's view of libstdc++'s is not).
    JOCTET* buffer = nullptr;

private:
    static DescriptorDestination& of(j_compress_ptr cinfo)
    {
        return *reinterpret_cast<DescriptorDestination*>(cinfo->dest);
    }
    static void start(j_compress_ptr cinfo)
    {
        DescriptorDestination& dest = of(cinfo);
        dest.pub.next_output_byte = dest.buffer;
        dest.pub.free_in_buffer = kBufferSize;
    }
    static boolean flushWhole(j_compress_ptr cinfo)
    {
        DescriptorDestination& dest = of(cinfo);
        // libjpeg ignores free_in_buffer here: the whole buffer is due.
        dest.write(cinfo, kBufferSize);
        dest.pub.next_output_byte = dest.buffer;
        dest.pub.free_in_buffer = kBufferSize;
        return TRUE;
    }
    static void flushRest(j_compress_ptr cinfo)
    {
        DescriptorDestination& dest = of(cinfo);
        const std::size_t used = kBufferSize - dest.pub.free_in_buffer;
        if (used > 0)
            dest.write(cinfo, used);
    }
    void write(j_compress_ptr cinfo, std::size_t length)
    {
        error = writeFully(fd, buffer, length).error;
        if (error != 0)
            ERREXIT(cinfo, JERR_FILE_WRITE);
    }
};
// libjpeg hands the destination back as its first member.
static_assert(std::is_standard_layout_v<DescriptorDestination>);

/// Why writing through \a destination failed: the system's words when a write
/// failed, else libjpeg's.
[[nodiscard]] inline QString writeFailure(
    const DescriptorDestination& destination, const ErrorManager& errors)
{
    if (destination.error != 0)
        return systemErrorText(destination.error);
    const QString message = libraryMessage(errors);
    return message.isEmpty() ? ConversionReasons::tr("the JPEG could not be encoded") : message;
}

/// The JFIF density for a resolution in dots per inch, or nothing for an unusable value.
[[nodiscard]] inline std::optional<quint16> jfifDensity(const std::optional<double>& dpi)
{
    if (!dpi || !std::isfinite(*dpi) || *dpi <= 0)
        return std::nullopt;
    return quint16(std::lround(std::clamp(*dpi, 1.0, 65535.0)));
}

/// Rows handed to libjpeg in one call.
inline constexpr int kRowsPerCall = 16;
/// QImage::Format_RGB32 as libjpeg-turbo names it.
inline constexpr J_COLOR_SPACE kQRgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

inline constexpr qsizetype kMaxMarkerData = 65533;
inline constexpr qsizetype kMaxIccDataPerMarker = 65519; // 65533 minus "ICC_PROFILE\0", sequence and count
inline constexpr qsizetype kMaxIccSize = 255 * kMaxIccDataPerMarker;

/// Whether \a bytes of JPEG data can hold a frame of \a pixels. A decoder that runs out of data fills
/// the rest of the frame without complaint, so a few kilobytes claiming hundreds of megapixels would
/// cost seconds and a gigabyte; even a frame of one flat colour needs well over one byte per thousand
/// pixels. Small frames always pass.
[[nodiscard]] inline bool plausibleDataSize(qint64 pixels, qint64 bytes)
{
    constexpr qint64 kAlwaysRead = qint64(16) << 20;
    return pixels <= kAlwaysRead || bytes >= pixels / 1024;
}

/// What the writer puts around the pixels, prepared from JpegEncodeOptions by the outer half of a call.
struct EncodeSettings
{
    int quality = 75;
    UINT8 densityUnit = 0;
    UINT16 xDensity = 1;
    UINT16 yDensity = 1;
    QByteArray exifSegment; ///< "Exif\0\0" + payload, or empty
    QByteArray iccProfile;
};

/// Why \a options cannot be written with a \a width x \a height image, or empty when they can.
[[nodiscard]] QString encodeRefusal(const JpegEncodeOptions& options, int width, int height);
/// The settings for \a options (which encodeRefusal accepted).
[[nodiscard]] EncodeSettings encodeSettingsOf(const JpegEncodeOptions& options);

/// Creates \a cinfo's compressor writing to \a destination and sets it up as every output of ours is
/// written (baseline, 4:2:0 for colour, the quality, JFIF with the density, no Adobe marker), without
/// writing anything yet. Inner halves only: may jump.
void setUpWriting(jpeg_compress_struct& cinfo, jpeg_destination_mgr* destination,
    const EncodeSettings& settings, int width, int height, J_COLOR_SPACE inputSpace, int components);
/// Writes everything before the first row: SOI, JFIF, the EXIF segment, the profile. Inner halves
/// only: may jump.
void beginWriting(jpeg_compress_struct& cinfo, const EncodeSettings& settings);
/// setUpWriting, then beginWriting.
void startWriting(jpeg_compress_struct& cinfo, jpeg_destination_mgr* destination,
    const EncodeSettings& settings, int width, int height, J_COLOR_SPACE inputSpace, int components);

/// The profile carried by the APP2 "ICC_PROFILE" segments libjpeg saved in \a cinfo, joined only when the
/// chain is whole. Calls nothing in libjpeg, so no jump can skip the destructors of what it holds.
[[nodiscard]] QByteArray iccChainOf(const jpeg_decompress_struct& cinfo);

/// How much of its picture the file being decoded by \a cinfo held, once its rows are out: the rows
/// above the first block whose data was not in the file, and whether a progressive file lacks scans that
/// add detail. Empty for a file that holds every row and every scan (one that lacks only its end marker).
/// Calls nothing in libjpeg.
[[nodiscard]] std::optional<RowsInFile> rowsInFileOf(
    const jpeg_decompress_struct& cinfo, const ErrorManager& errors);

/// Starts reading \a data with \a cinfo (created here). Inner halves only: may jump.
inline void startReading(jpeg_decompress_struct& cinfo, const QByteArray& data)
{
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
        static_cast<unsigned long>(data.size()));
}

// The row-turning kernel (JpegUprightRows.cpp)

/// Copies \a count decoded rows of \a width pixels of \a bytesPerPixel (1 or 4) from \a strip (rows
/// \a stripStride apart), the first being stored row \a firstRow of a \a width x \a height picture, to
/// their places in the picture turned upright by \a orientation, whose rows start \a stride apart at
/// \a base.
void placeUprightRows(const uchar* strip, qsizetype stripStride, int count, int firstRow, int width,
    int height, int bytesPerPixel, Orientation orientation, uchar* base, qsizetype stride);

} // namespace JpegPrivate
