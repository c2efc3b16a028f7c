// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/WorkerPool.h"

#include <algorithm>
#include <sys/prctl.h>
#include <utility>

WorkerPool::Lease::Lease(WorkerPool* pool, WorkerProcess* worker)
    : m_pool(pool)
    , m_worker(worker)
{ }

WorkerPool::Lease::Lease(Lease&& other) noexcept
    : m_pool(std::exchange(other.m_pool, nullptr))
    , m_worker(std::exchange(other.m_worker, nullptr))
{ }

WorkerPool::Lease::~Lease()
{
    if (m_pool)
        m_pool->giveBack(m_worker);
}

WorkerPool::WorkerPool(const WorkerOptions& options, int size)
{
    const int count = std::max(size, 1);
    for (int i = 0; i < count; ++i)
        m_slots.push_back(std::make_unique<WorkerProcess>(options));
    // Taken from the back: the first slot goes first, so a pool used by fewer threads than it has
    // slots starts only the workers it needs.
    for (auto slot = m_slots.rbegin(); slot != m_slots.rend(); ++slot)
        m_free.push_back(slot->get());
}

WorkerPool::~WorkerPool() = default;

void WorkerPool::launchAll()
{
    std::lock_guard lock(m_mutex);
    int reapsOrphans = 0;
    if (m_slots.size() > 1 && ::prctl(PR_GET_CHILD_SUBREAPER, &reapsOrphans) == 0 && reapsOrphans != 0) {
        std::vector<WorkerProcess*> siblings;
        for (size_t i = 1; i < m_slots.size(); ++i)
            siblings.push_back(m_slots[i].get());
        m_slots.front()->launch(nullptr, siblings);
        return;
    }
    for (const std::unique_ptr<WorkerProcess>& slot : m_slots) {
        if (!slot->launch())
            break;
    }
}

int WorkerPool::startAll(WorkerFailure* failure)
{
    std::lock_guard lock(m_mutex);
    // Every process first, then every greeting: the workers load and confine themselves side by side.
    size_t launched = 0;
    while (launched < m_slots.size() && m_slots[launched]->launch(failure))
        ++launched;
    std::vector<std::unique_ptr<WorkerProcess>> running;
    std::vector<std::unique_ptr<WorkerProcess>> failed;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (i < launched && m_slots[i]->awaitGreeting(failure))
            running.push_back(std::move(m_slots[i]));
        else
            failed.push_back(std::move(m_slots[i]));
    }
    // Near a process limit, workers started together can take each other's last places (each needs a
    // thread of its own once it runs): the rest are tried one at a time, until one cannot start.
    for (std::unique_ptr<WorkerProcess>& slot : failed) {
        if (!slot->start(failure))
            break;
        running.push_back(std::move(slot));
    }
    const int started = int(running.size());
    if (running.empty())
        running.push_back(std::move(failed.front()));
    m_slots = std::move(running);
    m_free.clear();
    for (auto slot = m_slots.rbegin(); slot != m_slots.rend(); ++slot)
        m_free.push_back(slot->get());
    if (!m_confinement && m_slots.front()->confinement())
        m_confinement = m_slots.front()->confinement();
    return started;
}

WorkerPool::Lease WorkerPool::take()
{
    std::unique_lock lock(m_mutex);
    m_returned.wait(lock, [&] { return !m_free.empty(); });
    WorkerProcess* worker = m_free.back();
    m_free.pop_back();
    return Lease(this, worker);
}

void WorkerPool::giveBack(WorkerProcess* worker)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_confinement && worker->confinement())
            m_confinement = worker->confinement();
        m_free.push_back(worker);
    }
    m_returned.notify_one();
}

std::optional<ConfinementReport> WorkerPool::confinement() const
{
    std::lock_guard lock(m_mutex);
    return m_confinement;
}
