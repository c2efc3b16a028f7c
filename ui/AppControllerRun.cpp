// SPDX-License-Identifier: GPL-3.0-or-later
// The Convert command of the main window's controller: asking for the output folder, making sure it
// exists, showing the progress window for the run, the run's handlers and worker body over
// ConversionRun, and the summary of what the run did.
#include "batch/Converter.h"
#include "batch/Notices.h"
#include "engine/core/NativePath.h"
#include "settings/Settings.h"
#include "ui/AppController.h"
#include "ui/RunSummaryDialog.h"
#include "ui/StatusWindowController.h"
#include "ui/WindowTexts.h"

#include <QDesktopServices>

#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace {

bool isFolderAt(const QByteArray& path)
{
    struct stat info
    {
    };
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

/// Creates the folder \a path with every missing parent (default permissions). On failure \a error gets
/// the system's description of the reason.
bool createFolderWithParents(const QString& path, QString* error)
{
    const QString absolute = absolutePath(path);
    qsizetype end = 0;
    while (end >= 0) {
        end = absolute.indexOf(u'/', end + 1);
        const QString prefix = end < 0 ? absolute : absolute.left(end);
        const QByteArray native = encodePath(prefix);
        if (prefix.isEmpty() || isFolderAt(native))
            continue;
        // Another process may have made it meanwhile: a folder there is what was wanted.
        if (::mkdir(native.constData(), 0777) != 0 && !(errno == EEXIST && isFolderAt(native))) {
            // Something other than a folder on the way: say so rather than "exists" about a missing path.
            const int reason = errno == EEXIST && end >= 0 ? ENOTDIR : errno;
            *error = QString::fromStdString(std::error_code(reason, std::generic_category()).message());
            return false;
        }
    }
    return true;
}

} // namespace

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

    if (!isFolderAt(encodePath(folder))) {
        QString error;
        if (!createFolderWithParents(folder, &error)) {
            dialogs.showError(mainWindow, tr("Error to create '%1'.\r\n[%2]").arg(folder, error));
            return;
        }
    }

    exportPath = folder;
    if (!statusWinController)
        return;
    statusWinController->showModal(mainWindow);
    showRunSummary(lastRun());
}
