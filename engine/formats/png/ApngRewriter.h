// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/formats/png/PngWriter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

/// What became of a PNG handed to rewriteApng().
enum class ApngResult {
    Rewritten, ///< the output holds every frame
    NotAnimated, ///< no animation control before the image data, or a single frame
    Refused, ///< the file cannot be rewritten whole; the reason says why
};

/// The outcome of rewriteApng(): the new file, or why there is none.
struct ApngRewrite
{
    ApngResult result = ApngResult::Refused;
    QByteArray file; ///< the rewritten file when Rewritten
    QString reason; ///< why, when Refused
    int frames = 0; ///< the frames the animation control states
};

/// The animated PNG in \a png (an acTL chunk before its first IDAT) rewritten so that it keeps its frames
/// and their timing and nothing else: IHDR, the profile and resolution of \a options as writePng() writes
/// them, PLTE (palette images only; entries no pixel of any frame uses zeroed), tRNS (its entries for
/// unused palette colours made opaque), acTL, every fcTL with IDAT or fdAT, sequence numbers renumbered
/// from 0, and IEND. Every frame's data is inflated, unfiltered, its rows' unused low bits cleared, and
/// filtered and deflated again, so that nothing of the source's coding survives.
///
/// Refused when a kept chunk's CRC is wrong, a chunk is cut short or out of its place, a frame lies
/// outside the image or has no data, a frame's data does not inflate to exactly its rows (what follows
/// the end of a zlib stream is dropped), a row's filter is unknown, a palette index lies outside the palette,
/// the frames do not match the count acTL states, or the frames' pixels together exceed \a maxPixels.
/// Thread-safe; no I/O.
[[nodiscard]] ApngRewrite rewriteApng(QByteArrayView png, const PngWriteOptions& options, qint64 maxPixels);
