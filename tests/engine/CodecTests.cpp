// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG codec and the GIF encoder, checked against Qt's decoders, ImageMagick, ExifTool and byte walks
// of the files written.
#include "engine/core/LibraryMessages.h"
#include "engine/core/PixelPool.h"
#include "engine/formats/gif/GifEncoder.h"
#include "engine/formats/jpeg/JpegCodec.h"
#include "engine/formats/jpeg/JpegPreview.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/pipeline/ImageSource.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const QString kAdobeRgbProfile = QStringLiteral("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");

/// Runs ImageMagick's convert; the error text, empty on success.
QString magick(const QStringList& arguments)
{
    const ProcessResult result = runProcess(QStringLiteral("convert"), arguments);
    return result.exitCode == 0 ? QString() : QStringLiteral("convert failed: ") + result.standardError;
}

/// A smooth picture in the manner of a photo: colour gradients with soft waves, plus optional noise.
QImage photoLike(int width, int height, int noise = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            int rgb[3] = { int(40 + 200 * u), int(30 + 190 * v), int(128 + 90 * std::sin(6 * u + 4 * v)) };
            for (int& c : rgb)
                c = std::clamp(c + (noise ? random.bounded(-noise, noise + 1) : 0), 0, 255);
            line[x] = qRgb(rgb[0], rgb[1], rgb[2]);
        }
    }
    return image;
}

/// The size Qt's reader finds in the header of \a data.
QSize imageSizeOf(const QByteArray& data)
{
    QByteArray shared = data;
    QBuffer buffer(&shared);
    return buffer.open(QIODevice::ReadOnly) ? QImageReader(&buffer).size() : QSize();
}

bool encodeJpegTo(const QString& path, const QImage& image, const JpegEncodeOptions& options)
{
    return writeThroughDescriptor(path, [&](int fd) { return encodeJpeg(image, options, fd); });
}

bool encodeGifTo(const QString& path, const QImage& image)
{
    return writeThroughDescriptor(path, [&](int fd) { return encodeGif(image, fd); });
}

/// The marker sequence as text, runs of DQT and DHT collapsed: "SOI APP0 DQT SOF0 DHT SOS EOI".
QString markerNames(const std::vector<JpegSegment>& segments)
{
    static const QHash<int, QString> known { { 0xD8, "SOI" }, { 0xD9, "EOI" }, { 0xDB, "DQT" },
        { 0xC4, "DHT" }, { 0xDA, "SOS" }, { 0xFE, "COM" }, { 0xDD, "DRI" }, { 0xC0, "SOF0" },
        { 0xC2, "SOF2" } };
    QStringList names;
    for (const JpegSegment& s : segments) {
        const QString name = s.marker >= 0xE0 && s.marker <= 0xEF
            ? QStringLiteral("APP%1").arg(s.marker - 0xE0)
            : known.value(s.marker, QString::number(s.marker, 16));
        if (names.isEmpty() || names.last() != name || (name != "DQT" && name != "DHT"))
            names << name;
    }
    return names.join(u' ');
}

/// A TIFF structure with one IFD holding Orientation = 1: the EXIF payload an encoder is handed.
QByteArray orientationExif()
{
    return QByteArray::fromHex("49492a0008000000" // "II*\0", IFD0 at 8
                               "0100" // one entry
                               "120103000100000001000000" // Orientation, SHORT, 1
                               "00000000"); // no next IFD
}

/// The structure of a GIF as a byte walk sees it.
struct GifLayout
{
    QByteArray version;
    int tableSize = 0;
    bool hasControl = false;
    int transparentIndex = -1;
    int images = 0;
    QString problem; ///< empty when the file holds nothing but the expected blocks
};

