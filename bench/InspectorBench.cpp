// SPDX-License-Identifier: GPL-3.0-or-later
// Times the metadata inspector, one thread, on every image file under each folder: from memory, from an
// open file (as the check of a copy reads it before the copy has a name) and from its path (as the list
// and --inspect read it). Medians per file of wall-clock time (and thread CPU time from memory), and what
// the inspection found, so that the figures are known to come from a full reading of dirty photos and
// from a clean verdict on copies.
//   morvane_bench_inspector [--runs N] [--copies FOLDER] [FOLDER...]
//       RUNS defaults to 5. The copies' folder is timed last and gives the line "check per copy: T ms".
//   morvane_bench_inspector --show FILE...    prints each file's inspection
#include "engine/inspect/MetadataInspector.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <time.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Timing
{
    double wall = 0; ///< milliseconds
    double cpu = 0;
};

template<typename Step> Timing timedMedian(int runs, Step step)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int r = 0; r < runs; ++r) {
        const Clock::time_point start = Clock::now();
        const double cpuStart = threadCpuSeconds();
        step();
        cpu.push_back((threadCpuSeconds() - cpuStart) * 1e3);
        wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return { median(wall), median(cpu) };
}

void show(const QString& path)
{
    const Inspection inspection = inspectImageFile(path);
    std::printf("%s: %s\n", qPrintable(path), qPrintable(inspection.summary()));
    for (const auto& [group, fields] : inspection.groups) {
        std::printf("  %s\n", qPrintable(personalGroupName(group)));
        for (const InspectedField& field : fields)
            std::printf("    %s: %s\n", qPrintable(field.name), qPrintable(field.value));
    }
}

struct Totals
{
    int files = 0;
    double megabytes = 0;
    double memoryWall = 0;
    double memoryCpu = 0;
    double openWall = 0;
    double pathWall = 0;
};

Totals timeFolder(const QString& label, const QString& folderPath, int runs)
{
    QStringList paths;
    QDirIterator it(folderPath, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(it.next());
    paths.sort();
    Totals totals;
    std::printf("%s (%s)\n", qPrintable(label), qPrintable(folderPath));
    std::printf("  %-32s %7s %10s %10s %10s %10s  %s\n", "file", "MB", "memory ms", "cpu ms", "open ms",
        "path ms", "found");
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        Inspection inspection;
        const Timing memory = timedMedian(runs, [&] { inspection = inspectImageData(data); });
        if (!inspection.readable)
            continue;
        // The open file is read from its start on each inspection (from the page cache here).
        const Timing fromOpenFile = timedMedian(runs, [&] { (void)inspectOpenFile(file.handle()); });
        const Timing fromPath = timedMedian(runs, [&] { (void)inspectImageFile(path); });
        const double megabytes = double(data.size()) / 1e6;
        const QString name = QDir(folderPath).relativeFilePath(QFileInfo(path).absoluteFilePath());
        std::printf("  %-32s %7.2f %10.3f %10.3f %10.3f %10.3f  %s\n", qPrintable(name.left(32)), megabytes,
            memory.wall, memory.cpu, fromOpenFile.wall, fromPath.wall, qPrintable(inspection.summary()));
        ++totals.files;
        totals.megabytes += megabytes;
        totals.memoryWall += memory.wall;
        totals.memoryCpu += memory.cpu;
        totals.openWall += fromOpenFile.wall;
        totals.pathWall += fromPath.wall;
    }
    if (totals.files > 0)
        std::printf("  per file (%d files): %.3f ms from memory (%.3f ms CPU), %.3f ms from an open file, "
                    "%.3f ms from the path; %.0f MB/s from memory\n",
            totals.files, totals.memoryWall / totals.files, totals.memoryCpu / totals.files,
            totals.openWall / totals.files, totals.pathWall / totals.files,
            totals.megabytes / (totals.memoryWall / 1e3));
    return totals;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args.first() == QLatin1String("--show")) {
        for (const QString& path : args.mid(1))
            show(path);
        return 0;
    }
    const auto usage = [argv] {
        std::fprintf(stderr, "usage: %s [--runs N] [--copies FOLDER] [FOLDER...]\n       %s --show FILE...\n",
            argv[0], argv[0]);
        return 2;
    };
    int runs = 5;
    QString copies;
    QStringList folders;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--copies") && i + 1 < args.size())
            copies = args[++i];
        else if (!args[i].startsWith(u'-'))
            folders.append(args[i]);
        else
            return usage();
    }
    if (folders.isEmpty() && copies.isEmpty())
        return usage();
    // One inspection before timing: Exiv2's one-time set-up is no part of a file's cost.
    (void)inspectImageData(QByteArray("\xFF\xD8\xFF\xD9", 4));
    for (const QString& folder : folders) {
        if (timeFolder(QStringLiteral("sources"), folder, runs).files == 0) {
            std::fprintf(stderr, "no images in %s\n", qPrintable(folder));
            return 2;
        }
    }
    if (copies.isEmpty())
        return 0;
    const Totals checked = timeFolder(QStringLiteral("copies"), copies, runs);
    if (checked.files == 0) {
        std::fprintf(stderr, "no images in %s\n", qPrintable(copies));
        return 2;
    }
    // The line bench/run reads: the check's cost per copy, read from the open file as the check reads a
    // copy before it has a name.
    std::printf("check per copy: %.3f ms\n", checked.openWall / checked.files);
    return 0;
}
