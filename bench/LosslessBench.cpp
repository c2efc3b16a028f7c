// SPDX-License-Identifier: GPL-3.0-or-later
// Times cleaning JPEGs without re-encoding (writeJpegLosslessly) against our re-encoding path
// (IICreateImageForSaving + IISaveImage at quality 0.7, as a run does it) and against `jpegtran -copy none`
// run once per file (with -perfect -rotate for the turned ones), on a folder of photos, one thread. Each leg
// reads the file and writes a file; the lossless leg also reads the properties (orientation, DPI) and the
// colour profile as a run would, and re-encodes a photo it cannot turn exactly. Times are medians per file of
// wall-clock time and of CPU time (the thread's, or the jpegtran process's user and system time); on a shared
// machine the CPU times are the steadier ratios.
//   morvane_bench_lossless FOLDER [RUNS]     (RUNS defaults to 3)
#include "engine/formats/jpeg/JpegCodec.h"
#include "engine/formats/jpeg/lossless/JpegLossless.h"
#include "engine/metadata/MetadataLibrary.h"
#include "engine/metadata/MetadataReader.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSaving.h"
#include "engine/pipeline/ImageSource.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

/// Wall-clock and CPU seconds of one timed step.
struct Times
{
    double wall = 0;
    double cpu = 0;
};

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

/// Times \a step, which returns the CPU seconds it spent outside this thread (a child process's).
template<typename Step> Times timed(Step step)
{
    const Clock::time_point wallStart = Clock::now();
    const double cpuStart = threadCpuSeconds();
    const double elsewhere = step();
    return { std::chrono::duration<double>(Clock::now() - wallStart).count(),
        threadCpuSeconds() - cpuStart + elsewhere };
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// The ICC profile of a JPEG in memory: its APP2 ICC_PROFILE chunks in sequence order.
QByteArray iccProfileOf(const QByteArray& data)
{
    QList<QByteArray> chunks(256);
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    qsizetype pos = 2;
    while (pos + 4 <= data.size() && bytes[pos] == 0xFF && bytes[pos + 1] != 0xDA) {
        const qsizetype length = bytes[pos + 2] << 8 | bytes[pos + 3];
        if (bytes[pos + 1] == 0xE2 && length > 16 && data.mid(pos + 4, 12) == QByteArray("ICC_PROFILE\0", 12))
            chunks[bytes[pos + 16]] = data.mid(pos + 18, length - 16);
        pos += 2 + length;
    }
    QByteArray profile;
    for (const QByteArray& chunk : chunks)
        profile += chunk;
    return profile;
}

enum class Path { Copied, Turned, Reencoded, Failed };

bool reencode(const QString& path, const QString& out)
{
    // The engine never replaces a file: the previous run's output goes first.
    QFile::remove(out);
    const ImageInfoPtr info(IICreateImageForSaving(path, true));
    // A record made for saving may hold the file instead of pixels: its size is asked of the record.
    const QSize size = IIGetImageSize(info.get());
    return info
        && IISaveImage(
            info.get(), out, size_t(size.width()), size_t(size.height()), kUTTypeJPEG, false, 0.7f);
}

Path lossless(const QString& path, const QString& out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Path::Failed;
    const QByteArray data = file.readAll();
    const PropertyDictionary properties = readImageProperties(data, ImageFormat::JPEG);
    LosslessJpegOptions options;
    options.orientation
        = orientationFromExif(int(properties.integer(kCGImagePropertyOrientation).value_or(1)));
    options.dpiX = properties.real(kCGImagePropertyDPIWidth);
    options.dpiY = properties.real(kCGImagePropertyDPIHeight);
    options.iccProfile = iccProfileOf(data);
    const int fd = ::open(QFile::encodeName(out).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return Path::Failed;
    const LosslessJpegResult result = writeJpegLosslessly(data, options, fd, nullptr);
    ::close(fd);
    if (result == LosslessJpegResult::NeedsReencode)
        return reencode(path, out) ? Path::Reencoded : Path::Failed;
    if (result != LosslessJpegResult::Written)
        return Path::Failed;
    return options.orientation == Orientation::Normal ? Path::Copied : Path::Turned;
}

/// Runs jpegtran; false when it fails. \a cpuSeconds receives its user and system time.
bool jpegtran(const QString& path, const QString& out, int orientation, bool perfect, double& cpuSeconds)
{
    std::vector<QByteArray> arguments { "jpegtran", "-copy", "none" };
    if (perfect)
        arguments.emplace_back("-perfect");
    switch (orientation) {
    case 6:
        arguments.insert(arguments.end(), { "-rotate", "90" });
        break;
    case 8:
        arguments.insert(arguments.end(), { "-rotate", "270" });
        break;
    case 3:
        arguments.insert(arguments.end(), { "-rotate", "180" });
        break;
    default:
        break;
    }
    arguments.insert(arguments.end(), { "-outfile", QFile::encodeName(out), QFile::encodeName(path) });
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, "jpegtran", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return false;
    int status = 0;
    rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) { }
    cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const char* pathName(Path path)
{
    switch (path) {
    case Path::Copied:
        return "scan copied";
    case Path::Turned:
        return "turned";
    case Path::Reencoded:
        return "re-encoded";
    case Path::Failed:
        break;
    }
    return "FAILED";
}

/// The three legs' median times for a group of photos, summed.
struct Totals
{
    Times reencode;
    Times lossless;
    Times jpegtran;
    double megapixels = 0;
    int files = 0;
    std::vector<double> ratios; ///< re-encoding CPU time over lossless CPU time, per photo

    void add(const Times& r, const Times& l, const Times& j, double mp)
    {
        reencode.wall += r.wall;
        reencode.cpu += r.cpu;
        lossless.wall += l.wall;
        lossless.cpu += l.cpu;
        jpegtran.wall += j.wall;
        jpegtran.cpu += j.cpu;
        megapixels += mp;
        ++files;
        ratios.push_back(r.cpu / l.cpu);
    }
};

Times medianTimes(const std::vector<Times>& times)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const Times& t : times) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    return { median(wall), median(cpu) };
}

