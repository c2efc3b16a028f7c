// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DesktopNotifier.h"

#include <QDBusPendingCall>
#include <QDir>
#include <QFileInfo>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
/// The name of the program's desktop entry, without ".desktop", and of its icon.
const QString kDesktopEntry = QStringLiteral("org.morvane.Morvane");
/// How long the notification stays, in milliseconds; -1 would leave it to the service.
constexpr int kExpireMs = -1;
/// A service that is slow to answer is not waited for: the reply is only dropped later.
constexpr int kReplyTimeoutMs = 5000;

/// Whether a session bus may be reached without starting one: libdbus would otherwise try to launch a
/// bus for the X display, which may take long and leaves a daemon behind.
bool sessionBusAddressKnown()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus")));
}

QDBusConnection sessionBus()
{
    if (!sessionBusAddressKnown())
        return QDBusConnection(QStringLiteral("morvane-no-session-bus"));
    return QDBusConnection::sessionBus();
}

} // namespace

DesktopNotifier::DesktopNotifier()
    : m_bus(sessionBus())
{ }

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus)
    : m_bus(bus)
{ }

bool DesktopNotifier::notify(const QString& summary, const QString& body)
{
    if (!m_bus.isConnected())
        return false;
    // Sent without waiting for the reply; a bus without the service answers with an error that nobody
    // needs to read.
    (void)m_bus.asyncCall(message(summary, body), kReplyTimeoutMs);
    return true;
}

QDBusMessage DesktopNotifier::message(const QString& summary, const QString& body)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QVariantMap hints { { QStringLiteral("desktop-entry"), kDesktopEntry },
        { QStringLiteral("category"), QStringLiteral("transfer.complete") } };
    call << QStringLiteral("Morvane") << uint(0) << kDesktopEntry << summary << body.toHtmlEscaped()
         << QStringList() << hints << kExpireMs;
    return call;
}
