// SPDX-License-Identifier: GPL-3.0-or-later
// The engine end to end: decoding with properties, turning upright, saving without metadata.
// Every check goes through an oracle outside the engine: Qt's own decoders, exiftool and ImageMagick.
#include "engine/pipeline/ImageDrawing.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSaving.h"
#include "engine/pipeline/ImageWrapper.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cmath>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

QImage uprightReference(const QSize& size)
{
    return decodeWithQt(
        dirtyReferenceDir() + QStringLiteral("/upright_%1x%2.png").arg(size.width()).arg(size.height()));
}

struct ManifestEntry
{
    QString file;
    QString planted;
    QString orientation;
    QString dpi;
};

// The dirty corpus's own description of what each file carries; the two undecodable files left out, and
// the HEIF and WebP files, which their codecs' own tests read.
QList<ManifestEntry> decodableManifest()
{
    static const QStringList kCodecTested = { "HEIF", "AVIF", "WEBP" };
    QList<ManifestEntry> entries;
    const QStringList lines = QString::fromUtf8(fileBytes(dirtyFile("MANIFEST.tsv"))).split(u'\n').mid(1);
    for (const QString& line : lines) {
        const QStringList columns = line.split(u'\t');
        if (columns.size() >= 6 && columns[0] != "misc/empty.jpg" && columns[0] != "misc/truncated.jpg"
            && !kCodecTested.contains(columns[1]))
            entries.append({ columns[0], columns[2], columns[3], columns[5] });
    }
    return entries;
}

struct OutputType
{
    ImageFormat type;
    const char* name; ///< the file extension
    const char* dpiTag; ///< where exiftool finds the resolution; null for GIF, which has none
    double dpiFactor; ///< from that tag's unit to dots per inch
};

const OutputType kEveryType[] = { { kUTTypeJPEG, "jpg", "JFIF:XResolution", 1 },
    { kUTTypePNG, "png", "PNG-pHYs:PixelsPerUnitX", 0.0254 }, { kUTTypeGIF, "gif", nullptr, 0 },
    { kUTTypeBMP, "bmp", "File:PixelsPerMeterX", 0.0254 }, { kUTTypeTIFF, "tif", "IFD0:XResolution", 1 } };

// A record made in memory, as the engine would hold it after a load.
ImageInfoPtr recordOf(const QImage& pixels)
{
    ImageInfoPtr info(new ImageInfo);
    info->image.pixels = pixels;
    return info;
}

QStringList entriesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

// --- Orientation --------------------------------------------------------------------------------

void checkOrientationFixture(int orientation)
{
    const QString path = dirtyFile(QStringLiteral("jpeg/orient/orient_%1.jpg").arg(orientation));
    ImageInfoPtr upright(IICreateImage(path, true));
    ImageInfoPtr asStored(IICreateImage(path, false));
    ASSERT_TRUE(upright && asStored);
    EXPECT_EQ(upright->image.pixels.size(), QSize(640, 480));
    EXPECT_LT(meanAbsoluteDifference(upright->image.pixels, uprightReference({ 640, 480 })), 6.0);
    EXPECT_TRUE(upright->orientationFixed);
    EXPECT_EQ(upright->orientation, orientation);

    const QImage stored = decodeWithQt(path);
    EXPECT_EQ(asStored->image.pixels.size(), stored.size());
    EXPECT_LT(meanAbsoluteDifference(asStored->image.pixels, stored), 2.0);
    EXPECT_FALSE(asStored->orientationFixed);
    EXPECT_EQ(IIGetImageOrientation(asStored.get()), orientation);
}

TEST(OrientationFixtures, NormalisedLoadIsUprightWithSidesSwappedAndPlainLoadKeepsThePixelsAsStored)
{
    for (int orientation = 1; orientation < 9; ++orientation) {
        SCOPED_TRACE("orientation " + std::to_string(orientation));
        checkOrientationFixture(orientation);
    }
}

