// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/NotificationCenter.h"

#include <algorithm>

NotificationCenter* NotificationCenter::defaultCenter()
{
    // Never destroyed: observers live until the process ends and a worker may post during exit.
    static NotificationCenter* const instance = new NotificationCenter;
    return instance;
}

NotificationCenter::ObserverId NotificationCenter::addObserver(const QString& name, Callback callback)
{
    std::lock_guard lock(m_mutex);
    const ObserverId id = m_nextId++;
    m_observers.push_back({ id, name, std::move(callback) });
    return id;
}

void NotificationCenter::removeObserver(ObserverId id)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_observers, [id](const Observer& observer) { return observer.id == id; });
}

void NotificationCenter::postNotificationName(
    const QString& name, const void* sender, const QVariantMap& userInfo)
{
    std::vector<Callback> callbacks;
    {
        std::lock_guard lock(m_mutex);
        for (const Observer& observer : m_observers) {
            if (observer.name == name && observer.callback)
                callbacks.push_back(observer.callback);
        }
    }
    const Notification notification { name, sender, userInfo };
    for (const Callback& callback : callbacks)
        callback(notification);
}
