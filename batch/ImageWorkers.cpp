// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ImageWorkers.h"

#include "batch/ImageJobsPrivate.h"
#include "batch/SkipReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/NativePath.h"
#include "engine/core/WorkFile.h"
#include "settings/Settings.h"
#include "worker/SharedMemory.h"
#include "worker/WorkerPool.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace ImageJobs {

void putInspection(RecordWriter& record, const Inspection& inspection)
{
    record.putU8(inspection.readable ? 1 : 0).putString(inspection.reason);
    record.putU8(inspection.location ? 1 : 0).putString(inspection.location.value_or(QString()));
    record.putU32(std::uint32_t(inspection.groups.size()));
    for (const auto& [group, fields] : inspection.groups) {
        record.putU8(std::uint8_t(group)).putU32(std::uint32_t(fields.size()));
        for (const InspectedField& field : fields)
            record.putString(field.name).putString(field.value);
    }
}

std::optional<Inspection> getInspection(RecordReader& record)
{
    Inspection inspection;
    inspection.readable = record.getU8() != 0;
    inspection.reason = record.getString(kMaxTextBytes);
    const bool located = record.getU8() != 0;
    const QString location = record.getString(kMaxTextBytes);
    if (located)
        inspection.location = location;
    const std::uint32_t groups = record.getU32();
    if (!record.ok() || groups > kPersonalGroups.size())
        return std::nullopt;
    std::uint32_t total = 0;
    for (std::uint32_t g = 0; g < groups; ++g) {
        const std::uint8_t group = record.getU8();
        const std::uint32_t count = record.getU32();
        total += count;
        if (!record.ok() || group < std::uint8_t(PersonalGroup::Location)
            || group > std::uint8_t(PersonalGroup::Hidden) || count == 0 || total > kMaxFields
            || inspection.groups.count(PersonalGroup(group)))
            return std::nullopt;
        std::vector<InspectedField>& fields = inspection.groups[PersonalGroup(group)];
        for (std::uint32_t f = 0; f < count && record.ok(); ++f) {
            InspectedField field;
            field.name = record.getString(kMaxTextBytes);
            field.value = record.getString(kMaxTextBytes);
            fields.push_back(std::move(field));
        }
    }
    if (!record.finished())
        return std::nullopt;
    return inspection;
}

} // namespace ImageJobs

using namespace ImageJobs;

namespace {

std::mutex languageMutex;
QString workerLanguage;

QString currentLanguage()
{
    std::lock_guard lock(languageMutex);
    return workerLanguage;
}

/// How long a worker may take for several files in one exchange.
constexpr std::chrono::seconds kSeveralFilesTimeLimit { 5 };

/// How long each side of a worker's exchange asks for the other's message before it sleeps. A sleep
/// and a wake-up on both sides cost a small file more than its conversion on a virtual machine; asking
/// in a loop saves them, but takes a core. So only where every worker and the thread it serves have a
/// core each.
std::chrono::microseconds spinFor(int workers)
{
    constexpr std::chrono::microseconds kSpin { 300 };
    return 2 * workers <= QThread::idealThreadCount() ? kSpin : std::chrono::microseconds::zero();
}

WorkerOptions workerOptions(const ImageWorkerLimits& limits, int workers)
{
    WorkerOptions options;
    options.program = imageWorkerProgram();
    const qint64 memory
        = limits.memoryBytes > 0 ? limits.memoryBytes : ImageWorkerLimits::kDefaultWorkerMemoryBytes;
    options.arguments << QStringLiteral("--memory-limit=%1").arg(memory);
    options.spin = spinFor(workers);
    options.arguments << QStringLiteral("--spin=%1").arg(options.spin.count());
    options.maxMessageBytes = kMaxMessageBytes;
    return options;
}

/// The reason of a file whose worker answered with \a what.
QString malformed(const QString& what)
{
    WorkerFailure failure;
    failure.kind = WorkerFailure::Kind::ProtocolError;
    failure.detail = what;
    return failure.describe();
}

/// Reads a worker's answer to a conversion of \a outcomes.size() files, allowed \a allowance bytes
/// each (none: negative), into \a outcomes and what each file left unconverted \a needed. False for an
/// answer that is no such thing: a file that needs no more than it was allowed, a status out of range.
bool readOutcomes(const QByteArray& payload, qint64 allowance, std::vector<ConversionOutcome>& outcomes,
    std::vector<std::uint64_t>& needed)
{
    RecordReader reply(payload);
    if (reply.getU32() != outcomes.size() || !reply.ok())
        return false;
    for (std::size_t k = 0; k < outcomes.size(); ++k) {
        ConversionOutcome& outcome = outcomes[k];
        const std::uint8_t status = reply.getU8();
        outcome.reason = reply.getString(kMaxTextBytes);
        outcome.note = reply.getString(kMaxTextBytes);
        outcome.reencoded = reply.getU8() != 0;
        needed[k] = reply.getU64();
        const bool skipped = status == std::uint8_t(ConversionOutcome::Status::Skipped);
        const bool needsMore = allowance >= 0 && needed[k] > std::uint64_t(allowance)
            && needed[k] < (std::uint64_t(1) << 50) && skipped;
        if (!reply.ok() || status > std::uint8_t(ConversionOutcome::Status::Skipped)
            || (needed[k] != 0 && !needsMore))
            return false;
        outcome.status = ConversionOutcome::Status(status);
    }
    return reply.finished();
}

Inspection unreadable(const QString& reason)
{
    Inspection inspection;
    inspection.reason = reason;
    return inspection;
}

} // namespace

