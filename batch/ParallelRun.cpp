// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ParallelRun.h"

#include "batch/Converter.h"
#include "batch/ImageWorkers.h"
#include "batch/SkipReasons.h"
#include "engine/core/NativePath.h"
#include "engine/core/WorkFile.h"

#include <QScopeGuard>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <span>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace {

constexpr qint64 kMegabyte = 1 << 20;
/// A file this small goes to a worker with others, up to kExchangeBytes of them in one exchange: its
/// conversion takes little longer than an exchange.
constexpr qint64 kSmallFileBytes = 64 << 10;
constexpr qint64 kExchangeBytes = 512 << 10;

/// The memory that the files being converted may take together. A file takes its estimate (or a
/// thread's share of the budget) before it is read and gives it back once it is written; one that does
/// not fit waits until others have given back enough. Waiting files are served in turn, and none
/// overtakes them: a file never takes more than the whole budget, so each gets its turn.
/// The block each worker process keeps for its next frame (see pooledImage) is not counted.
class MemoryBudget
{
public:
    explicit MemoryBudget(qint64 limit)
        : m_limit(limit)
    { }

    [[nodiscard]] qint64 limit() const { return m_limit; }

    /// Takes \a bytes, at most limit(), waiting until they fit. True when it had to wait.
    bool reserve(qint64 bytes)
    {
        std::unique_lock lock(m_mutex);
        const bool waits = m_waiting > 0 || m_used + bytes > m_limit;
        if (waits) {
            const std::uint64_t turn = m_nextTurn++;
            ++m_waiting;
            m_released.wait(lock, [&] { return turn == m_served && m_used + bytes <= m_limit; });
            --m_waiting;
            ++m_served;
        }
        m_used += bytes;
        if (waits)
            m_released.notify_all(); // the next in turn may fit as well
        return waits;
    }

    void release(qint64 bytes)
    {
        {
            std::lock_guard lock(m_mutex);
            m_used -= bytes;
        }
        m_released.notify_all();
    }

private:
    const qint64 m_limit;
    qint64 m_used = 0;
    int m_waiting = 0;
    std::uint64_t m_nextTurn = 0; ///< the turn the next waiting file takes
    std::uint64_t m_served = 0; ///< the turn served next
    std::mutex m_mutex;
    std::condition_variable m_released;
};

/// Hands out the files in list order and gives finished files their final names strictly in list order,
/// so the names are those a run through the list one file at a time would give, while the files
/// themselves are converted in any order. A finished file keeps its descriptor open until it has its
/// name, so at most \a window files may be ahead of the first one without a name.
class OrderedNaming
{
public:
    OrderedNaming(const std::vector<RunInput>& inputs, OutputFolder& output,
        std::vector<ConversionOutcome>& outcomes, int window, const std::atomic<bool>* stop)
        : m_inputs(inputs)
        , m_output(output)
        , m_outcomes(outcomes)
        , m_pending(inputs.size())
        , m_ready(inputs.size(), false)
        , m_window(window)
        , m_stop(stop)
    { }

    /// The next files to convert, in list order, into \a indices: the next file and, when it is small
    /// (smallFileBytes), the small files after it, up to \a most files of kExchangeBytes together and
    /// no more than a fair share of those left for each of \a threads. Empty when none is left or the
    /// run stops.
    void take(std::vector<int>& indices, int most, int threads)
    {
        indices.clear();
        std::unique_lock lock(m_mutex);
        const auto canGoOn = [&] { return stopped() || m_taken >= total() || m_taken < m_next + m_window; };
        m_named.wait(lock, canGoOn);
        if (stopped() || m_taken >= total())
            return;
        most = std::min(most, std::max(1, (total() - m_taken) / threads));
        indices.push_back(m_taken++);
        qint64 bytes = most > 1 ? smallFileBytes(indices.front()) : -1;
        while (bytes >= 0 && int(indices.size()) < most && m_taken < total() && m_taken < m_next + m_window) {
            const qint64 next = smallFileBytes(m_taken);
            if (next < 0 || bytes + next > kExchangeBytes)
                break;
            bytes += next;
            indices.push_back(m_taken++);
        }
    }

    /// Hands over file \a index, converted into a work file or skipped, and names every file that
    /// has become next in line.
    void finish(int index, ConvertedFile converted)
    {
        {
            std::lock_guard lock(m_mutex);
            m_pending[size_t(index)] = std::move(converted);
            m_ready[size_t(index)] = true;
            while (m_next < total() && m_ready[size_t(m_next)]) {
                ConvertedFile& next = m_pending[size_t(m_next)];
                nameConvertedFile(next, m_inputs[size_t(m_next)].outputName(), m_output);
                m_outcomes[size_t(m_next)] = std::move(next.outcome);
                next = {};
                ++m_next;
            }
        }
        m_named.notify_all();
    }

