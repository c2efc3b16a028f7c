// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/ImageFormat.h"

#include <QString>

#include <optional>

class WorkFile;

/// What became of an animation handed to saveAnimationWhole().
struct AnimationSaving
{
    bool written = false; ///< the work file holds every frame
    QString reason; ///< why not, in words for the user, when not written
};

/// Writes the animated GIF or animated PNG at \a sourcePath into \a file with all its frames, when
/// \a outputType is the source's own format (rewriteAnimatedGif, rewriteApng): the frames, their timing
/// and the loop count are kept, their image data coded afresh, and nothing else. A PNG carries what a
/// re-encoded PNG of the same source would: the cleaned colour profile of its decoded image and the
/// resolution it states.
///
/// Null, with nothing written, when this does not apply: another output format, a source of one frame, a
/// file that is not a GIF or PNG by its content or cannot be read (the usual path says what is wrong
/// with it). Not written, with the reason, when the animation cannot be rewritten whole (damaged frames,
/// too many pixels, a turn upright asked for by \a fixOrientation, a failed write); \a file may then hold
/// part of an output, and the caller writes the first frame into a fresh one. Thread-safe; one file per
/// call.
[[nodiscard]] std::optional<AnimationSaving> saveAnimationWhole(
    const QString& sourcePath, ImageFormat outputType, bool fixOrientation, WorkFile& file);
