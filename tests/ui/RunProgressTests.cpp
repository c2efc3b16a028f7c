// SPDX-License-Identifier: GPL-3.0-or-later
// What the user learns of a run while it goes on and when it ends elsewhere: the time left in the
// progress window and the desktop notification of a run that ended unseen.
#include "tests/ui/UiTestSupport.h"
#include "ui/DesktopNotifier.h"
#include "ui/TimeLeft.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Files of two seconds each, then one of twenty: the figure waits for a few files, then counts down, and
// the slow file moves it up once, not to the slow file's pace.
TEST(TimeLeft, WaitsForAFewFilesThenCountsDownSteadily)
{
    TimeLeft left;
    for (int done = 1; done < TimeLeft::kFirstAfterFiles; ++done) {
        left.update(done, 100, done * 2000);
        EXPECT_FALSE(left.secondsLeft()) << done;
    }
    std::optional<qint64> previous;
    for (int done = TimeLeft::kFirstAfterFiles; done <= 20; ++done) {
        left.update(done, 100, done * 2000);
        ASSERT_TRUE(left.secondsLeft()) << done;
        EXPECT_NEAR(double(*left.secondsLeft()), (100 - done) * 2.0, 1.0) << done;
        if (previous) {
            EXPECT_LT(*left.secondsLeft(), *previous) << done;
        }
        previous = left.secondsLeft();
    }
    left.update(21, 100, 20 * 2000 + 20000);
    ASSERT_TRUE(left.secondsLeft());
    EXPECT_GT(*left.secondsLeft(), *previous);
    EXPECT_LT(*left.secondsLeft(), 79 * 8);
    // Back at the usual pace the figure does not rise again with each file.
    previous = left.secondsLeft();
    left.update(22, 100, 20 * 2000 + 20000 + 2000);
    EXPECT_LE(*left.secondsLeft(), *previous);
    left.update(100, 100, 300000);
    EXPECT_FALSE(left.secondsLeft());

    const std::pair<qint64, const char*> texts[]
        = { { 4, "A few seconds left" }, { 12, "About 15 seconds left" }, { 50, "About 50 seconds left" },
              { 70, "About a minute left" }, { 130, "About 2 minutes left" }, { 3700, "About an hour left" },
              { 5400, "About 1 h 30 min left" }, { 7300, "About 2 hours left" } };
    for (const auto& [seconds, text] : texts)
        EXPECT_EQ(TimeLeft::text(seconds).toStdString(), text) << seconds;
}

// The desktop's notification service, as the program sees it: records every call to Notify.
class FakeNotifications : public QDBusVirtualObject
{
public:
    QList<QDBusMessage> calls;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() != u"Notify")
            return false;
        calls.append(message);
        connection.send(message.createReply(QVariantList { uint(calls.size()) }));
        return true;
    }
};

// A bus of the test's own, with a fake service on it: the notification carries the program's name,
// its desktop entry, the summary and the body made safe for services that read markup.
TEST(DesktopNotifier, CallsTheNotificationServiceOnTheBusAndNothingWithoutABus)
{
    DesktopNotifier nowhere(QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/morvane-test-bus"), QStringLiteral("morvane-test-none")));
    EXPECT_FALSE(nowhere.notify(QStringLiteral("summary"), QStringLiteral("body")));
    QDBusConnection::disconnectFromBus(QStringLiteral("morvane-test-none"));

    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/bootstrap installs it)";
    QTemporaryDir dir;
    QProcess bus;
    bus.start(daemon,
        { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address"),
            QStringLiteral("--address=unix:dir=") + dir.path() });
    ASSERT_TRUE(bus.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return bus.canReadLine(); }));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();

    FakeNotifications service;
    {
        QDBusConnection serviceSide
            = QDBusConnection::connectToBus(address, QStringLiteral("morvane-test-service"));
        ASSERT_TRUE(serviceSide.isConnected());
        ASSERT_TRUE(serviceSide.registerService(QStringLiteral("org.freedesktop.Notifications")));
        ASSERT_TRUE(
            serviceSide.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service));
        DesktopNotifier notifier(
            QDBusConnection::connectToBus(address, QStringLiteral("morvane-test-client")));
        EXPECT_TRUE(notifier.notify(QStringLiteral("3 copies written"), QStringLiteral("In /tmp/a&b <out>")));
        EXPECT_TRUE(waitFor([&] { return !service.calls.isEmpty(); }));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("morvane-test-client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("morvane-test-service"));
    bus.kill();
    bus.waitForFinished();

    ASSERT_EQ(service.calls.size(), 1);
    const QList<QVariant> args = service.calls.first().arguments();
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(service.calls.first().interface(), u"org.freedesktop.Notifications");
    EXPECT_EQ(args[0].toString(), u"Morvane");
    EXPECT_EQ(args[2].toString(), u"org.morvane.Morvane");
    EXPECT_EQ(args[3].toString(), u"3 copies written");
    EXPECT_EQ(args[4].toString(), u"In /tmp/a&amp;b &lt;out&gt;");
    const QVariantMap hints = qdbus_cast<QVariantMap>(args[6]);
    EXPECT_EQ(hints.value(QStringLiteral("desktop-entry")).toString(), u"org.morvane.Morvane");
}

} // namespace
