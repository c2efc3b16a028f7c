// SPDX-License-Identifier: GPL-3.0-or-later
// Animated GIFs and PNGs through the command line: written in their own format they keep every frame and
// no note; written as JPEG, or when a frame is damaged, the first frame is written and the note says so.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/AnimationFixtures.h"

#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct AnimationRun
{
    const char* name;
    QByteArray source;
    QStringList options;
    int framesWritten; ///< frames in the output: ImageMagick's for a GIF, fcTL chunks for a PNG
    QString note;
};

class AnimatedSources : public ::testing::TestWithParam<AnimationRun>
{
};

int framesIn(const QString& path, const QByteArray& bytes)
{
    if (path.endsWith(".png"))
        return std::max<int>(1, int(bytes.count("fcTL")));
    return int(runProcess("identify", { path }).standardOutput.trimmed().count(u'\n')) + 1;
}

TEST_P(AnimatedSources, WriteEveryFrameInTheirOwnFormatOrSayWhyNot)
{
    const AnimationRun& run = GetParam();
    QTemporaryDir work;
    const QString source = work.filePath(QString::fromLatin1(run.name));
    ASSERT_TRUE(writeFile(source, run.source));
    const ProcessResult result
        = runCli(QStringList { "--json", "-o", work.filePath("out") } + run.options + QStringList { source },
            work.filePath("config"));
    ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(result.standardOutput.toUtf8()).object();
    EXPECT_EQ(report.value("status").toString(), "written");
    EXPECT_EQ(report.value("note").toString(), run.note);
    const QString output = report.value("output").toString();
    const QByteArray bytes = fileBytes(output);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(framesIn(output, bytes), run.framesWritten);
    EXPECT_FALSE(bytes.contains(kPlanted));
    EXPECT_EQ(checkClean(work.filePath("out")).exitCode, 0);
}

QList<AnimationRun> animationRuns()
{
    QList<GifFrameSpec> frames = plantedGifFrames();
    frames[1].indices.truncate(frames[1].indices.size() / 2);
    const QByteArray global("\xFF\x00\x00\x00\xC8\x00\x00\x00\xFF\x0A\x14\x1E", 12);
    const QByteArray damaged = gifFile(12, 8, global, frames, 0);
    return {
        { "planted.gif", plantedGif(), {}, 3, {} },
        { "planted.png", plantedApng(), {}, 3, {} },
        { "planted-as-jpeg.gif", plantedGif(), { "--format", "jpeg" }, 1, "first of 3 frames" },
        { "planted-as-jpeg.png", plantedApng(), { "--format", "jpeg" }, 1, "first of 3 frames" },
        { "second-frame-ends-early.gif", damaged, {}, 1,
            "first of 3 frames; the frames could not be kept: frame 2's image data ends early" },
    };
}

INSTANTIATE_TEST_SUITE_P(Runs, AnimatedSources, ::testing::ValuesIn(animationRuns()),
    [](const ::testing::TestParamInfo<AnimationRun>& param) {
        QString name = QString::fromLatin1(param.param.name);
        return name.replace(u'-', u'_').replace(u'.', u'_').toStdString();
    });

} // namespace
