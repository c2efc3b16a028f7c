// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controller over the real layout: the tooltip, the two pages, the commands, the
// list styles, the table's content and the drops on the table and on the drop view.
#include "app/MainNib.h"
#include "batch/Converter.h"
#include "batch/Notices.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AppController.h"
#include "ui/FileTableModel.h"
#include "ui/InspectionPanel.h"
#include "ui/NamedImage.h"
#include "ui/widgets/BlankTableView.h"
#include "ui/widgets/DropView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

/// Lets a reader stuck opening the named pipe at a path go on when the test has not finished within a
/// few seconds, and remembers that it had to: the window must never wait for a pipe's writer.
class PipeWatchdog
{
public:
    explicit PipeWatchdog(const QString& pipe)
        : m_pipe(QFile::encodeName(pipe))
        , m_thread([this] { watch(); })
    { }
    ~PipeWatchdog() { finish(); }
    PipeWatchdog(const PipeWatchdog&) = delete;
    PipeWatchdog& operator=(const PipeWatchdog&) = delete;

    /// Ends the watch; true when the watchdog had to let a reader go.
    bool finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    void watch()
    {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::seconds(5), [this] { return m_done; }))
            return;
        m_fired = true;
        // Each writer that comes and goes lets a blocked open return; the reader then sees the end.
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_done; })) {
            const int fd = ::open(m_pipe.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        }
    }

    const QByteArray m_pipe;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_fired = false;
    std::thread m_thread;
};

class MainWindow : public ::testing::Test
{
protected:
    /// The real layout, loaded and shown as at start-up.
    void SetUp() override
    {
        Converter::converter()->clear();
        ASSERT_TRUE(dir.isValid());
        nib.load();
        controller = nib.appController();
        pages = child<QStackedWidget>("tabSwitcher");
        dropView = child<DropView>("dropView");
        table = child<BlankTableView>("tableImages");
        chooser = child<SegmentedControl>("scListStyle");
        toolbar = child<QToolBar>("toolbar");
        statusBar = child<QStatusBar>("statusBar");
        ASSERT_TRUE(pages && dropView && table && chooser && toolbar && statusBar);
    }
    void TearDown() override { Converter::converter()->clear(); }

    template<typename T> T* child(const char* name) { return nib.mainWindow()->findChild<T*>(name); }

    /// Image-named empty files a, b, c... in the temporary folder, added to the list in order.
    QStringList addFiles(int count)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const QString path = dir.filePath(QStringLiteral("%1.jpg").arg(QChar(u'a' + i)));
            EXPECT_TRUE(touchFile(path));
            Converter::converter()->addFile(path);
            paths << path;
        }
        return paths;
    }

    /// Drags \a paths over \a target and lets go of them there, offering copy and move as file managers
    /// do; true when the target accepted both the drag and the drop.
    bool dragAndDrop(QWidget* target, const QStringList& paths)
    {
        const auto data = fileDrag(paths);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    /// The Add Folder command from the menu, its dialog answered with \a folder.
    void addFolder(const QString& folder)
    {
        controller->setOpenPanelRunner(
            [folder](QFileDialog&) { return std::optional(QStringList { folder }); });
        child<QAction>("actionAddFolder")->trigger();
    }

    [[nodiscard]] QString page() const { return pages->currentWidget()->objectName(); }
    [[nodiscard]] QStringList listed() const { return Converter::converter()->allFilePaths(); }
    [[nodiscard]] bool headerShown() const { return !table->horizontalHeader()->isHidden(); }

    QTemporaryDir dir;
    MainNib nib;
    AppController* controller = nullptr;
    QStackedWidget* pages = nullptr;
    DropView* dropView = nullptr;
    BlankTableView* table = nullptr;
    SegmentedControl* chooser = nullptr;
    QToolBar* toolbar = nullptr;
    QStatusBar* statusBar = nullptr;
};

