// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class ImageWrapper;

/// What became of one source file in a run.
struct ConversionOutcome
{
    enum class Status { Written, Skipped };

    Status status = Status::Skipped;
    QString output; ///< the written file; empty when skipped
    QString reason; ///< why the file was skipped, in words for the user; empty when written
    QString note; ///< what the user should know about a written file ("first of 3 pages"); usually empty
};

/// Reserves the output path for a source that is about to be written ("" when none can be had).
using OutputNamer = std::function<QString(const QString& source)>;

/// One file of a run, the same for the window and the command line: loads \a source into \a wrapper
/// (turned upright when \a fixOrientation is set), names its output through \a reserveOutput (only once
/// the image is loaded, so a file that cannot be read takes no name), keeps the full size and saves
/// without metadata. A reserved name that is not written is released, so no empty file stays behind.
/// Runs on the caller's thread; the wrapper is the caller's.
[[nodiscard]] ConversionOutcome ConvertFile(
    ImageWrapper& wrapper, const QString& source, bool fixOrientation, const OutputNamer& reserveOutput);

/// Why \a source cannot be loaded as an image: "not found", "could not be read: ...", "not a regular
/// file", "not a supported image" or "could not be decoded".
[[nodiscard]] QString describeUnloadableSource(const QString& source);
