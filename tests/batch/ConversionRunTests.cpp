// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion run on its worker thread, observed through the notices it posts and the files it
// leaves in the output folder.
#include "batch/BatchController.h"
#include "batch/Converter.h"
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "tests/common/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

struct Seen
{
    QString name;
    int current = -1;
    int total = -1;
    QString message;
    bool fromWorker = false;
};

// Records every run notice, and lets a test act on an update while the worker waits for it.
class RunObserver
{
public:
    explicit RunObserver(std::function<void(const Notification&)> onUpdate = {})
        : m_onUpdate(std::move(onUpdate))
    {
        NotificationCenter* center = NotificationCenter::defaultCenter();
        m_ids.push_back(
            center->addObserver(kMsgUpdateProgress, [this](const Notification& n) { record(n); }));
        m_ids.push_back(
            center->addObserver(kMsgProgressCanceled, [this](const Notification& n) { record(n); }));
    }
    ~RunObserver()
    {
        for (const auto id : m_ids)
            NotificationCenter::defaultCenter()->removeObserver(id);
    }

    std::vector<Seen> seen()
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
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

class ConversionRun : public ::testing::Test
{
protected:
    void SetUp() override { Converter::converter()->clear(); }
    void TearDown() override { Converter::converter()->clear(); }

    // Copies a corpus file into the work folder under \a name and lists it.
    QString addSource(const QString& corpusFile, const QString& name)
    {
        const QString path = m_work.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile::copy(dirtyCorpusDir() + u'/' + corpusFile, path);
        Converter::converter()->addFile(path);
        return path;
    }

    void run(BatchController& controller, const QString& folder)
    {
        controller.exportPath = folder;
        controller.OnStartProgress({});
        controller.waitForRun();
    }

    QStringList outputsIn(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir m_work;
};

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
        ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
        : QByteArray();
}

} // namespace

TEST_F(ConversionRun, AnnouncesEachFileOnTheWorkerThenEndsOnce)
{
    addSource("jpeg/orient/orient_1.jpg", "in/one.jpg");
    addSource("png/05_phys_300dpi.png", "in/two.png");
    addSource("jpeg/orient/orient_6.jpg", "in/three.jpg");
    const QString out = m_work.filePath("out");
    QDir().mkpath(out);
    RunObserver observer;
    BatchController controller;
    run(controller, out);

    const std::vector<Seen> seen = observer.seen();
    ASSERT_EQ(seen.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].name, kMsgUpdateProgress);
        EXPECT_EQ(seen[i].current, i);
        EXPECT_EQ(seen[i].total, 3);
        EXPECT_EQ(seen[i].message, QStringLiteral("Removing EXIF for %1 of 3 ...").arg(i + 1));
        EXPECT_TRUE(seen[i].fromWorker);
    }
    EXPECT_EQ(seen[3].name, kMsgProgressCanceled);
    EXPECT_EQ(outputsIn(out), (QStringList { "one.jpg", "three.jpg", "two.png" }));
    EXPECT_EQ(Converter::converter()->allFilePaths().size(), 3); // the list stays as it was
}

TEST_F(ConversionRun, CancelDuringTheSecondFileFinishesItAndStops)
{
    for (int i = 1; i <= 5; ++i)
        addSource("jpeg/orient/orient_1.jpg", QStringLiteral("in/%1.jpg").arg(i));
    const QString out = m_work.filePath("out");
    QDir().mkpath(out);
    BatchController controller;
    bool cancelled = false;
    RunObserver observer([&](const Notification& notice) {
        if (!cancelled && notice.userInfo.value(kProgressCurrentKey).toInt() == 1) {
            cancelled = true;
            controller.OnCancelProgress({});
        }
    });
    run(controller, out);

    const std::vector<Seen> seen = observer.seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].current, 1);
    EXPECT_EQ(seen[2].name, kMsgProgressCanceled);
    EXPECT_EQ(outputsIn(out), (QStringList { "1.jpg", "2.jpg" }));

    // The next run starts afresh and goes to the end.
    RunObserver again;
    run(controller, out);
    EXPECT_EQ(again.seen().size(), 6u);
    EXPECT_EQ(outputsIn(out).size(), 7);
}

TEST_F(ConversionRun, UnreadableFilesCountButLeaveNothingBehind)
{
    addSource("jpeg/orient/orient_2.jpg", "in/a.jpg");
    addSource("misc/truncated.jpg", "in/b.jpg");
    addSource("misc/empty.jpg", "in/c.jpg");
    addSource("jpeg/orient/orient_3.jpg", "in/d.jpg");
    const QString out = m_work.filePath("out");
    QDir().mkpath(out);
    RunObserver observer;
    BatchController controller;
    run(controller, out);

    EXPECT_EQ(observer.seen().size(), 5u);
    EXPECT_EQ(outputsIn(out), (QStringList { "a.jpg", "d.jpg" }));
}

TEST_F(ConversionRun, AnEmptyListOnlyEnds)
{
    RunObserver observer;
    BatchController controller;
    run(controller, m_work.path());
    const std::vector<Seen> seen = observer.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, kMsgProgressCanceled);
}

TEST_F(ConversionRun, SameNamesAndTheSourceFolderNeverReplaceAnything)
{
    const QString first = addSource("jpeg/orient/orient_1.jpg", "a/photo.jpg");
    const QString second = addSource("jpeg/orient/orient_4.jpg", "b/photo.jpg");
    const QByteArray firstHash = hashOf(first);
    BatchController controller;
    run(controller, m_work.filePath("a"));

    EXPECT_EQ(hashOf(first), firstHash);
    EXPECT_EQ(
        outputsIn(m_work.filePath("a")), (QStringList { "photo (1).jpg", "photo (2).jpg", "photo.jpg" }));
    EXPECT_EQ(hashOf(second), hashOf(m_work.filePath("b/photo.jpg")));
}
