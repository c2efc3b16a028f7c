// SPDX-License-Identifier: GPL-3.0-or-later
// One window per session: a second program hands its paths to the first through the runtime folder.
#include "app/InstanceLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Starts a second link on a thread of its own (it waits for the first one's answer, which this thread
// gives from its event loop) and returns its role.
InstanceLink::Role startElsewhere(const QString& runtime, const QStringList& paths)
{
    std::atomic<int> role { -1 };
    std::thread second([&] {
        InstanceLink link(runtime);
        role = int(link.start(paths));
    });
    QElapsedTimer clock;
    clock.start();
    while (role < 0 && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    second.join();
    return InstanceLink::Role(int(role));
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
    const QStringList handed { QStringLiteral("relative/IMG_1.jpg"), QStringLiteral("/photos/Ölberg 2.png"),
        QStringLiteral("/photos") };
    EXPECT_EQ(startElsewhere(runtime.path(), handed), InstanceLink::Role::Handed);
    ASSERT_EQ(arrived.size(), 1);
    EXPECT_EQ(arrived[0],
        (QStringList { QDir::current().absoluteFilePath(QStringLiteral("relative/IMG_1.jpg")),
            QStringLiteral("/photos/Ölberg 2.png"), QStringLiteral("/photos") }));

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
