// SPDX-License-Identifier: GPL-3.0-or-later
// The Convert command of the main window's controller: asking for the output folder, making sure it
// exists, showing the progress window for the run, the run's handlers and worker body over
// ConversionRun, and the summary of what the run did.
#include "batch/Converter.h"
#include "batch/FolderCreation.h"
#include "batch/Notices.h"
#include "settings/Settings.h"
#include "ui/AppController.h"
#include "ui/RunSummaryDialog.h"
#include "ui/StatusWindowController.h"
#include "ui/WindowTexts.h"

#include <QDesktopServices>

AppController::~AppController()
{
    // The worker reads the controller's members: it ends before any of them goes.
    m_run.cancel();
    m_run.wait();
    for (const NotificationCenter::ObserverId id : m_runObservers)
        NotificationCenter::defaultCenter()->removeObserver(id);
}

void AppController::setRunDialogs(std::unique_ptr<RunDialogs> dialogs)
{
    m_runDialogs = std::move(dialogs);
}

RunDialogs& AppController::runDialogs()
{
    if (!m_runDialogs)
        m_runDialogs = std::make_unique<QtRunDialogs>();
    return *m_runDialogs;
}

void AppController::setFolderOpener(FolderOpener opener)
{
    m_folderOpener = std::move(opener);
}

void AppController::showRunSummary(const RunReport& report)
{
    if (statusBar)
        statusBar->showMessage(WindowTexts::statusAfterRun(report));
    FolderOpener opener = m_folderOpener;
    if (!opener)
        opener = [](const QUrl& folder) { return QDesktopServices::openUrl(folder); };
    auto* summary = new RunSummaryDialog(report, std::move(opener), mainWindow);
    summary->setAttribute(Qt::WA_DeleteOnClose);
    connect(summary, &RunSummaryDialog::folderNotOpened, this,
        [this](const QString& folder) { announce(WindowTexts::folderNotOpened(folder)); });
    m_runSummary = summary;
    // A sheet of the main window: it waits there until it is closed, and the window's commands wait too.
    summary->open();
}

void AppController::observeRunNotices()
{
    NotificationCenter* center = NotificationCenter::defaultCenter();
    m_runObservers.push_back(center->addObserver(
        kMsgStartProgress, [this](const Notification& notice) { OnStartProgress(notice); }));
    m_runObservers.push_back(center->addObserver(
        kMsgCancelProgress, [this](const Notification& notice) { OnCancelProgress(notice); }));
}

void AppController::OnStartProgress(const Notification&)
{
    // The preferences are read once per run, here on the main thread, before the worker starts.
    m_runOptions = RunOptions::fromPreferences(*Settings::settings());
    m_run.start([this] { ConvertThread(); });
}

void AppController::OnCancelProgress(const Notification&)
{
    m_run.cancel();
}

void AppController::ConvertThread()
{
    // The list does not change during a run (the progress window is modal); a shared copy costs nothing.
    m_run.run(runInputsOf(*Converter::converter()), exportPath, m_runOptions, this);
}

void AppController::OnConvert(QObject*)
{
    // The table shows the shared list row for row.
    if (Converter::converter()->allFilePaths().isEmpty())
        return;
    // The summary of an earlier run gives way to the new one.
    if (m_runSummary) {
        m_runSummary->close();
        m_runSummary = nullptr;
    }

    RunDialogs& dialogs = runDialogs();
    const QString folder = dialogs.chooseOutputFolder(mainWindow);
    if (folder.isEmpty())
        return;

    Settings* settings = Settings::settings();
    if (!settings->ignoreWarning()) {
        switch (dialogs.confirmOverwrite(mainWindow)) {
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
        dialogs.showError(
            mainWindow, tr("Error to create '%1'.\r\n[%2]").arg(folder, creation.systemReason()));
        return;
    }

    exportPath = folder;
    if (!statusWinController)
        return;
    statusWinController->showModal(mainWindow);
    showRunSummary(lastRun());
}
