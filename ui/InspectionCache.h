// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/ImageWorkers.h"
#include "engine/inspect/MetadataInspector.h"
#include "ui/BackgroundCache.h"

#include <QObject>
#include <QString>

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
    /// Drops the queued readings; the one under way finishes on its own and is thrown away.
    ~InspectionCache() override = default;

    /// The inspection of the file at \a path; null while it is being read. A file that cannot be read (or
    /// is gone) gives an inspection that says why (readable false).
    [[nodiscard]] std::shared_ptr<const Inspection> inspection(const QString& path);

    /// True when no reading is queued or under way.
    [[nodiscard]] bool isIdle() const { return m_cache.isIdle(); }
    /// Forgets every inspection and every queued reading.
    void clear();

signals:
    /// The inspection of \a path is in the cache.
    void inspectionReady(const QString& path);

private:
    /// The worker that reads the files, shared with the inspection under way, which may outlast the cache.
    std::shared_ptr<ImageWorkers> m_workers;
    BackgroundCache<std::shared_ptr<const Inspection>> m_cache;
};
