// SPDX-License-Identifier: GPL-3.0-or-later
// The HEIF (HEIC, AVIF) and WebP codecs, checked against libheif's and libwebp's own command-line
// decoders (heif-convert, dwebp), the upright references of the dirty test set, ExifTool and the leak
// checker's byte walks of the files written.
#include "engine/formats/heif/HeifCodec.h"
#include "engine/formats/jpeg/PlanarJpeg.h"
#include "engine/formats/webp/WebpCodec.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/WebpFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

namespace {

constexpr qint64 kMaxPixels = 100'000'000;
const QString kSrgbProfile = QStringLiteral("/usr/share/color/icc/sRGB.icc");

QString upright(const QString& size)
{
    return dirtyReferenceDir() + QStringLiteral("/upright_") + size + QStringLiteral(".png");
}

/// The largest difference of any channel, alpha included; 256 when the sizes differ.
int maxDifference(const QImage& a, const QImage& b)
{
    return a.isNull() ? 256 : compareImages(a, b, true).maximum;
}

/// The reference decode of \a file by libheif's or libwebp's own tool, as a PNG read by Qt.
QImage referenceDecode(const QString& file, const QString& dir)
{
    const QString out = dir + QStringLiteral("/reference.png");
    QFile::remove(out);
    const bool webp = file.endsWith(QStringLiteral(".webp"));
    const ProcessResult result = webp
        ? runProcess(QStringLiteral("dwebp"), { QStringLiteral("-quiet"), file, QStringLiteral("-o"), out })
        : runProcess(QStringLiteral("heif-convert"), { file, out });
    if (result.exitCode != 0)
        ADD_FAILURE() << qPrintable(result.standardError);
    return decodeWithQt(out);
}

/// A small picture with detail and, optionally, an alpha ramp from left to right.
QImage testPicture(bool alpha)
{
    QImage image(96, 64, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                qRgba(40 + 2 * x, 30 + 3 * y, (x / 8 + y / 8) % 2 ? 200 : 60, alpha ? 60 + 2 * x : 255));
    return image;
}

class HeifWebpTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

// ---------------------------------------------------------------------------------------------------------
// Decoding

struct DecodeCase
{
    QString file;
    QString reference; ///< "tool": heif-convert or dwebp; otherwise the upright picture of that size
    int tolerance; ///< largest channel difference to the tool, or mean difference to the upright picture
};

// Every HEIF comes out as libheif's own tool decodes it and, for the turned files, upright: 'irot' and
// 'imir' applied once, the EXIF orientation inside (the same turn, a contradicting one, or one without
// any 'irot') never applied on top. WebP comes out as dwebp decodes it, as stored.
void checkDecode(const DecodeCase& c, const QString& scratch)
{
    const QString file = dirtyFile(c.file);
    QString reason;
    Image image;
    if (c.file.endsWith(QStringLiteral(".webp"))) {
        const auto input = WebpInput::open(fileBytes(file), kMaxPixels, &reason);
        ASSERT_TRUE(input) << qPrintable(reason);
        EXPECT_EQ(input->info().size, QSize(640, 480));
        EXPECT_EQ(input->info().lossless, c.file.contains(QStringLiteral("lossless")));
        EXPECT_EQ(input->info().hasAlpha, c.file.contains(QStringLiteral("alpha")));
        auto decoded = input->decode(&reason);
        ASSERT_TRUE(decoded) << qPrintable(reason);
        image = *decoded;
    } else {
        const auto input = HeifInput::open(fileBytes(file), kMaxPixels, &reason);
        ASSERT_TRUE(input) << qPrintable(reason);
        EXPECT_EQ(input->info().orientation, 1);
        EXPECT_EQ(input->info().hasAlpha, c.file.contains(QStringLiteral("alpha")));
        auto decoded = input->decode(&reason);
        ASSERT_TRUE(decoded) << qPrintable(reason);
        image = *decoded;
        EXPECT_EQ(image.width(), input->info().size.width());
        EXPECT_EQ(image.height(), input->info().size.height());
    }
    if (c.reference == QStringLiteral("tool")) {
        EXPECT_LE(maxDifference(image.pixels, referenceDecode(file, scratch)), c.tolerance);
    } else {
        const QImage reference(upright(c.reference));
        ASSERT_EQ(image.pixels.size(), reference.size());
        EXPECT_LE(meanAbsoluteDifference(reference, image.pixels), c.tolerance);
    }
}

TEST_F(HeifWebpTest, EveryFileOfTheCorpusMatchesTheReference)
{
    const DecodeCase cases[] = { DecodeCase { "heif/01_exif_gps_xmp_thumb.heic", "tool", 1 },
        DecodeCase { "heif/03_icc_adobergb.heic", "tool", 1 },
        DecodeCase { "heif/04_alpha_exif_xmp.heic", "tool", 1 },
        DecodeCase { "heif/06_avif_exif_xmp_thumb.avif", "tool", 1 },
        DecodeCase { "heif/07_nclx_display_p3.avif", "tool", 1 },
        DecodeCase { "heif/05_exif_orient6_no_irot.heic", "640x480", 4 },
        DecodeCase { "heif/orient/irot_6_exif_8.heic", "640x480", 4 },
        DecodeCase { "heif/orient/irot_6_odd_633x427.heic", "633x427", 4 },
        DecodeCase { "heif/orient/irot_6.avif", "640x480", 4 },
        DecodeCase { "webp/01_exif_gps_xmp_icc.webp", "tool", 0 },
        DecodeCase { "webp/03_lossless_alpha_exif.webp", "tool", 0 },
        DecodeCase { "webp/05_lossy_alpha_icc.webp", "tool", 0 } };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        checkDecode(c, dir.path());
    }
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        checkDecode(
            { QStringLiteral("heif/orient/irot_%1.heic").arg(orientation), "640x480", 4 }, dir.path());
    }
}

