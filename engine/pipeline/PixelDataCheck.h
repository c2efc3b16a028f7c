// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/ImageFormat.h"

#include <QByteArray>
#include <QString>

// Whether a file holds all the pixels its header promises, judged from its structure without decoding
// it. Qt's BMP and GIF readers report success for a file that ends early and leave the rows they did not
// get as they found them, and libtiff takes other bytes of the file for a strip that is missing; these
// checks let the engine refuse such a file before any reader runs, and give a clear reason when a reader
// of another format fails on one.

/// Why the first frame's pixel data in \a data is not all in the file, in words for the user; empty when
/// it is, for damage of another kind (left to the decoder) and for the formats not listed:
/// - BMP: the rows (from the pixel offset, each padded to four bytes) run past the end of the file, or
///   the run-length codes of an RLE4 or RLE8 file run out before their end-of-bitmap code and before
///   the last pixel;
/// - GIF: the first frame's LZW codes, or the file, end before the frame's last pixel;
/// - PNG: the image data, inflated, is shorter than the rows of every pass (an inflate of the whole
///   image: meant for explaining a failure, not for every file);
/// - TIFF: the first directory, or a strip or tile of its image, lies past the end of the file; or a
///   strip or tile is missing (offset or byte count 0: a reader would take other bytes of the file for
///   it).
/// Any thread.
[[nodiscard]] QString missingPixelData(const QByteArray& data, ImageFormat format);
