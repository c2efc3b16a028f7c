// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The JPEG codec: a reader (JpegReader.cpp, with its turning kernel in JpegUprightRows.cpp) and a
// writer (JpegWriter.cpp) on libjpeg-turbo, sharing JpegPrivate.h with the lossless writer.

#include "engine/core/Image.h"
#include "engine/core/Orientation.h"

#include <QByteArray>
#include <QString>

#include <optional>

/// Decodes the JPEG in \a data with libjpeg-turbo straight into the image's buffer: colour as
/// QImage::Format_RGB32, grey as Format_Grayscale8, CMYK and YCCK (Adobe inverted or not) converted
/// to RGB32. The ICC profile (APP2 chunks) is returned in iccProfile as the chunks carry it, but only
/// when the chain of chunks is whole (see joinJpegIccChunks); it is not cleaned and not set as the
/// image's colour space (ImageSource does both). A CMYK profile is dropped with the CMYK pixels.
/// A file that ends before its last row decodes as far as its data goes, the rest filled as libjpeg
/// fills it (flat grey for a sequential file, the detail missing for a progressive one: defined, never
/// memory the decoder did not write); what it held goes to recordRowsInFile. A file that lacks only its
/// end marker has lost nothing. Null, the reason passed to recordLibraryMessage, on any decoder error,
/// for a file that ends before its first row, when the pixel memory cannot be allocated, and when the
/// frame has more than \a maxPixels pixels (checked before any pixel memory is allocated). Other
/// corrupt-data warnings leave the image as libjpeg recovers it. Never prints; thread-safe.
/// With an \a orientation other than Normal the pixels come out turned upright as they are decoded,
/// strip by strip, so turning costs no second full-size image; the sides swap for the transposing turns.
[[nodiscard]] std::optional<Image> decodeJpeg(
    const QByteArray& data, qint64 maxPixels, Orientation orientation = Orientation::Normal);

/// What a JPEG is written with besides its pixels.
struct JpegEncodeOptions
{
    /// libjpeg's quality scale, 1 to 100 (smaller values are taken as 1, larger as 100).
    int quality = 75;
    /// Written as the JFIF density in dots per inch (rounded, 1 to 65535); JFIF holds both or neither,
    /// so a lone value stands for both. Both absent (or not positive): JFIF density unit 0 with a 1:1
    /// aspect, which states no resolution.
    std::optional<double> dpiX;
    std::optional<double> dpiY;
    /// Written as APP2 ICC_PROFILE chunks, unchanged, when not empty.
    QByteArray iccProfile;
    /// The TIFF structure of an EXIF block (starting with "II*\0" or "MM\0*"): written as one APP1
    /// segment "Exif\0\0" + payload right after the JFIF APP0, when not empty.
    QByteArray exifPayload;
};

/// Encodes \a image as a baseline JPEG, 4:2:0, to the open file descriptor \a fd. Writes exactly these
/// markers: SOI, APP0 JFIF, APP1 EXIF (only with a payload), APP2 ICC (only with a profile), the tables,
/// SOF, SOS with the scan, EOI: no comment and nothing else. Grey images (Format_Grayscale8/16) are
/// written with one component; every other format as YCbCr from its RGB, alpha ignored.
/// False, before anything is written, for a null image, a side above 65500, an EXIF payload above
/// 65527 bytes or a profile too large for 255 chunks; false on any encoder or write error (a full disk,
/// a file-size limit), after which the file holds a partial JPEG that the caller must remove. \a reason,
/// when given, receives why: the system's words for a failed write ("No space left on device"), else
/// the encoder's. Writes through write(2), retrying on EINTR; never prints; thread-safe.
[[nodiscard]] bool encodeJpeg(
    const QImage& image, const JpegEncodeOptions& options, int fd, QString* reason = nullptr);
