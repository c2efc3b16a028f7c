// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/inspect/MetadataInspector.h"

#include <QCache>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <memory>

/// What each file of the list gives away, read once by the metadata inspector off the window's thread.
///
/// Asking for a file that has not been read queues its reading, most recent request first, on one
/// background thread of its own; inspectionReady() tells when it is there. Each inspection is kept under
/// the file's path with the size and modification time the file had when it was asked for: a file that
/// changes is read again. Its functions are called on the thread it lives on (the main thread).
class InspectionCache : public QObject
{
    Q_OBJECT

public:
    explicit InspectionCache(QObject* parent = nullptr);
    /// Drops the queued readings and waits for the one under way.
    ~InspectionCache() override;

    /// The inspection of the file at \a path; null while it is being read. A file that cannot be read (or
    /// is gone) gives an inspection that says why (readable false).
    [[nodiscard]] std::shared_ptr<const Inspection> inspection(const QString& path);

    /// True when no reading is queued or under way.
    [[nodiscard]] bool isIdle() const { return m_pending.isEmpty(); }
    /// Forgets every inspection and every queued reading.
    void clear();

signals:
    /// The inspection of \a path is in the cache.
    void inspectionReady(const QString& path);

private:
    struct Entry
    {
        qint64 size = -1;
        qint64 modifiedNs = 0;
        std::shared_ptr<const Inspection> inspection;
    };
    struct Job
    {
        QString path;
        qint64 size = -1;
        qint64 modifiedNs = 0;
    };
    struct Queue;

    void finished(const Job& job, std::shared_ptr<const Inspection> inspection);

    QCache<QString, Entry> m_cache;
    QSet<QString> m_pending; // queued or being read, by path
    std::shared_ptr<Queue> m_queue;
    QThreadPool m_pool;
};
