// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/FileConversion.h"

#include <QString>

#include <algorithm>
#include <vector>

/// What one conversion run of the window did, file by file: the worker fills it as it goes and hands it
/// over whole when the run ends; the window reads it to tell the user. A plain value, copied freely.
struct RunReport
{
    struct File
    {
        QString source; ///< the path read, in decodePath's spelling
        ConversionOutcome outcome;
        /// The name the user gave or saw, which the copy was named after; empty: the source's own.
        QString name;
    };

    QString folder; ///< the output folder
    int total = 0; ///< files in the list when the run started
    bool cancelled = false; ///< stopped by the user before every file was taken
    std::vector<File> files; ///< one for each file the run took, in list order

    /// The number of files taken (written or skipped); less than total only after a cancel.
    [[nodiscard]] int taken() const { return int(files.size()); }
    /// The number of clean copies written.
    [[nodiscard]] int written() const
    {
        return int(std::count_if(files.begin(), files.end(),
            [](const File& file) { return file.outcome.status == ConversionOutcome::Status::Written; }));
    }
    /// The number of copies whose picture was carried over as it was, without re-encoding.
    [[nodiscard]] int keptWithoutReencoding() const
    {
        return int(std::count_if(files.begin(), files.end(), [](const File& file) {
            return file.outcome.status == ConversionOutcome::Status::Written && !file.outcome.reencoded;
        }));
    }
};
