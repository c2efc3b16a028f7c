// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/ConversionRun.h"
#include "batch/NotificationCenter.h"
#include "batch/RunOptions.h"
#include "ui/DesktopNotifier.h"
#include "ui/RunDialogs.h"
#include "ui/RunSummaryDialog.h"

#include <QPointer>

#include <memory>
#include <vector>

class AppController;
struct Notification;

/// The conversion run of the main window, for its controller's run operations (OnConvert, OnStartProgress,
/// OnCancelProgress, ConvertThread), which call it: asking for the output folder and making sure it
/// exists, showing the progress window, the run itself over ConversionRun with the options read from the
/// preferences when it starts, and the summary sheet of what it did, announced on the desktop when the
/// run ended while the user was in another program. Reads the controller's outlets and
/// its exportPath; the controller owns it. Main thread only, but for work() on the run's worker.
class RunController
{
public:
    explicit RunController(AppController& window);
    /// Stops the run and waits for its worker, which reads the controller's members.
    ~RunController();
    RunController(const RunController&) = delete;
    RunController& operator=(const RunController&) = delete;

    /// Subscribes the controller's handlers to the start and cancel notices of the progress window.
    void observeNotices();

    /// The Convert command: the folder, the warning about existing files, the progress window, the summary.
    void convert();
    /// A run starts: reads its options and starts work() on the run's worker thread.
    void start();
    /// Asks the running worker to stop before its next file.
    void cancel() { m_run.cancel(); }
    /// The worker's body: the whole list, one file after another, into the controller's exportPath.
    void work();
    /// Waits until the worker of the latest run has ended.
    void wait() { m_run.wait(); }
    /// The report of the latest run that has ended; empty before the first. Any thread.
    [[nodiscard]] RunReport lastRun() const { return m_run.lastRun(); }

    void setDialogs(std::unique_ptr<RunDialogs> dialogs);
    [[nodiscard]] RunDialogs& dialogs();
    void setFolderOpener(RunSummaryDialog::FolderOpener opener);
    /// Where a run that ended unseen is announced; the desktop's session bus unless set.
    void setNotifier(std::unique_ptr<DesktopNotifier> notifier);
    [[nodiscard]] RunSummaryDialog* summary() const { return m_summary; }

private:
    void showSummary(const RunReport& report);
    void announceUnseenEnd(const RunReport& report);

    AppController& m_window;
    ConversionRun m_run;
    RunOptions m_options;
    std::unique_ptr<RunDialogs> m_dialogs;
    RunSummaryDialog::FolderOpener m_folderOpener;
    std::unique_ptr<DesktopNotifier> m_notifier;
    QPointer<RunSummaryDialog> m_summary;
    std::vector<NotificationCenter::ObserverId> m_observers;
};