// A WebP's EXIF orientation is reported, not applied: the pixels come as stored, and turned by it they
// show what libvips' autorot shows. The first frame of an animation fills its canvas.
TEST_F(HeifWebpTest, WebpOrientationIsReportedAndTheFirstFrameOfAnAnimationIsDecoded)
{
    QString reason;
    const auto turned = WebpInput::open(fileBytes(dirtyFile("webp/02_orient6.webp")), kMaxPixels, &reason);
    ASSERT_TRUE(turned) << qPrintable(reason);
    EXPECT_EQ(turned->info().orientation, 6);
    const auto stored = turned->decode(&reason);
    ASSERT_TRUE(stored) << qPrintable(reason);
    ASSERT_EQ(stored->pixels.size(), QSize(480, 640));
    const QString autorot = dir.filePath("autorot.png");
    ASSERT_EQ(runProcess("vips", { "autorot", dirtyFile("webp/02_orient6.webp"), autorot }).exitCode, 0);
    EXPECT_LE(
        meanAbsoluteDifference(decodeWithQt(autorot), stored->pixels.transformed(QTransform().rotate(90))),
        1);

    const QString animation = dirtyFile("webp/04_animated_exif_xmp.webp");
    const auto animated = WebpInput::open(fileBytes(animation), kMaxPixels, &reason);
    ASSERT_TRUE(animated) << qPrintable(reason);
    EXPECT_EQ(animated->info().frameCount, 3);
    const auto first = animated->decode(&reason);
    ASSERT_TRUE(first) << qPrintable(reason);
    const QString frame = dir.filePath("frame1.webp");
    ASSERT_EQ(runProcess("webpmux", { "-get", "frame", "1", animation, "-o", frame }).exitCode, 0);
    EXPECT_LE(maxDifference(first->pixels, referenceDecode(frame, dir.path())), 0);
}

