// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

/// Announces something through the desktop's notification service (org.freedesktop.Notifications on the
/// session bus): a run that ended while the user was looking elsewhere. The call is sent and not waited
/// for; where there is no bus, or no service answers on it, nothing happens and nothing waits. Holds the
/// connection it was given. Main thread only.
class DesktopNotifier
{
public:
    /// Announces on the desktop's session bus.
    DesktopNotifier();
    /// Announces on \a bus, which may be unconnected (then notify() does nothing).
    explicit DesktopNotifier(const QDBusConnection& bus);

    /// Sends the notification \a summary with \a body; false when there was no bus to send it on.
    bool notify(const QString& summary, const QString& body);

    /// The Notify call of the service for \a summary and \a body (plain text, escaped for services that
    /// read markup in the body).
    [[nodiscard]] static QDBusMessage message(const QString& summary, const QString& body);

private:
    QDBusConnection m_bus;
};
