// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ConversionRun.h"

#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "engine/core/WorkFile.h"

#include <QCoreApplication>

#include <chrono>
#include <system_error>

ConversionRun::~ConversionRun()
{
    cancel();
    wait();
}

void ConversionRun::start(std::function<void()> body)
{
    m_canceled = false;
    // The previous run's worker has posted its end notice; let it finish returning.
    wait();
    try {
        m_worker = std::thread(std::move(body));
    } catch (const std::system_error&) {
        // No thread to spare (a process limit): the run goes on here, the window waiting for it.
        body();
    }
}

void ConversionRun::wait()
{
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id())
        m_worker.join();
}

RunReport ConversionRun::lastRun() const
{
    std::lock_guard lock(m_reportMutex);
    return m_lastRun;
}

void ConversionRun::run(
    const std::vector<RunInput>& inputs, const QString& folder, const RunOptions& options, const void* sender)
{
    const int total = int(inputs.size());
    OutputFolder output(folder);
    // Work files that a killed run left in the folder go; a live run's stay.
    (void)removeAbandonedWorkFiles(output.path);

    NotificationCenter* center = NotificationCenter::defaultCenter();
    QVariantMap progress { { kProgressMessageKey,
                               QCoreApplication::translate("ConversionRun", "in progress...") },
        { kProgressTotalKey, total }, { kProgressCurrentKey, 0 } };
    RunHooks hooks;
    hooks.stop = &m_canceled;
    hooks.starting = [&](int i) {
        progress.insert(kProgressCurrentKey, i);
        progress.insert(kProgressMessageKey,
            QCoreApplication::translate("ConversionRun", "Removing EXIF for %1 of %2 ...")
                .arg(i + 1)
                .arg(total));
        center->postNotificationName(kMsgUpdateProgress, sender, progress);
        // The pause lets the progress window show every file, even a run of small ones.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    };
    const RunResult result = convertInParallel(inputs, output, options, hooks);

    RunReport report;
    report.folder = output.path;
    report.total = total;
    report.cancelled = result.taken < total;
    for (int i = 0; i < result.taken; ++i)
        report.files.push_back(
            { inputs[size_t(i)].path, result.outcomes[size_t(i)], inputs[size_t(i)].outputName() });
    {
        std::lock_guard lock(m_reportMutex);
        m_lastRun = std::move(report);
    }
    center->postNotificationName(kMsgProgressCanceled);
}
