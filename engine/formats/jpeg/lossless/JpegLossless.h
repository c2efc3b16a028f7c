// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/ImageFormat.h"
#include "engine/core/Orientation.h"

#include <QByteArray>
#include <QString>

#include <optional>

/// What a JPEG cleaned without re-encoding is written with besides the source's coefficients.
struct LosslessJpegOptions
{
    /// The orientation to turn the image upright by; Normal keeps it as stored. A turned output states no
    /// orientation: it is upright.
    Orientation orientation = Orientation::Normal;
    /// Written as APP2 ICC_PROFILE chunks, unchanged, when not empty (the caller cleans it first).
    QByteArray iccProfile;
    /// Written as the JFIF density in dots per inch (rounded, 1 to 65535); a lone value stands for both.
    /// Both absent (or not positive): density unit 0 with a 1:1 aspect, which states no resolution.
    std::optional<double> dpiX;
    std::optional<double> dpiY;
    /// Frames with more pixels than this are refused before anything is allocated for them.
    qint64 maxPixels = kMaxDecodedPixels;
};

enum class LosslessJpegResult {
    Written, ///< the file holds the complete cleaned JPEG
    /// Only a re-encode keeps the pixels: the turn asked for would need whole MCUs at an edge that the
    /// image's size cuts through, a progressive source leaves coefficients unrefined, which decoders
    /// fill in from neighbouring blocks, or components that share a quantisation table's slot were
    /// decoded with different tables (defined anew between their scans). Nothing was written.
    NeedsReencode,
    /// The source is not a JPEG this can carry over (truncated, corrupt, an unsupported kind), or the
    /// output could not be written. The reason says which; the file may hold a partial output then,
    /// which the caller must remove.
    Failed,
};

/// Writes the JPEG in \a source to the open file descriptor \a fd without decoding its pixels: the
/// quantised DCT coefficients are carried over unchanged (or turned exactly for \a options.orientation),
/// so the output decodes to the very pixels of the source, or of the source turned as
/// `jpegtran -perfect` turns it.
///
/// The output holds exactly: SOI, a JFIF APP0 with the density (for grey, YCbCr, CMYK and YCCK frames;
/// JFIF would make an RGB frame read as YCbCr), an Adobe APP14 where the colour transform needs one
/// (CMYK that had one, YCCK, RGB), the ICC profile as APP2 chunks, the tables, the frame, the scan and
/// EOI. None of the source's application segments, comments, or bytes after its image is
/// kept. An upright baseline source whose scan is proven to hold nothing but its MCUs (every MCU
/// decodes, padding bits are ones, each restart interval ends in the next RST marker, and no byte
/// follows the last MCU before the next marker) and nothing beside its picture (each Huffman table is
/// a standard one of JPEG's Annex K or codes only symbols the scan uses, and each block of an edge MCU
/// that lies wholly beyond the frame is empty: no DC difference, no AC coefficient) keeps its scan
/// bytes, Huffman tables and restart markers as they are; every other source (progressive,
/// arithmetic-coded, several scans, a scan with anything else in it, a turn) is written as one
/// baseline scan with Huffman tables that code exactly the symbols it uses, libjpeg's empty padding
/// blocks and no restart markers. The quantisation tables are the source's own, except that an entry
/// whose coefficient is zero in every block of every component using the table is written as 1 (it
/// multiplies nothing, so the pixels stay the same). Greyscale, CMYK and YCCK frames keep their
/// components.
///
/// Refused (Failed, nothing written) before any coefficient memory is used: data that is not a JPEG
/// libjpeg reads, a frame above \a options.maxPixels, a frame far larger than its data could hold, a
/// profile too large for 255 chunks. Refused after reading, still with nothing written: truncated or
/// corrupt entropy-coded data (libjpeg's warnings of missing data, bad codes and markers inside a scan).
/// The coefficients of a turned or re-coded output take 2 bytes per sample of every component (the
/// memory of the frame pool, as a decode uses it). Writes through write(2), retrying on
/// EINTR. Never prints; thread-safe. \a reason, when given, receives why for any result but Written.
[[nodiscard]] LosslessJpegResult writeJpegLosslessly(
    const QByteArray& source, const LosslessJpegOptions& options, int fd, QString* reason = nullptr);
