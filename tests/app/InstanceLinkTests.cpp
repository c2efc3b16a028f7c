// SPDX-License-Identifier: GPL-3.0-or-later
// One window per session: a second program hands its paths to the first through the runtime folder.
#include "app/InstanceLink.h"
#include "engine/core/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Starts a second link on a thread of its own (it waits for the first one's answer, which this thread
// gives from its event loop) and returns its role; \a handed gets how many paths it handed over.
InstanceLink::Role startElsewhere(const QString& runtime, const QStringList& paths, int* handed = nullptr)
{
    std::atomic<int> role { -1 };
    std::thread second([&] {
        InstanceLink link(runtime);
        const InstanceLink::Role result = link.start(paths);
        if (handed)
            *handed = link.handedCount();
        role = int(result);
    });
    QElapsedTimer clock;
    clock.start();
    while (role < 0 && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    second.join();
    return InstanceLink::Role(int(role));
}

/// Sends \a bytes to the socket at \a socketPath as a program of another make could, on a thread of its
/// own, and returns the one-byte answer ("" when the socket closed without one, "?" when it could not
/// connect). This thread answers from its event loop meanwhile.
QByteArray rawHandOver(const QString& socketPath, const QByteArray& bytes)
{
    std::atomic<bool> done { false };
    QByteArray answer;
    std::thread client([&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(socketPath);
        std::copy(path.begin(), path.end(), address.sun_path);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            answer = "?";
        } else {
            (void)::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
            ::shutdown(fd, SHUT_WR);
            char word = 0;
            if (::recv(fd, &word, 1, 0) == 1)
                answer = QByteArray(1, word);
        }
        ::close(fd);
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    client.join();
    return answer;
}

/// The four bytes of \a value, most significant first: how a hand-over states its lengths.
QByteArray bigEndian(quint32 value)
{
    const char bytes[] = { char(value >> 24), char(value >> 16), char(value >> 8), char(value) };
    return QByteArray(bytes, 4);
}

ino_t inodeOf(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

} // namespace

TEST(InstanceLink, ASecondProgramHandsItsPathsToTheFirstAndRuntimeFoldersStayApart)
{
    QTemporaryDir runtime;
    InstanceLink first(runtime.path());
    ASSERT_EQ(first.start({}), InstanceLink::Role::First);
    QList<QStringList> arrived;
    QObject::connect(
        &first, &InstanceLink::pathsArrived, &first, [&](const QStringList& p) { arrived << p; });

    // Relative names are made absolute where the second program runs.
    // A Latin-1 name arrives with its bytes.
    const QString latin1 = decodePath("/photos/caf\xe9.jpg");
    const QStringList handed { QStringLiteral("relative/IMG_1.jpg"), QStringLiteral("/photos/Ölberg 2.png"),
        QStringLiteral("/photos"), latin1 };
    EXPECT_EQ(startElsewhere(runtime.path(), handed), InstanceLink::Role::Handed);
    ASSERT_EQ(arrived.size(), 1);
    EXPECT_EQ(arrived[0],
        (QStringList { QDir::current().absoluteFilePath(QStringLiteral("relative/IMG_1.jpg")),
            QStringLiteral("/photos/Ölberg 2.png"), QStringLiteral("/photos"), latin1 }));
    EXPECT_EQ(encodePath(arrived[0].last()), QByteArray("/photos/caf\xe9.jpg"));

    // Nothing to hand over still reaches the first program (it shows its window).
    EXPECT_EQ(startElsewhere(runtime.path(), {}), InstanceLink::Role::Handed);
    ASSERT_EQ(arrived.size(), 2);
    EXPECT_TRUE(arrived[1].isEmpty());

    // Another session's runtime folder has a program of its own.
    QTemporaryDir otherSession;
    InstanceLink other(otherSession.path());
    EXPECT_EQ(other.start({}), InstanceLink::Role::First);
}

TEST(InstanceLink, ASocketLeftByAProgramThatDiedIsReplaced)
{
    QTemporaryDir runtime;
    InstanceLink probe(runtime.path());
    QFile left(probe.socketPath());
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();

    InstanceLink first(runtime.path());
    EXPECT_EQ(first.start({}), InstanceLink::Role::First);
    EXPECT_EQ(startElsewhere(runtime.path(), { QStringLiteral("/x.jpg") }), InstanceLink::Role::Handed);

    // Without a runtime folder the program runs alone.
    QTemporaryDir gone;
    const QString missing = gone.path() + QStringLiteral("/not-there");
    InstanceLink alone(missing);
    EXPECT_EQ(alone.start({}), InstanceLink::Role::Alone);
}

// A hand-over weighs at most kMostBytes: a program with 16 MB of paths hands over the first of them that
// fit and says how many; one that states a larger weight is refused unread; either way the window goes on
// answering the next program.
TEST(InstanceLink, AHandOverIsBoundedAndTheWindowKeepsAnswering)
{
    QTemporaryDir runtime;
    InstanceLink first(runtime.path());
    ASSERT_EQ(first.start({}), InstanceLink::Role::First);
    QList<QStringList> arrived;
    QObject::connect(
        &first, &InstanceLink::pathsArrived, &first, [&](const QStringList& p) { arrived << p; });

    QStringList many;
    const QString stem = QStringLiteral("/photos/") + QString(300, u'x');
    for (int i = 0; i < 55000; ++i)
        many << stem + QString::number(100000 + i) + QStringLiteral(".jpg");
    const qint64 eachBytes = 4 + encodePath(many.first()).size();
    ASSERT_GT(eachBytes * many.size(), 16 << 20);
    int handed = -1;
    EXPECT_EQ(startElsewhere(runtime.path(), many, &handed), InstanceLink::Role::Handed);
    EXPECT_EQ(handed, int(InstanceLink::kMostBytes / eachBytes));
    ASSERT_EQ(arrived.size(), 1);
    EXPECT_EQ(arrived[0], many.mid(0, handed));

    // A weight above the bound is refused before anything of it is read, and nothing arrives.
    EXPECT_EQ(
        rawHandOver(first.socketPath(), bigEndian(quint32(InstanceLink::kMostBytes + 1))), QByteArray("R"));
    // A hand-over that breaks off arrives as nothing; a malformed one is refused.
    EXPECT_EQ(rawHandOver(first.socketPath(), bigEndian(8) + bigEndian(9) + "/a"), QByteArray());
    EXPECT_EQ(rawHandOver(first.socketPath(), bigEndian(4) + bigEndian(9)), QByteArray("R"));
    EXPECT_EQ(arrived.size(), 1);

    EXPECT_EQ(startElsewhere(runtime.path(), { QStringLiteral("/after.jpg") }), InstanceLink::Role::Handed);
    ASSERT_EQ(arrived.size(), 2);
    EXPECT_EQ(arrived[1], QStringList { QStringLiteral("/after.jpg") });
}

// A live program that is too busy to answer for a while (here: longer than a program used to wait for
// an answer) keeps its socket; the second program waits, hands over once it answers, and ends.
TEST(InstanceLink, ABusyLiveProgramIsNeverReplaced)
{
    QTemporaryDir runtime;
    InstanceLink first(runtime.path());
    ASSERT_EQ(first.start({}), InstanceLink::Role::First);
    QList<QStringList> arrived;
    QObject::connect(
        &first, &InstanceLink::pathsArrived, &first, [&](const QStringList& p) { arrived << p; });
    const ino_t socket = inodeOf(first.socketPath());
    ASSERT_NE(socket, ino_t(0));

    std::promise<InstanceLink::Role> promise;
    std::future<InstanceLink::Role> role = promise.get_future();
    std::thread second([&] {
        InstanceLink link(runtime.path());
        promise.set_value(link.start({ QStringLiteral("/busy.jpg") }));
    });
    // Busy: this thread's event loop does not run while it waits for the second program to give up.
    EXPECT_EQ(role.wait_for(std::chrono::seconds(2)), std::future_status::timeout)
        << "the second program did not wait for the busy one";
    EXPECT_EQ(inodeOf(first.socketPath()), socket) << "the live program's socket was replaced";

    QElapsedTimer clock;
    clock.start();
    while (role.wait_for(std::chrono::seconds(0)) != std::future_status::ready && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    second.join();
    EXPECT_EQ(role.get(), InstanceLink::Role::Handed);
    EXPECT_EQ(arrived, QList<QStringList> { QStringList { QStringLiteral("/busy.jpg") } });
    EXPECT_EQ(inodeOf(first.socketPath()), socket);
}

// A runtime folder whose path is longer than a socket address may be still has one program per session;
// the program after it, once it has ended, listens there in turn.
TEST(InstanceLink, ARuntimeFolderTooLongForASocketAddressStillHasOneProgram)
{
    QTemporaryDir base;
    const QString runtime = base.filePath(QString(90, u'r') + u'/' + QString(90, u'u'));
    ASSERT_TRUE(QDir().mkpath(runtime));
    ASSERT_GT(encodePath(runtime + QStringLiteral("/org.morvane.Morvane.socket")).size(),
        qsizetype(sizeof(sockaddr_un::sun_path)));
    {
        InstanceLink first(runtime);
        ASSERT_EQ(first.start({}), InstanceLink::Role::First);
        QList<QStringList> arrived;
        QObject::connect(
            &first, &InstanceLink::pathsArrived, &first, [&](const QStringList& p) { arrived << p; });
        EXPECT_EQ(startElsewhere(runtime, { QStringLiteral("/long.jpg") }), InstanceLink::Role::Handed);
        EXPECT_EQ(arrived, QList<QStringList> { QStringList { QStringLiteral("/long.jpg") } });
        const QFileInfo socket(first.socketPath());
        EXPECT_TRUE(socket.exists());
        EXPECT_EQ(socket.permissions()
                & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
                    | QFileDevice::WriteOther),
            QFileDevice::Permissions())
            << "the socket is the user's only";
    }
    InstanceLink next(runtime);
    EXPECT_EQ(next.start({}), InstanceLink::Role::First);
}

// A program that holds the lock is live even before it listens (or while it cannot): a later program
// looks for its socket until it gives up, ends without a window of its own and replaces nothing.
TEST(InstanceLink, TheLockAloneKeepsASecondProgramFromListening)
{
    QTemporaryDir runtime;
    const QByteArray lockPath
        = QFile::encodeName(runtime.filePath(QStringLiteral("org.morvane.Morvane.lock")));
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);

    InstanceLink second(runtime.path());
    second.setAnswerWaitMs(300);
    EXPECT_EQ(second.start({ QStringLiteral("/x.jpg") }), InstanceLink::Role::Unanswered);
    EXPECT_FALSE(QFileInfo::exists(second.socketPath()));

    // Once the holder has ended, the next program listens.
    ::close(lock);
    InstanceLink next(runtime.path());
    EXPECT_EQ(next.start({}), InstanceLink::Role::First);
}
