// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion run through the real main window (offscreen): the Convert command with scripted
// answers to its dialogs, the progress window, the notices in order and the files left behind.
#include "app/InstanceLink.h"
#include "app/MainNib.h"
#include "app/OpenedPaths.h"
#include "batch/Converter.h"
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "engine/core/NativePath.h"
#include "settings/Settings.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/ModalTestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AppController.h"
#include "ui/FileTableModel.h"
#include "ui/RunDialogs.h"
#include "ui/StatusWindowController.h"
#include "ui/widgets/DropView.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWindow>

#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

/// Dialogs that answer from a script and count what they were asked.
struct ScriptedDialogs : RunDialogs
{
    QString chooseOutputFolder(QWidget*, const QString& startFolder) override
    {
        offered << startFolder;
        return ++chooserShown, folder;
    }
    OverwriteAnswer confirmOverwrite(QWidget*) override { return ++warningShown, answer; }
    void showError(QWidget*, const QString& message) override { errors << message; }

    QString folder; ///< the chooser's answer; empty for Cancel
    OverwriteAnswer answer = OverwriteAnswer::Continue;
    int chooserShown = 0;
    int warningShown = 0;
    QStringList offered; ///< the folders the chooser was to open at
    QStringList errors;
};

struct Seen
{
    QString name;
    int current = -1;
    int total = -1;
    QString message;
    bool fromWorker = false;
};

/// Records the four run notices from whichever thread posts them, and lets a test act on an update
/// while the worker waits for it.
class NoticeLog
{
public:
    /// Observers run in the order they were added: the main thread's notices are best seen before the
    /// controllers start the worker, the worker's after the progress window has queued its changes.
    void observe(const QStringList& names)
    {
        for (const QString& name : names)
            m_ids.push_back(
                NotificationCenter::defaultCenter()->addObserver(name, [this](const Notification& n) {
                    {
                        std::lock_guard lock(m_mutex);
                        m_seen.push_back({ n.name, n.userInfo.value(kProgressCurrentKey, -1).toInt(),
                            n.userInfo.value(kProgressTotalKey, -1).toInt(),
                            n.userInfo.value(kProgressMessageKey).toString(),
                            std::this_thread::get_id() != m_mainThread });
                    }
                    if (n.name == kMsgUpdateProgress && onUpdate)
                        onUpdate(n);
                }));
    }
    ~NoticeLog()
    {
        for (const auto id : m_ids)
            NotificationCenter::defaultCenter()->removeObserver(id);
    }
    std::vector<Seen> seen()
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }
    QStringList names()
    {
        QStringList names;
        for (const Seen& s : seen())
            names << s.name;
        return names;
    }

    std::function<void(const Notification&)> onUpdate; ///< set before the run starts

private:
    std::vector<NotificationCenter::ObserverId> m_ids;
    std::mutex m_mutex;
    std::vector<Seen> m_seen;
    const std::thread::id m_mainThread = std::this_thread::get_id();
};

class RunCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearStore();
        Converter::converter()->clear();
        launch();
        controller()->exportPath = QStringLiteral("/previous");
    }
    /// The window as a launch of the program loads it, with the dialogs answered from a new script.
    void launch()
    {
        nib.reset();
        log.reset();
        nib = std::make_unique<MainNib>();
        log = std::make_unique<NoticeLog>();
        log->observe({ kMsgStartProgress, kMsgCancelProgress });
        nib->load();
        log->observe({ kMsgUpdateProgress, kMsgProgressCanceled });
        nib->applicationDidFinishLaunching();
        auto dialogs = std::make_unique<ScriptedDialogs>();
        script = dialogs.get(); // owned by the controller
        controller()->setRunDialogs(std::move(dialogs));
        controller()->setFolderOpener([this](const QUrl& folder) {
            opened << folder;
            return true;
        });
    }
    void TearDown() override
    {
        nib.reset();
        log.reset();
        Converter::converter()->clear();
        clearStore();
    }

    AppController* controller() const { return nib->appController(); }
    QDialog* progressWindow() const { return nib->progressWindow(); }

    /// Copies a file of the dirty set into the work folder under \a name and lists it.
    QString addSource(const QString& corpusFile, const QString& name)
    {
        const QString path = work.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(QFile::copy(dirtyCorpusDir() + u'/' + corpusFile, path)) << qPrintable(corpusFile);
        Converter::converter()->addFile(path);
        return path;
    }

    /// The Convert command as the toolbar sends it; returns when the run is over.
    void convert()
    {
        {
            ModalWatchdog watchdog;
            nib->mainWindow()->findChild<QAction*>(QStringLiteral("actionConvert"))->trigger();
        }
        // The window closes as soon as the end notice is posted; the worker then still tells the log.
        controller()->waitForRun();
    }

    /// The summary sheet over the main window, as the user sees it after a run: the window's modal sheet.
    static QDialog* summarySheet()
    {
        auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        return sheet && sheet->objectName() == QLatin1String("runSummary") && sheet->isVisible() ? sheet
                                                                                                 : nullptr;
    }
    static QString textOf(const QDialog* sheet, const char* label)
    {
        const auto* shown = sheet->findChild<QLabel*>(QLatin1String(label));
        return shown ? shown->text() : QStringLiteral("(no %1)").arg(QLatin1String(label));
    }
    /// The rows of the sheet's file list: the file's name, its path as tooltip, and its result.
    static QList<QStringList> rowsOf(const QDialog* sheet)
    {
        QList<QStringList> rows;
        if (const auto* list = sheet->findChild<QTreeWidget*>(QStringLiteral("summaryFiles"))) {
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* item = list->topLevelItem(i);
                rows << QStringList { item->text(0), item->toolTip(0), item->text(1) };
            }
        }
        return rows;
    }

    /// Expects that nothing ran and nothing changed.
    void expectNoRun()
    {
        EXPECT_TRUE(log->seen().empty());
        EXPECT_EQ(controller()->exportPath, QStringLiteral("/previous"));
    }

    std::unique_ptr<MainNib> nib;
    std::unique_ptr<NoticeLog> log;
    ScriptedDialogs* script = nullptr;
    QList<QUrl> opened; ///< the folders the summary asked the desktop to open
    QTemporaryDir work;
};

TEST_F(RunCommand, ThreeDirtyFilesAreAnnouncedShownModallyAndWrittenClean)
{
    addSource("jpeg/01_exif_gps_makernote_thumb.jpg", "in/one.jpg");
    addSource("png/10_kitchen_sink.png", "in/two.png");
    addSource("tiff/01_exif_gps_xmp_iptc_icc.tif", "in/three.tif");
    const QStringList listed = Converter::converter()->allFilePaths();
    script->folder = work.filePath("out/missing/parents");

    // What the window shows once each update has reached the main thread.
    struct Shown
    {
        QString text;
        int bar = -1;
        bool modal = false;
    };
    std::mutex shownMutex;
    std::vector<Shown> shown;
    QDialog* window = progressWindow();
    log->onUpdate = [&](const Notification&) {
        // Queued behind the progress window's own change, which it queued before this observer ran.
        QMetaObject::invokeMethod(window, [&] {
            std::lock_guard lock(shownMutex);
            shown.push_back({ window->findChild<QLabel*>(QStringLiteral("txtInfo"))->text(),
                window->findChild<QProgressBar*>(QStringLiteral("progress"))->value(),
                QApplication::activeModalWidget() == window && window->isVisible() });
        });
    };
    convert();

    const std::vector<Seen> seen = log->seen();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].name, kMsgStartProgress);
    EXPECT_FALSE(seen[0].fromWorker);
    ASSERT_EQ(shown.size(), 3u);
    const int bars[] = { 0, 33, 67 };
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QString text = QStringLiteral("Removing EXIF for %1 of 3 ...").arg(i + 1);
        const Seen& update = seen[i + 1];
        EXPECT_EQ(update.name, kMsgUpdateProgress);
        EXPECT_EQ(update.current, int(i));
        EXPECT_EQ(update.total, 3);
        EXPECT_EQ(update.message, text);
        EXPECT_TRUE(update.fromWorker);
        EXPECT_EQ(shown[i].text, text);
        EXPECT_EQ(shown[i].bar, bars[i]);
        EXPECT_TRUE(shown[i].modal) << "the main window takes no commands during the run";
    }
    EXPECT_EQ(seen[4].name, kMsgProgressCanceled);
    EXPECT_TRUE(seen[4].fromWorker);

    EXPECT_EQ(filesUnder(script->folder), (QStringList { "one.jpg", "three.tif", "two.png" }));
    const ProcessResult check = checkClean(script->folder);
    EXPECT_EQ(check.exitCode, 0) << qPrintable(check.standardOutput) << qPrintable(check.standardError);
    EXPECT_EQ(Converter::converter()->allFilePaths(), listed);
    EXPECT_EQ(controller()->exportPath, script->folder);
    EXPECT_EQ(script->chooserShown, 1);
    EXPECT_EQ(script->warningShown, 1);
    EXPECT_TRUE(storedText(Settings::kIgnoreWarning).isNull()) << "Continue stores nothing";
    EXPECT_FALSE(window->isVisible());

    // The run ends with its summary, from which the folder opens in the file manager.
    QDialog* sheet = summarySheet();
    ASSERT_NE(sheet, nullptr) << "the end of the run is shown";
    EXPECT_EQ(
        textOf(sheet, "summaryHeadline"), QStringLiteral("3 copies written, each checked: nothing personal"));
    EXPECT_EQ(textOf(sheet, "summaryText"), QStringLiteral("Saved in %1.").arg(script->folder));
    EXPECT_TRUE(rowsOf(sheet).isEmpty());
    EXPECT_EQ(sheet->findChild<QTreeWidget*>(QStringLiteral("summaryFiles")), nullptr) << "no empty list";
    sheet->findChild<QPushButton*>(QStringLiteral("openFolderButton"))->click();
    EXPECT_EQ(opened, QList { QUrl::fromLocalFile(script->folder) });
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the main window takes events again";
}

