// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/ParallelRun.h"
#include "batch/RunOptions.h"
#include "batch/RunReport.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

/// The window's conversion run and the worker thread it runs on. run() takes every file of a list in
/// order into one folder (convertInParallel with the options' jobs), posting "msgUpdateProgress" before
/// each file, which then waits a moment so that the progress window shows it, and "msgProgressCanceled"
/// at the end of every run; cancel() stops it before its next file. What became of each file is kept
/// as the run's report (lastRun()), complete before the end notice is posted.
///
/// start(), cancel() and wait() belong to the thread that owns the object (the window's); lastRun() may
/// be read from any. Owns the worker thread of the latest run and waits for it when destroyed.
class ConversionRun
{
public:
    ConversionRun() = default;
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    /// Clears the cancel request and runs \a body on a new worker thread, once the previous run's worker
    /// has ended; on the calling thread when the system has no thread to spare.
    void start(std::function<void()> body);
    /// Asks the running worker to stop before its next file.
    void cancel() { m_canceled = true; }
    /// Waits until the worker of the latest run has ended.
    void wait();

    /// The run itself, on the calling thread: \a inputs into \a folder with \a options. The progress
    /// notices name \a sender.
    void run(const std::vector<RunInput>& inputs, const QString& folder, const RunOptions& options,
        const void* sender);
    /// The report of the latest run that has ended; empty before the first.
    [[nodiscard]] RunReport lastRun() const;

private:
    std::thread m_worker;
    std::atomic<bool> m_canceled { false };
    mutable std::mutex m_reportMutex;
    RunReport m_lastRun;
};
