// SPDX-License-Identifier: GPL-3.0-or-later
// Animated GIFs and PNGs through the command line: written in their own format they keep every frame and
// no note; written as JPEG, or when a frame is damaged, the first frame is written and the note says so.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/AnimationFixtures.h"

#include <QHash>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <gtest/gtest.h>

namespace {

struct AnimationRun
{
    const char* name;
    QByteArray source;
    bool asJpeg; ///< --format jpeg
    int framesWritten; ///< frames in the output: ImageMagick's for a GIF, fcTL chunks for a PNG
    QString note;
};

} // namespace

// One run per output format over every source, one checker run over all outputs.
TEST(AnimatedSources, WriteEveryFrameInTheirOwnFormatOrSayWhyNot)
{
    QList<GifFrameSpec> frames = plantedGifFrames();
    frames[1].indices.truncate(frames[1].indices.size() / 2);
    const QByteArray global("\xFF\x00\x00\x00\xC8\x00\x00\x00\xFF\x0A\x14\x1E", 12);
    const AnimationRun runs[] = {
        { "planted.gif", plantedGif(), false, 3, {} },
        { "planted.png", plantedApng(), false, 3, {} },
        { "planted-gif-as-jpeg.gif", plantedGif(), true, 1, "first of 3 frames" },
        { "planted-png-as-jpeg.png", plantedApng(), true, 1, "first of 3 frames" },
        { "second-frame-ends-early.gif", gifFile(12, 8, global, frames, 0), false, 1,
            "first of 3 frames; the frames could not be kept: frame 2's image data ends early" },
    };
    QTemporaryDir work;
    for (const AnimationRun& run : runs)
        ASSERT_TRUE(writeFile(work.filePath(run.asJpeg ? "jpeg/" : "same/") + run.name, run.source));
    const QString out = work.filePath("out");
    QHash<QString, QJsonObject> reports;
    for (const bool asJpeg : { false, true }) {
        const QStringList format = asJpeg ? QStringList { "--format", "jpeg" } : QStringList();
        const ProcessResult result = runCli(QStringList { "--json", "-o", out } + format
                + QStringList { work.filePath(asJpeg ? "jpeg" : "same") },
            work.filePath("config"));
        ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();
        reports.insert(jsonBySource(result.standardOutput));
    }
    QStringList gifs;
    for (const QJsonObject& report : std::as_const(reports))
        gifs << report.value("output").toString();
    const QHash<QString, int> gifFrames = frameCounts(gifs.filter(QRegularExpression("\\.gif$")));
    for (const AnimationRun& run : runs) {
        SCOPED_TRACE(run.name);
        const QJsonObject report = reports.value(QLatin1String(run.name));
        EXPECT_EQ(report.value("status").toString(), "written");
        EXPECT_EQ(report.value("note").toString(), run.note);
        const QString output = report.value("output").toString();
        const QByteArray bytes = fileBytes(output);
        ASSERT_FALSE(bytes.isEmpty());
        const int written = output.endsWith(".png") ? std::max<int>(1, int(bytes.count("fcTL")))
            : output.endsWith(".gif")               ? gifFrames.value(output)
                                                    : 1;
        EXPECT_EQ(written, run.framesWritten);
        EXPECT_FALSE(bytes.contains(kPlanted));
    }
    EXPECT_EQ(checkClean(out).exitCode, 0);
}
