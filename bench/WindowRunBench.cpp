// SPDX-License-Identifier: GPL-3.0-or-later
// Times the window's conversion run (the worker the progress window drives, without the window) on a
// folder of photos and prints its time per file beyond the 0.2 s pause each file begins with, for
// comparison with `morvane-cli -j 1` on the same files (bench/run prints both).
//   morvane_bench_window_run FOLDER
#include "batch/ConversionRun.h"
#include "batch/Converter.h"
#include "batch/FileGathering.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    QTemporaryDir config;
    QTemporaryDir out(QDir::tempPath() + QStringLiteral("/morvane-window-run-XXXXXX"));
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); // never the user's preferences

    gatherFiles(*Converter::converter(), { QString::fromLocal8Bit(argv[1]) }, false);
    const qsizetype files = Converter::converter()->allFilePaths().size();
    if (files == 0) {
        std::fprintf(stderr, "no images in %s\n", argv[1]);
        return 2;
    }
    ConversionRun run;
    const auto start = std::chrono::steady_clock::now();
    run.start([&] { run.run(runInputsOf(*Converter::converter()), out.path(), RunOptions(), nullptr); });
    run.wait();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.4f\n", (seconds - 0.2 * double(files)) / double(files));
    return 0;
}