    /// How many files were handed out.
    [[nodiscard]] int taken()
    {
        std::lock_guard lock(m_mutex);
        return m_taken;
    }

private:
    [[nodiscard]] int total() const { return int(m_inputs.size()); }
    /// The size of file \a index when it is at most kSmallFileBytes (as listed, or learnt now); -1 for a
    /// larger one or one whose size cannot be learnt.
    [[nodiscard]] qint64 smallFileBytes(int index) const
    {
        const RunInput& input = m_inputs[size_t(index)];
        qint64 size = input.listedSize;
        if (size < 0) {
            struct stat status = {};
            if (::stat(encodePath(input.path).constData(), &status) != 0)
                return -1;
            size = qint64(status.st_size);
        }
        return size <= kSmallFileBytes ? size : -1;
    }
    [[nodiscard]] bool stopped() const { return m_stop && m_stop->load(); }

    const std::vector<RunInput>& m_inputs;
    OutputFolder& m_output;
    std::vector<ConversionOutcome>& m_outcomes;
    std::vector<ConvertedFile> m_pending;
    std::vector<bool> m_ready;
    const int m_window;
    const std::atomic<bool>* m_stop;
    int m_next = 0;
    int m_taken = 0;
    std::mutex m_mutex;
    std::condition_variable m_named;
};

ConvertedFile skipped(
    const QString& reason, ConversionOutcome::Status status = ConversionOutcome::Status::Skipped)
{
    ConvertedFile converted;
    converted.outcome.status = status;
    converted.outcome.reason = reason;
    return converted;
}

/// Converts \a indices of \a inputs (up to ImageWorkers::kMostFilesPerExchange) in one exchange within
/// the budget (null for none), of which each thread may take \a share without asking first. The worker
/// estimates what each file needs as it begins: one within the share is converted at once; a larger one
/// goes back, waits for its whole estimate and is converted then, alone.
std::vector<ConvertedFile> convertSome(ImageWorkers& workers, const std::vector<RunInput>& inputs,
    const std::vector<int>& indices, const QString& folder, const RunOptions& options, MemoryBudget* budget,
    qint64 share, const std::atomic<bool>* stop)
{
    // Converts \a sources with \a reserved bytes taken from the budget, within \a allowance (none: -1);
    // \a needs says what each file left unconverted needs. Nullopt when the wait for memory outlasted
    // the run.
    const auto convertWithin = [&](std::span<const WorkFileSource> sources, qint64 reserved, qint64 allowance,
                                   std::vector<qint64>* needs) -> std::optional<std::vector<ConvertedFile>> {
        const bool waited = budget && budget->reserve(reserved);
        const auto giveBack = qScopeGuard([&] {
            if (budget)
                budget->release(reserved);
        });
        if (waited && stop && stop->load())
            return std::nullopt;
        return workers.convertToWorkFiles(sources, options, folder, allowance, needs);
    };

    std::vector<WorkFileSource> sources;
    for (const int index : indices)
        sources.push_back({ inputs[size_t(index)].path, inputs[size_t(index)].outputName() });
    std::vector<qint64> needs;
    std::optional<std::vector<ConvertedFile>> converted
        = convertWithin(sources, share, budget ? share : -1, &needs);
    if (!converted) {
        converted.emplace(sources.size());
        needs.assign(sources.size(), 0);
        for (ConvertedFile& file : *converted)
            file = skipped(SkipReasons::interrupted(), ConversionOutcome::Status::NotStarted);
    }
    for (size_t i = 0; i < sources.size(); ++i) {
        ConvertedFile& file = (*converted)[i];
        if (needs[i] > 0 && needs[i] > budget->limit()) {
            file = skipped(SkipReasons::notEnoughMemoryFor(
                (needs[i] + kMegabyte - 1) / kMegabyte, budget->limit() / kMegabyte));
        } else if (needs[i] > 0) {
            // Its estimate is taken whole; the worker need not estimate it again.
            std::vector<qint64> needed;
            std::optional<std::vector<ConvertedFile>> alone
                = convertWithin(std::span(sources).subspan(i, 1), needs[i], -1, &needed);
            file = alone ? std::move(alone->front())
                         : skipped(SkipReasons::interrupted(), ConversionOutcome::Status::NotStarted);
        }
        if (options.keepFolders)
            file.subfolder = inputs[size_t(indices[i])].folder;
    }
    return std::move(*converted);
}

/// Descriptors this process may still open, with some left for everything else.
int spareDescriptors()
{
    rlimit files = {};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY)
        return 1 << 16;
    return std::max(8, int(std::min<rlim_t>(files.rlim_cur, 1 << 20)) - 64);
}

/// How many workers a run of \a options over \a files files wants: one a job, as far as the descriptors
/// go. Each thread holds up to three descriptors at once (source, work file, a header read), each worker
/// process its socket and each finished file one until it has its name.
int workersWanted(const RunOptions& options, int files)
{
    return std::clamp(std::min(options.jobs, spareDescriptors() / 5), 1, std::max(1, files));
}

