// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/OutputNaming.h"
#include "engine/core/WorkFile.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <latch>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

/// What `ls -A` lists in \a folder, sorted.
QStringList listed(const QString& folder)
{
    QStringList names = runProcess(QStringLiteral("ls"), { QStringLiteral("-A"), folder })
                            .standardOutput.split(u'\n', Qt::SkipEmptyParts);
    names.sort();
    return names;
}

/// Every case runs with unnamed work files and with the hidden ones of file systems that lack them.
class OutputNaming : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_out.isValid());
        setUnnamedWorkFilesAllowed(GetParam());
    }
    void TearDown() override { setUnnamedWorkFilesAllowed(true); }

    QString out(const QString& name) const { return m_out.filePath(name); }

    /// A finished work file in \a folder holding \a content.
    static std::unique_ptr<WorkFile> finished(const QString& folder, const QByteArray& content)
    {
        std::unique_ptr<WorkFile> file = WorkFile::create(folder);
        if (file
            && ::write(file->descriptor(), content.constData(), size_t(content.size())) != content.size())
            file.reset();
        return file;
    }

    /// In a folder of \a existing files, each holding its own name so that a replacement would show,
    /// \a name places a new file: it must land whole at \a expected, and nothing else may change.
    static void expectNamed(const std::vector<const char*>& existing, const char* expected,
        const std::function<QString(const QString& folder, WorkFile& file)>& name)
    {
        SCOPED_TRACE(expected);
        QTemporaryDir folder;
        QStringList expectedListing { QString::fromUtf8(expected) };
        for (const char* item : existing) {
            ASSERT_TRUE(writeFile(folder.filePath(QString::fromUtf8(item)), item));
            expectedListing << QString::fromUtf8(item);
        }
        const std::unique_ptr<WorkFile> file = finished(folder.path(), "new pixels");
        ASSERT_TRUE(file);
        const QString result = name(folder.path(), *file);
        EXPECT_EQ(result, folder.filePath(QString::fromUtf8(expected)));
        EXPECT_EQ(fileBytes(result), QByteArray("new pixels"));
        for (const char* item : existing)
            EXPECT_EQ(fileBytes(folder.filePath(QString::fromUtf8(item))), QByteArray(item));
        expectedListing.sort();
        EXPECT_EQ(listed(folder.path()), expectedListing);
    }

    QTemporaryDir m_out;
};

TEST_P(OutputNaming, TakesTheFirstFreeNameWithTheWholeFileAndLeavesExistingFilesAlone)
{
    const struct
    {
        const char* source;
        std::vector<const char*> existing;
        const char* expected;
    } cases[] = { { "photo.jpg", {}, "photo.jpg" },
        { "photo.jpg", { "photo.jpg", "photo (1).jpg" }, "photo (2).jpg" },
        { "photo.jpg", { "photo (1).jpg" }, "photo.jpg" },
        { "photo.jpg", { "photo.jpg", "photo (2).jpg" }, "photo (1).jpg" },
        { "IMG.JPG", { "IMG.JPG" }, "IMG (1).JPG" },
        { "archive.tar.jpg", { "archive.tar.jpg" }, "archive.tar (1).jpg" },
        { "README", { "README" }, "README (1)" }, { ".hidden", { ".hidden" }, ".hidden (1)" },
        { "photo.", { "photo." }, "photo (1)." } };
    for (const auto& c : cases) {
        expectNamed(c.existing, c.expected, [&](const QString& folder, WorkFile& file) {
            return nameOutputFile(QStringLiteral("/elsewhere/") + QString::fromUtf8(c.source), folder, file);
        });
    }
}

