// SPDX-License-Identifier: GPL-3.0-or-later
// TIFFs of several pages written as TIFFs: every page kept with its own pixels and resolution, nothing else
// of the source; judged by exiftool, tiffdump and ImageMagick, never by the engine's own reader.
#include "engine/core/NativePath.h"
#include "engine/core/WorkFile.h"
#include "engine/inspect/MetadataInspector.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSaving.h"
#include "engine/pipeline/PageSaving.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/TiffPageFixtures.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTransform>

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Kind = TiffPageLayout::Kind;

// Three pages of three kinds and resolutions, and a thumbnail after the first that is no page; every
// directory carries texts, a date, an XMP packet and a GPS directory.
const QList<TiffPageLayout> kThreePages = {
    { 48, 32, Kind::Rgb, 2, 300, 300, 1, false, "MORVANE-MARK-PAGE-ONE" },
    { 12, 8, Kind::Rgb, 2, 72, 72, 1, true, "MORVANE-MARK-THUMB" },
    { 20, 12, Kind::Gray, 3, 50, 40, 1, false, "MORVANE-MARK-PAGE-TWO" },
    { 16, 24, Kind::Rgba, 0, 0, 0, 1, false, "MORVANE-MARK-PAGE-THREE" },
};

struct Written
{
    std::optional<PageSavingResult> result;
    QString reason;
    QString path; ///< the named output, when something was written
};

/// Writes the pages of \a source into \a dir as "out.tif" through the pipeline entry.
Written savePages(const QString& source, const QString& dir, bool fixOrientation)
{
    Written written;
    std::unique_ptr<WorkFile> file = WorkFile::create(dir);
    if (!file)
        return written;
    written.result = saveTiffPages(source, fixOrientation, *file, &written.reason);
    if (written.result == PageSavingResult::Written) {
        written.path = dir + QStringLiteral("/out.tif");
        if (file->linkAs(encodePath(written.path)) != WorkFile::Link::Done)
            written.path.clear();
    } else {
        struct stat info = {};
        if (::fstat(file->descriptor(), &info) == 0 && info.st_size == 0)
            written.path = QStringLiteral("(empty)");
    }
    return written;
}

/// Page \a index of the TIFF at \a path as straight RGBA bytes, decoded by ImageMagick.
QByteArray magickRgba(const QString& path, int index)
{
    return programOutput(QStringLiteral("convert"),
        { QStringLiteral("%1[%2]").arg(path).arg(index), "-depth", "8", "rgba:-" });
}

/// \a image as straight RGBA bytes, rows top to bottom.
QByteArray rgbaBytes(const QImage& image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    return QByteArray(reinterpret_cast<const char*>(rgba.constBits()), rgba.sizeInBytes());
}

/// Whether two RGBA byte strings show the same picture: alpha equal, colour equal where the pixel is
/// opaque, within 2 where it is partly transparent (premultiplied on the way), ignored where it is
/// invisible.
::testing::AssertionResult samePicture(const QByteArray& actual, const QByteArray& expected)
{
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size();
    for (qsizetype i = 0; i < actual.size(); i += 4) {
        const int alpha = uchar(expected[i + 3]);
        if (uchar(actual[i + 3]) != alpha)
            return ::testing::AssertionFailure() << "alpha differs at byte " << i;
        const int tolerance = alpha == 255 ? 0 : 2;
        for (int c = 0; alpha != 0 && c < 3; ++c) {
            if (std::abs(int(uchar(actual[i + c])) - int(uchar(expected[i + c]))) > tolerance)
                return ::testing::AssertionFailure() << "colour differs at byte " << i + c;
        }
    }
    return ::testing::AssertionSuccess();
}

/// tiffdump's lines for each directory, the positions of the strips and of the directory left out.
QList<QStringList> dumpedDirectories(const QString& path)
{
    const ProcessResult result = runProcess(QStringLiteral("tiffdump"), { path });
    QList<QStringList> directories;
    for (const QString& line : result.standardOutput.split(u'\n')) {
        if (line.startsWith(QLatin1String("Directory")))
            directories.append(QStringList());
        else if (!directories.isEmpty() && !line.trimmed().isEmpty()
            && !line.startsWith(QLatin1String("StripOffsets")))
            directories.last().append(line.trimmed());
    }
    return directories;
}

// The tags a page of a clean copy may hold, as exiftool names them.
const QSet<QString> kPixelTags = { "SubfileType", "ImageWidth", "ImageHeight", "BitsPerSample", "Compression",
    "PhotometricInterpretation", "StripOffsets", "Orientation", "SamplesPerPixel", "RowsPerStrip",
    "StripByteCounts", "XResolution", "YResolution", "PlanarConfiguration", "ResolutionUnit", "ExtraSamples",
    "SampleFormat" };

} // namespace