TEST_F(RunCommand, APhoneHeicComesOutUprightAndCleanAsHeicAndAsJpegWhenChosen)
{
    // A phone photo: stored turned, with 'irot' for orientation 6 and Exif with a position and the phone.
    addSource("heif/orient/irot_6.heic", "in/IMG_0001.HEIC");
    const QImage upright = decodeWithQt(dirtyReferenceDir() + QStringLiteral("/upright_640x480.png"));
    auto* format = nib->mainWindow()->findChild<QComboBox*>(QStringLiteral("cmbOutputFormat"));
    ASSERT_NE(format, nullptr);
    struct Choice
    {
        int index;
        const char* folder;
        const char* output;
    };
    for (const Choice& choice :
        { Choice { 0, "out/same", "IMG_0001.HEIC" }, Choice { 1, "out/jpeg", "IMG_0001.jpg" } }) {
        SCOPED_TRACE(choice.output);
        format->setCurrentIndex(choice.index);
        emit format->activated(choice.index);
        script->folder = work.filePath(QLatin1String(choice.folder));
        convert();
        if (QDialog* sheet = summarySheet())
            sheet->close();
        EXPECT_EQ(filesUnder(script->folder), QStringList { QLatin1String(choice.output) });
        const ProcessResult check = checkClean(script->folder);
        EXPECT_EQ(check.exitCode, 0) << qPrintable(check.standardOutput) << qPrintable(check.standardError);
        // Both of the tools a user would open it with read it, upright.
        const QString output = script->folder + u'/' + QLatin1String(choice.output);
        for (const QStringList& reader : { QStringList { "vips", "copy", output, work.filePath("vips.png") },
                 QStringList { "convert", output, work.filePath("magick.png") } }) {
            const ProcessResult read = runProcess(reader.first(), reader.mid(1));
            ASSERT_EQ(read.exitCode, 0) << qPrintable(reader.first()) << qPrintable(read.standardError);
            const QImage decoded = decodeWithQt(reader.last());
            EXPECT_EQ(decoded.size(), upright.size()) << qPrintable(reader.first());
            EXPECT_LT(meanAbsoluteDifference(decoded, upright), 8.0) << qPrintable(reader.first());
        }
    }
    EXPECT_EQ(Settings::settings()->outputFormat(), OutputFormatChoice::Jpeg) << "the choice is kept";
}

