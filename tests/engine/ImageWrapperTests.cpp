// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ImageDestination.h"
#include "engine/ImageSaving.h"
#include "engine/ImageWrapper.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString writePng(const QTemporaryDir& dir, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(90, 140, 200));
    const QString path = dir.filePath(QStringLiteral("%1x%2.png").arg(width).arg(height));
    return image.save(path) ? path : QString();
}

} // namespace

TEST(ImageWrapperSizes, BoxesAndFractionsFollowTheirRounding)
{
    QTemporaryDir dir;
    const struct
    {
        QSize image;
        int boxWidth, boxHeight;
        bool keepAspect;
        int width, height;
    } boxes[] = { { { 400, 200 }, 100, 100, true, 100, 50 }, { { 200, 400 }, 100, 100, true, 50, 100 },
        { { 300, 200 }, 50, 100, true, 50, 33 }, { { 2, 4 }, 3, 3, true, 2, 3 },
        { { 300, 200 }, 30, 70, false, 30, 70 } }; // 33.33 rounds down, 1.5 up; without aspect as asked
    for (const auto& c : boxes) {
        SCOPED_TRACE(testing::Message()
            << c.image.width() << "x" << c.image.height() << " in " << c.boxWidth << "x" << c.boxHeight);
        ImageWrapper wrapper;
        ASSERT_TRUE(wrapper.load(writePng(dir, c.image.width(), c.image.height()), false));
        wrapper.resizeToWidth(c.boxWidth, c.boxHeight, c.keepAspect);
        EXPECT_EQ(wrapper.newWidth(), c.width);
        EXPECT_EQ(wrapper.newHeight(), c.height);
    }

    ImageWrapper wrapper;
    ASSERT_TRUE(wrapper.load(writePng(dir, 101, 101), false));
    wrapper.resizeToPercentOfWidth(0.5f, 0.5f);
    EXPECT_EQ(wrapper.newWidth(), 50); // 50.5 is truncated
    EXPECT_EQ(wrapper.newHeight(), 50);
    EXPECT_EQ(wrapper.imgInfo()->scaleX, 0.5);
    wrapper.resizeToPercentOfWidth(1.0f, 1.0f);
    EXPECT_EQ(wrapper.newWidth(), 101);
    EXPECT_EQ(wrapper.imgInfo()->scaleY, 1.0);

    // A failed load leaves no image; the size stays until the next resize.
    EXPECT_FALSE(wrapper.load(dir.filePath(QStringLiteral("missing.png")), false));
    EXPECT_EQ(wrapper.imgInfo(), nullptr);
    EXPECT_EQ(wrapper.newWidth(), 101);
}

TEST(ImageWrapperTypes, ChosenByTheLastExtensionInAnyCase)
{
    const struct
    {
        const char* path;
        ImageFormat type;
    } cases[] = {
        { "a.jpg", kUTTypeJPEG },
        { "a.JPG", kUTTypeJPEG },
        { "a.Jpg", kUTTypeJPEG },
        { "a.bmp", kUTTypeBMP },
        { "a.png", kUTTypePNG },
        { "a.gif", kUTTypeGIF },
        { "a.TIF", kUTTypeTIFF },
        { "a.jpeg", kUTTypeJPEG },
        { "a.tiff", kUTTypeTIFF },
        { "a.Tiff", kUTTypeTIFF },
        { "a.JPEG", kUTTypeJPEG },
        { "a.webp", kUTTypeWebP },
        { "IMG_0001.HEIC", kUTTypeHEIC },
        { "a.heif", kUTTypeHEIC },
        { "a.Hif", kUTTypeHEIC },
        { "a.AVIF", kUTTypeAVIF },
        { "a.WebP", kUTTypeWebP },
        { "a.heics", kUTTypeJPEG },
        { "noextension", kUTTypeJPEG },
        { "archive.png.gif", kUTTypeGIF },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ImageWrapper::GetImageTypeFromPath(QString::fromLatin1(c.path)), c.type);
    }
    EXPECT_EQ(ImageWrapper::CFURLFromString(QStringLiteral("/tmp/x/../a b#c?.jpg")),
        QStringLiteral("/tmp/a b#c?.jpg"));
}

