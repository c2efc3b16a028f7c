// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/FileGathering.h"
#include "batch/RunReport.h"
#include "ui/RunDialogs.h"
#include "ui/RunSummaryDialog.h"
#include "ui/widgets/BlankTableView.h"
#include "ui/widgets/SegmentedControl.h"

#include <QAction>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class FileTableModel;
class InspectionPanel;
class RunController;
class QFileDialog;
class QMimeData;
class StatusWindowController;
class WorkFile;
struct Notification;

/// The controller of the main window: the file table, the list-style chooser, the two pages and the
/// toolbar, and the window's commands. The main layout creates it and sets its outlets; it owns none of
/// them (they are guarded pointers, null while unconnected). Main thread only.
///
/// Its batch operations (addFiles, GetNewFile, the run's handlers and worker body) are thin members over
/// the batch job's pieces: gathering (gatherFiles), naming (nameOutputFile) and the run (RunController,
/// which it owns: the run over ConversionRun with the options read from the preferences when it starts,
/// and the summary sheet of what it did). It tells the user in the status bar when adding found no image.
class AppController : public QObject
{
    Q_OBJECT

public:
    explicit AppController(QObject* parent = nullptr);

    // Outlets, set by the layout.
    QPointer<BlankTableView> tableImages;
    QPointer<SegmentedControl> scListStyle;
    QPointer<StatusWindowController> statusWinController;
    QPointer<QMainWindow> mainWindow;
    QPointer<QToolBar> toolbar;
    QPointer<QStackedWidget> tabSwitcher;
    QPointer<QStatusBar> statusBar;
    /// The details of what the selected file gives away, beside the table.
    QPointer<InspectionPanel> inspectionPanel;
    /// The commands that take files out of the list: enabled only while they have something to take.
    QPointer<QAction> actionRemove;
    QPointer<QAction> actionClear;
    /// The list beside the details: where the user moved their parting is kept when the main window
    /// closes, and restored at wake-up.
    QPointer<QSplitter> listSplitter;

    /// Called once, after the layout has created and connected every object.
    void awakeFromNib();

    /// Add Images: the chosen image files join the list (gatherFiles: a chosen link is followed and
    /// listed by its own name), which is then shown.
    void OnAddImages(QObject* sender);
    /// Add Folder: the images among the chosen folder's own entries join the list (gatherFiles: its
    /// subfolders are not searched, a link only when it leads to a file inside the folder), which is then
    /// shown; an addition that adds nothing is announced.
    void OnAddFolder(QObject* sender);
    void OnRemove(QObject* sender);
    void OnClear(QObject* sender);
    /// Convert (RunController::convert): asks for the output folder, runs the conversion under the
    /// progress window and ends with the run's summary sheet over the main window.
    void OnConvert(QObject* sender);
    void OnSwitchListviewStyle(QObject* sender);

    // ---- The window: pages, list and drops ----

    /// Shows each segment's named image ("alter" while selected), and for the selected style the
    /// table's row height and whether the "image" column shows; the list style wins when both are.
    void updateSegment();
    /// Sets the table's tooltip to the number of files ("" for none) and reloads the table.
    void reloadImageData();
    /// Shows in the details panel what the selected file gives away (the current row when it is selected),
    /// or that none is selected.
    void updateInspectionPanel();
    /// Enables Remove while rows are selected and Clear while the list has files.
    void updateCommands();
    /// Shows "content" with the toolbar while the list has files and "home" without it when it is empty.
    void switchUI();
    /// Says \a text in the status bar for a while.
    void announce(const QString& text);

    /// The table's data source: rows and cells read live from the shared file list.
    [[nodiscard]] FileTableModel* dataSource() const { return m_dataSource; }
    /// The number of files in the list.
    [[nodiscard]] int numberOfRowsInTableView(const QTableView* table) const;

