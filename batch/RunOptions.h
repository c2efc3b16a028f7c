// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class Settings;

/// How one run converts, fixed when it starts: the window fills it from the preferences
/// (fromPreferences), the command line from the preferences and then its arguments, which never
/// reach the store. A plain value, copied into the run, so the store is read once per run.
struct RunOptions
{
    float quality = 70.0f; ///< JPEG quality on the scale 0 to 100; the image wrapper clamps it
    bool fixOrientation = true; ///< turn images upright by their orientation tag
    /// JPEG sources written as JPEG keep their compressed data (writeJpegLosslessly) instead of being
    /// re-encoded at the quality; a file that cannot be kept so is re-encoded, with a note saying why.
    bool keepJpegQuality = false;
    int jobs = 1; ///< files converted at once, at most
    qint64 memoryBytes = 0; ///< the budget for the files in memory at once; 0 for none

    /// The quality, the orientation and the JPEG choice as \a settings holds them now; one job, no memory
    /// budget.
    [[nodiscard]] static RunOptions fromPreferences(const Settings& settings);
};