TEST(ImageWrapperSave, NothingLoadedSucceedsAndNoSizeFailsWithoutWriting)
{
    QTemporaryDir dir;
    ImageWrapper empty;
    EXPECT_TRUE(empty.save(dir.filePath(QStringLiteral("nothing.jpg")), false));

    ImageWrapper unsized;
    ASSERT_TRUE(unsized.load(writePng(dir, 40, 30), true));
    EXPECT_FALSE(unsized.save(dir.filePath(QStringLiteral("unsized.jpg")), false));

    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { "40x30.png" });
}

// The clamped ends also show the encoder taking 0.0 and 1.0 unchanged.
TEST(ImageWrapperSave, GivenQualityIsClampedAndScaled)
{
    QTemporaryDir dir;
    ImageWrapper wrapper;
    ASSERT_TRUE(wrapper.load(dirtyCorpusDir() + QStringLiteral("/jpeg/orient/orient_1.jpg"), true));
    wrapper.resizeToPercentOfWidth(1.0f, 1.0f);
    const struct
    {
        float given;
        int low, high;
    } cases[] = { { 70.0f, 69, 71 }, { 150.0f, 100, 100 }, { -5.0f, 1, 2 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        wrapper.setQuality(c.given);
        const QString path = dir.filePath(QStringLiteral("q%1.jpg").arg(double(c.given)));
        ASSERT_TRUE(wrapper.save(path, false));
        EXPECT_GE(estimatedJpegQuality(path), c.low);
        EXPECT_LE(estimatedJpegQuality(path), c.high);
    }
}

TEST(ImageWrapperSave, TurnedPhotoIsWrittenAtItsUprightSize)
{
    QTemporaryDir dir;
    QImage stored(4000, 3000, QImage::Format_RGB32);
    stored.fill(qRgb(120, 60, 30));
    const QString source = dir.filePath(QStringLiteral("turned.jpg"));
    ASSERT_TRUE(stored.save(source, "jpeg", 80));
    ASSERT_EQ(
        runProcess(QStringLiteral("exiftool"), { "-q", "-overwrite_original", "-Orientation#=6", source })
            .exitCode,
        0);

    ImageWrapper wrapper;
    ASSERT_TRUE(wrapper.load(source, true));
    wrapper.resizeToPercentOfWidth(1.0f, 1.0f);
    const QString output = dir.filePath(QStringLiteral("upright.jpg"));
    ASSERT_TRUE(wrapper.save(output, false));
    EXPECT_EQ(QImageReader(output).size(), QSize(3000, 4000));
}

// A JPEG that needs no turn is decoded while its copy is written, so a source that breaks off in its scan
// fails the save rather than the load: as the source's fault, with nothing left behind, for every kind of
// save (copied band by band, or decoded first to be scaled or written in another format).
TEST(ImageWrapperSave, SourceCutShortInItsScanFailsAsTheSourceAndLeavesNothing)
{
    QTemporaryDir dir;
    const QByteArray whole = fileBytes(dirtyCorpusDir() + QStringLiteral("/jpeg/orient/orient_1.jpg"));
    const qsizetype scan = whole.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    ASSERT_GT(scan, 0);
    const struct
    {
        const char* name;
        qsizetype length;
    } cuts[] = { { "whole", whole.size() }, { "just after the scan header", scan + 16 },
        { "half the scan", scan + (whole.size() - scan) / 2 },
        { "all but its last bytes", whole.size() - 64 } };
    const struct
    {
        const char* output;
        float scale;
    } saves[] = { { "same.jpg", 1.0f }, { "half.jpg", 0.5f }, { "same.png", 1.0f } };
    for (const auto& cut : cuts) {
        const QString source = dir.filePath(QStringLiteral("source.jpg"));
        QFile::remove(source);
        ASSERT_TRUE(writeFile(source, whole.left(cut.length)));
        for (const auto& save : saves) {
            for (const bool fix : { false, true }) {
                SCOPED_TRACE(testing::Message() << cut.name << ", " << save.output << ", fix " << fix);
                const QString out = dir.filePath(QStringLiteral("out"));
                QDir(out).removeRecursively();
                ASSERT_TRUE(QDir().mkpath(out));
                ImageWrapper wrapper;
                ASSERT_TRUE(wrapper.load(source, fix));
                wrapper.resizeToPercentOfWidth(save.scale, save.scale);
                const bool complete = cut.length == whole.size();
                EXPECT_EQ(wrapper.save(out + u'/' + QLatin1String(save.output), false), complete);
                EXPECT_EQ(lastImageWriteFailedReading(), !complete);
                EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                    complete ? 1 : 0);
            }
        }
    }
}