GifLayout walkGif(const QByteArray& data)
{
    GifLayout layout;
    auto byte = [&](qsizetype i) { return i < data.size() ? int(uchar(data[i])) : -1; };
    layout.version = data.left(6);
    if (data.size() < 13 || !(byte(10) & 0x80))
        return layout.problem = "no logical screen with a global colour table", layout;
    layout.tableSize = 2 << (byte(10) & 7);
    for (qsizetype pos = 13 + 3 * layout.tableSize; pos < data.size();) {
        const int block = byte(pos);
        if (block == 0x3B)
            return layout.problem = pos + 1 == data.size() ? "" : "bytes after the trailer", layout;
        if (block == 0x21 && byte(pos + 1) == 0xF9 && byte(pos + 2) == 4 && byte(pos + 7) == 0
            && !layout.hasControl && layout.images == 0) {
            layout.hasControl = true;
            layout.transparentIndex = byte(pos + 3) & 1 ? byte(pos + 6) : -1;
            pos += 8;
        } else if (block == 0x2C && !(byte(pos + 9) & 0x80) && layout.images++ == 0) {
            for (pos += 11; byte(pos) > 0;) // past the descriptor and LZW code size, through the sub-blocks
                pos += byte(pos) + 1;
            pos += byte(pos) == 0 ? 1 : data.size();
        } else {
            return layout.problem = QStringLiteral("unexpected block 0x%1 at %2").arg(block, 0, 16).arg(pos),
                   layout;
        }
    }
    return layout.problem = "no trailer", layout;
}

int messageCount = 0;
void countMessage(QtMsgType, const QMessageLogContext&, const QString&)
{
    ++messageCount;
}

class CodecTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    [[nodiscard]] QString path(const QString& name) const { return dir.filePath(name); }
    /// Saves \a image as PNG, the lossless source for ImageMagick.
    [[nodiscard]] QString png(const QImage& image, const QString& name) const
    {
        const QString file = path(name);
        return image.save(file, "PNG") ? file : QString();
    }

    QTemporaryDir dir;
};

// ---------------------------------------------------------------------------------------------------------
// Decoding

// JPEGs written by Qt and by ImageMagick in several flavours decode like Qt's decoder does, as opaque RGB32
// or grey; for grey, ImageMagick's own conversion, kept lossless, is the reference for the levels.
TEST_F(CodecTest, ForeignJpegsMatchQtsDecoderAsOpaqueRgb32OrGrey)
{
    const QImage source = photoLike(203, 117, 12);
    const QString sourcePng = png(source, "source.png");
    ASSERT_EQ(magick({ sourcePng, "-colorspace", "Gray", path("grey.png") }), "");
    const std::pair<const char*, QStringList> writers[] = { { "Qt", {} }, { "4:2:0", { "-quality", "80" } },
        { "4:2:2", { "-quality", "90", "-sampling-factor", "2x1" } },
        { "progressive", { "-quality", "75", "-interlace", "Plane" } },
        { "grey", { "-colorspace", "Gray", "-quality", "92" } } };
    for (const auto& [name, options] : writers) {
        SCOPED_TRACE(name);
        const bool grey = options.contains("Gray");
        const QString file = path(QStringLiteral("%1.jpg").arg(name));
        if (options.isEmpty())
            ASSERT_TRUE(source.save(file, "JPEG", 85));
        else
            ASSERT_EQ(magick(QStringList { sourcePng } + options + QStringList { file }), "");

        const std::optional<Image> decoded = decodeJpeg(fileBytes(file), 1'000'000);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->pixels.format(), grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
        const QImage reference(file);
        ASSERT_EQ(decoded->pixels.size(), reference.size());
        EXPECT_LE(compareImages(reference, decoded->pixels).maximum, 2);
        EXPECT_GT(compareImages(grey ? QImage(path("grey.png")) : source, decoded->pixels).psnr, 30);
        for (int y = 0; y < reference.height(); y += 7) // RGB32 requires the padding byte to be 0xFF
            EXPECT_EQ(qAlpha(decoded->pixels.pixel(y % reference.width(), y)), 255);
        EXPECT_TRUE(decoded->iccProfile.isEmpty());
    }
}

