// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion run through the real main window (offscreen): the Convert command with scripted
// answers to its dialogs, the progress window, the notices in order and the files left behind.
#include "app/MainNib.h"
#include "app/Settings.h"
#include "batch/Converter.h"
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "tests/app/AppTestSupport.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/ModalTestSupport.h"
#include "ui/AppController.h"
#include "ui/RunDialogs.h"
#include "ui/StatusWindowController.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>

// Texts in failure messages as text, not as bytes.
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

/// What the scripted dialogs answer, and what they were asked.
struct Script
{
    QString folder; ///< the chooser's answer; empty for Cancel
    RunDialogs::OverwriteAnswer answer = RunDialogs::OverwriteAnswer::Continue;
    int chooserShown = 0;
    int warningShown = 0;
    QStringList errors;
};

class ScriptedDialogs : public RunDialogs
{
public:
    explicit ScriptedDialogs(std::shared_ptr<Script> script)
        : m_script(std::move(script))
    { }
    QString chooseOutputFolder(QWidget*) override
    {
        ++m_script->chooserShown;
        return m_script->folder;
    }
    OverwriteAnswer confirmOverwrite(QWidget*) override
    {
        ++m_script->warningShown;
        return m_script->answer;
    }
    void showError(QWidget*, const QString& message) override { m_script->errors << message; }

private:
    std::shared_ptr<Script> m_script;
};

struct Seen
{
    QString name;
    int current = -1;
    int total = -1;
    QString message;
    bool fromWorker = false;
};

/// Records the four run notices from whichever thread posts them.
class NoticeLog
{
public:
    NoticeLog() = default;
    /// Starts recording \a names. Observers run in the order they were added: the main thread's notices
    /// are best seen before the controllers start the worker, the worker's after the progress window
    /// has queued its changes.
    void observe(const QStringList& names)
    {
        for (const QString& name : names)
            m_ids.push_back(NotificationCenter::defaultCenter()->addObserver(
                name, [this](const Notification& notice) { record(notice); }));
    }
    ~NoticeLog()
    {
        for (const auto id : m_ids)
            NotificationCenter::defaultCenter()->removeObserver(id);
    }
    NoticeLog(const NoticeLog&) = delete;
    NoticeLog& operator=(const NoticeLog&) = delete;

    /// Lets a test act on an update while the worker waits for it. Set before the run starts.
    void setOnUpdate(std::function<void(const Notification&)> onUpdate) { m_onUpdate = std::move(onUpdate); }

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

private:
    void record(const Notification& notice)
    {
        {
            std::lock_guard lock(m_mutex);
            m_seen.push_back({ notice.name, notice.userInfo.value(kProgressCurrentKey, -1).toInt(),
                notice.userInfo.value(kProgressTotalKey, -1).toInt(),
                notice.userInfo.value(kProgressMessageKey).toString(),
                std::this_thread::get_id() != m_mainThread });
        }
        if (notice.name == kMsgUpdateProgress && m_onUpdate)
            m_onUpdate(notice);
    }

    std::function<void(const Notification&)> m_onUpdate;
    std::vector<NotificationCenter::ObserverId> m_ids;
    std::mutex m_mutex;
    std::vector<Seen> m_seen;
    const std::thread::id m_mainThread = std::this_thread::get_id();
};

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
        ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
        : QByteArray();
}

class RunCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearStore();
        Converter::converter()->clear();
        nib = std::make_unique<MainNib>();
        log = std::make_unique<NoticeLog>();
        log->observe({ kMsgStartProgress, kMsgCancelProgress });
        nib->load();
        log->observe({ kMsgUpdateProgress, kMsgProgressCanceled });
        nib->applicationDidFinishLaunching();
        script = std::make_shared<Script>();
        controller()->setRunDialogs(std::make_unique<ScriptedDialogs>(script));
    }
    void TearDown() override
    {
        nib.reset();
        log.reset();
        Converter::converter()->clear();
        clearStore();
    }

    AppController* controller() const { return nib->appController(); }
    QAction* convertAction() const
    {
        return nib->mainWindow()->findChild<QAction*>(QStringLiteral("actionConvert"));
    }

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
        ModalWatchdog watchdog;
        controller()->OnConvert(convertAction());
        // The window closes as soon as the end notice is posted; the worker then still tells the log.
        controller()->waitForRun();
    }

    static QStringList filesIn(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    std::unique_ptr<MainNib> nib;
    std::unique_ptr<NoticeLog> log;
    std::shared_ptr<Script> script;
    QTemporaryDir work;
};

