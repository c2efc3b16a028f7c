// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "worker/WorkerProcess.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

/// A fixed number of worker slots for a run (one per parallel job) or for the window's thumbnails and
/// inspector. Each slot starts its worker when first used and keeps it for the pool's life, replacing
/// it after a failure; a thread takes a slot, uses its worker for one file and gives it back.
///
/// Owns the slots. Thread-safe: any thread may take and give back; a taken worker belongs to the thread
/// that holds the lease until the lease goes. The pool must outlive its leases.
class WorkerPool
{
public:
    /// One slot, held by one thread until the lease goes.
    class Lease
    {
    public:
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&&) = delete;
        ~Lease();

        [[nodiscard]] WorkerProcess& worker() const { return *m_worker; }
        WorkerProcess* operator->() const { return m_worker; }

    private:
        friend class WorkerPool;
        Lease(WorkerPool* pool, WorkerProcess* worker);

        WorkerPool* m_pool;
        WorkerProcess* m_worker;
    };

    WorkerPool(const WorkerOptions& options, int size);
    /// Kills and reaps every worker. No lease may be held any more.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    [[nodiscard]] int size() const { return int(m_slots.size()); }
    /// Starts the worker of every slot now without waiting for its greeting, so that the workers load and
    /// confine themselves while the caller goes on; startAll() later waits for them. Stops at the first
    /// that cannot be started (startAll tries it again). In a process that reaps orphans
    /// (PR_SET_CHILD_SUBREAPER) the first worker forks the others once it has loaded its libraries,
    /// which costs a fraction of loading them again. Call before any lease is taken.
    void launchAll();
    /// Starts the worker of every slot now, in order. Where one cannot be started (the system allows no
    /// more processes or threads), the pool keeps only the slots before it, at least one, and \a failure
    /// says why. Returns how many workers run. Call before any lease is taken.
    int startAll(WorkerFailure* failure = nullptr);
    /// A free slot, waiting until one is given back when all are taken.
    [[nodiscard]] Lease take();

    /// What the workers got when they confined themselves: the report of the first worker that said
    /// hello; nullopt before any did.
    [[nodiscard]] std::optional<ConfinementReport> confinement() const;

private:
    void giveBack(WorkerProcess* worker);

    std::vector<std::unique_ptr<WorkerProcess>> m_slots;
    std::vector<WorkerProcess*> m_free;
    mutable std::mutex m_mutex;
    std::condition_variable m_returned;
    std::optional<ConfinementReport> m_confinement;
};