// Turning while decoding must give exactly the pixels of a plain decode turned afterwards by Qt's own
// exact transforms: odd sides, so rows and columns cannot line up by accident, and a picture whose
// upright rows are whole runs of four pixels (written past the caches) over more than one strip of rows.
TEST_F(CodecTest, UprightDecodeEqualsAPlainDecodeTurnedAfterwards)
{
    for (const auto& [grey, side] : { std::pair(false, QSize(37, 21)), std::pair(true, QSize(37, 21)),
             std::pair(false, QSize(150, 132)), std::pair(true, QSize(150, 132)) }) {
        const QImage source = photoLike(side.width(), side.height(), 30);
        const QString file = path("odd.jpg");
        ASSERT_TRUE(
            (grey ? source.convertToFormat(QImage::Format_Grayscale8) : source).save(file, "JPEG", 90));
        const std::optional<Image> plain = decodeJpeg(fileBytes(file), 1'000'000);
        ASSERT_TRUE(plain);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(testing::Message() << "orientation " << orientation << (grey ? " grey " : " ")
                                            << side.width() << "x" << side.height());
            const std::optional<Image> upright
                = decodeJpeg(fileBytes(file), 1'000'000, Orientation(orientation));
            ASSERT_TRUE(upright);
            EXPECT_EQ(upright->pixels.convertToFormat(QImage::Format_RGB32),
                turnedUpright(plain->pixels, orientation).convertToFormat(QImage::Format_RGB32));
        }
    }
}

// An eighth from the DC coefficients against libjpeg's own eighth (djpeg -scale 1/8) over the layouts
// cameras and editors write: grey exactly (both are each block's average), colour within the detail
// that libjpeg's chroma keeps at this scale (it decodes subsampled chroma at a quarter, not an eighth);
// quadrants of known colours keep their colours; every turn is the plain eighth turned by Qt's exact
// transforms.
TEST_F(CodecTest, EighthFromDcCoefficientsIsLibjpegsEighth)
{
    const QImage source = photoLike(203, 117, 6);
    ASSERT_TRUE(source.save(path("source.png")));
    struct Layout
    {
        const char* name;
        QStringList options;
    };
    const Layout layouts[]
        = { { "grey", { "-colorspace", "Gray" } }, { "444", { "-sampling-factor", "1x1" } },
              { "422", { "-sampling-factor", "2x1" } }, { "420", { "-sampling-factor", "2x2" } },
              { "420-restarts", { "-sampling-factor", "2x2", "-define", "jpeg:restart-interval=1" } } };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        const QString file = path(QStringLiteral("%1.jpg").arg(QLatin1String(layout.name)));
        ASSERT_EQ(magick(QStringList { path("source.png") } + layout.options
                      + QStringList { "-quality", "85", file }),
            "");
        const ProcessResult djpeg
            = runProcess(QStringLiteral("djpeg"), { "-scale", "1/8", "-outfile", path("eighth.pnm"), file });
        ASSERT_EQ(djpeg.exitCode, 0) << djpeg.standardError.toStdString();
        const QImage reference(path("eighth.pnm"));
        const QImage eighth = decodeJpegEighth(fileBytes(file), Orientation::Normal, 1'000'000);
        ASSERT_EQ(eighth.size(), QSize(26, 15));
        ASSERT_EQ(eighth.size(), reference.size());
        if (QLatin1String(layout.name) == QLatin1String("grey")) {
            EXPECT_EQ(eighth.format(), QImage::Format_Grayscale8);
            EXPECT_EQ(compareImages(reference, eighth).maximum, 0);
        } else {
            EXPECT_EQ(eighth.format(), QImage::Format_RGB32);
            EXPECT_GT(compareImages(reference, eighth).psnr, 30);
        }
        for (int orientation = 2; orientation <= 8; ++orientation) {
            SCOPED_TRACE(testing::Message() << "orientation " << orientation);
            EXPECT_EQ(decodeJpegEighth(fileBytes(file), Orientation(orientation), 1'000'000)
                          .convertToFormat(QImage::Format_RGB32),
                turnedUpright(eighth, orientation).convertToFormat(QImage::Format_RGB32));
        }
    }

    const QImage colours = quadrants(64, 48);
    const QString file = path("quadrants.jpg");
    ASSERT_TRUE(colours.save(file, "JPEG", 95));
    const QImage eighth = decodeJpegEighth(fileBytes(file), Orientation::Normal, 1'000'000);
    ASSERT_EQ(eighth.size(), QSize(8, 6));
    for (const QPoint at : { QPoint(1, 1), QPoint(6, 1), QPoint(1, 4), QPoint(6, 4) }) {
        const QRgb expected = colours.pixel(at * 8 + QPoint(4, 4)), actual = eighth.pixel(at);
        SCOPED_TRACE(testing::Message() << "at " << at.x() << "," << at.y());
        EXPECT_NEAR(qRed(actual), qRed(expected), 4);
        EXPECT_NEAR(qGreen(actual), qGreen(expected), 4);
        EXPECT_NEAR(qBlue(actual), qBlue(expected), 4);
    }
}