TEST_F(RunCommand, CancelDuringTheSecondOfFiveFilesFinishesItAsksOnceAndTheNextRunStartsAfresh)
{
    for (int i = 1; i <= 5; ++i)
        addSource("jpeg/orient/orient_1.jpg", QStringLiteral("in/%1.jpg").arg(i));
    script->folder = work.filePath("out");
    QDialog* window = progressWindow();
    auto* cancelButton = window->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    ASSERT_NE(cancelButton, nullptr);
    bool cancelled = false;
    bool stillUp = false;
    QPoint placedAt, expectedAt, movedBy;
    log->onUpdate = [&](const Notification& notice) {
        if (cancelled || notice.userInfo.value(kProgressCurrentKey).toInt() != 1)
            return;
        cancelled = true;
        // The worker waits until the user's presses have been handled.
        QMetaObject::invokeMethod(
            cancelButton,
            [&] {
                const QRect parent = nib->mainWindow()->frameGeometry();
                placedAt = window->frameGeometry().topLeft();
                expectedAt = QPoint(
                    parent.x() + (parent.width() - window->frameGeometry().width()) / 2, parent.y() + 80);
                cancelButton->click();
                cancelButton->click();
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(window, &escape);
                window->close();
                stillUp = window->isVisible();
                const QPoint before = window->pos();
                nib->mainWindow()->move(nib->mainWindow()->pos() + QPoint(30, 40));
                movedBy = window->pos() - before;
            },
            Qt::BlockingQueuedConnection);
    };
    convert();

    EXPECT_EQ(log->names(),
        (QStringList { kMsgStartProgress, kMsgUpdateProgress, kMsgUpdateProgress, kMsgCancelProgress,
            kMsgProgressCanceled }));
    EXPECT_EQ(log->seen()[2].current, 1);
    EXPECT_EQ(filesUnder(script->folder), (QStringList { "1.jpg", "2.jpg" }));
    EXPECT_TRUE(stillUp) << "cancelling waits for the end of the run";
    EXPECT_EQ(placedAt, expectedAt) << "centred across the main window, 80 below its top";
    EXPECT_EQ(movedBy, QPoint(30, 40)) << "the attached window follows its parent";
    EXPECT_FALSE(window->isVisible());
    QDialog* sheet = summarySheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(textOf(sheet, "summaryHeadline"), QStringLiteral("Cancelled after 2 of 5 files"));
    EXPECT_EQ(textOf(sheet, "summaryText"),
        QStringLiteral("2 clean copies written to %1. The remaining 3 files were not started.")
            .arg(script->folder));

    convert();
    EXPECT_EQ(log->names().count(kMsgUpdateProgress), 7);
    EXPECT_EQ(filesUnder(script->folder).size(), 7);
    sheet = summarySheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(
        textOf(sheet, "summaryHeadline"), QStringLiteral("5 copies written, each checked: nothing personal"));
}

// After a second program has handed files over (the main window comes forward with the keyboard), each
// later run's progress window is the main window's transient dialog, in front with the keyboard; files
// handed over during a run bring the main window forward, yet the progress window stays in front.
/// Counts the times a widget was brought to the front of its siblings' stack while it was showing.
class RaiseCounter : public QObject
{
public:
    std::atomic<int> raised { 0 };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ZOrderChange && static_cast<QWidget*>(watched)->isVisible())
            ++raised;
        return false;
    }
};