TEST(Orientation, TurnsUprightInEveryContainerAndAtOddSizes)
{
    const struct
    {
        const char* file;
        QSize upright;
    } cases[] = {
        { "jpeg/orient/orient_6_odd_633x427.jpg", { 633, 427 } },
        { "png/03_exif_orient6.png", { 640, 480 } },
        { "tiff/02_orient_3.tif", { 640, 480 } },
        { "tiff/02_orient_6.tif", { 640, 480 } },
        { "tiff/02_orient_8.tif", { 640, 480 } },
        { "tiff/06_kitchen_sink_orient6.tif", { 640, 480 } },
        { "jpeg/13_kitchen_sink.jpg", { 640, 480 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ImageInfoPtr info(IICreateImage(dirtyFile(c.file), true));
        ASSERT_TRUE(info);
        EXPECT_EQ(info->image.pixels.size(), c.upright);
        EXPECT_LT(meanAbsoluteDifference(info->image.pixels, uprightReference(c.upright)), 8.0);
    }
}

/// The mirroring turns (2, 4, 5, 7; the fixtures above cover 3, 6 and 8) on the paths that turn on the
/// canvas, not in the JPEG decoder: PNG (orientation in eXIf) and TIFF (in IFD0). Each stored file is the
/// corpus's upright picture turned the other way by ImageMagick, at an even size for PNG and an odd one
/// for TIFF; both are lossless, so the upright load must give the picture exactly.
TEST(CanvasOrientations, LosslessSourcesComeBackToTheUprightPictureExactly)
{
    static const char* const storedAs[9] = { "", "", "-flop", "-rotate 180", "-flip", "-transpose",
        "-rotate -90", "-transverse", "-rotate 90" };
    QTemporaryDir dir;
    QList<QStringList> pngTagging;
    for (const char* extension : { "png", "tif" }) {
        const bool png = QLatin1String(extension) == QLatin1String("png");
        const QString reference
            = dirtyReferenceDir() + (png ? "/upright_640x480.png" : "/upright_633x427.png");
        for (const int orientation : { 2, 4, 5, 7 }) {
            const QString stored
                = dir.filePath(QStringLiteral("stored%1.%2").arg(orientation).arg(extension));
            ASSERT_EQ(runProcess("convert",
                          QStringList { reference } + QString::fromLatin1(storedAs[orientation]).split(u' ')
                              + QStringList { "-compress", "none", stored })
                          .exitCode,
                0);
            if (png) {
                pngTagging.append({ "-q", "-overwrite_original",
                    QStringLiteral("-EXIF:Orientation#=%1").arg(orientation), stored });
            } else {
                ASSERT_EQ(
                    runProcess("tiffset", { "-s", "274", QString::number(orientation), stored }).exitCode, 0);
            }
        }
    }
    ASSERT_TRUE(runExiftoolCommands(pngTagging));

    for (const char* extension : { "png", "tif" }) {
        const bool png = QLatin1String(extension) == QLatin1String("png");
        // Pixels only: the PNG reference's gAMA chunk gives Qt's decode a colour space the load does not
        // keep.
        const QImage upright
            = decodeWithQt(dirtyReferenceDir() + (png ? "/upright_640x480.png" : "/upright_633x427.png"));
        for (const int orientation : { 2, 4, 5, 7 }) {
            SCOPED_TRACE(std::string(extension) + std::to_string(orientation));
            const QString stored
                = dir.filePath(QStringLiteral("stored%1.%2").arg(orientation).arg(extension));
            if (png) {
                ASSERT_TRUE(pngChunkTypes(fileBytes(stored)).contains("eXIf"));
            }
            ImageInfoPtr info(IICreateImage(stored, true));
            ASSERT_TRUE(info);
            EXPECT_EQ(info->orientation, orientation);
            ASSERT_EQ(info->image.pixels.size(), upright.size());
            EXPECT_EQ(meanAbsoluteDifference(info->image.pixels, upright), 0.0);
        }
    }
}

TEST(Orientation, MissingOrUnusableOrientationReadsAsOneAndUnknownValuesTurnNothing)
{
    ImageInfoPtr info(IICreateImage(dirtyFile("jpeg/02_xmp.jpg"), true));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->orientation, 1);

    ImageInfoPtr made = recordOf(quadrants(8, 4));
    made->properties = PropertyDictionary();
    made->properties->set(kCGImagePropertyOrientation, std::string("six"));
    EXPECT_EQ(IIGetImageOrientation(made.get()), 1);
    made->properties->set(kCGImagePropertyOrientation, std::int64_t(42));
    EXPECT_EQ(IIGetImageOrientation(made.get()), 42);
    FixupImageOrientation(made.get());
    EXPECT_EQ(made->image.pixels.size(), QSize(8, 4));
    EXPECT_EQ(made->orientation, 42);
}

// --- Saving the dirty corpus --------------------------------------------------------------------

// Whether the copies hold anything personal is judged where a front end writes them (the command line's
// and the window's tests); here each writer gets every decodable source, whatever its own format. Each
// source is decoded once for all writers, and exiftool and ImageMagick each read all outputs in one run.
TEST(DirtySetOutputs, KeepDpiIccAndUprightOrientationInEveryType)
{
    struct Decoded
    {
        ManifestEntry entry;
        ImageInfoPtr info;
    };
    std::vector<Decoded> decoded;
    QStringList sources;
    for (const ManifestEntry& entry : decodableManifest()) {
        sources << dirtyFile(entry.file);
        decoded.push_back({ entry, ImageInfoPtr(IICreateImage(sources.last(), true)) });
        ASSERT_TRUE(decoded.back().info) << entry.file.toStdString();
    }
    ASSERT_FALSE(decoded.empty());
    const QHash<QString, QJsonObject> tagsOfSources = exiftoolJson({ "-n", "-G1", "-a" }, sources);
    ASSERT_EQ(tagsOfSources.size(), qsizetype(decoded.size()));

    QTemporaryDir out;
    struct Written
    {
        const OutputType* output;
        const ManifestEntry* source;
    };
    QHash<QString, Written> copies; // by file name
    QStringList framed;
    for (const OutputType& output : kEveryType) {
        for (size_t i = 0; i < decoded.size(); ++i) {
            ImageInfo* info = decoded[i].info.get();
            const QString name
                = QStringLiteral("%1.%2").arg(int(i), 2, 10, QLatin1Char('0')).arg(output.name);
            EXPECT_TRUE(IISaveImage(info, out.filePath(name), std::size_t(info->image.width()),
                std::size_t(info->image.height()), output.type, false, 0.7f))
                << name.toStdString();
            copies.insert(name, { &output, &decoded[i].entry });
            if (output.type == kUTTypeTIFF || output.type == kUTTypeGIF)
                framed << out.filePath(name);
        }
    }
    const QHash<QString, QJsonObject> outputs = exiftoolTagsUnder(out.path());
    EXPECT_EQ(outputs.size(), copies.size());
    const QHash<QString, int> frames = frameCounts(framed);

    for (auto it = copies.cbegin(); it != copies.cend(); ++it) {
        const OutputType& output = *it->output;
        const ManifestEntry& source = *it->source;
        const QJsonObject tags = outputs.value(it.key());
        SCOPED_TRACE(source.file.toStdString() + " as " + output.name);
        // The corpus lists 72 for files that state no resolution (the usual default); check the others.
        bool hasDpi = false;
        const double statedDpi = source.dpi.toDouble(&hasDpi);
        if (hasDpi && statedDpi != 72 && output.dpiTag) {
            EXPECT_NEAR(tags.value(output.dpiTag).toDouble() * output.dpiFactor, statedDpi, 1.0);
        }
        // Profiles are read from JPEG, PNG and TIFF sources (not from GIF extensions or BMP headers). The
        // colour they define reaches the output, under the source's description (a standard profile) or
        // a neutral one (a cleaned profile).
        const QJsonObject sourceTags = tagsOfSources.value(dirtyFile(source.file));
        const QString profile = sourceTags.value("ICC_Profile:ProfileDescription").toString();
        const bool profileReadable = source.file.startsWith("jpeg/") || source.file.startsWith("png/")
            || source.file.startsWith("tiff/");
        if (!profile.isEmpty() && profileReadable && output.type != kUTTypeGIF && output.type != kUTTypeBMP
            && !source.planted.contains("CMYK")) {
            const QString written = tags.value("ICC_Profile:ProfileDescription").toString();
            EXPECT_TRUE(written == profile || written == "RGB" || written == "Gray") << written.toStdString();
            // A rebuilt profile's white point and colorants are the source's on grids finer than 1/4096.
            for (const char* colour : { "ICC_Profile:MediaWhitePoint", "ICC_Profile:RedMatrixColumn",
                     "ICC_Profile:GreenMatrixColumn", "ICC_Profile:BlueMatrixColumn" }) {
                const QStringList got = tags.value(colour).toString().split(u' ');
                const QStringList wanted = sourceTags.value(colour).toString().split(u' ');
                ASSERT_EQ(got.size(), wanted.size()) << colour;
                for (qsizetype i = 0; i < got.size(); ++i)
                    EXPECT_NEAR(got[i].toDouble(), wanted[i].toDouble(), 0.001) << colour;
            }
        }
        const bool turned = source.orientation != "-" && source.orientation != "1";
        if (tags.contains("IFD0:Orientation")
            || (turned && (output.type == kUTTypeJPEG || output.type == kUTTypeTIFF))) {
            EXPECT_EQ(tags.value("IFD0:Orientation").toInt(), 1);
        }
        if (output.type == kUTTypePNG) {
            EXPECT_EQ(tags.value("PNG:BitDepth").toInt(), 8);
        }
        if (output.type == kUTTypeTIFF || output.type == kUTTypeGIF) {
            EXPECT_EQ(frames.value(out.filePath(it.key())), 1);
        }
    }
}

TEST(KeepAllMode, KeepsExifAndGpsWithOrientationOneForTurnedPixels)
{
    QTemporaryDir out;
    for (const bool fix : { true, false }) {
        ImageInfoPtr info(IICreateImage(dirtyFile("jpeg/orient/orient_6.jpg"), fix));
        ASSERT_TRUE(info);
        for (const char* extension : { "jpg", "tif", "png" }) {
            SCOPED_TRACE(std::string(extension) + (fix ? " fixed" : " as stored"));
            const QString path = out.filePath(QStringLiteral("%1.%2").arg(fix).arg(extension));
            ASSERT_TRUE(IISaveImage(info.get(), path, std::size_t(info->image.width()),
                std::size_t(info->image.height()), ImageWrapper::GetImageTypeFromPath(path), true, 0.7f));
            const QJsonObject tags = exiftoolTags(path);
            EXPECT_TRUE(tags.contains("GPS:GPSLatitude")) << QJsonDocument(tags).toJson().toStdString();
            EXPECT_EQ(tags.value("IFD0:Make").toString(), QStringLiteral("Canon"));
            EXPECT_EQ(tags.value("IFD0:Orientation").toInt(), fix ? 1 : 6);
        }
        // The record itself is never changed by a save.
        EXPECT_EQ(info->properties->integer(kCGImagePropertyOrientation), 6);
    }
}

// --- Failures -----------------------------------------------------------------------------------

TEST(LoadFailures, GiveNullForWhatIsNoDecodableImage)
{
    QTemporaryDir dir;
    const QString text = dir.filePath("notes.png");
    ASSERT_TRUE(writeFile(text, "just some text, not an image\n"));
    for (const QString& path : { dir.filePath("missing.jpg"), dirtyFile("misc/empty.jpg"),
             dirtyFile("misc/truncated.jpg"), text, dir.path() }) {
        SCOPED_TRACE(path.toStdString());
        for (const bool fix : { false, true })
            EXPECT_EQ(IICreateImage(path, fix), nullptr);
    }
    // Content decides, not the name.
    EXPECT_TRUE(ImageInfoPtr(IICreateImage(dirtyFile("misc/png_named_as.jpg"), true)));
}

TEST(SaveFailures, ReturnFalseAndLeaveNothingBehind)
{
    QTemporaryDir out;
    ImageInfoPtr info(IICreateImage(dirtyFile("jpeg/orient/orient_6.jpg"), true));
    ASSERT_TRUE(info);
    EXPECT_FALSE(IISaveImage(nullptr, out.filePath("a.jpg"), 10, 10, kUTTypeJPEG, false, 0.7f));
    EXPECT_FALSE(IISaveImage(info.get(), out.filePath("b.jpg"), 0, 10, kUTTypeJPEG, false, 0.7f));
    EXPECT_FALSE(IISaveImage(info.get(), out.filePath("c.jpg"), 10, 0, kUTTypeJPEG, false, 0.7f));
    EXPECT_FALSE(IISaveImage(info.get(), out.filePath("missing/d.jpg"), 480, 640, kUTTypeJPEG, false, 0.7f));
    EXPECT_TRUE(entriesIn(out.path()).isEmpty());

    // A write cut short (a full disk, a size limit) leaves the old file whole and no temporary file.
    ASSERT_TRUE(writeFile(out.filePath("kept.png"), "previous content"));
    // Under a file-size limit a write beyond it fails with EFBIG instead of raising SIGXFSZ.
    rlimit original {};
    getrlimit(RLIMIT_FSIZE, &original);
    const sighandler_t previousHandler = signal(SIGXFSZ, SIG_IGN);
    for (const OutputType& output : kEveryType) {
        SCOPED_TRACE(output.name);
        const rlimit limit { 4096, original.rlim_max };
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved
            = IISaveImage(info.get(), out.filePath("kept.png"), 480, 640, output.type, false, 0.7f);
        setrlimit(RLIMIT_FSIZE, &original);
        EXPECT_FALSE(saved);
        EXPECT_EQ(entriesIn(out.path()), QStringList { "kept.png" });
        EXPECT_EQ(fileBytes(out.filePath("kept.png")), QByteArray("previous content"));
    }
    signal(SIGXFSZ, previousHandler);
}

// --- Resolution ----------------------------------------------------------------------------------

/// A source that states no resolution gives outputs that state none either, in each format's own way;
/// one that states a resolution keeps it. PNG chunks are walked by hand, the other formats read by
/// exiftool.
TEST(Resolution, OutputsOfASourceWithoutOneStateNone)
{
    QTemporaryDir dir;
    const QString bare = dir.filePath("bare.png");
    const QString stated = dir.filePath("stated.png");
    // ImageMagick writes no pHYs unless a density is given.
    ASSERT_EQ(runProcess("convert", { "-size", "40x30", "gradient:red-blue", bare }).exitCode, 0);
    ASSERT_EQ(
        runProcess("convert", { bare, "-units", "PixelsPerInch", "-density", "300", stated }).exitCode, 0);
    ASSERT_FALSE(pngChunkTypes(fileBytes(bare)).contains("pHYs"));
    ASSERT_TRUE(pngChunkTypes(fileBytes(stated)).contains("pHYs"));

    for (const QString& source : { bare, stated }) {
        const bool states = source == stated;
        SCOPED_TRACE(states ? "stated" : "bare");
        ImageInfoPtr info(IICreateImage(source, false));
        ASSERT_TRUE(info);
        for (const OutputType& output : kEveryType) {
            const QString path = dir.filePath(QStringLiteral("out-%1.%2").arg(states).arg(output.name));
            ASSERT_TRUE(IISaveImage(info.get(), path, 40, 30, output.type, false, 0.8f));
        }
        const QString png = dir.filePath(QStringLiteral("out-%1.png").arg(states));
        const QList<QByteArray> chunks = pngChunkTypes(fileBytes(png));
        EXPECT_EQ(chunks.contains("pHYs"), states) << chunks.join(' ').toStdString();
        EXPECT_EQ(chunks.value(0), "IHDR"); // and, the walk being whole, IEND last
        EXPECT_EQ(decodeWithQt(png).size(), QSize(40, 30));

        const QJsonObject jpeg = exiftoolTags(dir.filePath(QStringLiteral("out-%1.jpg").arg(states)));
        const QJsonObject bmp = exiftoolTags(dir.filePath(QStringLiteral("out-%1.bmp").arg(states)));
        const QJsonObject tiff = exiftoolTags(dir.filePath(QStringLiteral("out-%1.tif").arg(states)));
        // The stated resolution's value in every type is DirtySetOutputs' to check.
        if (states) {
            EXPECT_EQ(tiff.value("IFD0:ResolutionUnit").toInt(), 2);
        } else {
            EXPECT_EQ(jpeg.value("JFIF:ResolutionUnit").toInt(), 0);
            EXPECT_EQ(bmp.value("File:PixelsPerMeterX").toInt(), 0);
            EXPECT_EQ(bmp.value("File:PixelsPerMeterY").toInt(), 0);
            EXPECT_EQ(tiff.value("IFD0:ResolutionUnit").toInt(), 1);
            EXPECT_EQ(tiff.value("IFD0:XResolution").toDouble(), 1.0);
            EXPECT_EQ(tiff.value("IFD0:YResolution").toDouble(), 1.0);
        }
        EXPECT_EQ(decodeWithQt(dir.filePath(QStringLiteral("out-%1.tif").arg(states))).size(), QSize(40, 30));
        EXPECT_EQ(decodeWithQt(dir.filePath(QStringLiteral("out-%1.bmp").arg(states))).size(), QSize(40, 30));
    }
}
