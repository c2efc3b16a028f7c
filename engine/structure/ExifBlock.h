// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The orientation inside an EXIF block, for the decoders of containers that carry EXIF as a block of
// their own (HEIF, WebP). A block is the TIFF structure: "II*\0" or "MM\0*", then the directories.
// Free functions of their arguments only; any thread.

/// The Orientation of the block's first directory (IFD0): 1 to 8, or 0 when the block states none, states
/// a value outside 1..8 or cannot be read.
[[nodiscard]] int exifBlockOrientation(QByteArrayView tiff);

/// \a tiff with IFD0's Orientation set to \a orientation (1 to 8) where the block states one; the block
/// unchanged when it states none or cannot be read. The size and every other byte stay as they were.
[[nodiscard]] QByteArray exifBlockWithOrientation(QByteArray tiff, int orientation);