    /// Where a drop on the table would land.
    enum class DropOperation { On, Above };
    /// A drag moves over \a table: writes "validate Drop" to the system log and allows every operation.
    Qt::DropActions validateDrop(
        QTableView* table, const QMimeData* info, int proposedRow, DropOperation operation);
    /// Files dropped on \a table: refused (false) unless it is tableImages; else the local files named by
    /// \a info go to addFiles, the table reloads (the tooltip keeps its count) and the answer is true.
    /// A drop that adds nothing is announced.
    bool acceptDrop(QTableView* table, const QMimeData* info, int row, DropOperation operation);
    /// Handler of msgAcceptFileDropped: the drop view's files and folders go to addFiles, then the page
    /// and the rows. A drop that adds nothing is announced.
    void OnDropFiles(const Notification& notice);

    /// Runs a configured file dialog modally: the chosen paths, or nothing when it was cancelled.
    using OpenPanelRunner = std::function<std::optional<QStringList>(QFileDialog& panel)>;
    /// Replaces how the add commands run their dialogs (tests answer them here); null restores exec().
    void setOpenPanelRunner(OpenPanelRunner runner);
    /// The name filter of the add-images dialog: every supported extension in any mix of case.
    [[nodiscard]] static QString imageNameFilter(const QStringList& supportedTypes);

    // ---- The batch operations: files joining the list, output names, the run ----

    /// Adds the images among \a paths to the shared file list (gatherFiles), following subfolders when
    /// \a recursive is set; what is left out and why goes to \a skipped.
    AddedFiles addFiles(const QStringList& paths, bool recursive, const SkippedInput& skipped = {});
    /// True when the item at \a path is a regular file (a final link is not followed).
    [[nodiscard]] bool IsValidFileAtPath(const QString& path) const;
    /// Gives the finished output \a content its name in the folder \a atPath after the source \a file
    /// (nameOutputFile); "" when no name can be had.
    [[nodiscard]] static QString GetNewFile(const QString& file, const QString& atPath, WorkFile& content);

    // The conversion run, each operation handed to the RunController.
    ~AppController() override;
    /// Handler of "msgStartProgress": reads the run's options from the preferences and starts
    /// ConvertThread on the run's worker thread.
    void OnStartProgress(const Notification& notice);
    /// Handler of "msgCancelProgress": asks the running worker to stop before its next file.
    void OnCancelProgress(const Notification& notice);
    /// The body of the worker thread: the whole list, one file after another, into exportPath.
    void ConvertThread();
    /// Waits until the worker of the latest run has ended.
    void waitForRun();
    /// The report of the latest run that has ended; empty before the first. Any thread.
    [[nodiscard]] RunReport lastRun() const;
    /// The output folder of the latest run, of this launch or (read at wake-up) an earlier one. Written
    /// before the worker starts, read once by it.
    QString exportPath;

    /// Replaces the dialogs OnConvert asks through (QtRunDialogs until then); the controller owns them.
    void setRunDialogs(std::unique_ptr<RunDialogs> dialogs);
    using FolderOpener = RunSummaryDialog::FolderOpener;
    /// Replaces how the summary's Open Folder button opens the output folder (QDesktopServices::openUrl
    /// until then; tests observe it here); null restores that.
    void setFolderOpener(FolderOpener opener);
    /// The summary sheet of the latest run while it is open; null otherwise.
    [[nodiscard]] RunSummaryDialog* runSummary() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] std::optional<QStringList> runOpenPanel(QFileDialog& panel) const;
    void selectPage(const QString& identifier);
    /// Announces an addition of \a paths that added nothing; after one that did, clears the status bar.
    void reportAdded(const AddedFiles& added, const QStringList& paths);

    FileTableModel* m_dataSource;
    OpenPanelRunner m_openPanelRunner;
    bool m_splitterMoved = false;
    // Last: its worker reads the members above, and it ends the worker when it goes.
    std::unique_ptr<RunController> m_runner;
};