TEST_F(MainWindow, RemoveTakesExactlyTheSelectedRowsAndRefreshesTooltipAndPage)
{
    const QStringList paths = addFiles(4);
    controller->OnRemove(nullptr); // nothing selected: nothing removed, the rest refreshed
    EXPECT_EQ(listed(), paths);
    EXPECT_EQ(table->toolTip(), QStringLiteral("4 image photos"));
    EXPECT_EQ(page(), QStringLiteral("content"));
    EXPECT_FALSE(toolbar->isHidden());

    table->selectRow(0);
    table->selectionModel()->select(
        table->model()->index(2, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    controller->OnRemove(nullptr);
    EXPECT_EQ(listed(), (QStringList { paths[1], paths[3] }));
    EXPECT_FALSE(table->selectionModel()->hasSelection());
    EXPECT_EQ(table->toolTip(), QStringLiteral("2 image photos"));
    EXPECT_EQ(table->model()->index(0, FileTableModel::columnForIdentifier(QStringLiteral("name"))).data(),
        QStringLiteral("b.jpg"));
}

TEST_F(MainWindow, ClearEmptiesTheListHidesTheToolbarAndShowsHome)
{
    addFiles(3);
    controller->switchUI();
    ASSERT_EQ(page(), QStringLiteral("content"));
    table->selectRow(1);
    controller->OnClear(nullptr);
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_TRUE(toolbar->isHidden());
    EXPECT_EQ(page(), QStringLiteral("home"));
    EXPECT_EQ(table->toolTip(), QString());
    EXPECT_FALSE(headerShown());
}

// Remove and Clear are offered only while they have something to take, on the toolbar and in the menu
// alike; each step below is what the user does, then what the two commands look like.
TEST_F(MainWindow, RemoveAndClearAreEnabledExactlyWhileTheyHaveSomethingToTake)
{
    auto* remove = child<QAction>("actionRemove");
    auto* clear = child<QAction>("actionClear");
    ASSERT_TRUE(remove && clear);
    const QString image = dir.filePath(QStringLiteral("drop.png"));
    ASSERT_TRUE(writePng(image));
    const auto toolButtonEnabled = [this](QAction* action) {
        QWidget* button = toolbar->widgetForAction(action);
        return button && button->isEnabled();
    };
    const struct
    {
        const char* step;
        std::function<void()> act;
        bool removeEnabled;
        bool clearEnabled;
    } steps[] = {
        { "start, empty list", [] {}, false, false },
        { "a file dropped on the home page", [&] { EXPECT_TRUE(dragAndDrop(dropView, { image })); }, false,
            true },
        { "its row selected", [&] { table->selectRow(0); }, true, true },
        { "selection cleared by hand", [&] { table->clearSelection(); }, false, true },
        { "two rows more, the last selected",
            [&] {
                addFiles(2);
                controller->reloadImageData();
                table->selectRow(2);
            },
            true, true },
        { "Remove from the menu", [&] { remove->trigger(); }, false, true },
        { "a row selected again", [&] { table->selectRow(0); }, true, true },
        { "Clear", [&] { clear->trigger(); }, false, false },
        { "files added back, none selected",
            [&] {
                addFiles(1);
                controller->reloadImageData();
            },
            false, true },
        { "its only row selected and removed",
            [&] {
                table->selectRow(0);
                remove->trigger();
            },
            false, false },
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.act();
        EXPECT_EQ(remove->isEnabled(), s.removeEnabled);
        EXPECT_EQ(clear->isEnabled(), s.clearEnabled);
        // The toolbar shows while the list has files; its buttons follow their actions.
        if (!toolbar->isHidden()) {
            EXPECT_EQ(toolButtonEnabled(remove), s.removeEnabled);
            EXPECT_EQ(toolButtonEnabled(clear), s.clearEnabled);
        }
    }
    EXPECT_TRUE(listed().isEmpty());
}

TEST_F(MainWindow, AddFolderFromHomeTakesItsOwnImagesOnlyAndShowsTheList)
{
    const QString folder = dir.filePath(QStringLiteral("shoot"));
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere.jpg"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));
    for (const char* name : { "photo.JPG", "scan.Png", "notes.txt", "sub/inner.jpg" })
        ASSERT_TRUE(touchFile(folder + QLatin1Char('/') + QLatin1String(name)));
    ASSERT_TRUE(touchFile(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, folder + QStringLiteral("/link.jpg")));

    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    controller->setOpenPanelRunner([&](QFileDialog& panel) -> std::optional<QStringList> {
        mode = panel.fileMode();
        return QStringList { folder };
    });
    ASSERT_EQ(page(), QStringLiteral("home"));
    child<QPushButton>("addFolderButton")->click();
    EXPECT_EQ(mode, QFileDialog::Directory);
    QStringList added = listed();
    added.sort();
    EXPECT_EQ(
        added, (QStringList { folder + QStringLiteral("/photo.JPG"), folder + QStringLiteral("/scan.Png") }));
    EXPECT_EQ(table->toolTip(), QStringLiteral("2 image photos"));
    EXPECT_EQ(page(), QStringLiteral("content"));
    EXPECT_FALSE(toolbar->isHidden());
    EXPECT_TRUE(statusBar->currentMessage().isEmpty());

    // A cancelled dialog changes nothing, not even the tooltip.
    table->setToolTip(QStringLiteral("untouched"));
    controller->setOpenPanelRunner([](QFileDialog&) { return std::optional<QStringList>(); });
    child<QAction>("actionAddFolder")->trigger();
    EXPECT_EQ(listed().size(), 2);
    EXPECT_EQ(table->toolTip(), QStringLiteral("untouched"));
}

TEST_F(MainWindow, AddImagesOffersEverySupportedNameWhateverItsCase)
{
    QStringList paths;
    for (const char* name : { "IMG_1.JPG", "scan.Png", "b.tiff", "c.Gif", "IMG_2.HEIC", "e.avif", "f.WebP",
             "g.hif", "notes.txt", "raw.CR2" })
        ASSERT_TRUE(touchFile(paths.emplace_back(dir.filePath(QLatin1String(name)))));

    QStringList offered;
    controller->setOpenPanelRunner([&](QFileDialog& panel) -> std::optional<QStringList> {
        EXPECT_EQ(panel.fileMode(), QFileDialog::ExistingFiles);
        // What a case-sensitive native dialog would list with these patterns.
        const QString filter = panel.nameFilters().value(0);
        const QString patterns = filter.mid(filter.indexOf(u'(') + 1).chopped(1);
        offered
            = QDir(dir.path()).entryList(patterns.split(u' '), QDir::Files | QDir::CaseSensitive, QDir::Name);
        return paths;
    });
    controller->OnAddImages(nullptr);
    EXPECT_EQ(offered,
        (QStringList {
            "IMG_1.JPG", "IMG_2.HEIC", "b.tiff", "c.Gif", "e.avif", "f.WebP", "g.hif", "scan.Png" }));
    // Names typed past the filter are not taken.
    EXPECT_EQ(listed(), paths.mid(0, 8));
    EXPECT_EQ(page(), QStringLiteral("content"));
    EXPECT_FALSE(toolbar->isHidden());
    EXPECT_EQ(table->toolTip(), QStringLiteral("8 image photos"));
}

TEST_F(MainWindow, DropOnTheTableAddsFilesAndFoldersButKeepsTheTooltipCount)
{
    addFiles(1);
    controller->reloadImageData();
    const QString folder = dir.filePath(QStringLiteral("more"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(touchFile(folder + QStringLiteral("/x.png")));
    ASSERT_TRUE(touchFile(dir.filePath(QStringLiteral("y.gif"))));

    const auto data
        = fileDrag({ folder, dir.filePath(QStringLiteral("y.gif")), dir.filePath(QStringLiteral("a.jpg")) });
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(table->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(table->viewport(), &drop);
    ASSERT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "names are taken, files are never moved";

    EXPECT_EQ(listed().size(), 3);
    EXPECT_EQ(table->model()->rowCount(), 3);
    EXPECT_EQ(table->toolTip(), QStringLiteral("1 image photos"));
}

TEST_F(MainWindow, DropOfferedToAnotherTableIsRefused)
{
    QTableView other;
    other.setModel(controller->dataSource());
    const auto data = fileDrag({ dir.filePath(QStringLiteral("a.jpg")) });
    ASSERT_TRUE(touchFile(dir.filePath(QStringLiteral("a.jpg"))));
    EXPECT_FALSE(controller->acceptDrop(&other, data.get(), 0, AppController::DropOperation::On));
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_TRUE(controller->acceptDrop(table, data.get(), 0, AppController::DropOperation::On));
    EXPECT_EQ(listed().size(), 1);
}

TEST_F(MainWindow, DropOnTheDropViewFillsTheListAndShowsContent)
{
    const QString image = dir.filePath(QStringLiteral("drop.png"));
    ASSERT_TRUE(writePng(image));
    EXPECT_FALSE(headerShown());
    ASSERT_TRUE(dragAndDrop(dropView, { image }));
    EXPECT_EQ(listed(), QStringList { image });
    EXPECT_EQ(page(), QStringLiteral("content"));
    EXPECT_FALSE(toolbar->isHidden());
    EXPECT_TRUE(headerShown());
    EXPECT_EQ(table->toolTip(), QString()) << "a drop reloads the rows, not the tooltip";
}

// A folder received from someone else may hold links into its receiver's files: Add Folder and drops of
// the folder take a link only to a file inside the folder, and the list shows it by the link's name; a
// link dropped by itself is followed and shown by its own name too.
TEST_F(MainWindow, WalkedFoldersTakeOnlyLinksInsideThemAndTheListShowsTheLinksName)
{
    const QString folder = dir.filePath(QStringLiteral("shared"));
    const QString passport = dir.filePath(QStringLiteral("private/passport_scan.jpg"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")) && QDir().mkpath(dir.filePath("private")));
    for (const QString& file :
        { folder + QStringLiteral("/own.jpg"), folder + QStringLiteral("/sub/real.jpg"), passport })
        ASSERT_TRUE(writePng(file));
    for (const auto& [target, at] : { std::pair { passport, QStringLiteral("IMG_0002.jpg") },
             std::pair { QStringLiteral("sub/real.jpg"), QStringLiteral("inside.jpg") },
             std::pair { QStringLiteral("next.jpg"), QStringLiteral("chain.jpg") },
             std::pair { QStringLiteral("../private/passport_scan.jpg"), QStringLiteral("next.jpg") } })
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                      QFile::encodeName(folder + u'/' + at).constData()),
            0);
    const int nameColumn = FileTableModel::columnForIdentifier(QStringLiteral("name"));
    const auto shown = [&] {
        QHash<QString, QString> names;
        for (int row = 0; row < table->model()->rowCount(); ++row)
            names.insert(listed().value(row), table->model()->index(row, nameColumn).data().toString());
        return names;
    };
    const QHash<QString, QString> expected { { folder + QStringLiteral("/own.jpg"),
                                                 QStringLiteral("own.jpg") },
        { folder + QStringLiteral("/sub/real.jpg"), QStringLiteral("inside.jpg") } };

    const struct
    {
        const char* name;
        std::function<void()> act;
    } ways[] = {
        { "Add Folder", [&] { addFolder(folder); } },
        { "drop on the drop view", [&] { EXPECT_TRUE(dragAndDrop(dropView, { folder })); } },
        { "drop on the list", [&] { EXPECT_TRUE(dragAndDrop(table->viewport(), { folder })); } },
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Converter::converter()->clear();
        controller->reloadImageData();
        way.act();
        EXPECT_EQ(shown(), expected);
        EXPECT_FALSE(listed().contains(passport));
    }

    Converter::converter()->clear();
    EXPECT_TRUE(dragAndDrop(dropView, { folder + QStringLiteral("/IMG_0002.jpg") }));
    EXPECT_EQ(shown(), (QHash<QString, QString> { { passport, QStringLiteral("IMG_0002.jpg") } }));
}

TEST_F(MainWindow, ADragHoldingANamedPipeIsJudgedWithoutWaitingForIt)
{
    const QString pipe = dir.filePath(QStringLiteral("pipe.jpg"));
    const QString image = dir.filePath(QStringLiteral("photo.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(writePng(image));
    PipeWatchdog watchdog(pipe);

    // Nothing in a drag of the pipe alone could be an image.
    EXPECT_FALSE(dragAndDrop(dropView, { pipe }));
    EXPECT_TRUE(listed().isEmpty());
    // Beside a photo it is listed by its name, for the run to find out; the rows and thumbnails are drawn.
    EXPECT_TRUE(dragAndDrop(dropView, { pipe, image }));
    EXPECT_EQ(listed(), (QStringList { pipe, image }));
    chooser->segmentButton(1)->click();
    EXPECT_FALSE(table->grab().isNull());
    EXPECT_FALSE(watchdog.finish()) << "the window waited for the pipe's writer";
}

TEST_F(MainWindow, AddingThatFindsNoNewImageSaysSoInTheStatusBar)
{
    // holiday: photos in a subfolder only; notes: text only; trip: two photos; scan.bin: a picture by
    // its content, not by its name.
    const QString holiday = dir.filePath(QStringLiteral("holiday"));
    const QString notes = dir.filePath(QStringLiteral("notes"));
    const QString trip = dir.filePath(QStringLiteral("trip"));
    const QString scan = dir.filePath(QStringLiteral("scan.bin"));
    ASSERT_TRUE(
        QDir().mkpath(holiday + QStringLiteral("/day1")) && QDir().mkpath(notes) && QDir().mkpath(trip));
    for (const QString& file : { holiday + QStringLiteral("/day1/a.jpg"),
             holiday + QStringLiteral("/readme.txt"), notes + QStringLiteral("/list.txt"),
             trip + QStringLiteral("/a.jpg"), trip + QStringLiteral("/b.png") })
        ASSERT_TRUE(touchFile(file));
    ASSERT_TRUE(writePng(scan));

    const struct
    {
        const char* name;
        std::function<void()> act;
        const char* message; ///< "" once something was added
        const char* page;
    } steps[] = {
        { "Add Folder of a folder with a subfolder", [&] { addFolder(holiday); },
            "No images found in holiday; subfolders are not searched", "home" },
        { "drop of a folder of texts", [&] { EXPECT_TRUE(dragAndDrop(dropView, { notes })); },
            "No images found in notes", "home" },
        { "drop of a picture named otherwise", [&] { EXPECT_TRUE(dragAndDrop(dropView, { scan })); },
            "scan.bin is not a JPEG, PNG, GIF, BMP, TIFF, HEIC, AVIF or WebP file", "home" },
        { "Add Folder with photos", [&] { addFolder(trip); }, "", "content" },
        { "the same folder dropped on the list",
            [&] { EXPECT_TRUE(dragAndDrop(table->viewport(), { trip })); },
            "The 2 images found are already in the list", "content" },
        { "two folders without images dropped on the list",
            [&] {
                EXPECT_TRUE(dragAndDrop(table->viewport(), { holiday, notes }));
            },
            "No images found among the 2 dropped items; subfolders are not searched", "content" },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(statusBar->currentMessage(), QString::fromUtf8(step.message));
        EXPECT_EQ(page(), QLatin1String(step.page));
    }
    EXPECT_EQ(listed().size(), 2);
}

TEST_F(MainWindow, ListStyleWinsWhenBothSegmentsAreSelectedAndNeitherChangesOnlyImages)
{
    const int imageColumn = FileTableModel::columnForIdentifier(QStringLiteral("image"));
    const auto shows = [this](int segment, const char* name) {
        return chooser->image(segment).cacheKey() == imageNamed(QLatin1String(name)).cacheKey();
    };
    EXPECT_TRUE(table->isColumnHidden(imageColumn));

    chooser->setSelectedSegment(1);
    controller->OnSwitchListviewStyle(chooser);
    EXPECT_EQ(table->verticalHeader()->defaultSectionSize(), 64);
    EXPECT_FALSE(table->isColumnHidden(imageColumn));

    chooser->setSelected(true, 0);
    controller->updateSegment();
    EXPECT_TRUE(shows(0, "list-alter.png"));
    EXPECT_TRUE(shows(1, "listicon_alter.png"));
    EXPECT_EQ(table->verticalHeader()->defaultSectionSize(), 18);
    EXPECT_TRUE(table->isColumnHidden(imageColumn));

    chooser->setSelectedSegment(1);
    controller->updateSegment();
    chooser->setSelectedSegment(-1);
    controller->updateSegment();
    EXPECT_TRUE(shows(0, "list.png"));
    EXPECT_TRUE(shows(1, "listicon.png"));
    EXPECT_EQ(table->verticalHeader()->defaultSectionSize(), 64);
    EXPECT_FALSE(table->isColumnHidden(imageColumn));
}

TEST_F(MainWindow, HeaderClicksSortTheListAndTheRunNaturallyAndNewFilesTakeTheirPlaces)
{
    const auto make = [this](const char* name, int bytes) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(bytes, 'x')) == bytes);
        return path;
    };
    const QString ten = make("IMG_10.jpg", 300);
    const QString two = make("IMG_2.jpg", 100);
    const QString one = make("img_1.jpg", 200);
    for (const QString& path : { ten, two, one })
        Converter::converter()->addFile(path);
    controller->switchUI();
    controller->reloadImageData();
    QApplication::processEvents();
    EXPECT_EQ(listed(), (QStringList { ten, two, one })) << "unsorted, files keep the order they came in";
    table->selectRow(0);

    QHeaderView* header = table->horizontalHeader();
    const auto click = [header](const QString& identifier) {
        const int column = FileTableModel::columnForIdentifier(identifier);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                header->height() / 2));
    };
    const auto shown = [this] {
        QStringList names;
        for (int row = 0; row < table->model()->rowCount(); ++row)
            names << table->model()
                         ->index(row, FileTableModel::columnForIdentifier(FileRecord::kName))
                         .data()
                         .toString();
        return names;
    };
    const auto selected = [this] {
        QStringList paths;
        for (const QModelIndex& row : table->selectionModel()->selectedRows())
            paths << listed().value(row.row());
        return paths;
    };
    // The list is the run's order: what the table shows is what Converter hands the run.
    click(FileRecord::kName);
    EXPECT_EQ(listed(), (QStringList { one, two, ten })) << "natural order, whatever the case";
    EXPECT_EQ(shown(), (QStringList { "img_1.jpg", "IMG_2.jpg", "IMG_10.jpg" }));
    EXPECT_EQ(selected(), QStringList { ten }) << "the selection stays with its file";
    click(FileRecord::kName);
    EXPECT_EQ(listed(), (QStringList { ten, two, one }));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // A file dropped on the sorted list takes its place in it.
    const QString three = make("IMG_3.jpg", 50);
    ASSERT_TRUE(dragAndDrop(table->viewport(), { three }));
    EXPECT_EQ(listed(), (QStringList { ten, three, two, one }));
    click(FileRecord::kSize);
    EXPECT_EQ(listed(), (QStringList { three, two, one, ten }));
    EXPECT_EQ(shown(), (QStringList { "IMG_3.jpg", "IMG_2.jpg", "img_1.jpg", "IMG_10.jpg" }));
}

TEST_F(MainWindow, ColumnsShareTheWindowsWidthAndShowEveryTextWhole)
{
    addFiles(2);
    controller->switchUI();
    controller->reloadImageData();
    const QHeaderView* header = table->horizontalHeader();
    const int name = FileTableModel::columnForIdentifier(FileRecord::kName);
    const int personal = FileTableModel::columnForIdentifier(FileTableModel::kPersonalColumn);
    // The findings come from a worker: the columns are shared by their texts once they are there.
    ASSERT_TRUE(waitFor([&] {
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (table->model()->index(row, personal).data().toString() == u"Reading…")
                return false;
        }
        return true;
    }));
    QList<int> nameWidths;
    for (const QSize size : { QSize(980, 560), QSize(1600, 1000) }) {
        nib.mainWindow()->resize(size);
        for (const int style : { 0, 1 }) {
            SCOPED_TRACE(QStringLiteral("%1x%2, style %3")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(style)
                             .toStdString());
            chooser->setSelectedSegment(style);
            controller->updateSegment();
            QApplication::processEvents();
            EXPECT_LE(header->length(), table->viewport()->width()) << "a column beyond the window";
            for (const QString& whole : { FileRecord::kKind, FileRecord::kSize, FileRecord::kModified }) {
                const int column = FileTableModel::columnForIdentifier(whole);
                for (int row = 0; row < table->model()->rowCount(); ++row) {
                    // The text's own width and the air the cell keeps beside it.
                    const QString text = table->model()->index(row, column).data().toString();
                    EXPECT_GE(header->sectionSize(column), table->fontMetrics().horizontalAdvance(text) + 12)
                        << qPrintable(text);
                }
            }
            // The name and the findings share the rest; both fit whole at these sizes.
            EXPECT_EQ(header->length(), table->viewport()->width());
            for (const int column : { name, personal }) {
                for (int row = 0; row < table->model()->rowCount(); ++row) {
                    const QString text = table->model()->index(row, column).data().toString();
                    EXPECT_GE(header->sectionSize(column), table->fontMetrics().horizontalAdvance(text) + 12)
                        << qPrintable(text);
                }
            }
        }
        nameWidths << header->sectionSize(name);
    }
    EXPECT_GT(nameWidths.at(1), nameWidths.at(0) + 150) << "the name takes what a wider window gains";
}

TEST_F(MainWindow, TheSplitOfListAndDetailsIsKeptForTheNextLaunch)
{
    clearStore();
    const auto cleanUp = qScopeGuard([] { clearStore(); });
    addFiles(1);
    controller->switchUI();
    QApplication::processEvents();
    auto* splitter = child<QSplitter>("listSplitter");
    ASSERT_TRUE(splitter);
    const int details = splitter->sizes().at(1);

    // The handle dragged 120 pixels to the left, as a mouse does.
    QSplitterHandle* handle = splitter->handle(1);
    const QPoint from = handle->rect().center();
    const QPoint to = from - QPoint(120, 0);
    QMouseEvent press(
        QEvent::MouseButtonPress, from, handle->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(handle, &press);
    QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(handle, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, handle->mapToGlobal(to), Qt::LeftButton, {}, {});
    QApplication::sendEvent(handle, &release);
    const int moved = splitter->sizes().at(1);
    EXPECT_NEAR(moved, details + 120, 2);
    nib.mainWindow()->close();

    MainNib next;
    next.load();
    next.appController()->switchUI();
    QApplication::processEvents();
    const auto* restored = next.mainWindow()->findChild<QSplitter*>(QStringLiteral("listSplitter"));
    EXPECT_NEAR(restored->sizes().at(1), moved, 2);
}

TEST_F(MainWindow, CellsShowTheRecordAndAnEmptyThumbnailForUnreadableFiles)
{
    const QString image = dir.filePath(QStringLiteral("shot.png"));
    ASSERT_TRUE(writePng(image) && touchFile(dir.filePath(QStringLiteral("broken.jpg"))));
    Converter::converter()->addFile(image);
    Converter::converter()->addFile(dir.filePath(QStringLiteral("broken.jpg")));
    controller->reloadImageData();

    const QAbstractItemModel* model = table->model();
    QStringList identifiers;
    for (int column = 0; column < model->columnCount(); ++column)
        identifiers << model->headerData(column, Qt::Horizontal, FileTableModel::kIdentifierRole).toString();
    EXPECT_EQ(identifiers, (QStringList { "image", "name", "personal", "kind", "size", "modified" }));
    const auto cell = [model](int row, const char* identifier, int role = Qt::DisplayRole) {
        return model->index(row, FileTableModel::columnForIdentifier(QLatin1String(identifier))).data(role);
    };
    EXPECT_EQ(cell(0, "name").toString(), QStringLiteral("shot.png"));
    EXPECT_EQ(cell(0, "kind").toString(), QStringLiteral("PNG image"));
    EXPECT_EQ(cell(1, "size").toString(), QStringLiteral("0"));
    EXPECT_FALSE(cell(0, "modified").toString().isEmpty());
    // Thumbnails come from the background: a placeholder first, then the picture.
    const auto& thumbnails = qobject_cast<const FileTableModel*>(model)->thumbnails();
    const QImage placeholder = qvariant_cast<QImage>(cell(0, "image", Qt::DecorationRole));
    EXPECT_FALSE(placeholder.isNull());
    EXPECT_FALSE(thumbnails.isIdle());
    int ready = 0;
    int changed = 0;
    const QObject counting; // the counters' connections end with the test
    QObject::connect(&thumbnails, &ThumbnailCache::thumbnailReady, &counting, [&ready] { ++ready; });
    QObject::connect(model, &QAbstractItemModel::dataChanged, &counting, [&changed] { ++changed; });
    (void)cell(1, "image", Qt::DecorationRole);
    QElapsedTimer clock;
    clock.start();
    while (!thumbnails.isIdle() && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(thumbnails.isIdle());
    EXPECT_EQ(ready, 2);
    EXPECT_GE(changed, 1) << "a finished thumbnail repaints its cell";
    EXPECT_EQ(qvariant_cast<QImage>(cell(0, "image", Qt::DecorationRole)).size(), QSize(24, 16))
        << "small pictures are not enlarged";
    EXPECT_TRUE(cell(1, "image", Qt::DecorationRole).isNull());
    // A file that can no longer be read gives an empty cell; the record's texts stay.
    ASSERT_TRUE(QFile::remove(image));
    EXPECT_TRUE(cell(0, "image", Qt::DecorationRole).isNull());
    EXPECT_EQ(cell(0, "name").toString(), QStringLiteral("shot.png"));
}

TEST_F(MainWindow, PersonalColumnAndDetailsShowWhatAGpsPhotoGivesAwayAndCopyItsPosition)
{
    // A photo with a position and a camera, written by exiftool; and one with nothing personal.
    const QString gps = dir.filePath(QStringLiteral("gps_harbour_walk_on_a_long_summer_afternoon.png"));
    const QString plain = dir.filePath(QStringLiteral("plain.png"));
    ASSERT_TRUE(writePng(gps) && writePng(plain));
    ASSERT_EQ(runProcess(QStringLiteral("exiftool"),
                  { "-q", "-overwrite_original", "-GPSLatitude=48.858370", "-GPSLatitudeRef=N",
                      "-GPSLongitude=2.294481", "-GPSLongitudeRef=E", "-Make=Canon", gps })
                  .exitCode,
        0);
    Converter::converter()->addFile(gps);
    Converter::converter()->addFile(plain);
    controller->reloadImageData();

    const QAbstractItemModel* model = table->model();
    const int column = FileTableModel::columnForIdentifier(FileTableModel::kPersonalColumn);
    EXPECT_EQ(model->headerData(column, Qt::Horizontal).toString(), QStringLiteral("Personal Data"));
    const auto cell = [model, column](int row) { return model->index(row, column).data().toString(); };
    // Read in the background: said so first, then the groups.
    EXPECT_EQ(cell(0), QStringLiteral("Reading…"));
    ASSERT_TRUE(waitFor([&] { return cell(0) != u"Reading…" && cell(1) != u"Reading…"; }));
    EXPECT_EQ(cell(0), QStringLiteral("Location, Device"));
    EXPECT_EQ(cell(1), QStringLiteral("Nothing personal found"));

    auto* panel = child<InspectionPanel>("inspectionPanel");
    ASSERT_TRUE(panel);
    const auto texts = [panel] {
        QStringList found;
        for (const QLabel* label : panel->findChildren<QLabel*>())
            found << label->text();
        for (const QTreeWidgetItem* item : panel->findChild<QTreeWidget*>()->findItems(
                 QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive, 1))
            found << item->text(0) + QStringLiteral(": ") + item->text(1);
        return found;
    };
    auto* copy = panel->findChild<QPushButton*>();
    ASSERT_TRUE(copy);
    EXPECT_TRUE(texts().contains(QStringLiteral("Select a photo to see what it gives away.")));
    EXPECT_FALSE(copy->isEnabled());

    table->selectRow(0);
    EXPECT_EQ(panel->shownPath(), gps);
    EXPECT_TRUE(texts().contains(QStringLiteral("gps_harbour_walk_on_a_long_summer_afternoon.png")))
        << texts().join(u'\n').toStdString();
    EXPECT_TRUE(texts().contains(QStringLiteral("GPS position: 48.8584 N, 2.2945 E")))
        << texts().join(u'\n').toStdString();
    EXPECT_TRUE(texts().contains(QStringLiteral("Camera make: Canon"))) << texts().join(u'\n').toStdString();
    // However narrow the details, each name and value shows whole: it wraps onto the lines it needs.
    child<QSplitter>("listSplitter")->setSizes({ 800, 180 });
    QApplication::processEvents();
    // A splitter dragged below a pane's least width folds the pane away: a long name must not set it.
    EXPECT_LE(panel->minimumSizeHint().width(), 180) << "the long name holds the details wide";
    auto* tree = panel->findChild<QTreeWidget*>();
    for (const QTreeWidgetItem* item :
        tree->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive, 1)) {
        for (const int side : { 0, 1 }) {
            const QRect shown
                = tree->visualItemRect(item).intersected(QRect(tree->header()->sectionViewportPosition(side),
                    0, tree->header()->sectionSize(side), 1 << 20));
            const QRect needed = tree->fontMetrics().boundingRect(
                QRect(0, 0, shown.width() - 8 - (side == 0 ? 2 * tree->indentation() : 0), 1 << 20),
                Qt::TextWordWrap, item->text(side));
            EXPECT_GE(shown.height(), needed.height()) << qPrintable(item->text(side));
        }
    }
    ASSERT_TRUE(copy->isEnabled());
    copy->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("48.8584 N, 2.2945 E"));

    table->selectRow(1);
    EXPECT_TRUE(texts().contains(QStringLiteral("Nothing personal found")))
        << texts().join(u'\n').toStdString();
    EXPECT_FALSE(copy->isEnabled());
    // The list changes under the panel: the row goes, and with the selection the details.
    Converter::converter()->clear();
    controller->reloadImageData();
    EXPECT_TRUE(panel->shownPath().isEmpty());
}

} // namespace
