// SPDX-License-Identifier: GPL-3.0-or-later
// Times the HEIF and WebP codecs in process, one thread, on photos: each file decoded and written again in
// its own format, and decoded and written as a JPEG both through the decoder's YCbCr planes and through
// RGB. Prints megapixels per second (medians of RUNS runs, reading the file and writing one to a scratch
// folder as a run does) and the output sizes. HEIF files are also cleaned by rewriting their container
// around the coded data (no decoding), and WebP files chunk by chunk (every frame decoded once to check
// it, the pictures carried over unchanged), as a run keeps them, timed the same way with milliseconds
// per file.
//   morvane_bench_heif_webp [--runs N] [--quality Q] FILE...   Q on the JPEG scale (default 70)
//   morvane_bench_heif_webp --heif-quality Q                   libheif's quality for Q, for the peers
//   morvane_bench_heif_webp --once decode|jpeg|same FILE       one step, for a peak-memory measurement
#include "engine/core/ImageFormat.h"
#include "engine/formats/heif/HeifCodec.h"
#include "engine/formats/heif/HeifRewriter.h"
#include "engine/formats/jpeg/JpegCodec.h"
#include "engine/formats/jpeg/PlanarJpeg.h"
#include "engine/formats/webp/WebpCodec.h"
#include "engine/formats/webp/WebpRewriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

int quality = 70;

/// Writes with \a encode to \a path; the file's size, -1 on failure.
qint64 writeFile(const QString& path, const std::function<bool(int)>& encode)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return -1;
    const bool ok = encode(fd);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    ::close(fd);
    return ok ? qint64(size) : -1;
}

/// One step on \a source: reads it, decodes it and writes \a path (\a kind: decode, same, planes, rgb). The
/// output's size, -1 on failure.
qint64 step(const QString& source, QString kind, const QString& path)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = file.readAll();
    const qint64 bound = qint64(1) << 30;
    const bool heif = isHeifFile(data.left(512));
    if (kind == "rewrite") {
        if (heif)
            return writeFile(
                path, [&](int fd) { return rewriteHeif(data, fd) == HeifRewriteResult::Written; });
        const std::unique_ptr<WebpInput> input = WebpInput::open(data, bound);
        if (!input || !input->decodesEveryFrame())
            return -1;
        return writeFile(path, [&](int fd) { return rewriteWebp(data, fd) == WebpRewriteResult::Written; });
    }
    std::unique_ptr<HeifInput> heifInput = heif ? HeifInput::open(data, bound) : nullptr;
    std::unique_ptr<WebpInput> webpInput = heif ? nullptr : WebpInput::open(data, bound);
    if (!heifInput && !webpInput)
        return -1;
    const QByteArray profile = heif ? heifInput->info().iccProfile : webpInput->info().iccProfile;
    if (kind == "planes" && !(heif ? heifInput->hasJpegPlanes() : webpInput->hasJpegPlanes()))
        kind = "rgb"; // alpha, a lossless WebP, a coding other than JPEG's: as a run would
    if (kind == "planes") {
        const auto planes = heif ? heifInput->decodePlanes() : webpInput->decodePlanes();
        if (!planes)
            return -1;
        JpegEncodeOptions options;
        options.quality = quality;
        options.iccProfile = profile;
        return writeFile(path, [&](int fd) { return encodeJpegFromPlanes(*planes, options, fd); });
    }
    const auto image = heif ? heifInput->decode() : webpInput->decode();
    if (!image)
        return -1;
    if (kind == "decode")
        return 0;
    if (kind == "rgb") {
        JpegEncodeOptions options;
        options.quality = quality;
        options.iccProfile = profile;
        return writeFile(path, [&](int fd) { return encodeJpeg(image->pixels, options, fd); });
    }
    if (heif) {
        HeifEncodeOptions options;
        options.coding = heifInput->info().coding;
        options.quality = quality;
        options.iccProfile = profile;
        options.colour = heifInput->info().colour;
        return writeFile(path, [&](int fd) { return encodeHeif(image->pixels, options, fd); });
    }
    WebpEncodeOptions options;
    options.quality = quality;
    options.lossless = webpInput->info().lossless;
    options.iccProfile = profile;
    return writeFile(path, [&](int fd) { return encodeWebp(image->pixels, options, fd); });
}

double megapixels(const QString& source)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray data = file.readAll();
    QSize size;
    if (isHeifFile(data.left(512))) {
        if (const auto input = HeifInput::open(data, qint64(1) << 30))
            size = input->info().size;
    } else if (const auto input = WebpInput::open(data, qint64(1) << 30)) {
        size = input->info().size;
    }
    return double(size.width()) * size.height() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QStringList args = application.arguments().mid(1);
    int runs = 3;
    while (args.size() >= 2 && args[0].startsWith("--")) {
        if (args[0] == "--heif-quality") {
            std::printf("%d\n", heifQualityForJpegQuality(args[1].toInt(), HeifCoding::HEVC));
            return 0;
        }
        if (args[0] == "--once" && args.size() == 3) {
            QTemporaryDir scratch;
            return step(args[2], args[1] == "jpeg" ? "planes" : args[1], scratch.filePath("out")) >= 0 ? 0
                                                                                                       : 1;
        }
        if (args[0] == "--runs")
            runs = std::max(1, args[1].toInt());
        else if (args[0] == "--quality")
            quality = args[1].toInt();
        else
            break;
        args = args.mid(2);
    }
    if (args.isEmpty() || args[0].startsWith("--")) {
        std::fprintf(stderr, "usage: morvane_bench_heif_webp [--runs N] [--quality Q] FILE...\n");
        return 2;
    }
    QTemporaryDir scratch;
    double total = 0;
    for (const QString& file : args)
        total += megapixels(file);
    std::printf("%lld files, %.1f MP, JPEG-scale quality %d, medians of %d runs\n", qlonglong(args.size()),
        total, quality, runs);
    for (const QString kind : { "rewrite", "same", "planes", "rgb" }) {
        std::vector<double> seconds;
        qint64 bytes = 0;
        for (int run = 0; run < runs; ++run) {
            bytes = 0;
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < args.size(); ++i) {
                const qint64 size = step(args[i], kind, scratch.filePath(QString::number(i)));
                if (size < 0) {
                    std::fprintf(stderr, "%s: %s failed\n", qPrintable(args[i]), qPrintable(kind));
                    return 1;
                }
                bytes += size;
            }
            seconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(seconds.begin(), seconds.end());
        const double median = seconds[seconds.size() / 2];
        const char* label = kind == "rewrite" ? "container rewrite"
            : kind == "same"                  ? "into its own format"
            : kind == "planes"                ? "to JPEG, planes"
                                              : "to JPEG, RGB";
        std::printf(
            "%-22s %7.2f MP/s  (%.2f s)  %8.1f kB out", label, total / median, median, double(bytes) / 1024);
        if (kind == "rewrite")
            std::printf("  %.1f ms a file", 1000 * median / double(args.size()));
        std::printf("\n");
    }
    return 0;
}
