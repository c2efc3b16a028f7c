// SPDX-License-Identifier: GPL-3.0-or-later
// Times what a confined worker costs per file and per start: a round trip through a running worker
// (a small request and reply, without descriptors and with the two a conversion hands over: the source and
// the unnamed output), a round trip through a pool, and the start of a worker up to its hello (spawn,
// confinement, greeting). The program is its own worker: started with --worker it serves echo requests.
//   morvane_bench_worker [ROUND_TRIPS] [STARTS]     (defaults 20000 and 50)
#include "worker/WorkerMain.h"
#include "worker/WorkerPool.h"
#include "worker/WorkerProcess.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(double(values.size()) * fraction))];
}

/// Microseconds of each of \a count calls of \a step.
template<typename Step> std::vector<double> timeEach(int count, Step step)
{
    std::vector<double> times;
    times.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const Clock::time_point start = Clock::now();
        step();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return times;
}

void print(const char* what, const std::vector<double>& times)
{
    std::printf("%-44s median %9.1f us   p90 %9.1f us   (%zu)\n", what, median(times), percentile(times, 0.9),
        times.size());
}

QString ownPath()
{
    char path[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? QFile::decodeName(QByteArray(path, qsizetype(length))) : QString();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--worker") == 0) {
        WorkerSetup setup;
        setup.handler = [](WorkerRequest& request) {
            WorkerReply reply;
            reply.payload = request.payload;
            return reply;
        };
        return runWorker(3, setup);
    }
    const int roundTrips = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    const int starts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;

    WorkerOptions options;
    options.program = ownPath();
    options.arguments = { QStringLiteral("--worker") };

    WorkerProcess worker(options);
    WorkerFailure failure;
    if (!worker.start(&failure)) {
        std::fprintf(stderr, "the worker did not start: %s\n", qPrintable(failure.describe()));
        return 1;
    }
    std::printf("worker: %s\n", qPrintable(worker.confinement()->describe()));

    // What a conversion hands over: the source, read only, and the output being written.
    FILE* source = std::tmpfile();
    FILE* output = std::tmpfile();
    const int handed[] = { ::fileno(source), ::fileno(output) };
    const QByteArray request(64, 'r'); // about the size of a conversion's settings
    bool ok = true;
    auto roundTrip = [&](std::span<const int> descriptors) {
        const WorkerResult result = worker.request(request, descriptors, std::chrono::seconds(10));
        ok = ok && result.ok() && result.payload == request;
    };
    timeEach(1000, [&] { roundTrip({}); }); // warm-up
    print("round trip, 64 bytes, no descriptors", timeEach(roundTrips, [&] { roundTrip({}); }));
    print("round trip, 64 bytes, two descriptors", timeEach(roundTrips, [&] { roundTrip(handed); }));

    WorkerPool pool(options, 1);
    (void)pool.take()->request(request, handed, std::chrono::seconds(10)); // starts its worker
    print("pool: take, round trip with two, give back", timeEach(roundTrips, [&] {
        WorkerPool::Lease lease = pool.take();
        ok = ok && lease->request(request, handed, std::chrono::seconds(10)).ok();
    }));

    // Kept until all are timed, so that ending one is not counted in the start of the next.
    std::vector<std::unique_ptr<WorkerProcess>> started;
    print("worker start up to its hello (confined)", timeEach(starts, [&] {
        started.push_back(std::make_unique<WorkerProcess>(options));
        ok = ok && started.back()->start();
    }));
    started.clear();
    std::fclose(source);
    std::fclose(output);
    if (!ok) {
        std::fprintf(stderr, "a request failed\n");
        return 1;
    }
    return 0;
}