// Hostile files are refused by open() with a reason, before any pixels are decoded: cut short, item
// references that loop, a stated size of too many pixels (each side within libheif's own limit).
TEST_F(HeifWebpTest, HostileFilesAreRefusedWithAReason)
{
    const struct
    {
        const char* file;
        const char* reason;
    } cases[] = {
        { "misc/heic_truncated.heic", "cut short" },
        { "misc/heic_reference_loop.heic", "loop" },
        { "misc/heic_self_reference.heic", "loop" },
        { "misc/heic_giant_size.heic", "20000 by 20000 pixels" },
        { "misc/webp_truncated.webp", "cut short" },
        { "misc/webp_giant_canvas.webp", "60000 by 60000 pixels" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QString reason;
        const QByteArray data = fileBytes(dirtyFile(c.file));
        ASSERT_FALSE(data.isEmpty());
        const bool opened = QString::fromLatin1(c.file).endsWith(".webp")
            ? bool(WebpInput::open(data, kMaxPixels, &reason))
            : bool(HeifInput::open(data, kMaxPixels, &reason));
        EXPECT_FALSE(opened);
        EXPECT_TRUE(reason.contains(QLatin1String(c.reason))) << qPrintable(reason);
    }
}

// The pixel bound is on width times height: an image of exactly the bound opens, one pixel less refuses
// it. And every cut of a small file is refused with a reason, by open() or by decode().
TEST_F(HeifWebpTest, PixelBoundIsOnTheAreaAndEveryCutIsRefused)
{
    const QImage picture = testPicture(true);
    const qint64 area = qint64(picture.width()) * picture.height();
    for (const QString name : { "bound.heic", "bound.webp" }) {
        SCOPED_TRACE(qPrintable(name));
        const QString path = dir.filePath(name);
        const bool heif = name.endsWith(".heic");
        ASSERT_TRUE(writeThroughDescriptor(path, [&](int fd) {
            return heif ? encodeHeif(picture, { HeifCoding::HEVC, 50, {}, {} }, fd)
                        : encodeWebp(picture, { 50, false, {} }, fd);
        }));
        const QByteArray data = fileBytes(path);
        auto opens = [&](const QByteArray& bytes, qint64 bound, QString* reason) {
            if (heif) {
                const auto input = HeifInput::open(bytes, bound, reason);
                return input && input->decode(reason).has_value();
            }
            const auto input = WebpInput::open(bytes, bound, reason);
            return input && input->decode(reason).has_value();
        };
        QString reason;
        EXPECT_TRUE(opens(data, area, &reason)) << qPrintable(reason);
        EXPECT_FALSE(opens(data, area - 1, &reason));
        EXPECT_TRUE(reason.contains("more than this program decodes")) << qPrintable(reason);
        for (const qsizetype cut : { qsizetype(0), qsizetype(11), qsizetype(40), data.size() / 4,
                 data.size() / 2, data.size() - 9, data.size() - 1 }) {
            reason.clear();
            EXPECT_FALSE(opens(data.left(cut), kMaxPixels, &reason)) << "cut at " << cut;
            EXPECT_FALSE(reason.isEmpty()) << "cut at " << cut;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Encoding

struct EncodeCase
{
    const char* name;
    bool alpha;
    bool lossless;
    double tolerance; ///< mean difference of the reference decode to the picture (lossy WebP's chroma is
                      ///< halved and upsampled smoothly: the blue checks' edges blur)
};

class HeifWebpEncodeTest : public HeifWebpTest, public ::testing::WithParamInterface<EncodeCase>
{
};

// What the encoders write is clean by the leak checker's strict walk (the primary image, its alpha and
// the profile, nothing else), carries the profile byte for byte, keeps the alpha, and decodes with the
// formats' own tools to the picture; a lossless WebP is VP8L and gives back the picture exactly.
TEST_P(HeifWebpEncodeTest, OutputIsCleanKeepsTheProfileAndTheAlpha)
{
    const EncodeCase& c = GetParam();
    const QImage picture = testPicture(c.alpha);
    const QByteArray profile = fileBytes(kSrgbProfile);
    ASSERT_FALSE(profile.isEmpty());
    const QString path = dir.filePath(QString::fromLatin1(c.name));
    const bool webp = path.endsWith(".webp");
    ASSERT_TRUE(writeThroughDescriptor(path, [&](int fd) {
        if (webp)
            return encodeWebp(picture, { 90, c.lossless, profile }, fd);
        const HeifCoding coding = path.endsWith(".avif") ? HeifCoding::AV1 : HeifCoding::HEVC;
        return encodeHeif(picture, { coding, 90, profile, {} }, fd);
    }));

    const ProcessResult checked
        = runProcess(corpusTool("check_clean.sh"), { QStringLiteral("--strict"), dir.path() });
    EXPECT_EQ(checked.exitCode, 0) << qPrintable(checked.standardOutput + checked.standardError);
    const QString icc = dir.filePath("profile.icc");
    ASSERT_EQ(
        runProcess("sh", { "-c", "exiftool -b -ICC_Profile \"$1\" > \"$2\"", "sh", path, icc }).exitCode, 0);
    EXPECT_TRUE(fileBytes(icc) == profile) << "the profile did not survive unchanged";

    const QImage decoded = referenceDecode(path, dir.path());
    ASSERT_EQ(decoded.size(), picture.size());
    EXPECT_EQ(decoded.hasAlphaChannel(), c.alpha);
    EXPECT_LE(meanAbsoluteDifference(picture, decoded), c.tolerance);
    if (webp && !c.lossless) { // about as close as cwebp comes at the same quality
        const QString png = dir.filePath("picture.png"), theirs = dir.filePath("cwebp.webp");
        ASSERT_TRUE(picture.save(png));
        ASSERT_EQ(runProcess("cwebp", { "-quiet", "-q", "90", png, "-o", theirs }).exitCode, 0);
        EXPECT_LE(meanAbsoluteDifference(picture, decoded),
            meanAbsoluteDifference(picture, referenceDecode(theirs, dir.path())) + 0.5);
    }
    int alphaDifference = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            alphaDifference = std::max(
                alphaDifference, std::abs(qAlpha(picture.pixel(x, y)) - qAlpha(decoded.pixel(x, y))));
    EXPECT_LE(alphaDifference, c.lossless ? 0 : 8);
    if (webp) {
        const QStringList chunks = webpChunkList(fileBytes(path));
        QStringList expected { "VP8X", "ICCP" };
        if (c.alpha && !c.lossless)
            expected << "ALPH";
        expected << (c.lossless ? "VP8L" : "VP8 ");
        EXPECT_EQ(chunks, expected);
        if (c.lossless) {
            EXPECT_EQ(maxDifference(picture, decoded), 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, HeifWebpEncodeTest,
    ::testing::Values(EncodeCase { "opaque.heic", false, false, 3 },
        EncodeCase { "alpha.heic", true, false, 3 }, EncodeCase { "opaque.avif", false, false, 3 },
        EncodeCase { "alpha.avif", true, false, 3 }, EncodeCase { "lossy.webp", false, false, 10 },
        EncodeCase { "lossy_alpha.webp", true, false, 10 },
        EncodeCase { "lossless_alpha.webp", true, true, 0 }));

// A HEIC whose coded planes are JPEG's goes to a JPEG without a round trip through RGB, and the JPEG shows
// what libheif's tool decodes; a file with alpha offers no planes.
TEST_F(HeifWebpTest, HeicPlanesMakeAJpegOfTheSamePicture)
{
    QString reason;
    const QString source = dirtyFile("heif/01_exif_gps_xmp_thumb.heic");
    const auto input = HeifInput::open(fileBytes(source), kMaxPixels, &reason);
    ASSERT_TRUE(input) << qPrintable(reason);
    ASSERT_TRUE(input->hasJpegPlanes());
    const auto planes = input->decodePlanes(&reason);
    ASSERT_TRUE(planes) << qPrintable(reason);
    const QString jpeg = dir.filePath("planes.jpg");
    ASSERT_TRUE(writeThroughDescriptor(jpeg, [&](int fd) {
        return encodeJpegFromPlanes(*planes, { 95, {}, {}, {}, {} }, fd);
    }));
    const QImage reference = referenceDecode(source, dir.path());
    QFile::remove(dir.filePath("reference.png"));
    EXPECT_LE(meanAbsoluteDifference(reference, decodeWithQt(jpeg)), 2);
    const ProcessResult checked = runProcess(corpusTool("check_clean.sh"), { "--strict", dir.path() });
    EXPECT_EQ(checked.exitCode, 0) << qPrintable(checked.standardOutput);

    const auto alpha
        = HeifInput::open(fileBytes(dirtyFile("heif/04_alpha_exif_xmp.heic")), kMaxPixels, &reason);
    ASSERT_TRUE(alpha) << qPrintable(reason);
    EXPECT_FALSE(alpha->hasJpegPlanes());
}

} // namespace
