// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/Settings.h"

#include <QString>
#include <QtGlobal>

/// How one run converts, fixed when it starts: the window fills it from the preferences
/// (fromPreferences); the command line starts from the defaults below, its documented ones, and applies
/// its arguments, never reading or writing the store. A plain value, copied into the run, so the store is
/// read once per run.
/// How a run names its outputs: after their sources (IMG_0001.jpg, "IMG_0001 (1).jpg" when taken), or by
/// number in the order of the run (photo-0001.jpg, photo-0002.png...), which carries no part of a
/// source's name.
enum class OutputNames { Source, Numbered };

struct RunOptions
{
    float quality = 70.0f; ///< JPEG quality on the scale 0 to 100; the image wrapper clamps it
    bool fixOrientation = true; ///< turn images upright by their orientation tag
    /// JPEG sources written as JPEG keep their compressed data (writeJpegLosslessly) instead of being
    /// re-encoded at the quality; a file that cannot be kept so is re-encoded, with a note saying why.
    bool keepJpegQuality = false;
    int jobs = 1; ///< files converted at once, at most (one worker process each)
    qint64 memoryBytes = 0; ///< the budget for the files in memory at once; 0 for none
    OutputFormatChoice outputFormat = OutputFormatChoice::SameAsSource;
    OutputNames names = OutputNames::Source;
    /// Each copy goes into the folder below the output folder that its source was found in below the
    /// folder named for the run (FileRecord::folder), made as needed; otherwise every copy goes into the
    /// output folder itself. The command line's --keep-folders; the window never sets it.
    bool keepFolders = false;
    /// How long one file may take before its worker is stopped and the file reported ("took longer than
    /// 120 s"); the command line's --time-limit and the setting of the same name.
    int timeLimitSeconds = Settings::kDefaultTimeLimitSeconds;

    /// The quality, the orientation, the JPEG choice, the output format and the time limit as \a settings
    /// holds them now; one job, no memory budget.
    [[nodiscard]] static RunOptions fromPreferences(const Settings& settings);

    /// The name a file written from \a source asks for (before any numbering): the source's own, or
    /// with the JPEG output format and a source not named as a JPEG, its name with the extension "jpg"
    /// (IMG_0001.HEIC gives IMG_0001.jpg; a name without an extension gets one).
    [[nodiscard]] QString outputNameFor(const QString& source) const;
};