TEST_F(RunCommand, TheProgressWindowIsInFrontOfTheMainWindowWithTheKeyboardAfterAHandOver)
{
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    const QString handed = addSource("jpeg/orient/orient_1.jpg", "in/handed.jpg");
    const QString handedDuringRun = addSource("jpeg/orient/orient_1.jpg", "in/later.jpg");
    Converter::converter()->removeFile(handed);
    Converter::converter()->removeFile(handedDuringRun);
    script->folder = work.filePath("out");
    QMainWindow* main = nib->mainWindow();
    QDialog* window = progressWindow();
    OpenedPaths opened(main);
    RaiseCounter counter;
    window->installEventFilter(&counter);

    struct Seen
    {
        bool transientOfMain = false;
        bool active = false;
        bool activeAfterHandOver = false;
        int raised = 0; ///< in front of the stack once shown; once more after a hand-over
    };
    std::vector<Seen> seen;
    bool handOverDuringRun = false;
    log->onUpdate = [&](const Notification& notice) {
        if (notice.userInfo.value(kProgressCurrentKey).toInt() != 0)
            return;
        QMetaObject::invokeMethod(
            window,
            [&] {
                Seen now;
                now.transientOfMain = window->parentWidget() == main && window->isWindow()
                    && window->windowHandle()
                    && window->windowHandle()->transientParent() == main->windowHandle();
                now.active = waitFor([&] { return QApplication::activeWindow() == window; });
                if (handOverDuringRun) {
                    opened.open({ handedDuringRun });
                    now.activeAfterHandOver = waitFor([&] { return QApplication::activeWindow() == window; })
                        && window->isActiveWindow();
                }
                now.raised = counter.raised.exchange(0);
                seen.push_back(now);
            },
            Qt::BlockingQueuedConnection);
    };

    for (const bool duringRun : { false, true }) {
        SCOPED_TRACE(duringRun);
        opened.open({ handed });
        ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == main; }));
        handOverDuringRun = duringRun;
        counter.raised = 0;
        convert();
        if (QDialog* sheet = summarySheet())
            sheet->close();
    }
    ASSERT_EQ(seen.size(), 2u);
    for (const Seen& run : seen) {
        EXPECT_TRUE(run.transientOfMain);
        EXPECT_TRUE(run.active);
    }
    EXPECT_EQ(seen[0].raised, 1);
    EXPECT_TRUE(seen[1].activeAfterHandOver);
    EXPECT_EQ(seen[1].raised, 2);
    EXPECT_FALSE(window->isVisible());
    // What was handed over during the run waited for its end.
    EXPECT_TRUE(waitFor([&] { return Converter::converter()->allFilePaths().contains(handedDuringRun); }));
}

TEST_F(RunCommand, FilesThatCannotBeWrittenAreListedWithTheirReasonsAndTheOthersAreWritten)
{
    addSource("jpeg/orient/orient_2.jpg", "in/a.jpg");
    const QString truncated = addSource("misc/truncated.jpg", "in/b.jpg");
    const QString empty = addSource("misc/empty.jpg", "in/c.jpg");
    addSource("png/01_text_chunks.png", "in/d.png");
    const QString deleted = addSource("jpeg/orient/orient_3.jpg", "in/e.jpg");
    ASSERT_TRUE(QFile::remove(deleted)) << "gone after it was listed";
    script->folder = work.filePath("out");
    convert();
    EXPECT_EQ(log->names().count(kMsgUpdateProgress), 5);
    EXPECT_EQ(log->names().constLast(), kMsgProgressCanceled);
    EXPECT_EQ(filesUnder(script->folder), (QStringList { "a.jpg", "d.png" }));

    QDialog* sheet = summarySheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(textOf(sheet, "summaryHeadline"),
        QStringLiteral("2 copies written, each checked: nothing personal; 3 files skipped"));
    EXPECT_EQ(textOf(sheet, "summaryListTitle"), QStringLiteral("These 3 files were not written:"));
    const QList<QStringList> rows = rowsOf(sheet);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].mid(0, 2), (QStringList { "b.jpg", truncated }));
    EXPECT_TRUE(rows[0][2].startsWith(QStringLiteral("Could not be decoded"))) << qPrintable(rows[0][2]);
    EXPECT_EQ(rows[1], (QStringList { "c.jpg", empty, "Empty file" }));
    EXPECT_EQ(rows[2], (QStringList { "e.jpg", deleted, "Not found" }));
    // Closing the summary leaves its headline in the status bar.
    sheet->findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(nib->mainWindow()
                    ->findChild<QStatusBar*>(QStringLiteral("statusBar"))
                    ->currentMessage()
                    .startsWith(QStringLiteral(
                        "2 copies written, each checked: nothing personal; 3 files skipped. Saved in ")));
}

