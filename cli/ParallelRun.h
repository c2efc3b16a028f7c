// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/FileConversion.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

/// One source of a run.
struct RunInput
{
    /// Where the source is read, and what its output is named after.
    QString path;
    /// Set only for a source whose name the file system spells in bytes that are not UTF-8 (which no
    /// QString holds): it is read through these bytes, and its output named after \a path, which
    /// stands in for them.
    QByteArray nativePath;
};

/// How a run may use the machine.
struct RunLimits
{
    int jobs = 1; ///< files converted at once, at most
    qint64 memoryBytes = 0; ///< the budget for the files in memory at once (see estimatedConversionBytes)
    const std::atomic<bool>* stop = nullptr; ///< once set, no further file is started
};

struct RunResult
{
    std::vector<ConversionOutcome> outcomes; ///< one per input, in list order
    int workersWanted = 0;
    int workersStarted = 0; ///< fewer than wanted when the system would not start more threads
    QString workerFailure; ///< why a thread could not be started
    int notStarted = 0; ///< files left when the run was stopped: their outcome's reason is "interrupted"
};

/// Converts a list of sources into one folder on several threads, with exactly the names a run that
/// went through the list one file at a time would give: each file is converted into a work file without
/// a name (see WorkFile), and finished files take their final names strictly in list order (a file that
/// could not be converted takes none). Files whose conversion would take more memory than the budget
/// has left wait for it; a file that would take more than the whole budget is skipped as "not enough
/// memory". A thread that cannot be started is done without: the calling thread always works too.
///
/// \a progress is called (under a lock, on a worker thread) each time a file is done, with the number
/// done so far.
[[nodiscard]] RunResult convertInParallel(const std::vector<RunInput>& inputs, OutputFolder& output,
    const RunLimits& limits, const std::function<void(int done)>& progress);
