// SPDX-License-Identifier: GPL-3.0-or-later
// Paints the file table in the icon style over many large JPEGs: a full viewport of thumbnails cold
// (nothing decoded yet) and warm (from the cache), and a scroll through the whole list both ways.
// Generates its photos with ImageMagick in a temporary folder. Not a test; run it by hand:
//   build/dev/bench/morvane_bench_thumbnails [files, default 40]
#include "batch/Converter.h"
#include "ui/AppController.h"
#include "ui/BlankTableView.h"
#include "ui/FileTableModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool makePhoto(const QString& path, const QString& size)
{
    // Smooth shapes with grain: about the entropy, and so the decoding cost, of a camera photo.
    QProcess convert;
    convert.start(QStringLiteral("convert"),
        { QStringLiteral("-size"), QStringLiteral("600x400"), QStringLiteral("plasma:"),
            QStringLiteral("-resize"), size + QLatin1Char('!'), QStringLiteral("-attenuate"),
            QStringLiteral("0.3"), QStringLiteral("+noise"), QStringLiteral("Gaussian"),
            QStringLiteral("-quality"), QStringLiteral("90"), path });
    return convert.waitForFinished(120000) && convert.exitStatus() == QProcess::NormalExit
        && convert.exitCode() == 0;
}

double paintMs(BlankTableView& table)
{
    QElapsedTimer timer;
    timer.start();
    (void)table.viewport()->grab();
    return double(timer.nsecsElapsed()) / 1e6;
}

double scrollMs(BlankTableView& table)
{
    QScrollBar* bar = table.verticalScrollBar();
    QElapsedTimer timer;
    timer.start();
    for (int value = 0;; value += bar->pageStep()) {
        bar->setValue(value);
        (void)table.viewport()->grab();
        if (value >= bar->maximum())
            break;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;

    QTemporaryDir dir;
    const QString medium = dir.filePath(QStringLiteral("source-12mp.jpg"));
    const QString large = dir.filePath(QStringLiteral("source-24mp.jpg"));
    std::printf("generating two photos with ImageMagick (12 MP and 24 MP)...\n");
    if (!makePhoto(medium, QStringLiteral("4000x3000")) || !makePhoto(large, QStringLiteral("6000x4000"))) {
        std::fprintf(stderr, "ImageMagick's convert failed\n");
        return 1;
    }
    // Copies under names of their own: the cache knows files by path, so each one decodes anew.
    Converter* list = Converter::converter();
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
        if (!QFile::copy(i % 2 ? large : medium, path))
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
    std::printf("%d files, %d rows of %d px in view, thumbnails of %dx%d device pixels\n", count,
        visibleRows > 0 ? visibleRows : count, table->rowHeight(0),
        controller.dataSource()->thumbnailSize().width(), controller.dataSource()->thumbnailSize().height());

    cache.clear();
    const int before = cache.decodeCount();
    const double cold = paintMs(*table);
    const int decoded = cache.decodeCount() - before;
    const double warm = paintMs(*table);
    std::printf("full viewport, cold: %8.1f ms (%d decodes, %.1f ms each)\n", cold, decoded,
        decoded ? cold / decoded : 0.0);
    std::printf("full viewport, warm: %8.1f ms\n", warm);

    cache.clear();
    table->verticalScrollBar()->setValue(0);
    const double scrollCold = scrollMs(*table);
    const double scrollWarm = scrollMs(*table);
    std::printf("scroll through all rows, cold: %8.1f ms\n", scrollCold);
    std::printf("scroll through all rows, warm: %8.1f ms\n", scrollWarm);
    list->clear();
    return 0;
}