TEST(TiffPages, KeepsEveryPageWithItsPixelsAndResolutionAndNothingElse)
{
    QTemporaryDir work;
    const QString source = work.filePath(QStringLiteral("three.tif"));
    ASSERT_TRUE(writeTiffFixture(source, kThreePages));
    ASSERT_EQ(frameCount(source), 4) << "the source's thumbnail is a directory of its own";

    const Written written = savePages(source, work.path(), false);
    ASSERT_EQ(written.result, PageSavingResult::Written) << written.reason.toStdString();
    ASSERT_FALSE(written.path.isEmpty());
    EXPECT_EQ(frameCount(written.path), 3);

    const QByteArray bytes = fileBytes(written.path);
    EXPECT_FALSE(bytes.contains("MORVANE-MARK")) << "a text of the source reached the copy";
    EXPECT_FALSE(bytes.contains(kTiffMarkerDate));
    EXPECT_FALSE(bytes.contains("xmpmeta"));

    // Per page: pixels, resolution, and only the tags that describe them.
    const QList<int> sourceIndex = { 0, 2, 3 };
    const QStringList units = { "2", "3", "1" };
    const QStringList resolutions = { "300/300", "50/40", "1/1" };
    const QJsonObject tags = exiftoolTags(written.path);
    const QList<QStringList> pages = dumpedDirectories(written.path);
    ASSERT_EQ(pages.size(), 3);
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        const TiffPageLayout& layout = kThreePages[sourceIndex[page]];
        EXPECT_TRUE(samePicture(
            magickRgba(written.path, page), rgbaBytes(tiffFixturePixels(layout, sourceIndex[page]))));
        const QString group = QStringLiteral("IFD%1:").arg(page);
        EXPECT_EQ(tags.value(group + "ImageWidth").toInt(), layout.width);
        EXPECT_EQ(tags.value(group + "ResolutionUnit").toVariant().toString(), units[page]);
        EXPECT_EQ(tags.value(group + "XResolution").toVariant().toString() + u'/'
                + tags.value(group + "YResolution").toVariant().toString(),
            resolutions[page]);
        EXPECT_EQ(tags.value(group + "Orientation").toInt(), 1);
        EXPECT_EQ(tags.value(group + "Compression").toInt(), 1);

        // The page is the file a single-page source of it gives: the same tags with the same values (strip
        // positions aside) and the same pixels.
        TiffPageLayout alone = layout;
        alone.pattern = sourceIndex[page];
        const QString single = work.filePath(QStringLiteral("single%1.tif").arg(page));
        const QString singleOut = work.filePath(QStringLiteral("single%1-out.tif").arg(page));
        ASSERT_TRUE(writeTiffFixture(single, { alone }));
        const ImageInfoPtr info(IICreateImage(single, false));
        ASSERT_TRUE(info);
        const QSize size = IIGetImageSize(info.get());
        ASSERT_TRUE(IISaveImage(info.get(), singleOut, std::size_t(size.width()), std::size_t(size.height()),
            kUTTypeTIFF, false, 0.9f));
        const QList<QStringList> singleDirectory = dumpedDirectories(singleOut);
        ASSERT_EQ(singleDirectory.size(), 1);
        EXPECT_EQ(pages.value(page), singleDirectory[0]);
        EXPECT_EQ(magickRgba(written.path, page), magickRgba(singleOut, 0));
    }
    for (auto it = tags.begin(); it != tags.end(); ++it) {
        const QString group = it.key().section(u':', 0, 0);
        const QString name = it.key().section(u':', 1);
        if (group == QLatin1String("ExifTool") || group == QLatin1String("System")
            || group == QLatin1String("File") || group == QLatin1String("Composite")
            || it.key() == QLatin1String("SourceFile"))
            continue;
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^IFD[0-2]$")).match(group).hasMatch()
            && kPixelTags.contains(name))
            << "left in the copy: " << it.key().toStdString();
    }
}

// Each page is turned upright by its own orientation tag when asked, and states orientation 1.
class TiffPagesTurned : public ::testing::TestWithParam<bool>
{
};

TEST_P(TiffPagesTurned, ByEachPagesOwnOrientation)
{
    const bool fixOrientation = GetParam();
    QTemporaryDir work;
    const QString source = work.filePath(QStringLiteral("turned.tif"));
    const QList<TiffPageLayout> layouts = {
        { 30, 20, Kind::Rgb, 2, 96, 96, 6, false, {} },
        { 10, 14, Kind::Gray, 2, 96, 96, 3, false, {} },
        { 12, 8, Kind::Rgb, 2, 96, 96, 1, false, {} },
    };
    const QList<int> turns = { 90, 180, 0 };
    ASSERT_TRUE(writeTiffFixture(source, layouts));
    const Written written = savePages(source, work.path(), fixOrientation);
    ASSERT_EQ(written.result, PageSavingResult::Written) << written.reason.toStdString();
    const QJsonObject tags = exiftoolTags(written.path);
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        QImage expected = tiffFixturePixels(layouts[page], page);
        if (fixOrientation)
            expected = expected.transformed(QTransform().rotate(turns[page]));
        const QString group = QStringLiteral("IFD%1:").arg(page);
        EXPECT_EQ(tags.value(group + "ImageWidth").toInt(), expected.width());
        EXPECT_EQ(tags.value(group + "Orientation").toInt(), 1);
        EXPECT_TRUE(samePicture(magickRgba(written.path, page), rgbaBytes(expected)));
    }
}