// What the walker cannot take whole gives no eighth, so that the caller decodes it another way: a
// progressive file, a CMYK one, a scan cut short or damaged, and a frame over the pixel bound.
TEST_F(CodecTest, EighthIsRefusedForWhatTheScanWalkerCannotTakeWhole)
{
    ASSERT_TRUE(photoLike(96, 64, 4).save(path("source.png")));
    ASSERT_EQ(magick({ path("source.png"), "-quality", "90", path("plain.jpg") }), "");
    ASSERT_EQ(magick({ path("source.png"), "-interlace", "JPEG", path("progressive.jpg") }), "");
    ASSERT_EQ(magick({ path("source.png"), "-colorspace", "CMYK", path("cmyk.jpg") }), "");
    const QByteArray plain = fileBytes(path("plain.jpg"));
    ASSERT_FALSE(decodeJpegEighth(plain, Orientation::Normal, 1'000'000).isNull());
    EXPECT_TRUE(decodeJpegEighth(plain, Orientation::Normal, 96 * 64 - 1).isNull());
    EXPECT_TRUE(
        decodeJpegEighth(fileBytes(path("progressive.jpg")), Orientation::Normal, 1'000'000).isNull());
    EXPECT_TRUE(decodeJpegEighth(fileBytes(path("cmyk.jpg")), Orientation::Normal, 1'000'000).isNull());
    EXPECT_TRUE(decodeJpegEighth(plain.left(plain.size() * 2 / 3), Orientation::Normal, 1'000'000).isNull());
    QByteArray damaged = plain;
    for (qsizetype i = damaged.size() / 2; i < damaged.size() / 2 + 40; ++i)
        damaged[i] = char(0xFF); // markers in the middle of the scan
    EXPECT_TRUE(decodeJpegEighth(damaged, Orientation::Normal, 1'000'000).isNull());
    EXPECT_TRUE(decodeJpegEighth(QByteArray("\xFF\xD8\xFF", 3), Orientation::Normal, 1'000'000).isNull());
}

TEST_F(CodecTest, AdobeCmykJpegDecodesToRgb32AndDropsItsProfile)
{
    const QImage source = quadrants(64, 48);
    const QString file = path("cmyk.jpg");
    ASSERT_EQ(magick({ png(source, "source.png"), "-colorspace", "CMYK", "-quality", "95", file }), "");
    // ImageMagick writes Photoshop's inverted CMYK with an Adobe marker; attach a profile to it as well.
    ASSERT_TRUE(jpegSegments(fileBytes(file)).size() > 2);
    EXPECT_TRUE(markerNames(jpegSegments(fileBytes(file))).contains("APP14"));
    ASSERT_EQ(
        runProcess("exiftool", { "-q", "-overwrite_original", "-icc_profile<=" + kAdobeRgbProfile, file })
            .exitCode,
        0);

    const std::optional<Image> decoded = decodeJpeg(fileBytes(file), 1'000'000);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pixels.format(), QImage::Format_RGB32);
    EXPECT_TRUE(decoded->iccProfile.isEmpty());
    EXPECT_FALSE(decoded->pixels.colorSpace().isValid());
    // Away from the quadrant borders the naive CMYK round trip gives the source colours back.
    EXPECT_LE(compareImages(source, decoded->pixels, false,
                  [](int x, int y, QRgb) { return x % 32 > 4 && x % 32 < 28 && y % 24 > 4 && y % 24 < 20; })
                  .maximum,
        24);
}

