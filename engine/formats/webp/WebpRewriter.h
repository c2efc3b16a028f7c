// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

// A clean WebP copy made by rewriting the file's RIFF chunks instead of decoding and encoding its
// pixels: the compressed pictures are carried over byte for byte, so a lossy file loses nothing more and
// an animation keeps every frame. No libwebp: the walk reads only chunk headers and the few bytes of
// each bitstream's header that state its size.
//
// What the copy holds:
// - a still image's 'ALPH' and 'VP8 ', or its 'VP8L', as stored;
// - an animation's 'ANIM' (background colour and loop count) and every 'ANMF' frame with its position,
//   duration, blending and disposal, and the frame's own 'ALPH' and 'VP8 ' or 'VP8L' as stored; the
//   reserved bits of the frame's flags are written as zero;
// - the 'ICCP' profile as cleanColorProfile() leaves it, or none when that drops it;
// - a 'VP8X' written anew, only when the copy needs one (a profile, an 'ALPH' chunk, an animation): its
//   flags say profile, alpha and animation as the copy has them, never EXIF or XMP; the canvas is the
//   still image's own size, or the animation's canvas once every frame is checked to lie inside it.
// Everything else goes: 'EXIF', 'XMP ', chunks of any other kind at either level, and whatever follows
// the RIFF structure. Padding bytes are written as zero, never copied.
//
// Structures that cannot be carried over safely are refused before anything is written: a RIFF size
// that is odd or runs past the data, a chunk that runs past its container, no image, an image whose
// header cannot be read, a still image whose size is not the canvas, a frame that does not parse or lies
// outside the canvas, alpha beside a lossless image, frames in a file not marked as an animation.
//
// All functions are free of shared state and safe to call from any thread.

/// How a rewrite ended.
enum class WebpRewriteResult {
    Written, ///< the destination holds the complete copy
    /// The file's structure cannot be carried over chunk by chunk; the reason says why. Nothing was
    /// written: only decoding and encoding the picture can make a copy of it.
    Refused,
    /// The destination did not take the bytes. It may hold part of a copy, which the caller removes.
    Failed,
};

/// Receives the copy piece by piece, in file order; false stops the rewrite as Failed.
using WebpSink = std::function<bool(QByteArrayView)>;

/// Writes the clean copy of the WebP file in \a data to \a sink. For anything but Written, the reason
/// ("a chunk runs past the end of the file") in \a reason when given; a failing sink gives "the copy
/// could not be written".
[[nodiscard]] WebpRewriteResult rewriteWebp(
    QByteArrayView data, const WebpSink& sink, QString* reason = nullptr);

/// The same, written to the open file descriptor \a fd at its position, through short writes and
/// interrupted calls; a failed write gives the system's words in \a reason.
[[nodiscard]] WebpRewriteResult rewriteWebp(QByteArrayView data, int fd, QString* reason = nullptr);
