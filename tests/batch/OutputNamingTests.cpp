// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchController.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <latch>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

class OutputNaming : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_out.isValid()); }

    QString out(const QString& name) const { return m_out.filePath(name); }

    QTemporaryDir m_out;
    BatchController m_controller;
};

/// Every existing item is a file whose content is its own name, so a replacement would show.
TEST_F(OutputNaming, ReservesTheFirstFreeNameAndLeavesExistingFilesAlone)
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
        SCOPED_TRACE(c.expected);
        QTemporaryDir folder;
        for (const char* name : c.existing) {
            ASSERT_TRUE(writeFile(folder.filePath(QString::fromUtf8(name)), name));
        }
        const QString result = m_controller.GetNewFile(
            QStringLiteral("/elsewhere/") + QString::fromUtf8(c.source), folder.path());
        EXPECT_EQ(result, folder.filePath(QString::fromUtf8(c.expected)));
        const QFileInfo reserved(result);
        EXPECT_TRUE(reserved.isFile() && !reserved.isSymLink() && reserved.size() == 0);
        for (const char* name : c.existing)
            EXPECT_EQ(fileBytes(folder.filePath(QString::fromUtf8(name))), QByteArray(name));
    }
}

TEST_F(OutputNaming, NeverReplacesTheSourceOrAnyItemAtTheName)
{
    const QString source = out(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(writeFile(source, "source"));
    // A dangling link and a folder at the next two names: neither may be written through or reused.
    ASSERT_EQ(::symlink("/nonexistent/target.jpg",
                  QFile::encodeName(out(QStringLiteral("photo (1).jpg"))).constData()),
        0);
    ASSERT_TRUE(QDir(m_out.path()).mkdir(QStringLiteral("photo (2).jpg")));

    const QString reserved = m_controller.GetNewFile(source, m_out.path() + u'/');
    EXPECT_EQ(reserved, out(QStringLiteral("photo (3).jpg")));
    EXPECT_EQ(QFileInfo(source).size(), 6);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/nonexistent/target.jpg")));
    // Another writer that creates exclusively now fails at that name instead of having it replaced later.
    EXPECT_EQ(::open(QFile::encodeName(reserved).constData(), O_WRONLY | O_CREAT | O_EXCL, 0666), -1);
    EXPECT_EQ(errno, EEXIST);
}

TEST_F(OutputNaming, ThreadsNamingTheSameSourceAtOnceGetDifferentNames)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 25;
    std::vector<QStringList> names(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int i = 0; i < kPerThread; ++i)
                names[t] << m_controller.GetNewFile(QStringLiteral("/src/photo.jpg"), m_out.path());
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    QSet<QString> distinct;
    for (const QStringList& list : names)
        distinct.unite(QSet<QString>(list.begin(), list.end()));
    EXPECT_FALSE(distinct.contains(QString()));
    EXPECT_EQ(distinct.size(), kThreads * kPerThread);
    EXPECT_EQ(QDir(m_out.path()).entryList(QDir::Files).size(), kThreads * kPerThread);
}

TEST_F(OutputNaming, GivesNothingWhenTheFolderCannotTakeAFile)
{
    ASSERT_TRUE(writeFile(out(QStringLiteral("plain")), {}));
    QStringList folders = { out(QStringLiteral("missing")), out(QStringLiteral("plain")), QString() };
    if (::geteuid() != 0) { // permissions do not bind the superuser
        ASSERT_TRUE(QDir(m_out.path()).mkdir(QStringLiteral("locked")));
        ASSERT_EQ(::chmod(QFile::encodeName(out(QStringLiteral("locked"))).constData(), 0555), 0);
        folders << out(QStringLiteral("locked"));
    }
    for (const QString& folder : folders) {
        SCOPED_TRACE(folder.toStdString());
        EXPECT_EQ(m_controller.GetNewFile(QStringLiteral("/src/photo.jpg"), folder), QString());
    }
}

TEST_F(OutputNaming, ReleasesOnlyAnUnwrittenReservation)
{
    const QString unused = m_controller.GetNewFile(QStringLiteral("/src/a.jpg"), m_out.path());
    EXPECT_TRUE(BatchController::ReleaseNewFile(unused));
    EXPECT_FALSE(QFileInfo::exists(unused));

    const QString written = m_controller.GetNewFile(QStringLiteral("/src/b.jpg"), m_out.path());
    ASSERT_TRUE(writeFile(written, "pixels"));
    const QString emptyTarget = m_controller.GetNewFile(QStringLiteral("/src/c.jpg"), m_out.path());
    ASSERT_EQ(::symlink(QFile::encodeName(emptyTarget).constData(),
                  QFile::encodeName(out(QStringLiteral("link.jpg"))).constData()),
        0);

    EXPECT_FALSE(BatchController::ReleaseNewFile(written));
    EXPECT_EQ(QFileInfo(written).size(), 6);
    EXPECT_FALSE(BatchController::ReleaseNewFile(out(QStringLiteral("link.jpg"))));
    EXPECT_TRUE(QFileInfo(out(QStringLiteral("link.jpg"))).isSymLink());
    EXPECT_FALSE(BatchController::ReleaseNewFile(m_out.path()));
    EXPECT_FALSE(BatchController::ReleaseNewFile(out(QStringLiteral("missing.jpg"))));
}

} // namespace
