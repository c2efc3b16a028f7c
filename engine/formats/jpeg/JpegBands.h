// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// JPEG to JPEG without a frame: the rows decoded a band at a time go straight to the encoder, through one
// band's buffer, so that a photo re-encoded as it stands never has all its pixels in memory at once.

#include "engine/formats/jpeg/JpegCodec.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

/// A JPEG whose rows can be decoded band by band into an encoder: a sequential (not progressive) file
/// in YCbCr, RGB or grey, whose header and first scan's set-up decoded without error. Its rows come out
/// exactly as decodeJpeg decodes them without a turn (RGB32 or grey).
struct JpegBands
{
    QByteArray data; ///< the whole file, shared with its source
    QSize size;
    bool gray = false;
    QByteArray iccProfile; ///< as decodeJpeg returns it: the APP2 chain when whole, not cleaned
};

/// \a data opened for banded copying, or nothing when it does not qualify (progressive, CMYK, another
/// colour space) or decodeJpeg would refuse it before its first row (a damaged header, more than
/// \a maxPixels pixels, too few bytes for its size). Decodes no pixels. Never prints; thread-safe.
[[nodiscard]] std::optional<JpegBands> openJpegBands(const QByteArray& data, qint64 maxPixels);

/// Whether a JPEG whose file begins with \a head is copied in bands as far as its header tells (sequential;
/// YCbCr, RGB or grey), with its width in \a width. False when it is not, and when \a head ends before
/// the header of the first scan. For estimates made before a file is read whole; never prints.
[[nodiscard]] bool jpegHeaderAllowsBands(const QByteArray& head, int& width);

enum class JpegBandCopy {
    Written,
    /// The source failed where decodeJpeg fails (cut short before its first row, a decoder error): the
    /// file holds a partial JPEG that the caller must remove.
    ReadFailed,
    /// As for encodeJpeg's failures; \a reason says why.
    WriteFailed,
};

/// Decodes \a source band by band and encodes each band to the open file descriptor \a fd as encodeJpeg
/// encodes the decoded image with \a options: the same bytes, with one band of rows in memory instead of
/// the frame. A source cut short is written as decodeJpeg decodes it, and what it held goes to
/// recordRowsInFile.
[[nodiscard]] JpegBandCopy copyJpegInBands(
    const JpegBands& source, const JpegEncodeOptions& options, int fd, QString* reason = nullptr);
