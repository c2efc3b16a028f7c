// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThumbnailCache.h"

#include "engine/pipeline/Thumbnail.h"
#include "ui/FileStamp.h"

#include <QThread>

#include <algorithm>
#include <deque>
#include <mutex>

// The decodes waiting for a worker, newest request first; shared with the workers under its lock.
struct ThumbnailCache::Queue
{
    std::mutex lock;
    std::deque<Job> jobs;
    int workers = 0;
    bool closing = false;
};

ThumbnailCache::ThumbnailCache(qsizetype maxBytes, QObject* parent)
    : QObject(parent)
    , m_cache(maxBytes)
    , m_queue(std::make_shared<Queue>())
{
    m_pool.setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 1, 4));
}

ThumbnailCache::~ThumbnailCache()
{
    {
        const std::lock_guard guard(m_queue->lock);
        m_queue->closing = true;
        m_queue->jobs.clear();
    }
    m_pool.waitForDone();
}

QImage ThumbnailCache::decode(const QString& path, const QSize& box)
{
    return decodeThumbnail(path, box);
}

QImage ThumbnailCache::thumbnail(const QString& path, const QSize& box, State* state)
{
    const auto answer = [state](State s, QImage image = {}) {
        if (state)
            *state = s;
        return image;
    };
    qint64 size = -1;
    qint64 modifiedNs = 0;
    if (box.isEmpty() || !fileStamp(path, size, modifiedNs))
        return answer(State::Unreadable);
    const QString key = path + QLatin1Char('\n') + QString::number(box.width()) + QLatin1Char('x')
        + QString::number(box.height());
    if (const Entry* entry = m_cache.object(key);
        entry && entry->size == size && entry->modifiedNs == modifiedNs)
        return answer(entry->image.isNull() ? State::Unreadable : State::Ready, entry->image);

    const std::lock_guard guard(m_queue->lock);
    std::deque<Job>& jobs = m_queue->jobs;
    if (m_pending.contains(key)) {
        // Asked for again: to the front, unless a worker has it already.
        const auto queued
            = std::find_if(jobs.begin(), jobs.end(), [&key](const Job& job) { return job.key == key; });
        if (queued != jobs.end() && queued != jobs.begin()) {
            Job job = std::move(*queued);
            jobs.erase(queued);
            jobs.push_front(std::move(job));
        }
        return answer(State::Pending);
    }
    m_pending.insert(key);
    jobs.push_front({ key, path, box, size, modifiedNs });
    if (m_queue->workers < m_pool.maxThreadCount()) {
        ++m_queue->workers;
        // Each worker takes jobs until the queue is empty. The cache outlives its workers (its
        // destructor waits for them), so they may post their results to it.
        m_pool.start([this, queue = m_queue] {
            for (;;) {
                Job job;
                {
                    const std::lock_guard lock(queue->lock);
                    if (queue->closing || queue->jobs.empty()) {
                        --queue->workers;
                        return;
                    }
                    job = std::move(queue->jobs.front());
                    queue->jobs.pop_front();
                }
                QImage image = decode(job.path, job.box);
                QMetaObject::invokeMethod(
                    this, [this, job, image] { finished(job, image); }, Qt::QueuedConnection);
            }
        });
    }
    return answer(State::Pending);
}

void ThumbnailCache::finished(const Job& job, const QImage& image)
{
    if (!m_pending.remove(job.key))
        return; // cleared meanwhile
    ++m_decodeCount;
    // Failures are remembered too, so an unreadable file is not decoded again at every paint.
    const qsizetype cost = std::max<qsizetype>(image.sizeInBytes(), 1) + job.key.size() * 2;
    m_cache.insert(job.key, new Entry { job.size, job.modifiedNs, image }, cost);
    emit thumbnailReady(job.path);
}

void ThumbnailCache::dropQueued()
{
    const std::lock_guard guard(m_queue->lock);
    for (const Job& job : m_queue->jobs)
        m_pending.remove(job.key);
    m_queue->jobs.clear();
}

void ThumbnailCache::clear()
{
    dropQueued();
    m_pending.clear(); // decodes under way are not stored when they finish
    m_cache.clear();
}
