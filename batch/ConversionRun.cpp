// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion run of BatchController: the worker thread and the two handlers that start and stop it.
#include "app/Settings.h"
#include "batch/BatchController.h"
#include "batch/Converter.h"
#include "batch/FileConversion.h"
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "engine/ImageWrapper.h"
#include "engine/WorkFile.h"

#include <chrono>
#include <system_error>

BatchController::~BatchController()
{
    canceled = true;
    waitForRun();
}

void BatchController::OnStartProgress(const Notification&)
{
    canceled = false;
    // The previous run's worker has posted its end notice; let it finish returning.
    waitForRun();
    try {
        m_worker = std::thread(&BatchController::ConvertThread, this);
    } catch (const std::system_error&) {
        // No thread to spare (a process limit): the run goes on here, the window waiting for it.
        ConvertThread();
    }
}

void BatchController::OnCancelProgress(const Notification&)
{
    canceled = true;
}

void BatchController::waitForRun()
{
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id())
        m_worker.join();
}

RunReport BatchController::lastRun() const
{
    std::lock_guard lock(m_reportMutex);
    return m_lastRun;
}

void BatchController::ConvertThread()
{
    // The list does not change during a run (the progress window is modal); a shared copy costs nothing.
    const QStringList paths = Converter::converter()->allFilePaths();
    const int total = int(paths.size());
    QVariantMap progress { { kProgressMessageKey, QStringLiteral("in progress...") },
        { kProgressTotalKey, total }, { kProgressCurrentKey, 0 } };
    OutputFolder output(exportPath);
    // Work files that a killed run left in the folder go; a live run's stay.
    (void)removeAbandonedWorkFiles(output.path);
    NotificationCenter* center = NotificationCenter::defaultCenter();
    RunReport report;
    report.folder = output.path;
    report.total = total;
    {
        ImageWrapper wrapper;
        for (int i = 0; i < total; ++i) {
            if (canceled) {
                report.cancelled = true;
                break;
            }
            progress.insert(kProgressCurrentKey, i);
            progress.insert(
                kProgressMessageKey, QStringLiteral("Removing EXIF for %1 of %2 ...").arg(i + 1).arg(total));
            center->postNotificationName(kMsgUpdateProgress, this, progress);
            // The pause lets the progress window show every file, even a run of small ones.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const bool fixOrientation = Settings::settings()->fixOrientation();
            report.files.push_back(
                { paths.at(i), ConvertFile(wrapper, paths.at(i), fixOrientation, output) });
        }
    }
    {
        std::lock_guard lock(m_reportMutex);
        m_lastRun = std::move(report);
    }
    center->postNotificationName(kMsgProgressCanceled);
}
