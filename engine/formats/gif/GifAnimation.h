// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

/// What became of a GIF handed to rewriteAnimatedGif().
enum class GifAnimationResult {
    Rewritten, ///< the output holds every frame
    NotAnimated, ///< one frame or none: the usual single-frame path applies
    Refused, ///< the file cannot be rewritten whole; the reason says why
};

/// The animated GIF in \a gif rewritten so that it keeps its frames and nothing else.
///
/// Every frame is decoded from its LZW codes to colour indices and compressed again by our own encoder,
/// so that nothing of the source's coding survives (bytes after an end code, unused sub-blocks, odd code
/// sizes). Kept: the logical screen and its background index, the global and local colour tables at their
/// sizes (entries no frame draws are zeroed), each frame's position, interlacing, delay, disposal and
/// transparent index (its graphic control extension), and the loop count of a NETSCAPE2.0 extension.
/// Dropped: comments, plain text, every other application extension, the aspect ratio, anything after
/// the trailer.
///
/// Refused when a frame's codes end before its last pixel, a code is not in the table, an index lies
/// outside the frame's colour table, a frame has no colour table, a block is not one GIF knows, or the
/// frames' pixels together exceed \a maxPixels (a file of many frames is as much a bomb as a file of one
/// huge frame). Thread-safe; no I/O.
struct GifAnimation
{
    GifAnimationResult result = GifAnimationResult::Refused;
    QByteArray file; ///< the rewritten file when Rewritten
    QString reason; ///< why, when Refused
    int frames = 0; ///< the frames found (when Rewritten, the frames written)
};
[[nodiscard]] GifAnimation rewriteAnimatedGif(QByteArrayView gif, qint64 maxPixels);