ImageWorkerLimits workerLimits(const RunOptions& options)
{
    ImageWorkerLimits limits;
    limits.timeLimit = std::chrono::seconds(std::max(1, options.timeLimitSeconds));
    // The budget decides what runs at once; the workers' own limit only stops a runaway decoder.
    limits.memoryBytes
        = std::max(ImageWorkerLimits::kDefaultWorkerMemoryBytes, options.memoryBytes + (qint64(1) << 30));
    return limits;
}

} // namespace

QString RunInput::outputName() const
{
    return name.isEmpty() ? lastPathComponent(path) : name;
}

std::vector<RunInput> runInputsOf(const Converter& list)
{
    std::vector<RunInput> inputs;
    inputs.reserve(size_t(list.allFilePaths().size()));
    for (const QString& path : list.allFilePaths()) {
        const FileRecord record = list.allFiles().value(path);
        inputs.push_back({ path, record.name, record.folder, qint64(record.size) });
    }
    return inputs;
}

std::unique_ptr<ImageWorkers> launchRunWorkers(const RunOptions& options, int files)
{
    auto workers = std::make_unique<ImageWorkers>(workersWanted(options, files), workerLimits(options));
    workers->launchAll();
    return workers;
}

RunResult convertInParallel(const std::vector<RunInput>& inputs, OutputFolder& output,
    const RunOptions& options, const RunHooks& hooks, std::unique_ptr<ImageWorkers> launched)
{
    RunResult result;
    result.outcomes.resize(inputs.size());

    const int spare = spareDescriptors();
    const int files = std::max(1, int(inputs.size()));
    const int wanted = workersWanted(options, files);
    std::optional<MemoryBudget> budget;
    if (options.memoryBytes > 0)
        budget.emplace(options.memoryBytes);
    std::mutex progressMutex;
    int done = 0;
    const std::unique_ptr<ImageWorkers> pool
        = launched ? std::move(launched) : std::make_unique<ImageWorkers>(wanted, workerLimits(options));
    ImageWorkers& imageWorkers = *pool;
    // Threads for the workers that could be started (the system may allow no more processes); workers
    // launched for more files than the run has stay idle.
    QString workerFailure;
    const int workersRunning = std::min(imageWorkers.startAll(&workerFailure), wanted);
    const int threads = std::clamp(workersRunning, 1, files);
    const int window = std::max(threads, std::min(4 * threads + 64, spare - 3 * threads));
    OrderedNaming naming(inputs, output, result.outcomes, window, hooks.stop);
    const qint64 share = budget ? budget->limit() / threads : 0;

    // Small files go to a worker several at a time: one costs little more than the exchange. Not for a
    // caller that hears of each file before it is converted (the window pauses there), nor beyond the
    // descriptors each thread may hold.
    const int most = hooks.starting
        ? 1
        : std::clamp((spare - window) / (2 * threads), 1, ImageWorkers::kMostFilesPerExchange);
    const auto work = [&] {
        std::vector<int> indices;
        for (naming.take(indices, most, threads); !indices.empty(); naming.take(indices, most, threads)) {
            if (hooks.starting) {
                for (const int index : indices)
                    hooks.starting(index);
            }
            std::vector<ConvertedFile> converted = convertSome(imageWorkers, inputs, indices, output.path,
                options, budget ? &*budget : nullptr, share, hooks.stop);
            for (size_t i = 0; i < indices.size(); ++i) {
                naming.finish(indices[i], std::move(converted[i]));
                std::lock_guard lock(progressMutex);
                ++done;
                if (hooks.progress)
                    hooks.progress(done);
            }
        }
    };

    result.workersWanted = wanted;
    result.workersStarted = std::max(1, workersRunning);
    if (workersRunning < wanted)
        result.workerFailure = workerFailure;
    int threadsStarted = 1;
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i) {
        try {
            workers.emplace_back(work);
            ++threadsStarted;
        } catch (const std::system_error& error) {
            // The system has no thread to spare (a process limit): the run goes on with those it has.
            if (threadsStarted < result.workersStarted) {
                result.workersStarted = threadsStarted;
                result.workerFailure = QString::fromLocal8Bit(error.code().message().c_str());
            }
            break;
        }
    }
    work();
    for (std::thread& worker : workers)
        worker.join();

    // A stopped run leaves the files it never started.
    result.taken = naming.taken();
    for (int i = result.taken; i < int(inputs.size()); ++i)
        result.outcomes[size_t(i)]
            = { ConversionOutcome::Status::NotStarted, {}, SkipReasons::interrupted(), {} };
    result.notStarted = int(
        std::count_if(result.outcomes.begin(), result.outcomes.end(), [](const ConversionOutcome& outcome) {
            return outcome.status == ConversionOutcome::Status::NotStarted;
        }));
    return result;
}