TEST_P(OutputNaming, NeverReplacesTheSourceOrAnyItemAtTheName)
{
    const QString source = out(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(writeFile(source, "source"));
    // A dangling link and a folder at the next two names: neither may be written through or reused.
    ASSERT_EQ(::symlink("/nonexistent/target.jpg",
                  QFile::encodeName(out(QStringLiteral("photo (1).jpg"))).constData()),
        0);
    ASSERT_TRUE(QDir(m_out.path()).mkdir(QStringLiteral("photo (2).jpg")));

    const std::unique_ptr<WorkFile> file = finished(m_out.path(), "output");
    ASSERT_TRUE(file);
    EXPECT_EQ(nameOutputFile(source, m_out.path() + u'/', *file), out(QStringLiteral("photo (3).jpg")));
    EXPECT_EQ(fileBytes(source), QByteArray("source"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/nonexistent/target.jpg")));
}

TEST_P(OutputNaming, ThreadsNamingTheSameSourceAtOnceGetDifferentNamesForWholeFiles)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 25;
    std::vector<QStringList> names(kThreads);
    TakenNames taken;
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int i = 0; i < kPerThread; ++i) {
                const std::unique_ptr<WorkFile> file
                    = finished(m_out.path(), QByteArray::number(t * 1000 + i));
                names[size_t(t)] << (file
                        ? nameOutputFile(QStringLiteral("/src/photo.jpg"), m_out.path(), *file, &taken)
                        : QString());
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    QSet<QString> distinct;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kPerThread; ++i) {
            distinct.insert(names[size_t(t)].at(i));
            EXPECT_EQ(fileBytes(names[size_t(t)].at(i)), QByteArray::number(t * 1000 + i));
        }
    }
    EXPECT_FALSE(distinct.contains(QString()));
    EXPECT_EQ(distinct.size(), kThreads * kPerThread);
    // The first free numbers, every one of them, and nothing else in the folder.
    QStringList expected { QStringLiteral("photo.jpg") };
    for (int k = 1; k < kThreads * kPerThread; ++k)
        expected << QStringLiteral("photo (%1).jpg").arg(k);
    expected.sort();
    EXPECT_EQ(listed(m_out.path()), expected);
}

// A run remembers which numbers it saw taken, so each name is tried once; the names stay those of a
// run without that memory as long as nothing else changes the folder.
TEST_P(OutputNaming, ARunTriesEachNumberOnceAndNamesAsBefore)
{
    for (const char* name : { "IMG.jpg", "IMG (2).jpg", "IMG (5).jpg" })
        ASSERT_TRUE(writeFile(out(QString::fromUtf8(name)), name));
    TakenNames taken;
    QStringList names;
    for (int i = 0; i < 5; ++i) {
        const std::unique_ptr<WorkFile> file = finished(m_out.path(), "x");
        ASSERT_TRUE(file);
        names << QFileInfo(nameOutputFile(QStringLiteral("/a/IMG.jpg"), m_out.path(), *file, &taken))
                     .fileName();
    }
    EXPECT_EQ(
        names, (QStringList { "IMG (1).jpg", "IMG (3).jpg", "IMG (4).jpg", "IMG (6).jpg", "IMG (7).jpg" }));

    // A number freed behind the run's back is not looked at again by this run, only by the next.
    ASSERT_TRUE(QFile::remove(out(QStringLiteral("IMG (1).jpg"))));
    for (const auto& [memory, expected] : { std::pair { &taken, QStringLiteral("IMG (8).jpg") },
             std::pair { (TakenNames*)nullptr, QStringLiteral("IMG (1).jpg") } }) {
        const std::unique_ptr<WorkFile> file = finished(m_out.path(), "x");
        ASSERT_TRUE(file);
        EXPECT_EQ(
            QFileInfo(nameOutputFile(QStringLiteral("/a/IMG.jpg"), m_out.path(), *file, memory)).fileName(),
            expected);
    }
}

TEST_P(OutputNaming, NumberedNamesFollowTheHighestNumberInTheFolderWhateverItsExtension)
{
    const struct
    {
        std::vector<const char*> existing;
        const char* extension;
        const char* expected;
    } cases[] = { { {}, "jpg", "photo-0001.jpg" }, { {}, "", "photo-0001" },
        { { "photo-0001.jpg", "photo-0003.png" }, "jpg", "photo-0004.jpg" },
        { { "photo-0007" }, "PNG", "photo-0008.PNG" }, { { "photo-0002.tar.gz" }, "jpg", "photo-0003.jpg" },
        { { "photo-9999.jpg" }, "jpg", "photo-10000.jpg" },
        // Not numbered names: they hold no number.
        { { "photo-0005a.jpg", "photo-.jpg", "photo-0004 (1).jpg", "Photo-0006.jpg", "xphoto-0009.jpg" },
            "jpg", "photo-0001.jpg" },
        { { "photo-99999999999999999999.jpg" }, "jpg", "photo-0001.jpg" } };
    for (const auto& c : cases) {
        expectNamed(c.existing, c.expected, [&](const QString& folder, WorkFile& file) {
            return nameNumberedOutputFile(QString::fromUtf8(c.extension), folder, file);
        });
    }
}

