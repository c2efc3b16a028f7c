// SPDX-License-Identifier: GPL-3.0-or-later
// Times filling the file list with 10,000 files through each way in: the folder walk of gatherFiles,
// gatherFiles with the dropped paths, and addFile one by one. Membership is a hash lookup, so each should
// grow linearly: the run also times twice as many files to show the ratio.
//   morvane_bench_file_list [files]   (default 10000)
#include "batch/Converter.h"
#include "batch/FileGathering.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

/// The median of five runs of \a body, in milliseconds; the list is emptied before each run.
double medianMilliseconds(const std::function<void()>& body)
{
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        Converter::converter()->clear();
        const auto start = std::chrono::steady_clock::now();
        body();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool measure(int count)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return false;
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("img_%1.jpg").arg(i, 6, 10, QLatin1Char('0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        paths << path;
    }

    Converter* const model = Converter::converter();
    const double walk = medianMilliseconds([&] { gatherFiles(*model, { dir.path() }, false); });
    const bool walkedAll = model->allFilePaths().size() == count;
    const double dropped = medianMilliseconds([&] { gatherFiles(*model, paths, false); });
    const double single = medianMilliseconds([&] {
        for (const QString& path : paths)
            model->addFile(path);
    });
    const double again = medianMilliseconds([&] {
        for (const QString& path : paths)
            model->addFile(path);
        for (const QString& path : paths)
            model->addFile(path);
    });
    model->clear();

    std::printf("%6d files: gatherFiles(folder) %8.1f ms   gatherFiles(paths) %8.1f ms   addFile %8.1f ms   "
                "addFile twice each %8.1f ms%s\n",
        count, walk, dropped, single, again, walkedAll ? "" : "   (walk missed files)");
    return walkedAll;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (count <= 0)
        return 2;
    return measure(count) && measure(2 * count) ? 0 : 1;
}
