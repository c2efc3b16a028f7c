// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Previews of JPEG files from their DC coefficients alone: each 8 x 8 block's average is one pixel of a
// picture at an eighth of the size, the picture libjpeg's smallest scaling gives, without an inverse
// DCT and without the values of the AC coefficients, which are only stepped over. The file list's
// thumbnails of photos come from here.

#include "engine/core/Orientation.h"

#include <QByteArray>
#include <QImage>

/// The JPEG in \a data at an eighth of its size (each side rounded up, as libjpeg scales), as
/// Format_RGB32 for colour or Format_Grayscale8 for grey, turned upright by \a orientation. Null when
/// the file is not a sequential, Huffman-coded 8-bit JPEG in YCbCr or grey with every component in its
/// first scan, when that scan is damaged or cut short, or when the frame has more than \a maxPixels
/// pixels (checked before anything is allocated). Never prints; thread-safe.
[[nodiscard]] QImage decodeJpegEighth(const QByteArray& data, Orientation orientation, qint64 maxPixels);