RecordWriter ImageJobs::requestFor(Job job)
{
    RecordWriter record;
    record.putU8(std::uint8_t(job)).putString(currentLanguage());
    return record;
}

// A listed path is canonical: a link at its last component appeared since it was listed.
int ImageJobs::openForWorker(const QString& source)
{
    return ::open(encodePath(source).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
}

void setImageWorkerLanguage(const QString& language)
{
    std::lock_guard lock(languageMutex);
    workerLanguage = language;
}

ImageWorkerLimits imageWorkerLimitsFromSettings()
{
    ImageWorkerLimits limits;
    limits.timeLimit = std::chrono::seconds(Settings::settings()->timeLimitSeconds());
    return limits;
}

QString imageWorkerProgram()
{
    const QString here = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!here.isEmpty()) {
        for (const QString& candidate : { here + QStringLiteral("/morvane-worker"),
                 here + QStringLiteral("/../libexec/morvane/morvane-worker") }) {
            if (QFileInfo(candidate).isExecutable())
                return QFileInfo(candidate).absoluteFilePath();
        }
    }
    // The build tree's worker only for a program of that tree (a test, a program started from its build
    // folder): an installed program never runs whatever lies where it was once built.
    const QString tree = QStringLiteral(MORVANE_BUILD_TREE) + u'/';
    if (here.isEmpty() || (here + u'/').startsWith(tree))
        return QStringLiteral(MORVANE_BUILT_WORKER);
    return here + QStringLiteral("/../libexec/morvane/morvane-worker");
}

ImageWorkers::ImageWorkers(int size, const ImageWorkerLimits& limits)
    : m_pool(std::make_unique<WorkerPool>(workerOptions(limits, size), size))
    , m_limits(limits)
{ }

ImageWorkers::~ImageWorkers() = default;

void ImageWorkers::launchAll()
{
    m_pool->launchAll();
}

int ImageWorkers::startAll(QString* failure)
{
    WorkerFailure why;
    const int started = m_pool->startAll(&why);
    if (started < m_pool->size() || started == 0) {
        if (failure)
            *failure = why.describe();
    }
    return started;
}

std::optional<ConfinementReport> ImageWorkers::confinement() const
{
    return m_pool->confinement();
}

