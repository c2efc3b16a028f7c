// SPDX-License-Identifier: GPL-3.0-or-later
// Scrolls the file table in the icon style through many 24 MP JPEGs (hard links to a few photos, each
// its own path to the cache) the way a wheel does, a step every 16 ms, and measures what the person
// sees: the longest time the window's event loop was blocked while scrolling, and how many thumbnails
// per second appear once the scrolling stops. Generates its photos with ImageMagick in a temporary
// folder. Not a test; run it by hand or through bench/run:
//   build/.../bench/morvane_bench_thumbnails [files, default 1000]
#include "batch/Converter.h"
#include "ui/AppController.h"
#include "ui/FileTableModel.h"
#include "ui/widgets/BlankTableView.h"
#include "ui/widgets/SegmentedControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

bool makePhoto(const QString& path, int seed)
{
    // Smooth shapes with grain: about the entropy, and so the decoding cost, of a camera photo.
    QProcess convert;
    convert.start(QStringLiteral("convert"),
        { QStringLiteral("-seed"), QString::number(seed), QStringLiteral("-size"), QStringLiteral("600x400"),
            QStringLiteral("plasma:"), QStringLiteral("-resize"), QStringLiteral("6000x4000!"),
            QStringLiteral("-attenuate"), QStringLiteral("0.3"), QStringLiteral("+noise"),
            QStringLiteral("Gaussian"), QStringLiteral("-quality"), QStringLiteral("90"), path });
    return convert.waitForFinished(300000) && convert.exitStatus() == QProcess::NormalExit
        && convert.exitCode() == 0;
}

// The longest gap between turns of the event loop while it runs until \a done says so: a timer that
// asks to run at every turn notes the time between its calls.
double longestBlockMs(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    probe.start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return double(longest) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;

    QTemporaryDir dir;
    std::printf("generating three 24 MP photos with ImageMagick...\n");
    std::fflush(stdout);
    QStringList photos;
    for (int i = 0; i < 3; ++i) {
        photos << dir.filePath(QStringLiteral("source-%1.jpg").arg(i));
        if (!makePhoto(photos.last(), i)) {
            std::fprintf(stderr, "ImageMagick's convert failed\n");
            return 1;
        }
    }
    Converter* list = Converter::converter();
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
        if (::link(QFile::encodeName(photos.at(i % photos.size())).constData(),
                QFile::encodeName(path).constData())
            != 0)
            return 1;
        list->addFile(path);
    }

    QWidget window;
    auto* table = new BlankTableView(&window);
    auto* chooser = new SegmentedControl(&window);
    chooser->setSegmentCount(2);
    chooser->setSelectedSegment(1);
    table->setGeometry(0, 0, 900, 820);
    AppController controller;
    controller.tableImages = table;
    controller.scListStyle = chooser;
    table->awakeFromNib();
    controller.awakeFromNib();
    controller.reloadImageData();
    window.resize(900, 820);
    window.show();
    QApplication::processEvents();

    ThumbnailCache& cache = controller.dataSource()->thumbnails();
    const int visibleRows = table->rowAt(table->viewport()->height() - 1) + 1;
    std::printf("%d files, %d rows of %d px in view, thumbnails of %dx%d device pixels\n", count, visibleRows,
        table->rowHeight(0), controller.dataSource()->thumbnailSize().width(),
        controller.dataSource()->thumbnailSize().height());

    // A viewport from cold: how long the first paint holds the window, and how long until it is full.
    cache.clear();
    table->viewport()->update();
    QElapsedTimer clock;
    clock.start();
    const double firstPaint = longestBlockMs([&] { return clock.elapsed() > 50; });
    const double coldBlock = longestBlockMs([&] { return cache.isIdle(); });
    const double coldFull = double(clock.nsecsElapsed()) / 1e6;
    std::printf("a cold viewport: longest block %.1f ms, all %d thumbnails in %.0f ms\n",
        std::max(firstPaint, coldBlock), cache.decodeCount(), coldFull);

    // Scrolling through the whole list, a wheel step (three rows) every 16 ms.
    cache.clear();
    table->viewport()->update();
    QScrollBar* bar = table->verticalScrollBar();
    bar->setValue(0);
    QTimer wheel;
    wheel.setInterval(16);
    QObject::connect(&wheel, &QTimer::timeout, [&] {
        bar->setValue(bar->value() + 3 * bar->singleStep());
        if (bar->value() >= bar->maximum())
            wheel.stop();
    });
    wheel.start();
    clock.restart();
    const double scrollBlock = longestBlockMs([&] { return !wheel.isActive(); });
    const double scrollMs = double(clock.nsecsElapsed()) / 1e6;
    std::printf(
        "scrolling through %d rows in %.1f s: longest block of the event loop %.1f ms (goal under 50)\n",
        count, scrollMs / 1000, scrollBlock);

    // Once the scrolling stops: thumbnails shown per second until the viewport is full.
    const int before = cache.decodeCount();
    clock.restart();
    const double settleBlock = longestBlockMs([&] { return cache.isIdle(); });
    const double settleS = double(clock.nsecsElapsed()) / 1e9;
    const int shown = cache.decodeCount() - before;
    std::printf("after the scroll stops: %d thumbnails in %.2f s, %.1f per second (goal at least 15), "
                "longest block %.1f ms\n",
        shown, settleS, settleS > 0 ? shown / settleS : 0.0, settleBlock);
    list->clear();
    return 0;
}
