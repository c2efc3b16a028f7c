// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/InspectionCache.h"

#include "ui/FileStamp.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace {

/// Inspections kept at most: each is a few hundred bytes to a few kilobytes.
constexpr int kMaxInspections = 20000;

} // namespace

// The readings waiting for the worker, newest request first; shared with it under its lock.
struct InspectionCache::Queue
{
    std::mutex lock;
    std::deque<Job> jobs;
    bool working = false;
    bool closing = false;
};

InspectionCache::InspectionCache(QObject* parent)
    : QObject(parent)
    , m_cache(kMaxInspections)
    , m_queue(std::make_shared<Queue>())
{
    // One reader: inspecting is quick next to decoding, and the thumbnails take the other cores.
    m_pool.setMaxThreadCount(1);
}

InspectionCache::~InspectionCache()
{
    {
        const std::lock_guard guard(m_queue->lock);
        m_queue->closing = true;
        m_queue->jobs.clear();
    }
    m_pool.waitForDone();
}

std::shared_ptr<const Inspection> InspectionCache::inspection(const QString& path)
{
    qint64 size = -1;
    qint64 modifiedNs = 0;
    if (!fileStamp(path, size, modifiedNs)) {
        // Gone, or not a regular file: said at once, without a thread (and without opening it).
        auto gone = std::make_shared<Inspection>();
        gone->reason = tr("the file cannot be read");
        return gone;
    }
    if (const Entry* entry = m_cache.object(path);
        entry && entry->size == size && entry->modifiedNs == modifiedNs)
        return entry->inspection;

    const std::lock_guard guard(m_queue->lock);
    std::deque<Job>& jobs = m_queue->jobs;
    if (m_pending.contains(path)) {
        const auto queued
            = std::find_if(jobs.begin(), jobs.end(), [&path](const Job& job) { return job.path == path; });
        if (queued != jobs.end() && queued != jobs.begin()) {
            Job job = std::move(*queued);
            jobs.erase(queued);
            jobs.push_front(std::move(job));
        }
        return nullptr;
    }
    m_pending.insert(path);
    jobs.push_front({ path, size, modifiedNs });
    if (!m_queue->working) {
        m_queue->working = true;
        // The worker reads until the queue is empty. The cache outlives it (its destructor waits).
        m_pool.start([this, queue = m_queue] {
            for (;;) {
                Job job;
                {
                    const std::lock_guard lock(queue->lock);
                    if (queue->closing || queue->jobs.empty()) {
                        queue->working = false;
                        return;
                    }
                    job = std::move(queue->jobs.front());
                    queue->jobs.pop_front();
                }
                auto inspection = std::make_shared<const Inspection>(inspectImageFile(job.path));
                QMetaObject::invokeMethod(
                    this, [this, job, inspection] { finished(job, inspection); }, Qt::QueuedConnection);
            }
        });
    }
    return nullptr;
}

void InspectionCache::finished(const Job& job, std::shared_ptr<const Inspection> inspection)
{
    if (!m_pending.remove(job.path))
        return; // cleared meanwhile
    m_cache.insert(job.path, new Entry { job.size, job.modifiedNs, std::move(inspection) });
    emit inspectionReady(job.path);
}

void InspectionCache::clear()
{
    {
        const std::lock_guard guard(m_queue->lock);
        for (const Job& job : m_queue->jobs)
            m_pending.remove(job.path);
        m_queue->jobs.clear();
    }
    m_pending.clear(); // a reading under way is not stored when it finishes
    m_cache.clear();
}
