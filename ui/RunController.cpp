// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RunController.h"

#include "batch/Converter.h"
#include "batch/FolderCreation.h"
#include "batch/Notices.h"
#include "engine/core/NativePath.h"
#include "settings/Settings.h"
#include "ui/AppController.h"
#include "ui/StatusWindowController.h"
#include "ui/WindowTexts.h"

#include <QCoreApplication>
#include <QDesktopServices>

RunController::RunController(AppController& window)
    : m_window(window)
{ }

RunController::~RunController()
{
    m_run.cancel();
    m_run.wait();
    for (const NotificationCenter::ObserverId id : m_observers)
        NotificationCenter::defaultCenter()->removeObserver(id);
}

void RunController::setDialogs(std::unique_ptr<RunDialogs> dialogs)
{
    m_dialogs = std::move(dialogs);
}

RunDialogs& RunController::dialogs()
{
    if (!m_dialogs)
        m_dialogs = std::make_unique<QtRunDialogs>();
    return *m_dialogs;
}

void RunController::setFolderOpener(RunSummaryDialog::FolderOpener opener)
{
    m_folderOpener = std::move(opener);
}

void RunController::setNotifier(std::unique_ptr<DesktopNotifier> notifier)
{
    m_notifier = std::move(notifier);
}

void RunController::announceUnseenEnd(const RunReport& report)
{
    if (!m_notifier)
        m_notifier = std::make_unique<DesktopNotifier>();
    (void)m_notifier->notify(WindowTexts::summaryHeadline(report), WindowTexts::summaryText(report));
}

void RunController::showSummary(const RunReport& report)
{
    if (m_window.statusBar)
        m_window.statusBar->showMessage(WindowTexts::statusAfterRun(report));
    RunSummaryDialog::FolderOpener opener = m_folderOpener;
    if (!opener)
        opener = [](const QUrl& folder) { return QDesktopServices::openUrl(folder); };
    auto* summary = new RunSummaryDialog(report, std::move(opener), m_window.mainWindow);
    summary->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(
        summary, &RunSummaryDialog::folderNotOpened, &m_window, [window = &m_window](const QString& folder) {
            window->announce(WindowTexts::folderNotOpened(folder));
        });
    m_summary = summary;
    // A sheet of the main window: it waits there until it is closed, and the window's commands wait too.
    summary->open();
}

void RunController::observeNotices()
{
    NotificationCenter* center = NotificationCenter::defaultCenter();
    AppController* window = &m_window;
    m_observers.push_back(center->addObserver(
        kMsgStartProgress, [window](const Notification& notice) { window->OnStartProgress(notice); }));
    m_observers.push_back(center->addObserver(
        kMsgCancelProgress, [window](const Notification& notice) { window->OnCancelProgress(notice); }));
}

void RunController::start()
{
    // The preferences are read once per run, here on the main thread, before the worker starts.
    m_options = RunOptions::fromPreferences(*Settings::settings());
    m_run.start([window = &m_window] { window->ConvertThread(); });
}

void RunController::work()
{
    // The list does not change during a run (the progress window is modal); a shared copy costs nothing.
    // The progress notices come from the window's controller, as the progress window expects.
    m_run.run(runInputsOf(*Converter::converter()), m_window.exportPath, m_options, &m_window);
}

void RunController::convert()
{
    // The table shows the shared list row for row.
    if (Converter::converter()->allFilePaths().isEmpty())
        return;
    // The summary of an earlier run gives way to the new one.
    if (m_summary) {
        m_summary->close();
        m_summary = nullptr;
    }

    RunDialogs& asked = dialogs();
    const QString folder
        = asked.chooseOutputFolder(m_window.mainWindow, RunDialogs::startFolder(m_window.exportPath));
    if (folder.isEmpty())
        return;

    Settings* settings = Settings::settings();
    if (!settings->ignoreWarning()) {
        switch (asked.confirmOverwrite(m_window.mainWindow)) {
        case RunDialogs::OverwriteAnswer::Cancel:
            return;
        case RunDialogs::OverwriteAnswer::NeverShowAgain:
            settings->setIgnoreWarning(true);
            break;
        case RunDialogs::OverwriteAnswer::Continue:
            break;
        }
    }

    if (const FolderCreation creation = createFolderWithParents(folder); !creation.ok()) {
        asked.showError(m_window.mainWindow,
            QCoreApplication::translate("AppController", "Error to create '%1'.\r\n[%2]")
                .arg(folder, creation.systemReason()));
        return;
    }

    m_window.exportPath = folder;
    // The next launch's chooser opens here too.
    settings->setLastOutputFolder(encodePath(folder));
    if (!m_window.statusWinController)
        return;
    m_window.statusWinController->showModal(m_window.mainWindow);
    const RunReport report = lastRun();
    if (m_window.statusWinController->endedUnseen())
        announceUnseenEnd(report);
    showSummary(report);
}
