// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Animated GIFs and PNGs written byte by byte, with personal data planted wherever the formats allow it:
// the sources of the tests of frame-keeping copies. Every planted marker contains kPlanted.

#include <QByteArray>
#include <QList>

inline constexpr char kPlanted[] = "SECRET";

/// One GIF frame as the fixture writes it.
struct GifFrameSpec
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int delay = 0;
    int disposal = 0;
    int transparent = -1;
    QByteArray localTable; ///< RGB triplets; empty for the global table
    QByteArray indices; ///< width x height
    QByteArray afterEndCode; ///< bytes smuggled into the image data after its end code
};

/// The LZW image data (code size byte, sub-blocks, terminator) of \a indices, each code literal (a clear
/// code before the table would widen the codes): a coding no encoder of ours would choose.
[[nodiscard]] QByteArray literalGifData(
    const QByteArray& indices, int minimumCodeSize, const QByteArray& after = {});

/// A GIF89a of \a frames on a \a width x \a height screen with \a globalTable, a loop count of \a loops
/// (none when negative), and \a extras (whole extension blocks) written before the first frame.
[[nodiscard]] QByteArray gifFile(int width, int height, const QByteArray& globalTable,
    const QList<GifFrameSpec>& frames, int loops, const QByteArray& extras = {});

/// Three 12 x 8 frames (delays 10, 25, 40; disposals 1, 2, 3; transparent indices on the second and
/// third; a local table on the second; loop count 3) with a comment before and between frames, a plain
/// text extension, an XMP application extension, text in the unused colour table entries, bytes after
/// the first frame's end code and after the trailer.
[[nodiscard]] QByteArray plantedGif();
/// The frames of plantedGif(), for comparing.
[[nodiscard]] QList<GifFrameSpec> plantedGifFrames();

/// \a count frames of 12 x 8, each a little different, delay 5.
[[nodiscard]] QByteArray manyFrameGif(int count);

/// One APNG frame as the fixture writes it (palette indices, bit depth 8).
struct ApngFrameSpec
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int delayNumerator = 0;
    int delayDenominator = 100;
    int dispose = 0;
    int blend = 0;
    QByteArray indices; ///< width x height
};

/// A PNG chunk: length, type, body, CRC.
[[nodiscard]] QByteArray pngChunk(const char* type, const QByteArray& body);

/// A palette APNG (12 x 8, six palette entries of which three are never drawn and hold text, tRNS) with
/// three frames (the first in IDAT, split over two chunks; the second over two fdAT chunks with bytes after
/// its zlib stream; delays 10, 20, 30 hundredths), tEXt, iTXt and eXIf chunks before and between the
/// frames, and bytes after IEND. Rows use the Sub and Up filters as well as None.
[[nodiscard]] QByteArray plantedApng();
[[nodiscard]] QList<ApngFrameSpec> plantedApngFrames();
/// The palette of plantedApng(), entries 0..2 drawn.
[[nodiscard]] QByteArray plantedApngPalette();