// A run lists the folder once; a number taken behind its back afterwards, by a file, a folder or a
// dangling link, is skipped and never written through.
TEST_P(OutputNaming, ANumberedRunSkipsNumbersTakenDuringItAndNumbersAcrossExtensions)
{
    TakenNames taken;
    QStringList names;
    const auto name = [&](const char* extension) {
        const std::unique_ptr<WorkFile> file = finished(m_out.path(), extension);
        names << (file
                ? QFileInfo(nameNumberedOutputFile(QString::fromUtf8(extension), m_out.path(), *file, &taken))
                      .fileName()
                : QString());
    };
    name("jpg");
    ASSERT_TRUE(writeFile(out(QStringLiteral("photo-0002.png")), "theirs"));
    ASSERT_EQ(::symlink("/nonexistent/target.png",
                  QFile::encodeName(out(QStringLiteral("photo-0003.png"))).constData()),
        0);
    ASSERT_TRUE(QDir(m_out.path()).mkdir(QStringLiteral("photo-0004.png")));
    name("png");
    name("jpg");
    EXPECT_EQ(names, (QStringList { "photo-0001.jpg", "photo-0005.png", "photo-0006.jpg" }));
    EXPECT_EQ(fileBytes(out(QStringLiteral("photo-0002.png"))), QByteArray("theirs"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/nonexistent/target.png")));
}

TEST_P(OutputNaming, AFolderThatCannotTakeAFileGivesNoWorkFileButItsReason)
{
    ASSERT_TRUE(writeFile(out(QStringLiteral("plain")), {}));
    const std::pair<QString, QString> cases[]
        = { { out(QStringLiteral("missing")), QStringLiteral("No such file or directory") },
              { out(QStringLiteral("plain")), QStringLiteral("Not a directory") } };
    for (const auto& [folder, reason] : cases) {
        SCOPED_TRACE(folder.toStdString());
        QString error;
        EXPECT_FALSE(WorkFile::create(folder, &error));
        EXPECT_EQ(error, reason);
    }
}

// What a killed run leaves is cleaned up by the next one, and nothing of a run that still works.
TEST(WorkFiles, AnAbandonedOneGoesOnlyWhenItsLockIsFreeAndItsProcessIsGone)
{
    QTemporaryDir folder;
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const QString dead = QString::number(child);
    const QString live = QString::number(::getppid());

    const auto work = [&](const QString& pid, const char* rest) {
        const QString path
            = folder.filePath(QStringLiteral(".morvane-work-%1-%2").arg(pid, QString::fromLatin1(rest)));
        EXPECT_TRUE(writeFile(path, "half a photo"));
        return path;
    };
    work(dead, "abandoned");
    const QString locked = work(dead, "locked");
    work(live, "running");
    work(QString::number(::getpid()), "mine");
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral(".morvane-work-%1-folder").arg(dead)));
    ASSERT_TRUE(writeFile(folder.filePath(QStringLiteral("photo.jpg")), "photo"));
    // A run in another pid namespace shows up as a dead process, but it holds its file's lock.
    const int lockFd = ::open(QFile::encodeName(locked).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lockFd, 0);
    ASSERT_EQ(::flock(lockFd, LOCK_EX), 0);

    EXPECT_EQ(removeAbandonedWorkFiles(folder.path()), 1);
    ::close(lockFd);
    const QStringList left = listed(folder.path());
    EXPECT_EQ(QSet<QString>(left.begin(), left.end()),
        (QSet<QString> { QStringLiteral(".morvane-work-%1-locked").arg(dead),
            QStringLiteral(".morvane-work-%1-running").arg(live),
            QStringLiteral(".morvane-work-%1-mine").arg(::getpid()),
            QStringLiteral(".morvane-work-%1-folder").arg(dead), QStringLiteral("photo.jpg") }));
}

// Work files that are dropped, or removed by a signal handler, leave nothing; `ls -A` is the judge.
TEST(WorkFiles, LeaveNothingWhenDroppedOrRemovedOnASignal)
{
    QTemporaryDir folder;
    for (const bool unnamed : { true, false }) {
        SCOPED_TRACE(unnamed);
        setUnnamedWorkFilesAllowed(unnamed);
        std::unique_ptr<WorkFile> file = WorkFile::create(folder.path());
        ASSERT_TRUE(file);
        ASSERT_EQ(::write(file->descriptor(), "data", 4), 4);
        if (!unnamed) {
            ASSERT_EQ(listed(folder.path()).size(), 1);
            EXPECT_TRUE(listed(folder.path()).first().startsWith(QLatin1String(".morvane-work-")));
            removeWorkFilesNow();
            EXPECT_TRUE(listed(folder.path()).isEmpty());
        }
        file.reset();
        EXPECT_TRUE(listed(folder.path()).isEmpty());
    }
    setUnnamedWorkFilesAllowed(true);
}

INSTANTIATE_TEST_SUITE_P(UnnamedAndHidden, OutputNaming, ::testing::Bool(),
    [](const ::testing::TestParamInfo<bool>& param) { return param.param ? "Unnamed" : "Hidden"; });

} // namespace