// Frames above the pixel limit are refused before anything is allocated for them.
TEST_F(CodecTest, BrokenInputGivesNothingACutScanItsRowsAndAMissingEndMarkerAloneLosesNoPixels)
{
    const QString file = path("good.jpg");
    ASSERT_TRUE(photoLike(160, 120, 20).save(file, "JPEG", 90));
    const QByteArray good = fileBytes(file);
    QByteArray random(4096, Qt::Uninitialized);
    QRandomGenerator(3).fillRange(reinterpret_cast<quint32*>(random.data()), random.size() / 4);
    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = { { "empty", {} }, { "random bytes", random }, { "only SOI", good.left(2) },
        { "cut in header", good.left(good.indexOf("\xFF\xC0") + 6) },
        { "cut right after scan header", good.left(good.lastIndexOf("\xFF\xDA") + 20) } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(decodeJpeg(c.bytes, 1'000'000));
    }
    // The frame header claiming 65500 x 65500 for the same few bytes of data.
    QByteArray huge = good;
    qToBigEndian<quint16>(65500, huge.data() + good.indexOf("\xFF\xC0") + 5);
    qToBigEndian<quint16>(65500, huge.data() + good.indexOf("\xFF\xC0") + 7);
    EXPECT_EQ(imageSizeOf(huge), QSize(65500, 65500));
    EXPECT_FALSE(decodeJpeg(huge, 100'000'000));
    // The pixel limit is on the frame's area: exactly it decodes, one pixel less refuses.
    EXPECT_TRUE(decodeJpeg(good, 160 * 120));
    EXPECT_FALSE(decodeJpeg(good, 160 * 120 - 1));

    ASSERT_TRUE(good.endsWith("\xFF\xD9"));
    (void)takeRowsInFile();
    const std::optional<Image> whole = decodeJpeg(good, 1'000'000);
    const std::optional<Image> withoutEnd = decodeJpeg(good.chopped(2), 1'000'000);
    ASSERT_TRUE(whole && withoutEnd);
    EXPECT_EQ(whole->pixels, withoutEnd->pixels);
    EXPECT_FALSE(takeRowsInFile());

    // A scan cut short keeps the rows whose data is in the file, exactly; the rest is libjpeg's grey.
    for (const qsizetype length : { good.size() / 2, good.size() - 40 }) {
        SCOPED_TRACE(length);
        const std::optional<Image> cut = decodeJpeg(good.left(length), 1'000'000);
        const std::optional<RowsInFile> rows = takeRowsInFile();
        ASSERT_TRUE(cut && rows);
        EXPECT_EQ(rows->total, 120);
        EXPECT_GT(rows->present, 0);
        EXPECT_LT(rows->present, 120);
        EXPECT_EQ(rows->present % 8, 0);
        // The last row of those is smoothed with the chroma of the next, which the file lacks.
        const int exact = rows->present - 1;
        EXPECT_EQ(cut->pixels.copy(0, 0, 160, exact), whole->pixels.copy(0, 0, 160, exact));
        if (rows->present <= 120 - 16) { // a whole row of blocks without data: flat grey
            EXPECT_EQ(cut->pixels.pixel(0, 119), qRgb(128, 128, 128));
        }
    }
}