std::vector<ConvertedFile> ImageWorkers::convertToWorkFiles(std::span<const WorkFileSource> sources,
    const RunOptions& options, const QString& folder, qint64 allowance, std::vector<qint64>* needs)
{
    std::vector<ConvertedFile> converted(sources.size());
    if (needs)
        needs->assign(sources.size(), 0);
    if (sources.size() > std::size_t(kMostFilesPerExchange)) {
        for (std::size_t first = 0; first < sources.size(); first += kMostFilesPerExchange) {
            const std::size_t count = std::min<std::size_t>(kMostFilesPerExchange, sources.size() - first);
            std::vector<qint64> needed;
            std::vector<ConvertedFile> part
                = convertToWorkFiles(sources.subspan(first, count), options, folder, allowance, &needed);
            std::move(part.begin(), part.end(), converted.begin() + std::ptrdiff_t(first));
            if (needs)
                std::copy(needed.begin(), needed.end(), needs->begin() + std::ptrdiff_t(first));
        }
        return converted;
    }

    // What goes to the worker: each source that opens, with a new work file.
    std::vector<std::size_t> sent;
    std::vector<Descriptor> inputs;
    std::vector<std::unique_ptr<WorkFile>> files;
    std::vector<int> descriptors;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        ConvertedFile& file = converted[i];
        file.outputName = options.outputNameFor(sources[i].outputName);
        file.names = options.names;
        Descriptor input(openForWorker(sources[i].source));
        if (!input.isValid()) {
            file.outcome.reason = errno == ELOOP ? SkipReasons::couldNotBeRead(systemErrorText(errno))
                                                 : describeUnloadableSource(sources[i].source);
            continue;
        }
        QString error;
        std::unique_ptr<WorkFile> workFile = WorkFile::create(folder, &error);
        if (!workFile) {
            file.outcome.reason = SkipReasons::couldNotBeWritten(error);
            continue;
        }
        descriptors.push_back(input.get());
        descriptors.push_back(workFile->descriptor());
        sent.push_back(i);
        inputs.push_back(std::move(input));
        files.push_back(std::move(workFile));
    }
    if (sent.empty())
        return converted;

    RecordWriter request = requestFor(Job::Convert);
    float quality = options.quality;
    std::uint32_t qualityBits = 0;
    std::memcpy(&qualityBits, &quality, sizeof qualityBits);
    request.putU32(qualityBits)
        .putU8(options.fixOrientation ? 1 : 0)
        .putU8(options.keepJpegQuality ? 1 : 0)
        .putU8(std::uint8_t(options.outputFormat))
        .putU64(allowance >= 0 ? std::uint64_t(allowance) : kNoAllowance)
        .putU32(std::uint32_t(sent.size()));
    for (const std::size_t i : sent)
        request.putString(sources[i].source).putString(sources[i].outputName);
    // Several files are small ones, done in moments: if they are not done in a few seconds, one of them
    // is the cause, and each is given its whole time limit alone.
    const std::chrono::milliseconds limit = sent.size() > 1
        ? std::min<std::chrono::milliseconds>(m_limits.timeLimit, kSeveralFilesTimeLimit)
        : m_limits.timeLimit;
    WorkerResult result = m_pool->take()->request(request.data(), descriptors, limit);
    if (!result.ok() && sent.size() > 1) {
        // Which of them made the worker fail is learnt by giving each a worker of its own turn.
        inputs.clear();
        files.clear();
        for (const std::size_t i : sent) {
            std::vector<qint64> needed;
            converted[i] = std::move(
                convertToWorkFiles(sources.subspan(i, 1), options, folder, allowance, &needed).front());
            if (needs)
                (*needs)[i] = needed.front();
        }
        return converted;
    }
    if (!result.ok()) {
        converted[sent.front()].outcome.reason = result.failure->describe();
        return converted;
    }

    std::vector<ConversionOutcome> outcomes(sent.size());
    std::vector<std::uint64_t> needed(sent.size(), 0);
    if (!readOutcomes(result.payload, allowance, outcomes, needed)) {
        for (const std::size_t i : sent)
            converted[i].outcome.reason = malformed(QStringLiteral("a malformed outcome"));
        return converted;
    }
    for (std::size_t k = 0; k < sent.size(); ++k) {
        ConvertedFile& file = converted[sent[k]];
        file.outcome = std::move(outcomes[k]);
        if (needed[k] != 0) {
            // Not converted: the file needs more memory than it was allowed.
            if (needs)
                (*needs)[sent[k]] = qint64(needed[k]);
            continue;
        }
        if (file.outcome.status == ConversionOutcome::Status::Written)
            file.file = std::move(files[k]);
    }
    return converted;
}

Inspection ImageWorkers::inspectImageFile(const QString& source)
{
    const Descriptor input(openForWorker(source));
    if (!input.isValid())
        return unreadable(systemErrorText(errno));
    Inspection inspection = inspectOpenFile(input.get());
    addFileNameFindings(inspection, source);
    return inspection;
}

Inspection ImageWorkers::inspectOpenFile(int descriptor)
{
    const RecordWriter request = requestFor(Job::Inspect);
    const int descriptors[] = { descriptor };
    const WorkerResult result = m_pool->take()->request(request.data(), descriptors, m_limits.timeLimit);
    if (!result.ok())
        return unreadable(result.failure->describe());
    RecordReader reply(result.payload);
    std::optional<Inspection> inspection = getInspection(reply);
    if (!inspection) {
        return unreadable(malformed(QStringLiteral("a malformed inspection")));
    }
    return std::move(*inspection);
}

ConfinementReport imageWorkerConfinement()
{
    WorkerProcess worker(workerOptions({}, 1));
    WorkerFailure failure;
    if (!worker.start(&failure) || !worker.confinement()) {
        ConfinementReport report;
        report.landlockMissing = failure.describe();
        return report;
    }
    return *worker.confinement();
}
