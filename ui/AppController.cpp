// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppController.h"

#include "batch/Converter.h"
#include "batch/FileManagerHelpers.h"
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "batch/OutputNaming.h"
#include "engine/core/NativePath.h"
#include "settings/Settings.h"
#include "ui/DroppedPaths.h"
#include "ui/FileTableModel.h"
#include "ui/InspectionPanel.h"
#include "ui/NamedImage.h"
#include "ui/RunController.h"
#include "ui/WindowTexts.h"
#include "ui/widgets/MiddleAlignedTextFieldCell.h"
#include "ui/widgets/SharedColumns.h"
#include "ui/widgets/ThumbnailCell.h"

#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>

#include <sys/stat.h>
#include <syslog.h>

namespace {

/// Row heights of the two list styles.
constexpr int kListRowHeight = 18;
constexpr int kIconRowHeight = 64;
/// The width of the thumbnails' column.
constexpr int kImageColumnWidth = 96;
/// How long an announcement stays in the status bar.
constexpr int kAnnouncementMs = 20000;

/// The local file names a drag carries, in its order, every byte of them kept.
QStringList fileNames(const QMimeData* data)
{
    return droppedPaths(data);
}

/// True when \a path leads to a folder.
bool isFolder(const QString& path)
{
    struct stat status = {};
    return ::stat(encodePath(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

AppController::AppController(QObject* parent)
    : QObject(parent)
    , m_dataSource(new FileTableModel(Converter::converter(), this))
    , m_runner(std::make_unique<RunController>(*this))
{ }

// Out of line: RunController is complete here.
AppController::~AppController() = default;

void AppController::awakeFromNib()
{
    // The folder chooser opens where the latest run of any launch wrote.
    exportPath = decodePath(Settings::settings()->lastOutputFolder());
    // ---- The window: the drop view's notice, the table as data source and drop target, the style ----
    // Drops arrive on the main thread only, where the guard can tell a controller that has gone.
    NotificationCenter::defaultCenter()->addObserver(
        msgAcceptFileDropped, [self = QPointer<AppController>(this)](const Notification& notice) {
            if (self)
                self->OnDropFiles(notice);
        });
    if (tableImages) {
        tableImages->setModel(m_dataSource);
        tableImages->setItemDelegate(new MiddleAlignedTextFieldCell(tableImages));
        tableImages->setItemDelegateForColumn(
            FileTableModel::columnForIdentifier(FileTableModel::kImageColumn),
            new ThumbnailCell(tableImages));
        tableImages->verticalHeader()->setMinimumSectionSize(kListRowHeight);
        tableImages->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        QHeaderView* header = tableImages->horizontalHeader();
        header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        // The columns share the table's width: kind, size and date take what their texts need, the name
        // and what the file gives away share the rest, whatever the window's size and language.
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(
            FileTableModel::columnForIdentifier(FileTableModel::kImageColumn), QHeaderView::Fixed);
        header->resizeSection(
            FileTableModel::columnForIdentifier(FileTableModel::kImageColumn), kImageColumnWidth);
        new SharedColumns(tableImages, FileTableModel::columnForIdentifier(FileRecord::kName),
            FileTableModel::columnForIdentifier(FileTableModel::kPersonalColumn));
        // A click on a header sorts the list, and so the run, by that column; until then files stay in
        // the order they came in.
        header->setSortIndicator(-1, Qt::AscendingOrder);
        tableImages->setSortingEnabled(true);
        // Only file names are taken from drags; the table handles them itself rather than the model.
        tableImages->setAcceptDrops(true);
        tableImages->setDragDropMode(QAbstractItemView::DropOnly);
        tableImages->viewport()->installEventFilter(this);
        // Thumbnails queued for rows that scrolled away are dropped; the rows in view ask again.
        connect(tableImages->verticalScrollBar(), &QScrollBar::valueChanged, m_dataSource,
            [this] { m_dataSource->thumbnails().dropQueued(); });
        // The details follow the selection, the list's changes and the reading of the file shown.
        connect(tableImages->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AppController::updateInspectionPanel);
        connect(tableImages->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &AppController::updateInspectionPanel);
        connect(m_dataSource, &QAbstractItemModel::modelReset, this, &AppController::updateInspectionPanel);
        // A reset clears the selection without a signal: the commands are judged again after each.
        connect(tableImages->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AppController::updateCommands);
        connect(m_dataSource, &QAbstractItemModel::modelReset, this, &AppController::updateCommands);
        connect(&m_dataSource->inspections(), &InspectionCache::inspectionReady, this,
            [this](const QString& path) {
                if (inspectionPanel && path == inspectionPanel->shownPath())
                    updateInspectionPanel();
            });
    }
    if (listSplitter) {
        const QByteArray state = Settings::settings()->listSplitterState();
        if (!state.isEmpty())
            listSplitter->restoreState(state);
        // Only a split the user made is kept: a window merely opened and closed stores nothing.
        connect(listSplitter, &QSplitter::splitterMoved, this, [this] { m_splitterMoved = true; });
    }
    // The window's close keeps where the list and the details part.
    if (mainWindow)
        mainWindow->installEventFilter(this);
    updateInspectionPanel();
    updateCommands();
    updateSegment();
    // The conversion run: "msgStartProgress" and "msgCancelProgress".
    m_runner->observeNotices();
}

AddedFiles AppController::addFiles(const QStringList& paths, bool recursive, const SkippedInput& skipped)
{
    return gatherFiles(*Converter::converter(), paths, recursive, skipped);
}

bool AppController::IsValidFileAtPath(const QString& path) const
{
    return FileManagerHelpers::IsValidFileAtPath(path);
}

QString AppController::GetNewFile(const QString& file, const QString& atPath, WorkFile& content)
{
    return nameOutputFile(file, atPath, content);
}

void AppController::OnAddImages(QObject*)
{
    QFileDialog panel(mainWindow);
    panel.setFileMode(QFileDialog::ExistingFiles);
    panel.setNameFilter(imageNameFilter(Converter::converter()->supportedTypes()));
    panel.setOption(QFileDialog::HideNameFilterDetails);
    const std::optional<QStringList> chosen = runOpenPanel(panel);
    if (!chosen)
        return;
    Converter* list = Converter::converter();
    QStringList images;
    for (const QString& path : *chosen) {
        // A name typed into the dialog is not held to its filter: keep the list to images here.
        if (list->isSupportedPath(path) && !isFolder(path))
            images << path;
    }
    // Each chosen file is named by the user: a link among them is followed, and shown by its own name.
    addFiles(images, false);
    switchUI();
    reloadImageData();
}

void AppController::OnAddFolder(QObject*)
{
    QFileDialog panel(mainWindow);
    panel.setFileMode(QFileDialog::Directory);
    panel.setOption(QFileDialog::ShowDirsOnly);
    const std::optional<QStringList> chosen = runOpenPanel(panel);
    if (!chosen)
        return;
    // The direct entries in the order the listing gives them, links only to files inside the folder; a
    // folder that cannot be listed is empty.
    const AddedFiles added = chosen->isEmpty() ? AddedFiles() : addFiles({ chosen->first() }, false);
    // Whatever page was showing, a list with files is shown.
    switchUI();
    reloadImageData();
    if (!chosen->isEmpty())
        reportAdded(added, { chosen->first() });
}

void AppController::OnRemove(QObject*)
{
    if (!tableImages)
        return;
    QList<int> rows;
    if (QItemSelectionModel* selection = tableImages->selectionModel()) {
        for (const QModelIndex& index : selection->selectedRows())
            rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    tableImages->clearSelection();
    // Every row becomes its path before anything is removed, so no removal shifts a row still to go.
    const QStringList& paths = Converter::converter()->allFilePaths();
    QStringList doomed;
    for (const int row : rows) {
        if (row >= 0 && row < paths.size())
            doomed << paths.at(row);
    }
    for (const QString& path : doomed)
        Converter::converter()->removeFile(path);
    reloadImageData();
    switchUI();
}

void AppController::OnClear(QObject*)
{
    if (tableImages)
        tableImages->clearSelection();
    Converter::converter()->clear();
    reloadImageData();
    switchUI();
}

void AppController::OnSwitchListviewStyle(QObject*)
{
    updateSegment();
}

// ---- The window: pages, list and drops ----

void AppController::updateSegment()
{
    if (!scListStyle)
        return;
    const bool s0 = scListStyle->isSelectedForSegment(0);
    const bool s1 = scListStyle->isSelectedForSegment(1);
    scListStyle->setImage(imageNamed(s0 ? QStringLiteral("list-alter.png") : QStringLiteral("list.png")), 0);
    scListStyle->setImage(
        imageNamed(s1 ? QStringLiteral("listicon_alter.png") : QStringLiteral("listicon.png")), 1);
    if (!tableImages)
        return;
    const int imageColumn = FileTableModel::columnForIdentifier(FileTableModel::kImageColumn);
    if (s0) {
        tableImages->setColumnHidden(imageColumn, true);
        tableImages->verticalHeader()->setDefaultSectionSize(kListRowHeight);
    } else if (s1) {
        tableImages->setColumnHidden(imageColumn, false);
        tableImages->verticalHeader()->setDefaultSectionSize(kIconRowHeight);
        // Thumbnails fill the row but a few pixels, at the screen's pixel density.
        const qreal ratio = tableImages->devicePixelRatioF();
        const QSize box(tableImages->columnWidth(imageColumn) - 8, kIconRowHeight - 8);
        m_dataSource->setThumbnailSize((QSizeF(box) * ratio).toSize(), ratio);
    }
}

void AppController::updateInspectionPanel()
{
    if (!inspectionPanel)
        return;
    QString path;
    if (tableImages && tableImages->selectionModel()) {
        const QItemSelectionModel* selection = tableImages->selectionModel();
        const QModelIndexList rows = selection->selectedRows();
        // The current row when it is among the selected ones, else the first selected.
        int row = -1;
        if (selection->isRowSelected(selection->currentIndex().row(), {}))
            row = selection->currentIndex().row();
        else if (!rows.isEmpty())
            row = rows.first().row();
        if (row >= 0)
            path = Converter::converter()->allFilePaths().value(row);
    }
    inspectionPanel->showInspection(path,
        path.isEmpty() ? nullptr : m_dataSource->inspections().inspection(path),
        Converter::converter()->allFiles().value(path).name);
}

void AppController::updateCommands()
{
    const bool hasFiles = !Converter::converter()->allFilePaths().isEmpty();
    const QItemSelectionModel* selection = tableImages ? tableImages->selectionModel() : nullptr;
    if (actionRemove)
        actionRemove->setEnabled(hasFiles && selection && selection->hasSelection());
    if (actionClear)
        actionClear->setEnabled(hasFiles);
}

void AppController::reloadImageData()
{
    const int n = int(Converter::converter()->allFilePaths().size());
    if (!tableImages)
        return;
    tableImages->setToolTip(n > 0 ? tr("%n image photos", nullptr, n) : QString());
    tableImages->reloadData();
}

void AppController::switchUI()
{
    if (!toolbar)
        return;
    const qsizetype n = Converter::converter()->allFilePaths().size();
    // The explicit visibility: the window itself may not be on screen yet.
    const bool visible = !toolbar->isHidden();
    if (n > 0 && !visible) {
        selectPage(QStringLiteral("content"));
        toolbar->setVisible(true);
    } else if (n == 0 && visible) {
        toolbar->setVisible(false);
        selectPage(QStringLiteral("home"));
    }
}

void AppController::announce(const QString& text)
{
    if (statusBar)
        statusBar->showMessage(text, kAnnouncementMs);
}

void AppController::reportAdded(const AddedFiles& added, const QStringList& paths)
{
    if (added.added > 0) {
        // What was said about an earlier attempt no longer holds.
        if (statusBar)
            statusBar->clearMessage();
        return;
    }
    if (paths.isEmpty())
        return;
    const bool hasSubfolders = added.subfoldersSkipped > 0;
    if (added.found > 0) {
        announce(WindowTexts::alreadyListed(added.found));
    } else if (paths.size() != 1) {
        announce(WindowTexts::noImagesFoundAmong(int(paths.size()), hasSubfolders));
    } else if (isFolder(paths.first())) {
        const QString name = lastPathComponent(paths.first());
        announce(WindowTexts::noImagesFoundIn(
            readablePath(name.isEmpty() ? QDir::toNativeSeparators(paths.first()) : name), hasSubfolders));
    } else {
        announce(WindowTexts::notAnImage(readablePath(lastPathComponent(paths.first()))));
    }
}

void AppController::selectPage(const QString& identifier)
{
    if (!tabSwitcher)
        return;
    for (int i = 0; i < tabSwitcher->count(); ++i) {
        if (tabSwitcher->widget(i)->objectName() == identifier) {
            tabSwitcher->setCurrentIndex(i);
            return;
        }
    }
}

int AppController::numberOfRowsInTableView(const QTableView*) const
{
    return m_dataSource->numberOfRows();
}

Qt::DropActions AppController::validateDrop(QTableView*, const QMimeData*, int, DropOperation)
{
    syslog(LOG_NOTICE, "validate Drop");
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

bool AppController::acceptDrop(QTableView* table, const QMimeData* info, int, DropOperation)
{
    if (!table || table != tableImages)
        return false;
    const QStringList paths = fileNames(info);
    const AddedFiles added = addFiles(paths, false);
    tableImages->reloadData();
    reportAdded(added, paths);
    return true;
}

void AppController::OnDropFiles(const Notification& notice)
{
    const auto* info = qvariant_cast<QMimeData*>(notice.userInfo.value(kDraggingInfoKey));
    const QStringList paths = fileNames(info);
    const AddedFiles added = addFiles(paths, false);
    switchUI();
    if (tableImages)
        tableImages->reloadData();
    reportAdded(added, paths);
}

bool AppController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mainWindow && event->type() == QEvent::Close) {
        if (listSplitter && m_splitterMoved)
            Settings::settings()->setListSplitterState(listSplitter->saveState());
        return QObject::eventFilter(watched, event);
    }
    if (!tableImages || watched != tableImages->viewport())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const int row = tableImages->rowAt(int(drag->position().y()));
        const Qt::DropActions allowed = validateDrop(tableImages, drag->mimeData(),
            row < 0 ? numberOfRowsInTableView(tableImages) : row, DropOperation::Above);
        // Only names are taken, the files stay where they are: the drop is a copy whatever else is
        // allowed, so that no source deletes its files after a "move" onto the list.
        if ((allowed & Qt::CopyAction) && (drag->possibleActions() & Qt::CopyAction)) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const int row = tableImages->rowAt(int(drop->position().y()));
        if ((drop->possibleActions() & Qt::CopyAction)
            && acceptDrop(tableImages, drop->mimeData(), row, DropOperation::Above)) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

void AppController::setOpenPanelRunner(OpenPanelRunner runner)
{
    m_openPanelRunner = std::move(runner);
}

std::optional<QStringList> AppController::runOpenPanel(QFileDialog& panel) const
{
    if (m_openPanelRunner)
        return m_openPanelRunner(panel);
    if (panel.exec() != QDialog::Accepted)
        return std::nullopt;
    return panel.selectedFiles();
}

QString AppController::imageNameFilter(const QStringList& supportedTypes)
{
    // Patterns like *.[jJ][pP][gG] match every mix of case, in Qt's dialog and in native ones alike.
    QStringList patterns;
    for (const QString& type : supportedTypes) {
        QString pattern = QStringLiteral("*.");
        for (const QChar c : type) {
            const QChar lower = c.toLower();
            const QChar upper = c.toUpper();
            pattern += lower == upper ? QString(c) : QStringLiteral("[%1%2]").arg(lower, upper);
        }
        patterns << pattern;
    }
    return tr("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}

// ---- The conversion run: each operation is the RunController's ----

void AppController::OnConvert(QObject*)
{
    m_runner->convert();
}

void AppController::OnStartProgress(const Notification&)
{
    m_runner->start();
}

void AppController::OnCancelProgress(const Notification&)
{
    m_runner->cancel();
}

void AppController::ConvertThread()
{
    m_runner->work();
}

void AppController::waitForRun()
{
    m_runner->wait();
}

RunReport AppController::lastRun() const
{
    return m_runner->lastRun();
}

void AppController::setRunDialogs(std::unique_ptr<RunDialogs> dialogs)
{
    m_runner->setDialogs(std::move(dialogs));
}

void AppController::setFolderOpener(FolderOpener opener)
{
    m_runner->setFolderOpener(std::move(opener));
}

RunSummaryDialog* AppController::runSummary() const
{
    return m_runner->summary();
}
