// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/FileConversion.h"
#include "batch/ImageWorkers.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class Converter;

/// One source of a run.
struct RunInput
{
    /// Where the source is read, in decodePath's spelling.
    QString path;
    /// What its output is named after: the name the user gave or saw (a link's own name); when empty,
    /// the last component of \a path.
    QString name;
    /// The folder it was found in below the folder named for the run (FileRecord::folder).
    QString folder;
    /// Its size when it was listed, in bytes; -1 when unknown. Only a hint for which files go to a
    /// worker together.
    qint64 listedSize = -1;

    [[nodiscard]] QString outputName() const;
};

/// The files of \a list in its order, each with its record's name.
[[nodiscard]] std::vector<RunInput> runInputsOf(const Converter& list);

/// What the caller follows of a run; each member may be left empty.
struct RunHooks
{
    const std::atomic<bool>* stop = nullptr; ///< once set, no further file is started
    /// A file is about to be converted: called on its worker thread with its index, after it was handed
    /// out and before anything is read. The window announces the file here. With this hook the files are
    /// handed out one at a time; without it, small files go to a worker several at a time.
    std::function<void(int index)> starting;
    /// A file is done: called under a lock, on a worker thread, with the number done so far.
    std::function<void(int done)> progress;
};

struct RunResult
{
    std::vector<ConversionOutcome> outcomes; ///< one per input, in list order
    int workersWanted = 0;
    int workersStarted = 0; ///< fewer than wanted when the system would not start more threads
    QString workerFailure; ///< why a thread could not be started
    int taken = 0; ///< files handed out, in list order: fewer than the inputs only when the run was stopped
    int notStarted = 0; ///< files left when the run was stopped: their outcomes are NotStarted
};

/// The run, for the window (one job, a pause per file) and the command line (every core) alike.
/// Converts a list of sources into one folder with the options' quality and orientation, on up to
/// \a options.jobs threads, with exactly the names a run that went through the list one file at a time
/// would give: each file is converted into a work file without
/// a name (see WorkFile), and finished files take their final names strictly in list order (a file that
/// could not be converted takes none). Files whose conversion would take more memory than the budget
/// has left wait for it; a file that would take more than the whole budget is skipped as "not enough
/// memory" (without a budget nothing waits and no estimate is made). A file handed out is finished even
/// when the run is stopped meanwhile, unless it was still waiting for memory. A thread that cannot be
/// started is done without: the calling thread always works too.
/// A run's workers are started when it begins, unless \a launched holds workers that the caller started
/// earlier (launchRunWorkers).
[[nodiscard]] RunResult convertInParallel(const std::vector<RunInput>& inputs, OutputFolder& output,
    const RunOptions& options, const RunHooks& hooks = {}, std::unique_ptr<ImageWorkers> launched = {});

/// The workers a run of \a options over at most \a files files would start, started now without waiting
/// for them, for convertInParallel: they load and confine themselves while the caller gathers the files.
[[nodiscard]] std::unique_ptr<ImageWorkers> launchRunWorkers(const RunOptions& options, int files);
