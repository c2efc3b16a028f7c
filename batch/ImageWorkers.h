// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/FileConversion.h"
#include "engine/inspect/MetadataInspector.h"
#include "worker/Confinement.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class WorkerPool;

/// A source to convert and the output name asked for it.
struct WorkFileSource
{
    QString source;
    QString outputName;
};

/// How the image workers of a pool are held in.
struct ImageWorkerLimits
{
    /// The memory a worker may map, in bytes; 0 for the default (kDefaultWorkerMemoryBytes).
    qint64 memoryBytes = 0;
    /// How long one file may take in a worker before it is stopped and reported.
    std::chrono::seconds timeLimit { kDefaultTimeLimitSeconds };

    static constexpr int kDefaultTimeLimitSeconds = 120;
    static constexpr qint64 kDefaultWorkerMemoryBytes = qint64(3) << 30;
};

/// The limits the settings ask for: their time limit, the default memory ceiling. For the window's
/// thumbnails and details; a run takes its own from its options.
[[nodiscard]] ImageWorkerLimits imageWorkerLimitsFromSettings();

/// Every decode, encode, rewrite, thumbnail and inspection of a user's file goes through here: into a
/// worker process (the morvane-worker program) that confined itself before it read a byte and is
/// handed the source's descriptor (and the work file's), never a path it could open. A worker that
/// crashes, hangs past the time limit or runs out of memory costs only the file it had: the file gets
/// the reason and a fresh worker takes the next one.
///
/// Owns a pool of \a size workers, each started when first needed and kept for the object's life.
/// Thread-safe: up to \a size threads are served at once, others wait.
class ImageWorkers
{
public:
    ImageWorkers(int size, const ImageWorkerLimits& limits = {});
    ~ImageWorkers();
    ImageWorkers(const ImageWorkers&) = delete;
    ImageWorkers& operator=(const ImageWorkers&) = delete;

    /// The most files one exchange with a worker converts.
    static constexpr int kMostFilesPerExchange = 16;

    /// convertToWorkFile() in a worker, for one or several sources in one exchange: each source opened
    /// here (read only, the last link not followed) and a new work file of \a folder are handed over; the
    /// worker converts and checks each copy in turn, and each converted file holds its work file for
    /// naming. With an \a allowance of memory (not negative), the worker first estimates what each file
    /// needs (estimatedConversionBytes()); one that needs more is left unconverted (Skipped, without a
    /// reason) with the estimate in its entry of \a needs, which is 0 otherwise. Small files cost little
    /// more than an exchange, so several in one cost little more than one.
    /// A worker that fails during several files (crashes, runs out of memory, or takes longer than the
    /// time limit or five seconds, whichever is shorter) costs none of them by itself: each is converted
    /// again alone, so that the failure falls on the file that caused it. Meant for small sources (the
    /// caller's choice), whose conversion takes moments; more than kMostFilesPerExchange take several
    /// exchanges.
    [[nodiscard]] std::vector<ConvertedFile> convertToWorkFiles(std::span<const WorkFileSource> sources,
        const RunOptions& options, const QString& folder, qint64 allowance = -1,
        std::vector<qint64>* needs = nullptr);
    /// decodeThumbnail() in a worker, its pixels back through sealed shared memory; null when the file
    /// cannot be shown.
    [[nodiscard]] QImage thumbnail(const QString& source, const QSize& box);
    /// inspectImageFile() in a worker (the file name's findings added here).
    [[nodiscard]] Inspection inspectImageFile(const QString& source);
    /// inspectOpenFile() in a worker: \a descriptor stays the caller's.
    [[nodiscard]] Inspection inspectOpenFile(int descriptor);

    /// Starts every worker of the pool now without waiting for it (WorkerPool::launchAll).
    void launchAll();
    /// Starts every worker of the pool now (WorkerPool::startAll): how many run; \a failure says why
    /// the others could not be started.
    int startAll(QString* failure);

    /// What the workers got when they confined themselves; nullopt until one started.
    [[nodiscard]] std::optional<ConfinementReport> confinement() const;

private:
    std::unique_ptr<WorkerPool> m_pool;
    ImageWorkerLimits m_limits;
};

/// The worker program: beside the running program, else where it is installed
/// (libexec/morvane/morvane-worker beside bin/), else, for a program of the build tree, the build tree's.
[[nodiscard]] QString imageWorkerProgram();

/// What a worker started now would get: starts one, asks and ends it. For --version and the About box.
[[nodiscard]] ConfinementReport imageWorkerConfinement();

/// The language the workers write their reasons and notes in ("de"; empty for English): the window
/// sets it with its own translation.
void setImageWorkerLanguage(const QString& language);

/// The worker program's main(): serves image jobs on descriptor 3 until its parent goes.
int serveImageJobs(int argc, char** argv);