TEST_F(RunCommand, AnEmptyListAsksNothingAndAWorkerStartedOnItStillClosesTheWindow)
{
    script->folder = work.filePath("out");
    convert();
    EXPECT_EQ(script->chooserShown, 0);
    expectNoRun();
    EXPECT_FALSE(QFileInfo::exists(script->folder));

    // The worker of an empty list posts its end before the window's loop has begun.
    {
        ModalWatchdog watchdog;
        nib->statusWindowController()->showModal(nib->mainWindow());
    }
    controller()->waitForRun();
    EXPECT_EQ(log->names(), (QStringList { kMsgStartProgress, kMsgProgressCanceled }));
    EXPECT_FALSE(progressWindow()->isVisible());
    EXPECT_EQ(progressWindow()->parentWidget(), nullptr) << "detached from the main window at the end";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the main window takes events again";
}

TEST_F(RunCommand, CancelInTheChooserOrTheWarningChangesNothing)
{
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    script->answer = RunDialogs::OverwriteAnswer::Cancel;
    for (const bool inWarning : { false, true }) {
        SCOPED_TRACE(inWarning);
        script->folder = inWarning ? work.filePath("new/out") : QString();
        convert();
        EXPECT_EQ(script->warningShown, inWarning ? 1 : 0);
        expectNoRun();
        EXPECT_FALSE(QFileInfo::exists(work.filePath("new")));
        EXPECT_TRUE(script->errors.isEmpty());
        EXPECT_EQ(storeText(), QString()) << "nothing stored";
    }
}

TEST_F(RunCommand, NeverShowAgainIsStoredAndNoLaterRunWarns)
{
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    script->folder = work.filePath("first");
    script->answer = RunDialogs::OverwriteAnswer::NeverShowAgain;
    convert();
    EXPECT_EQ(storedText(Settings::kIgnoreWarning), QStringLiteral("true"));
    EXPECT_EQ(filesUnder(script->folder), QStringList { "one.jpg" });

    script->folder = work.filePath("second");
    script->answer = RunDialogs::OverwriteAnswer::Cancel; // would stop the run if it were asked
    convert();
    EXPECT_EQ(script->warningShown, 1);
    EXPECT_EQ(filesUnder(script->folder), QStringList { "one.jpg" });
    // The chooser opens where the user saved last; the first time not where the program was started.
    ASSERT_EQ(script->offered.size(), 2);
    EXPECT_NE(script->offered[0], QStringLiteral("/previous")) << "no folder that is gone";
    EXPECT_NE(script->offered[0], QDir::currentPath());
    EXPECT_EQ(script->offered[1], work.filePath("first"));

    // The next launch opens it where the last run wrote, and a cancelled choice keeps that.
    for (int i = 0; i < 2; ++i) {
        launch();
        script->folder.clear();
        convert();
        EXPECT_EQ(script->offered, QStringList { work.filePath("second") });
    }
}

TEST_F(RunCommand, AFolderThatCannotBeCreatedShowsTheErrorAndStartsNoRun)
{
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    using Answer = RunDialogs::OverwriteAnswer;
    const struct
    {
        const char*
            blocker; ///< a regular file, or with a trailing '/' a read-only folder, in the work folder
        const char* chosen; ///< the chosen folder, under the work folder
        const char* reason; ///< the system's text (glibc)
        Answer answer = Answer::Continue;
    } cases[] = { { "taken", "taken", "File exists" }, { "taken", "taken/out/deeper", "Not a directory" },
        { "locked/", "locked/out", "Permission denied" },
        { "taken", "taken", "File exists", Answer::NeverShowAgain } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen);
        const QString blocker = work.filePath(QString::fromUtf8(c.blocker));
        if (blocker.endsWith(u'/')) {
            if (::geteuid() == 0)
                continue; // permissions do not bind the superuser
            ASSERT_TRUE(QDir().mkpath(blocker));
            QFile::setPermissions(blocker, QFile::ReadOwner | QFile::ExeOwner);
        } else {
            ASSERT_TRUE(writeFile(blocker, "not a folder"));
        }
        script->folder = work.filePath(QString::fromUtf8(c.chosen));
        script->answer = c.answer;
        script->errors.clear();
        convert();
        QFile::setPermissions(blocker, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        EXPECT_EQ(script->errors,
            QStringList { QStringLiteral("Error to create '%1'.\r\n[%2]")
                              .arg(script->folder, QString::fromUtf8(c.reason)) });
        expectNoRun();
        if (!blocker.endsWith(u'/')) {
            EXPECT_EQ(fileBytes(blocker), QByteArray("not a folder"));
        }
        if (c.answer == Answer::NeverShowAgain)
            EXPECT_EQ(storedText(Settings::kIgnoreWarning), QStringLiteral("true"))
                << "the answer stays stored";
        else
            EXPECT_TRUE(storedText(Settings::kIgnoreWarning).isNull());
    }
}

