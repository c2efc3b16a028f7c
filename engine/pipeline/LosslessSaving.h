// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/formats/jpeg/lossless/JpegLossless.h"

#include <QString>

#include <optional>

class WorkFile;

/// Cleans the JPEG at \a sourcePath into \a file without re-encoding it (writeJpegLosslessly), with what a
/// re-encoded output of the same source would carry besides its pixels: the source's colour profile
/// cleaned (cleanColorProfile; a CMYK frame keeps its cleaned CMYK profile, as it keeps its CMYK data),
/// the resolution the source states, and, when \a fixOrientation is set, the turn its orientation tag
/// asks for, so that the output is upright and states no orientation.
///
/// Null, with nothing written, when the file is not a JPEG by its content or cannot be read: the setting
/// does not apply to it, and the usual path says what is wrong with it. Otherwise the writer's result
/// and, for anything but Written, its reason in \a reason. After Failed \a file may hold part of an
/// output: the caller drops it. Thread-safe; one file per call.
[[nodiscard]] std::optional<LosslessJpegResult> saveJpegLosslessly(
    const QString& sourcePath, bool fixOrientation, WorkFile& file, QString* reason = nullptr);
