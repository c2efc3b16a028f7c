// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class WorkFile;

enum class ContainerRewriteResult {
    Written, ///< \a file holds the finished copy
    NeedsReencode, ///< nothing was written: the source must be decoded and encoded again (the reason says
                   ///< why)
    Failed, ///< writing failed; the file may hold part of an output
};

/// Cleans the image at \a sourcePath into \a file by rewriting its container around its coded image data,
/// without decoding or encoding a pixel: a HEIF file (HEIC, AVIF) keeps its primary image, grid and alpha
/// with their rotation, mirroring and crop, and a cleaned colour profile (rewriteHeif). The copy looks as
/// a decode of the source looks: a HEIF file's own transforms are part of its image and its EXIF
/// orientation is never applied, so \a fixOrientation changes nothing for it. The output is in the
/// source's own format (a HEIF file's coding is the one its brands name): the caller uses this only when
/// the output's type is the source's.
///
/// Null, with nothing written, when the source is not a container handled here by its content or cannot
/// be read as an image at all: the usual path says what is wrong with it. Otherwise the result and, for
/// anything but Written, its reason in \a reason. After Failed \a file may hold part of an output: the
/// caller drops it. Thread-safe; one file per call.
[[nodiscard]] std::optional<ContainerRewriteResult> saveRewrittenContainer(
    const QString& sourcePath, bool fixOrientation, WorkFile& file, QString* reason = nullptr);
