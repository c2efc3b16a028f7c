// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

/// One posted notice as its observers see it.
struct Notification
{
    QString name;
    const void* object = nullptr; ///< the sender, compared by identity only; null when there is none
    QVariantMap userInfo;
};

/// Delivers named notices to the observers registered for the name, whatever the sender.
///
/// Delivery is synchronous: postNotificationName returns after every observer of the name has run, on
/// the posting thread, in the order the observers were added. The centre owns copies of the callbacks.
/// Any thread may add or remove observers and post, also while another thread posts: a post works on a
/// copy of the observer list taken under the lock and calls the observers outside it, so an observer may
/// post or add observers itself. An observer removed while another thread is delivering may still be
/// called by that delivery once.
class NotificationCenter
{
public:
    using Callback = std::function<void(const Notification&)>;
    using ObserverId = std::uint64_t;

    /// The process-wide centre, created on first use and never destroyed.
    static NotificationCenter* defaultCenter();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    /// Calls \a callback for every later post of \a name, from any sender. The id serves removeObserver.
    ObserverId addObserver(const QString& name, Callback callback);
    /// Stops calling the observer \a id; an unknown id changes nothing.
    void removeObserver(ObserverId id);

    void postNotificationName(
        const QString& name, const void* sender = nullptr, const QVariantMap& userInfo = {});

private:
    struct Observer
    {
        ObserverId id;
        QString name;
        Callback callback;
    };

    std::mutex m_mutex;
    std::vector<Observer> m_observers;
    ObserverId m_nextId = 1;
};
