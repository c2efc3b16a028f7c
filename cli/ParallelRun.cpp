// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ParallelRun.h"

#include "app/Settings.h"
#include "batch/BatchController.h"
#include "engine/ImageWrapper.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Hands out turns 0, 1, 2... one after the other: file i may reserve its name only after every file
// before it has reserved one or given up its turn.
class OrderedTurns
{
public:
    void waitFor(int turn)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_current >= turn; });
    }

    /// Ends \a turn, waiting for it first if it has not come yet. Ending a turn twice changes nothing.
    void finish(int turn)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_current >= turn; });
        if (m_current == turn) {
            ++m_current;
            m_changed.notify_all();
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_current = 0;
};

} // namespace

std::vector<ConversionOutcome> convertInParallel(const QStringList& sources, const QString& folder, int jobs,
    const std::function<void(int done)>& progress)
{
    std::vector<ConversionOutcome> outcomes(size_t(sources.size()));
    OrderedTurns turns;
    std::atomic<int> next { 0 };
    std::mutex progressMutex;
    int done = 0;
    const BatchController namer;

    const auto work = [&] {
        ImageWrapper wrapper;
        for (int index = next++; index < sources.size(); index = next++) {
            const QString& source = sources.at(index);
            const OutputNamer reserve = [&](const QString& file) {
                turns.waitFor(index);
                QString output = namer.GetNewFile(file, folder);
                turns.finish(index);
                return output;
            };
            outcomes[size_t(index)]
                = ConvertFile(wrapper, source, Settings::settings()->fixOrientation(), reserve);
            turns.finish(index);
            std::lock_guard lock(progressMutex);
            ++done;
            if (progress)
                progress(done);
        }
    };

    const int threads = std::clamp(jobs, 1, std::max(1, int(sources.size())));
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i)
        workers.emplace_back(work);
    work();
    for (std::thread& worker : workers)
        worker.join();
    return outcomes;
}
