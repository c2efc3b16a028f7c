// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ParallelRun.h"

#include "app/Settings.h"
#include "batch/BatchController.h"
#include "engine/ImageWrapper.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

// A private file in the output folder that a worker writes an image into before it has its final name.
// It carries the source's extension, which decides the output type as the final name would.
QString reserveWorkFile(const QString& folder, const QString& source)
{
    const QString suffix = QFileInfo(source).suffix();
    QByteArray name = QFile::encodeName(
        folder + QStringLiteral("/.morvane-work-XXXXXX") + (suffix.isEmpty() ? QString() : u'.' + suffix));
    const int suffixLength = suffix.isEmpty() ? 0 : int(QFile::encodeName(suffix).size()) + 1;
    const int fd = ::mkostemps(name.data(), suffixLength, O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    return QFile::decodeName(name);
}

// Gives finished files their final names strictly in list order, so the names are those a run through
// the list one file at a time would give, while the files themselves are converted in any order.
class OrderedNaming
{
public:
    OrderedNaming(const QStringList& sources, const QString& folder, std::vector<ConversionOutcome>& outcomes)
        : m_sources(sources)
        , m_folder(folder)
        , m_outcomes(outcomes)
        , m_ready(size_t(sources.size()), false)
    { }

    /// Hands over file \a index, converted into a work file or skipped, and names every file that
    /// has become next in line.
    void finish(int index, ConversionOutcome outcome)
    {
        std::lock_guard lock(m_mutex);
        m_outcomes[size_t(index)] = std::move(outcome);
        m_ready[size_t(index)] = true;
        while (m_next < int(m_ready.size()) && m_ready[size_t(m_next)]) {
            name(m_next);
            ++m_next;
        }
    }

private:
    void name(int index)
    {
        ConversionOutcome& outcome = m_outcomes[size_t(index)];
        if (outcome.status != ConversionOutcome::Status::Written)
            return;
        const QString work = outcome.output;
        const QString output = m_namer.GetNewFile(m_sources.at(index), m_folder);
        // The reservation is replaced by the finished file in one step: nothing else is ever replaced.
        if (output.isEmpty()
            || ::rename(QFile::encodeName(work).constData(), QFile::encodeName(output).constData()) != 0) {
            const QString error = QString::fromLocal8Bit(std::strerror(errno));
            ::unlink(QFile::encodeName(work).constData());
            if (!output.isEmpty())
                BatchController::ReleaseNewFile(output);
            outcome = { ConversionOutcome::Status::Skipped, {},
                output.isEmpty() ? QStringLiteral("could not be written: no free name in the output folder")
                                 : QStringLiteral("could not be written: %1").arg(error),
                {} };
            return;
        }
        outcome.output = output;
    }

    const QStringList& m_sources;
    const QString& m_folder;
    std::vector<ConversionOutcome>& m_outcomes;
    std::vector<bool> m_ready;
    int m_next = 0;
    std::mutex m_mutex;
    const BatchController m_namer;
};

} // namespace

std::vector<ConversionOutcome> convertInParallel(const QStringList& sources, const QString& folder, int jobs,
    const std::function<void(int done)>& progress)
{
    std::vector<ConversionOutcome> outcomes(size_t(sources.size()));
    OrderedNaming naming(sources, folder, outcomes);
    std::atomic<int> next { 0 };
    std::mutex progressMutex;
    int done = 0;

    const auto work = [&] {
        ImageWrapper wrapper;
        for (int index = next++; index < sources.size(); index = next++) {
            QString workFile;
            ConversionOutcome outcome
                = ConvertFile(wrapper, sources.at(index), Settings::settings()->fixOrientation(),
                    [&](const QString& source) { return workFile = reserveWorkFile(folder, source); });
            // A file skipped after its work file was made leaves nothing behind.
            if (outcome.status != ConversionOutcome::Status::Written && !workFile.isEmpty())
                ::unlink(QFile::encodeName(workFile).constData());
            naming.finish(index, std::move(outcome));
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