TEST_F(RunCommand, SameNamesAndTheSourceFolderNeverReplaceAnything)
{
    const QString first = addSource("jpeg/orient/orient_1.jpg", "a/photo.jpg");
    const QString second = addSource("jpeg/orient/orient_4.jpg", "b/photo.jpg");
    const QByteArray firstBytes = fileBytes(first);
    const QByteArray secondBytes = fileBytes(second);

    script->folder = work.filePath("out");
    convert();
    EXPECT_EQ(filesUnder(script->folder), (QStringList { "photo (1).jpg", "photo.jpg" }));

    // Into the first source's own folder: the source stays as it was.
    script->folder = work.filePath("a");
    convert();
    EXPECT_EQ(fileBytes(first), firstBytes);
    EXPECT_EQ(fileBytes(second), secondBytes);
    EXPECT_EQ(filesUnder(script->folder), (QStringList { "photo (1).jpg", "photo (2).jpg", "photo.jpg" }));
}

} // namespace

// Latin-1 names reach the window with their bytes by every way in: an argument of the program, a hand-over
// from a second program, a drop from a file manager (percent-encoded bytes), of files and of a folder that
// holds two names differing in one such byte; a link dropped by itself is followed. Each copy is named
// with exactly its source's bytes (the link's name for the link).
TEST_F(RunCommand, NamesThatAreNoUtf8ArriveEveryWayAndTheirCopiesKeepTheBytes)
{
    const auto cleanUp = qScopeGuard([&] { removeTree(work.path()); });
    const QByteArray root = QFile::encodeName(work.path());
    ASSERT_TRUE(QDir().mkpath(work.filePath("side")) && QDir().mkpath(work.filePath("private")));
    ASSERT_TRUE(writeNative(root + "/arg-\xe9.jpg", jpegOfSize(40, 30)));
    ASSERT_TRUE(writeNative(root + "/hand-\xe8.jpg", jpegOfSize(36, 20)));
    ASSERT_TRUE(writeNative(root + "/drop-\xff.jpg", jpegOfSize(30, 30)));
    ASSERT_TRUE(writeNative(root + "/side/caf\xe9.jpg", jpegOfSize(24, 16)));
    ASSERT_TRUE(writeNative(root + "/side/caf\xe8.jpg", jpegOfSize(16, 24)));
    ASSERT_TRUE(writeNative(root + "/private/passport_scan.jpg", jpegOfSize(90, 60)));
    ASSERT_EQ(
        ::symlink((root + "/private/passport_scan.jpg").constData(), (root + "/IMG_0002.jpg").constData()),
        0);
    OpenedPaths opened(nib->mainWindow());

    // The program's argument, as the system hands it over: bytes.
    QByteArray program("morvane");
    QByteArray argument = root + "/arg-\xe9.jpg";
    char* argv[] = { program.data(), argument.data(), nullptr };
    opened.open(pathArguments(2, argv));

    // A second program hands its argument over to this one.
    QTemporaryDir runtime;
    InstanceLink link(runtime.path());
    ASSERT_EQ(link.start({}), InstanceLink::Role::First);
    QObject::connect(&link, &InstanceLink::pathsArrived, &opened, &OpenedPaths::open);
    std::atomic<int> role { -1 };
    std::thread second([&] {
        InstanceLink handing(runtime.path());
        role = int(handing.start({ decodePath(root + "/hand-\xe8.jpg") }));
    });
    EXPECT_TRUE(waitFor([&] { return role >= 0; }));
    second.join();
    EXPECT_EQ(role, int(InstanceLink::Role::Handed));
    EXPECT_TRUE(waitFor([] { return Converter::converter()->allFilePaths().size() == 2; }));

    // A file manager's drop: a file, the folder and the link, their bytes percent-encoded (in either case,
    // with or without the host).
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"),
        "file://localhost" + root + "/drop-%ff.jpg\r\nfile://" + root + "/side\r\nfile://" + root
            + "/IMG_0002.jpg\r\n");
    auto* dropView = nib->mainWindow()->findChild<DropView*>(QStringLiteral("dropView"));
    ASSERT_NE(dropView, nullptr);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(dropView, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(dropView, &drop);
    ASSERT_EQ(Converter::converter()->allFilePaths().size(), 6);
    // The list shows the bytes that are no UTF-8 readably.
    QStringList shown;
    const QAbstractItemModel* model = controller()->dataSource();
    for (int row = 0; row < model->rowCount(); ++row)
        shown << model->index(row, FileTableModel::columnForIdentifier(FileRecord::kName)).data().toString();
    shown.sort();
    EXPECT_EQ(shown,
        (QStringList { "IMG_0002.jpg", "arg-\\xe9.jpg", "caf\\xe8.jpg", "caf\\xe9.jpg", "drop-\\xff.jpg",
            "hand-\\xe8.jpg" }));

    script->folder = work.filePath("out");
    convert();
    EXPECT_EQ(picturesIn(root + "/out"),
        (QMap<QByteArray, QSize> { { "arg-\xe9.jpg", QSize(40, 30) }, { "hand-\xe8.jpg", QSize(36, 20) },
            { "drop-\xff.jpg", QSize(30, 30) }, { "caf\xe9.jpg", QSize(24, 16) },
            { "caf\xe8.jpg", QSize(16, 24) }, { "IMG_0002.jpg", QSize(90, 60) } }))
        << QByteArrayList(picturesIn(root + "/out").keys()).join(' ').toHex(' ').constData();
}