INSTANTIATE_TEST_SUITE_P(FixedOrAsStored, TiffPagesTurned, ::testing::Bool());

// A file whose pages cannot all be written gives the first page back to the usual path with a reason;
// no page is ever written from pixels that are not in the file.
namespace {
struct DamagedPages
{
    const char* name;
    std::function<bool(QByteArray&)> damage;
    const char* reason;
};
} // namespace

class TiffPagesDamaged : public ::testing::TestWithParam<DamagedPages>
{
};

TEST_P(TiffPagesDamaged, LeaveTheFirstPageWithAReason)
{
    QTemporaryDir work;
    const QString source = work.filePath(QStringLiteral("damaged.tif"));
    ASSERT_TRUE(writeTiffFixture(source, kThreePages));
    QByteArray bytes = fileBytes(source);
    ASSERT_TRUE(GetParam().damage(bytes));
    ASSERT_TRUE(writeFile(source, bytes));
    const Written written = savePages(source, work.path(), true);
    EXPECT_EQ(written.result, PageSavingResult::FirstPageOnly);
    EXPECT_TRUE(written.reason.contains(QLatin1String(GetParam().reason))) << written.reason.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Pages, TiffPagesDamaged,
    ::testing::Values(DamagedPages { "SecondPageStripMissing",
                          [](QByteArray& bytes) { return patchTiffEntry(bytes, 2, 273, 0); },
                          "page 2 could not be decoded (Part of the image data is missing" },
        DamagedPages { "PagesTogetherPastThePixelBound",
            [](QByteArray& bytes) {
                // Each page alone stays within the bound; together they do not.
                return patchTiffEntry(bytes, 2, 256, 16384) && patchTiffEntry(bytes, 2, 257, 16384)
                    && patchTiffEntry(bytes, 3, 256, 16384) && patchTiffEntry(bytes, 3, 257, 16384);
            },
            "the pages together are too large" },
        DamagedPages { "ThirdPageCutShort",
            [](QByteArray& bytes) { return patchTiffEntry(bytes, 3, 279, 1u << 30); },
            "page 3 could not be decoded" }),
    [](const auto& test) { return std::string(test.param.name); });

TEST(TiffPages, LeavesFilesOfOnePageAndOtherFormatsToTheUsualPath)
{
    QTemporaryDir work;
    const QString single = work.filePath(QStringLiteral("single.tif"));
    ASSERT_TRUE(writeTiffFixture(single, { kThreePages[0], kThreePages[1] })) << "one page and its thumbnail";
    const QString png = work.filePath(QStringLiteral("pages.png"));
    ASSERT_TRUE(quadrants(8, 8).save(png));
    for (const QString& path : { single, png, work.filePath(QStringLiteral("missing.tif")) }) {
        SCOPED_TRACE(path.toStdString());
        const Written written = savePages(path, work.path(), true);
        EXPECT_FALSE(written.result.has_value());
        EXPECT_EQ(written.path, QStringLiteral("(empty)"));
    }
}

// The inspector reads every page: what a later page carries is found, so a copy that kept it is caught.
TEST(TiffPages, InspectorFindsWhatOnlyALaterPageCarries)
{
    QTemporaryDir work;
    const QString source = work.filePath(QStringLiteral("late.tif"));
    QList<TiffPageLayout> layouts = kThreePages;
    layouts[0].marker.clear();
    layouts[1].marker.clear();
    layouts[2].marker.clear();
    ASSERT_TRUE(writeTiffFixture(source, layouts));
    const Inspection inspection = inspectImageFile(source);
    ASSERT_TRUE(inspection.readable) << inspection.reason.toStdString();
    QStringList values;
    for (const auto& [group, fields] : inspection.groups) {
        for (const InspectedField& field : fields)
            values.append(field.value);
    }
    EXPECT_TRUE(values.join(u'\n').contains(QLatin1String("MORVANE-MARK-PAGE-THREE")))
        << values.join(u'|').toStdString();
    EXPECT_TRUE(inspection.location.has_value() || inspection.groups.count(PersonalGroup::Location))
        << "the GPS directory of the last page";
}