void printGroup(const char* name, const Totals& totals)
{
    if (totals.files == 0)
        return;
    const auto [least, most] = std::minmax_element(totals.ratios.begin(), totals.ratios.end());
    std::printf("%s (%d photos, %.1f MP): lossless %.1f MP/s, re-encoding %.1f MP/s (wall); CPU time "
                "re-encoding / lossless per photo %.2f to %.2f (median %.2f), in all %.2f (wall %.2f)\n",
        name, totals.files, totals.megapixels, totals.megapixels / totals.lossless.wall,
        totals.megapixels / totals.reencode.wall, *least, *most, median(totals.ratios),
        totals.reencode.cpu / totals.lossless.cpu, totals.reencode.wall / totals.lossless.wall);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FOLDER [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 3;
    initializeMetadataLibrary();
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QStringList names
        = folder.entryList({ QStringLiteral("*.jpg"), QStringLiteral("*.jpeg") }, QDir::Files, QDir::Name);
    if (names.isEmpty()) {
        std::fprintf(stderr, "no JPEGs in %s\n", argv[1]);
        return 2;
    }
    QTemporaryDir out(QDir::tempPath() + QStringLiteral("/morvane-lossless-bench-XXXXXX"));
    const QString reencoded = out.filePath(QStringLiteral("reencoded.jpg"));
    const QString cleaned = out.filePath(QStringLiteral("lossless.jpg"));
    const QString transformed = out.filePath(QStringLiteral("jpegtran.jpg"));
    const bool withJpegtran = std::system("command -v jpegtran >/dev/null 2>&1") == 0;

    Totals upright;
    Totals turned;
    std::printf("%-14s %5s %2s %-11s %21s %21s %21s\n", "", "", "", "", "re-encoding ms", "lossless ms",
        "jpegtran ms");
    std::printf("%-14s %5s %2s %-11s %10s %10s %10s %10s %10s %10s\n", "file", "MP", "or", "lossless", "wall",
        "cpu", "wall", "cpu", "wall", "cpu");
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        QByteArray shared = data;
        QBuffer buffer(&shared);
        const QSize header
            = buffer.open(QIODevice::ReadOnly) ? QImageReader(&buffer, "jpeg").size() : QSize();
        if (!header.isValid())
            continue;
        const int orientation = int(
            readImageProperties(data, ImageFormat::JPEG).integer(kCGImagePropertyOrientation).value_or(1));
        const double megapixels = double(header.width()) * double(header.height()) / 1e6;

        std::vector<Times> reencodeTimes;
        std::vector<Times> losslessTimes;
        std::vector<Times> jpegtranTimes;
        Path path_ = Path::Failed;
        bool perfect = true;
        for (int run = 0; run < runs; ++run) {
            reencodeTimes.push_back(timed([&] {
                if (!reencode(path, reencoded))
                    std::fprintf(stderr, "%s: the re-encoding path failed\n", qPrintable(name));
                return 0.0;
            }));
            losslessTimes.push_back(timed([&] {
                path_ = lossless(path, cleaned);
                return 0.0;
            }));
            if (withJpegtran) {
                jpegtranTimes.push_back(timed([&] {
                    double cpu = 0;
                    if (!jpegtran(path, transformed, orientation, perfect, cpu)) {
                        // -perfect refuses the size: jpegtran then leaves the edge blocks as they are.
                        perfect = false;
                        jpegtran(path, transformed, orientation, perfect, cpu);
                    }
                    return cpu;
                }));
            }
        }
        const Times r = medianTimes(reencodeTimes);
        const Times l = medianTimes(losslessTimes);
        const Times j = withJpegtran ? medianTimes(jpegtranTimes) : Times {};
        (orientation == 1 ? upright : turned).add(r, l, j, megapixels);
        std::printf("%-14s %5.1f %2d %-11s %10.1f %10.1f %10.1f %10.1f %10.1f %10.1f\n", qPrintable(name),
            megapixels, orientation, pathName(path_), r.wall * 1e3, r.cpu * 1e3, l.wall * 1e3, l.cpu * 1e3,
            j.wall * 1e3, j.cpu * 1e3);
        std::fflush(stdout);
    }

    std::printf("\n");
    printGroup("upright", upright);
    printGroup("turned", turned);
    const double losslessWall = upright.lossless.wall + turned.lossless.wall;
    const double losslessCpu = upright.lossless.cpu + turned.lossless.cpu;
    std::printf(
        "whole set: lossless %.2f s (CPU %.2f s); re-encoding %.2f s (CPU %.2f s): %.2f x (CPU %.2f x)\n",
        losslessWall, losslessCpu, upright.reencode.wall + turned.reencode.wall,
        upright.reencode.cpu + turned.reencode.cpu,
        (upright.reencode.wall + turned.reencode.wall) / losslessWall,
        (upright.reencode.cpu + turned.reencode.cpu) / losslessCpu);
    if (withJpegtran) {
        const double wall = upright.jpegtran.wall + turned.jpegtran.wall;
        const double cpu = upright.jpegtran.cpu + turned.jpegtran.cpu;
        std::printf(
            "jpegtran -copy none, one process per file: %.2f s (CPU %.2f s): lossless is %.2f x faster "
            "(CPU %.2f x)\n",
            wall, cpu, wall / losslessWall, cpu / losslessCpu);
    }
    return 0;
}