// A decoder that crashes in its worker (tests/worker/HostileDecoder.cpp, preloaded into the workers of
// this run) costs its own file only: the window, its list and the rest of the run go on.
TEST_F(RunCommand, ADecoderThatCrashesCostsItsFileOnlyAndTheWindowGoesOn)
{
    const QString photo = addSource("jpeg/01_exif_gps_makernote_thumb.jpg", "in/photo.jpg");
    const QByteArray ask = "MORVANE-HOSTILE:crash";
    const QByteArray comment = QByteArray("\xFF\xFE\0", 3) + char(ask.size() + 2) + ask;
    const QString crashing = work.filePath("in/crash.jpg");
    ASSERT_TRUE(writeFile(crashing, jpegOfSize(40, 30).insert(2, comment)));
    Converter::converter()->addFile(crashing);
    const QStringList listed = Converter::converter()->allFilePaths();
    ASSERT_EQ(listed.size(), 2);
    script->folder = work.filePath("out");

    // The workers of the run are started with the window's environment.
    {
        qputenv("LD_PRELOAD", MORVANE_HOSTILE_PRELOAD);
        const auto unset = qScopeGuard([] { qunsetenv("LD_PRELOAD"); });
        convert();
    }

    EXPECT_EQ(Converter::converter()->allFilePaths(), listed);
    EXPECT_EQ(filesUnder(script->folder), QStringList { "photo.jpg" });
    const ProcessResult check = checkClean(script->folder);
    EXPECT_EQ(check.exitCode, 0) << qPrintable(check.standardOutput) << qPrintable(check.standardError);

    QDialog* sheet = summarySheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(textOf(sheet, "summaryHeadline").toStdString(),
        "1 copy written, checked: nothing personal; 1 file skipped");
    EXPECT_EQ(
        rowsOf(sheet), (QList<QStringList> { { "crash.jpg", crashing, "The decoder crashed (SIGSEGV)" } }));
    sheet->findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the main window takes events again";
    EXPECT_TRUE(nib->mainWindow()->isVisible());
    EXPECT_EQ(fileBytes(photo), fileBytes(dirtyCorpusDir() + "/jpeg/01_exif_gps_makernote_thumb.jpg"));
}