TEST_F(CodecTest, IccProfileSurvivesDecodeAndEncodeByteForByte)
{
    const QByteArray adobe = fileBytes(kAdobeRgbProfile);
    ASSERT_FALSE(adobe.isEmpty());
    const QString file = path("adobe.jpg");
    ASSERT_EQ(magick({ png(photoLike(64, 48), "source.png"), "-profile", kAdobeRgbProfile, file }), "");

    const std::optional<Image> decoded = decodeJpeg(fileBytes(file), 1'000'000);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->iccProfile, adobe);
    // Decoding through a source gives the cleaned profile, which Qt reads as the same colour space.
    const std::optional<Image> sourced = ImageSource::createWithPath(file)->createImageAtIndex0();
    ASSERT_TRUE(sourced);
    EXPECT_EQ(sourced->iccProfile, cleanColorProfile(adobe));
    EXPECT_EQ(sourced->pixels.colorSpace().primaries(), QColorSpace::Primaries::AdobeRgb);

    // A profile too large for one marker, which Qt cannot parse, goes out in numbered chunks.
    QByteArray large(150'000, Qt::Uninitialized);
    QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(large.data()), large.size() / 4);
    for (const QByteArray& profile : { adobe, large }) {
        SCOPED_TRACE(profile.size());
        const QString out = path("out.jpg");
        JpegEncodeOptions options;
        options.iccProfile = profile;
        ASSERT_TRUE(encodeJpegTo(out, decoded->pixels, options));
        ASSERT_EQ(magick({ out, path("extracted.icc") }), "");
        EXPECT_EQ(fileBytes(path("extracted.icc")), profile);
        messageCount = 0;
        const QtMessageHandler previous = qInstallMessageHandler(countMessage);
        const std::optional<Image> again = decodeJpeg(fileBytes(out), 1'000'000);
        qInstallMessageHandler(previous);
        EXPECT_EQ(messageCount, 0) << "decoding must not log, not even about a profile Qt cannot parse";
        ASSERT_TRUE(again);
        EXPECT_EQ(again->iccProfile, profile);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Encoding

// Only JFIF and what the encoder is given: EXIF, an ICC profile, the resolution (rounded, clamped).
TEST_F(CodecTest, JpegEncoderWritesOnlyJfifAndWhatItIsGiven)
{
    const struct
    {
        const char* name;
        QImage::Format format;
        std::optional<double> dpiX, dpiY;
        bool exif, icc;
        int densityUnit, xDensity, yDensity;
    } cases[] = { { "nothing but pixels", QImage::Format_RGB32, {}, {}, false, false, 0, 1, 1 },
        { "dpi and EXIF", QImage::Format_ARGB32_Premultiplied, 300.0, 300.0, true, false, 1, 300, 300 },
        { "rounded dpi and ICC", QImage::Format_RGB888, 72.4, 96.6, false, true, 1, 72, 97 },
        { "grey with everything", QImage::Format_Grayscale8, 0.2, 0.3, true, true, 1, 1, 1 },
        { "grey16, one dpi value", QImage::Format_Grayscale16, 1e6, {}, false, false, 1, 65535, 65535 },
        { "indexed, converted", QImage::Format_Indexed8, {}, 150.0, true, true, 1, 150, 150 },
        { "RGBA bytes", QImage::Format_RGBA8888, {}, {}, false, false, 0, 1, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage source = photoLike(99, 61).convertToFormat(c.format, Qt::ThresholdDither);
        JpegEncodeOptions options;
        options.quality = 92;
        options.dpiX = c.dpiX;
        options.dpiY = c.dpiY;
        if (c.exif)
            options.exifPayload = orientationExif();
        if (c.icc)
            options.iccProfile = fileBytes(kAdobeRgbProfile);
        const QString file = path("out.jpg");
        ASSERT_TRUE(encodeJpegTo(file, source, options));

        const std::vector<JpegSegment> segments = jpegSegments(fileBytes(file));
        ASSERT_FALSE(segments.empty()) << "broken marker structure";
        const QString expected = QStringLiteral("SOI APP0 %1%2DQT SOF0 DHT SOS EOI")
                                     .arg(c.exif ? "APP1 " : "", c.icc ? "APP2 " : "");
        EXPECT_EQ(markerNames(segments), expected);

        // "JFIF\0", version 1.01, unit, X and Y density big-endian, no thumbnail.
        QByteArray jfif("JFIF\0\1\1\0\0\0\0\0\0\0", 14);
        jfif[7] = char(c.densityUnit);
        qToBigEndian<quint16>(quint16(c.xDensity), jfif.data() + 8);
        qToBigEndian<quint16>(quint16(c.yDensity), jfif.data() + 10);
        EXPECT_EQ(segments[1].payload, jfif);
        if (c.exif) {
            EXPECT_EQ(segments[2].payload, QByteArray("Exif\0\0", 6) + orientationExif());
            EXPECT_EQ(
                runProcess("exiftool", { "-s3", "-n", "-Orientation", file }).standardOutput.trimmed(), "1");
        }
        EXPECT_EQ(jpegIccProfile(segments), options.iccProfile);

        const bool grey = c.format == QImage::Format_Grayscale8 || c.format == QImage::Format_Grayscale16;
        const auto sof
            = std::find_if(segments.begin(), segments.end(), [](const auto& s) { return s.marker == 0xC0; });
        ASSERT_EQ(sof->payload.size(), grey ? 9 : 15);
        EXPECT_EQ(uchar(sof->payload[0]), 8);
        if (!grey) { // 4:2:0: luma sampled 2x2, both chroma components 1x1
            EXPECT_EQ(uchar(sof->payload[7]), 0x22);
            EXPECT_EQ(uchar(sof->payload[10]), 0x11);
            EXPECT_EQ(uchar(sof->payload[13]), 0x11);
        }
        const QImage reread(file);
        EXPECT_EQ(reread.format(), grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
        EXPECT_GT(
            compareImages(grey ? source.convertToFormat(QImage::Format_Grayscale8) : source, reread).psnr,
            30);
    }
}

// ---------------------------------------------------------------------------------------------------------
// GIF

// Few colours round-trip exactly, a photo is quantised close; pixels below half alpha become the
// transparent index, the others keep their own colour, not the one darkened by premultiplying.
TEST_F(CodecTest, GifKeepsTheColoursAndMakesPixelsBelowHalfAlphaTransparent)
{
    for (const auto& [photo, alpha] : { std::pair { false, false }, std::pair { true, false },
             std::pair { false, true }, std::pair { true, true } }) {
        SCOPED_TRACE(testing::Message() << (photo ? "photo" : "few colours") << (alpha ? " with alpha" : ""));
        QImage straight
            = (photo ? photoLike(120, 90) : quadrants(120, 90)).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; alpha && y < straight.height(); ++y)
            for (int x = 0; x < straight.width(); ++x)
                straight.setPixel(x, y,
                    (straight.pixel(x, y) & 0xFFFFFF)
                        | QRgb(x < 20      ? 0
                                  : x < 40 ? 100
                                  : x < 60 ? 200
                                           : 255)
                            << 24);
        const QString file = path("out.gif");
        ASSERT_TRUE(encodeGifTo(file, straight.convertToFormat(QImage::Format_ARGB32_Premultiplied)));

        const GifLayout layout = walkGif(fileBytes(file));
        EXPECT_EQ(layout.problem, "");
        EXPECT_EQ(layout.images, 1);
        EXPECT_EQ(layout.hasControl, alpha);
        if (alpha) {
            EXPECT_EQ(layout.version, "GIF89a");
            EXPECT_GE(layout.transparentIndex, 0);
            EXPECT_LT(layout.transparentIndex, layout.tableSize);
        } else {
            EXPECT_EQ(layout.tableSize, photo ? 256 : 4);
        }
        const QImage decoded = QImage(file, "GIF").convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(decoded.size(), straight.size());
        for (int y = 0; y < decoded.height(); ++y)
            for (int x = 0; x < decoded.width(); ++x)
                ASSERT_EQ(qAlpha(decoded.pixel(x, y)), qAlpha(straight.pixel(x, y)) < 128 ? 0 : 255)
                    << x << "," << y;
        const Difference opaque
            = compareImages(straight, decoded, false, [](int, int, QRgb p) { return qAlpha(p) >= 128; });
        if (photo)
            EXPECT_GT(opaque.psnr, 30);
        else
            EXPECT_LE(opaque.maximum, alpha ? 2 : 0);
    }
}

// Noise in 200 colours over 1.5 megapixels fills the LZW string table hundreds of times: after each clear
// code the writer must start afresh exactly as a decoder does. ImageMagick's own GIF decoder reads the
// file back to the last pixel.
TEST_F(CodecTest, GifNoiseSurvivesHundredsOfLzwTableResets)
{
    QRandomGenerator random(11);
    QList<QRgb> palette;
    for (int i = 0; i < 200; ++i)
        palette.append(qRgb(random.bounded(256), random.bounded(256), random.bounded(256)) | 0xFF000000);
    QImage noise(1500, 1000, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x)
            line[x] = palette[random.bounded(int(palette.size()))];
    }
    const QString file = path("noise.gif");
    ASSERT_TRUE(encodeGifTo(file, noise));
    EXPECT_EQ(walkGif(fileBytes(file)).problem, "");

    ASSERT_EQ(magick({ file, "-depth", "8", "rgb:" + path("decoded.rgb") }), "");
    const QByteArray decoded = fileBytes(path("decoded.rgb"));
    ASSERT_EQ(decoded.size(), qsizetype(noise.width()) * noise.height() * 3);
    qsizetype wrong = 0;
    for (int y = 0; y < noise.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(noise.constScanLine(y));
        const auto* rgb
            = reinterpret_cast<const uchar*>(decoded.constData()) + qsizetype(y) * noise.width() * 3;
        for (int x = 0; x < noise.width(); ++x, rgb += 3)
            wrong += qRgb(rgb[0], rgb[1], rgb[2]) != line[x];
    }
    EXPECT_EQ(wrong, 0);
}

// An EXIF payload beyond one segment, GIF sides beyond 65535 and a full disk (also when everything fits the
// first write buffer) make the encoders fail; nothing is written for a refused payload.
TEST_F(CodecTest, EncodersRefuseWhatTheyCannotWrite)
{
    JpegEncodeOptions options;
    options.exifPayload = orientationExif() + QByteArray(65527 - orientationExif().size(), '\0');
    const QString file = path("exif.jpg");
    ASSERT_TRUE(encodeJpegTo(file, photoLike(16, 16), options));
    const std::vector<JpegSegment> segments = jpegSegments(fileBytes(file));
    ASSERT_GT(segments.size(), 2u);
    EXPECT_EQ(segments[2].payload.size(), 65533);
    options.exifPayload += '\0';
    EXPECT_FALSE(encodeJpegTo(file, photoLike(16, 16), options));
    EXPECT_EQ(QFileInfo(file).size(), 0);

    EXPECT_FALSE(encodeGifTo(path("wide.gif"), QImage(65536, 1, QImage::Format_RGB32)));
    EXPECT_FALSE(encodeGifTo(path("null.gif"), QImage()));
    QImage tall(1, 65535, QImage::Format_RGB32);
    tall.fill(Qt::red);
    EXPECT_TRUE(encodeGifTo(path("tall.gif"), tall));
    EXPECT_EQ(walkGif(fileBytes(path("tall.gif"))).problem, "");

    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    for (const QImage& image : { photoLike(16, 16), photoLike(600, 400, 60) }) {
        EXPECT_FALSE(encodeJpeg(image, {}, full)) << image.width();
        EXPECT_FALSE(encodeGif(image, full)) << image.width();
    }
    ::close(full);
}

// Large frames come from a block each thread keeps for the next one: one after another in growing and
// shrinking sizes, each must hold every pixel written to it (a block too small for the frame it is
// handed out for would fault or overwrite its neighbour), also when released on another thread.
TEST(PixelPool, FramesOneAfterAnotherHoldEveryPixel)
{
    std::vector<QImage> kept;
    for (const QSize side : { QSize(2100, 1300), QSize(3001, 2003), QSize(1999, 1201), QSize(4000, 3000) }) {
        SCOPED_TRACE(testing::Message() << side.width() << "x" << side.height());
        QImage frame = pooledImage(side.width(), side.height(), QImage::Format_RGB32);
        ASSERT_FALSE(frame.isNull());
        ASSERT_EQ(frame.size(), side);
        ASSERT_EQ(frame.bytesPerLine(), side.width() * 4);
        for (int y = 0; y < side.height(); ++y) {
            auto* row = reinterpret_cast<quint32*>(frame.scanLine(y));
            std::fill(row, row + side.width(), quint32(y * 7919 + side.width()));
        }
        for (int y = 0; y < side.height(); y += 97) {
            const auto* row = reinterpret_cast<const quint32*>(frame.constScanLine(y));
            ASSERT_EQ(row[0], quint32(y * 7919 + side.width()));
            ASSERT_EQ(row[side.width() - 1], quint32(y * 7919 + side.width()));
        }
        if (side.width() == 1999)
            kept.push_back(std::move(frame)); // lives on while the next one is handed out
    }
    // A frame let go on another thread than the one that made it.
    std::thread([frame = std::move(kept.front())]() mutable { frame = QImage(); }).join();
    releasePooledPixels();
    EXPECT_TRUE(pooledImage(0, 10, QImage::Format_RGB32).isNull());
}

} // namespace
