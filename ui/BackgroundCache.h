// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCache>
#include <QObject>
#include <QSet>
#include <QString>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

/// The threads of every BackgroundCache, counted: a cache that goes does not wait for its threads, which
/// finish the job under way on their own and drop it. The program's end asks here whether any still runs,
/// and tests wait here until none does. Any thread.
class BackgroundThreads
{
public:
    /// How many threads are running now.
    [[nodiscard]] static int running()
    {
        const std::lock_guard guard(state().lock);
        return state().running;
    }
    /// Waits until no thread runs, at most \a timeout; true when none runs.
    static bool waitUntilNoneRuns(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(state().lock);
        return state().ended.wait_for(lock, timeout, [] { return state().running == 0; });
    }

private:
    template<typename> friend class BackgroundCache;
    struct State
    {
        std::mutex lock;
        std::condition_variable ended;
        int running = 0;
    };
    static State& state()
    {
        // Never destroyed: a thread may end after the program's statics are gone.
        static State* const instance = new State;
        return *instance;
    }
    static void started()
    {
        const std::lock_guard guard(state().lock);
        ++state().running;
    }
    static void finished()
    {
        {
            const std::lock_guard guard(state().lock);
            --state().running;
        }
        state().ended.notify_all();
    }
};

/// Values worked out from files off the window's thread and kept for the window, each under a key with
/// the size and modification time its file had when it was asked for (a file that changes is worked out
/// again). A request that is not ready queues its work, most recent request first, for a pool of
/// \a threads of its own; what is done is stored on the owner's thread and announced through \a ready
/// (the key and the file's path). A request made again while queued moves to the front. The most
/// recently used values are kept up to a total cost. Its functions are called on the owner's thread, and
/// the owner outlives it (the cache is one of its members).
///
/// Its threads are its own and end when the queue is empty. The cache does not wait for them when it
/// goes: the queue is dropped, and a job under way (a decode can take seconds) finishes on its own and is
/// thrown away, so that closing the window never waits for a picture.
template<typename Value> class BackgroundCache
{
public:
    using Work = std::function<Value()>;
    using Ready = std::function<void(const QString& key, const QString& path)>;
    using Cost = std::function<qsizetype(const QString& key, const Value& value)>;

    /// \a cost of a value: 1 each when null.
    BackgroundCache(QObject* owner, int threads, qsizetype maxCost, Ready ready, Cost cost = {})
        : m_ready(std::move(ready))
        , m_cost(std::move(cost))
        , m_cache(maxCost)
        , m_queue(std::make_shared<Queue>())
        , m_maxThreads(std::max(threads, 1))
    {
        m_queue->owner = owner;
        m_queue->cache = this;
    }
    BackgroundCache(const BackgroundCache&) = delete;
    BackgroundCache& operator=(const BackgroundCache&) = delete;

    /// Drops the queued work; the work under way ends on its own, unseen.
    ~BackgroundCache()
    {
        const std::lock_guard guard(m_queue->lock);
        m_queue->owner = nullptr;
        m_queue->cache = nullptr;
        m_queue->jobs.clear();
    }

    /// The value kept under \a key for a file of \a size and \a modifiedNs; null when there is none.
    [[nodiscard]] const Value* find(const QString& key, qint64 size, qint64 modifiedNs) const
    {
        const Entry* entry = m_cache.object(key);
        return entry && entry->size == size && entry->modifiedNs == modifiedNs ? &entry->value : nullptr;
    }

    /// Queues \a work for \a key (the file at \a path, of \a size and \a modifiedNs), or moves it to the
    /// front when it is queued already and no worker has it yet.
    void request(const QString& key, const QString& path, qint64 size, qint64 modifiedNs, Work work)
    {
        const std::lock_guard guard(m_queue->lock);
        std::deque<Job>& jobs = m_queue->jobs;
        if (m_pending.contains(key)) {
            const auto queued
                = std::find_if(jobs.begin(), jobs.end(), [&key](const Job& job) { return job.key == key; });
            if (queued != jobs.end() && queued != jobs.begin()) {
                Job job = std::move(*queued);
                jobs.erase(queued);
                jobs.push_front(std::move(job));
            }
            return;
        }
        m_pending.insert(key);
        jobs.push_front({ key, path, size, modifiedNs, std::move(work) });
        if (m_queue->workers >= m_maxThreads)
            return;
        ++m_queue->workers;
        BackgroundThreads::started();
        // Each worker takes jobs until the queue is empty. It holds the queue, not the cache: it posts a
        // result only while the cache is there, under the lock the cache's destructor takes, and a result
        // posted before the cache went is dropped with the owner's other posted events.
        std::thread([queue = m_queue] {
            for (;;) {
                Job job;
                {
                    const std::lock_guard lock(queue->lock);
                    if (!queue->cache || queue->jobs.empty()) {
                        --queue->workers;
                        break;
                    }
                    job = std::move(queue->jobs.front());
                    queue->jobs.pop_front();
                }
                Value value = job.work();
                job.work = nullptr;
                const std::lock_guard lock(queue->lock);
                if (BackgroundCache* cache = queue->cache) {
                    QMetaObject::invokeMethod(
                        queue->owner, [cache, job, value] { cache->finished(job, value); },
                        Qt::QueuedConnection);
                }
            }
            BackgroundThreads::finished();
        }).detach();
    }

    /// True when no work is queued or under way.
    [[nodiscard]] bool isIdle() const { return m_pending.isEmpty(); }

    /// Drops the work still queued; the work under way is stored when it is done.
    void dropQueued()
    {
        const std::lock_guard guard(m_queue->lock);
        for (const Job& job : m_queue->jobs)
            m_pending.remove(job.key);
        m_queue->jobs.clear();
    }

    /// Forgets every value and every queued work.
    void clear()
    {
        dropQueued();
        m_pending.clear(); // work under way is not stored when it is done
        m_cache.clear();
    }

private:
    struct Entry
    {
        qint64 size = -1;
        qint64 modifiedNs = 0;
        Value value;
    };
    struct Job
    {
        QString key;
        QString path;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        Work work;
    };
    // The work waiting for a worker, newest request first; shared with the workers under its lock, and
    // with them the cache and its owner while they are there (null once the cache has gone).
    struct Queue
    {
        std::mutex lock;
        std::deque<Job> jobs;
        int workers = 0;
        QObject* owner = nullptr;
        BackgroundCache* cache = nullptr;
    };

    void finished(const Job& job, const Value& value)
    {
        if (!m_pending.remove(job.key))
            return; // cleared meanwhile
        const qsizetype cost = m_cost ? m_cost(job.key, value) : 1;
        m_cache.insert(job.key, new Entry { job.size, job.modifiedNs, value }, cost);
        m_ready(job.key, job.path);
    }

    Ready m_ready;
    Cost m_cost;
    QCache<QString, Entry> m_cache;
    QSet<QString> m_pending; // queued or under way, by key
    std::shared_ptr<Queue> m_queue;
    const int m_maxThreads;
};
