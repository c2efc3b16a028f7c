// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class WorkFile;

/// How a copy made by rewriting a container ended.
enum class ContainerRewriteResult {
    Written, ///< the work file holds the complete copy
    /// Only decoding and encoding the picture gives the copy asked for: it must be turned upright, or the
    /// file's structure cannot be carried over as it is. Nothing was written.
    NeedsReencode,
    /// The copy could not be written. The work file may hold part of it: the caller drops it.
    Failed,
};

/// Cleans the file at \a sourcePath into \a file by rewriting its container around the compressed
/// picture instead of re-encoding it, for the containers that allow it, with what a re-encoded output of
/// the same source would carry besides its pixels: the colour profile cleaned, no EXIF, no XMP, nothing
/// else. A WebP (by its content: rewriteWebp) keeps every frame of an animation. A HEIF file (HEIC, AVIF:
/// rewriteHeif) keeps its primary image, grid and alpha with their rotation, mirroring and crop; its own
/// transforms are part of its image and its EXIF orientation is never applied, so \a fixOrientation
/// changes nothing for it. The caller uses this only when the output's type is the source's.
///
/// Null, with nothing written, when the file is not such a container by its content or cannot be read.
/// NeedsReencode, with the reason in \a reason ("turned upright" when \a fixOrientation is set and the
/// file's orientation asks for a turn), when only a re-encode will do; Failed, with the reason, on a
/// write error. Thread-safe; one file per call.
[[nodiscard]] std::optional<ContainerRewriteResult> saveRewrittenContainer(
    const QString& sourcePath, bool fixOrientation, WorkFile& file, QString* reason = nullptr);