TEST_F(RunCommand, ThreeFilesAreAnnouncedShownInTheModalWindowAndWritten)
{
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    addSource("png/05_phys_300dpi.png", "in/two.png");
    addSource("jpeg/orient/orient_6.jpg", "in/three.jpg");
    const QStringList listed = Converter::converter()->allFilePaths();
    script->folder = work.filePath("out");
    QDir().mkpath(script->folder);

    // What the window shows once each update has reached the main thread.
    struct Shown
    {
        QString text;
        int bar = -1;
        bool modal = false;
    };
    std::mutex shownMutex;
    std::vector<Shown> shown;
    QDialog* progressWindow = nib->progressWindow();
    log->setOnUpdate([&](const Notification&) {
        // Queued behind the progress window's own change, which it queued before this observer ran.
        QMetaObject::invokeMethod(progressWindow, [&] {
            std::lock_guard lock(shownMutex);
            shown.push_back({ progressWindow->findChild<QLabel*>(QStringLiteral("txtInfo"))->text(),
                progressWindow->findChild<QProgressBar*>(QStringLiteral("progress"))->value(),
                QApplication::activeModalWidget() == progressWindow && progressWindow->isVisible() });
        });
    });
    convert();

    const std::vector<Seen> seen = log->seen();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].name, kMsgStartProgress);
    EXPECT_FALSE(seen[0].fromWorker);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Seen& update = seen[size_t(i) + 1];
        EXPECT_EQ(update.name, kMsgUpdateProgress);
        EXPECT_EQ(update.current, i);
        EXPECT_EQ(update.total, 3);
        EXPECT_EQ(update.message, QStringLiteral("Removing EXIF for %1 of 3 ...").arg(i + 1));
        EXPECT_TRUE(update.fromWorker);
    }
    EXPECT_EQ(seen[4].name, kMsgProgressCanceled);
    EXPECT_TRUE(seen[4].fromWorker);

    ASSERT_EQ(shown.size(), 3u);
    const int bars[] = { 0, 33, 67 };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shown[size_t(i)].text, QStringLiteral("Removing EXIF for %1 of 3 ...").arg(i + 1));
        EXPECT_EQ(shown[size_t(i)].bar, bars[i]);
        EXPECT_TRUE(shown[size_t(i)].modal) << "the main window takes no commands during the run";
    }

    EXPECT_EQ(filesIn(script->folder), (QStringList { "one.jpg", "three.jpg", "two.png" }));
    EXPECT_EQ(Converter::converter()->allFilePaths(), listed);
    EXPECT_EQ(controller()->exportPath, script->folder);
    EXPECT_EQ(script->chooserShown, 1);
    EXPECT_EQ(script->warningShown, 1);
    EXPECT_TRUE(storedText(Settings::kIgnoreWarning).isNull()) << "Continue stores nothing";
    EXPECT_FALSE(progressWindow->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(RunCommand, CancelDuringTheSecondOfFiveFilesFinishesItAndStops)
{
    for (int i = 1; i <= 5; ++i)
        addSource("jpeg/orient/orient_1.jpg", QStringLiteral("in/%1.jpg").arg(i));
    script->folder = work.filePath("out");
    auto* cancelButton = nib->progressWindow()->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    ASSERT_NE(cancelButton, nullptr);
    log->setOnUpdate([&](const Notification& notice) {
        // The worker waits until the user's two presses have been handled.
        if (notice.userInfo.value(kProgressCurrentKey).toInt() == 1)
            QMetaObject::invokeMethod(
                cancelButton,
                [cancelButton] {
                    cancelButton->click();
                    cancelButton->click();
                },
                Qt::BlockingQueuedConnection);
    });
    convert();

    EXPECT_EQ(log->names(),
        (QStringList { kMsgStartProgress, kMsgUpdateProgress, kMsgUpdateProgress, kMsgCancelProgress,
            kMsgProgressCanceled }));
    EXPECT_EQ(log->seen()[2].current, 1);
    EXPECT_EQ(filesIn(script->folder), (QStringList { "1.jpg", "2.jpg" }));
    EXPECT_FALSE(nib->progressWindow()->isVisible());
}

TEST_F(RunCommand, AFileThatFailsToLoadCountsButLeavesNoFile)
{
    addSource("jpeg/orient/orient_2.jpg", "in/a.jpg");
    addSource("misc/truncated.jpg", "in/b.jpg");
    addSource("misc/empty.jpg", "in/c.jpg");
    addSource("png/01_text_chunks.png", "in/d.png");
    script->folder = work.filePath("out");
    convert();

    int updates = 0;
    for (const Seen& s : log->seen())
        updates += s.name == kMsgUpdateProgress;
    EXPECT_EQ(updates, 4);
    EXPECT_EQ(log->names().constLast(), kMsgProgressCanceled);
    EXPECT_EQ(filesIn(script->folder), (QStringList { "a.jpg", "d.png" }));
}

TEST_F(RunCommand, AnEmptyListAsksNothingAndStartsNothing)
{
    script->folder = work.filePath("out");
    controller()->exportPath = QStringLiteral("/previous");
    convert();
    EXPECT_EQ(script->chooserShown, 0);
    EXPECT_TRUE(log->seen().empty());
    EXPECT_EQ(controller()->exportPath, QStringLiteral("/previous"));
    EXPECT_FALSE(QFileInfo::exists(script->folder));
}

TEST_F(RunCommand, AWorkerStartedOnAnEmptyListClosesTheWindow)
{
    {
        ModalWatchdog watchdog;
        nib->statusWindowController()->showModal(nib->mainWindow());
    }
    controller()->waitForRun();
    EXPECT_EQ(log->names(), (QStringList { kMsgStartProgress, kMsgProgressCanceled }));
    EXPECT_FALSE(nib->progressWindow()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the main window takes events again";
}

struct Declined
{
    const char* name;
    bool chooseFolder; ///< false: Cancel in the chooser; true: a folder, then Cancel in the warning
};

void PrintTo(const Declined& c, std::ostream* os)
{
    *os << c.name;
}

class RunCommandDeclined : public RunCommand, public ::testing::WithParamInterface<Declined>
{
};

TEST_P(RunCommandDeclined, ChangesNothing)
{
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    const QString folder = work.filePath("new/out");
    script->folder = GetParam().chooseFolder ? folder : QString();
    script->answer = RunDialogs::OverwriteAnswer::Cancel;
    controller()->exportPath = QStringLiteral("/previous");
    convert();

    EXPECT_EQ(script->warningShown, GetParam().chooseFolder ? 1 : 0);
    EXPECT_TRUE(log->seen().empty());
    EXPECT_FALSE(QFileInfo::exists(work.filePath("new")));
    EXPECT_EQ(controller()->exportPath, QStringLiteral("/previous"));
    EXPECT_TRUE(script->errors.isEmpty());
    EXPECT_EQ(storeText(), QString()) << "nothing stored";
}

INSTANTIATE_TEST_SUITE_P(Answers, RunCommandDeclined,
    ::testing::Values(Declined { "cancelInTheChooser", false }, Declined { "cancelInTheWarning", true }),
    [](const ::testing::TestParamInfo<Declined>& param) { return std::string(param.param.name); });

TEST_F(RunCommand, NeverShowAgainIsStoredAndNoLaterRunWarns)
{
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    script->folder = work.filePath("first");
    script->answer = RunDialogs::OverwriteAnswer::NeverShowAgain;
    convert();
    EXPECT_EQ(storedText(Settings::kIgnoreWarning), QStringLiteral("true"));
    EXPECT_EQ(filesIn(script->folder), QStringList { "one.jpg" });

    script->folder = work.filePath("second");
    script->answer = RunDialogs::OverwriteAnswer::Cancel; // would stop the run if it were asked
    convert();
    EXPECT_EQ(script->warningShown, 1);
    EXPECT_EQ(filesIn(script->folder), QStringList { "one.jpg" });
}

struct CreationFailure
{
    const char* name;
    const char* regularFile; ///< a regular file made in the work folder
    const char* chosen; ///< the chosen folder, under the work folder
    const char* reason; ///< the system's text (glibc)
    RunDialogs::OverwriteAnswer answer;
};

void PrintTo(const CreationFailure& c, std::ostream* os)
{
    *os << c.name;
}

class RunCommandCreationFails : public RunCommand, public ::testing::WithParamInterface<CreationFailure>
{
};

TEST_P(RunCommandCreationFails, ShowsTheErrorAndStartsNoRun)
{
    const CreationFailure& c = GetParam();
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    QFile file(work.filePath(QString::fromUtf8(c.regularFile)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a folder");
    file.close();
    script->folder = work.filePath(QString::fromUtf8(c.chosen));
    script->answer = c.answer;
    controller()->exportPath = QStringLiteral("/previous");
    convert();

    EXPECT_EQ(script->errors,
        QStringList { QStringLiteral("Error to create '%1'.\r\n[%2]")
                          .arg(script->folder, QString::fromUtf8(c.reason)) });
    EXPECT_TRUE(log->seen().empty());
    EXPECT_EQ(controller()->exportPath, QStringLiteral("/previous"));
    EXPECT_EQ(hashOf(file.fileName()), QCryptographicHash::hash("not a folder", QCryptographicHash::Sha256));
    if (c.answer == RunDialogs::OverwriteAnswer::NeverShowAgain)
        EXPECT_EQ(storedText(Settings::kIgnoreWarning), QStringLiteral("true")) << "the answer stays stored";
    else
        EXPECT_TRUE(storedText(Settings::kIgnoreWarning).isNull());
}

INSTANTIATE_TEST_SUITE_P(Paths, RunCommandCreationFails,
    ::testing::Values(CreationFailure { "regularFileAtThePath", "taken", "taken", "File exists",
                          RunDialogs::OverwriteAnswer::Continue },
        CreationFailure { "regularFileAsAParent", "taken", "taken/out/deeper", "Not a directory",
            RunDialogs::OverwriteAnswer::Continue },
        CreationFailure { "afterNeverShowAgain", "taken", "taken", "File exists",
            RunDialogs::OverwriteAnswer::NeverShowAgain }),
    [](const ::testing::TestParamInfo<CreationFailure>& param) { return std::string(param.param.name); });

TEST_F(RunCommand, AFolderWithoutPermissionGivesTheSystemsReason)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    const QString locked = work.filePath("locked");
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    script->folder = locked + QStringLiteral("/out");
    convert();
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(script->errors,
        QStringList { QStringLiteral("Error to create '%1'.\r\n[Permission denied]").arg(script->folder) });
}

TEST_F(RunCommand, MissingParentsAreCreated)
{
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    script->folder = work.filePath("a/b/c");
    convert();
    EXPECT_TRUE(script->errors.isEmpty());
    EXPECT_EQ(filesIn(script->folder), QStringList { "one.jpg" });
    EXPECT_EQ(controller()->exportPath, script->folder);
}

TEST_F(RunCommand, SameNamesAndTheSourceFolderNeverReplaceAnything)
{
    const QString first = addSource("jpeg/orient/orient_1.jpg", "a/photo.jpg");
    const QString second = addSource("jpeg/orient/orient_4.jpg", "b/photo.jpg");
    const QByteArray firstHash = hashOf(first);
    const QByteArray secondHash = hashOf(second);

    script->folder = work.filePath("out");
    convert();
    EXPECT_EQ(filesIn(script->folder), (QStringList { "photo (1).jpg", "photo.jpg" }));

    // Into the first source's own folder: the source stays as it was.
    script->folder = work.filePath("a");
    convert();
    EXPECT_EQ(hashOf(first), firstHash);
    EXPECT_EQ(hashOf(second), secondHash);
    EXPECT_EQ(filesIn(script->folder), (QStringList { "photo (1).jpg", "photo (2).jpg", "photo.jpg" }));
}

TEST_F(RunCommand, DirtyPhotosComeOutCleanThroughTheWindow)
{
    addSource("jpeg/01_exif_gps_makernote_thumb.jpg", "in/01_exif_gps_makernote_thumb.jpg");
    addSource("png/10_kitchen_sink.png", "in/10_kitchen_sink.png");
    addSource("tiff/01_exif_gps_xmp_iptc_icc.tif", "in/01_exif_gps_xmp_iptc_icc.tif");
    script->folder = work.filePath("clean");
    script->answer = RunDialogs::OverwriteAnswer::Continue;
    QAction* action = convertAction();
    ASSERT_NE(action, nullptr);
    {
        ModalWatchdog watchdog;
        action->trigger();
    }
    controller()->waitForRun();
    EXPECT_EQ(filesIn(script->folder),
        (QStringList {
            "01_exif_gps_makernote_thumb.jpg", "01_exif_gps_xmp_iptc_icc.tif", "10_kitchen_sink.png" }));
    const ProcessResult check = checkClean(script->folder);
    EXPECT_EQ(check.exitCode, 0) << qPrintable(check.standardOutput) << qPrintable(check.standardError);
    EXPECT_FALSE(nib->progressWindow()->isVisible());
}

} // namespace
