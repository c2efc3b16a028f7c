// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs the fuzzer or a hand-made attack found troublesome, kept so that they stay harmless.
#include "engine/formats/heif/HeifCodec.h"
#include "engine/formats/jpeg/JpegCodec.h"
#include "engine/inspect/MetadataInspector.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/metadata/MetadataReader.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSource.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/ProfileCrafting.h"

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

TEST(FuzzRegression, AJpegFarTooSmallForTheFrameItClaimsIsRefusedUnread)
{
    // A real 640 x 480 photo whose frame header says 16000 x 16000: within the pixel bound, but the
    // decoder would pad 256 megapixels of grey from 17 kB of data, taking seconds and a gigabyte.
    QByteArray jpeg = fileBytes(dirtyCorpusDir() + QStringLiteral("/jpeg/orient/orient_6.jpg"));
    ASSERT_FALSE(jpeg.isEmpty());
    for (qsizetype i = 2; i + 9 < jpeg.size(); i += 2 + (uchar(jpeg[i + 2]) << 8 | uchar(jpeg[i + 3]))) {
        if (uchar(jpeg[i + 1]) == 0xC0) {
            qToBigEndian(quint16(16000), jpeg.data() + i + 5);
            qToBigEndian(quint16(16000), jpeg.data() + i + 7);
            break;
        }
    }
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    ASSERT_EQ(QImageReader(&buffer).size(), QSize(16000, 16000));
    for (const Orientation orientation : { Orientation::Normal, Orientation::Rotate90 })
        EXPECT_FALSE(decodeJpeg(jpeg, qint64(1) << 28, orientation)) << int(orientation);
}

TEST(FuzzRegression, APngChunkClaimingMoreThanTheFileHoldsIsRefusedBeforeLibpngAllocatesIt)
{
    // A small PNG whose chunk after the image data claims about 800 MB: libpng would ask for all of it.
    const QByteArray png(
        "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x28\x00\x00\x00\x1e"
        "\x01\x00\x00\x00\x00\x76\xa6\x61\x70\x00\x00\x00\x04\x67\x41\x4d\x41\x00\x00\xb1\x8f\x0b\xfc\x61"
        "\x05\x00\x00\x00\x02\x62\x4b\x47\x44\x00\x01\xdd\x8a\x13\xa4\x00\x00\x00\x07\x74\x49\x4d\x45\x07"
        "\xea\x0c\x06\x0b\x12\x0b\x78\xe3\x66\x23\x00\x00\x00\x59\x49\x44\x41\x54\x08\xd7\x63\xf8\x0f\x02"
        "\x0c\xc4\x93\xbf\x21\xec\xd7\xdf\xbf\xff\x06\x8a\xe4\xff\xdb\xc7\x10\x95\xfb\xf5\xf6\x6d\x86\xf7"
        "\xef\xb2\x8b\xef\x31\xac\x5c\xb5\xeb\x5c\x32\x43\x28\x10\x54\x32\xac\x5a\xe5\xb5\xaa\x8b\x61\x5a"
        "\xda\x95\x20\x57\x06\x45\x09\x4e\xa9\x89\x0c\x29\x8d\x91\x0b\x66\x31\x30\x09\x30\x30\x31\x30\x08"
        "\x38\x70\x74\x30\x90\x07\x00\xc1\x84\x4b\x74\xb1\x69\x89\xce\x00\x00\x00\x25\x74\x45\x58\x74\x64"
        "\x61\x74\x65\x3a\x63\x72\x65\x61\x74\x65\x00\x32\x30\x32\x36\x2d\x31\x32\x2d\x30\x36\x54\x31\x31"
        "\x3a\x31\x38\x3a\x31\x31\x2b\x30\x30\x3a\x30\x30\xc4\x65\x58\x49\x66\x00\x00\x25\x74\x45\x58\x74"
        "\x64\x61\x74\x65\x3a\x6d\x6f\x64\x69\x66\x79\x00\x32\x30\x32\x36\x2d\x31\x32\x2d\x30\x36\x54\x31"
        "\x31\x3a\x31\x38\x3a\x31\x31\x2b\x30\x30\x3a\x30\x30\xb5\x6f\x7c\x70\x00\x00\x00\x00\x49\x45\x4e"
        "\x44\xae\x42\x60\x82",
        293);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chunk.png"));
    ASSERT_TRUE(writeFile(path, png));
    EXPECT_EQ(IICreateImage(path, false), nullptr);
}

TEST(FuzzRegression, ProfileSignaturesOutsideLittleCmsNamesAreComparedAsNumbers)
{
    // lcms hands tag and header signatures back as enumerations; values above its names (a high bit set)
    // were held in them, which the undefined-behaviour sanitizer reports.
    const QByteArray good = fileBytes(QStringLiteral("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc"));
    ASSERT_FALSE(good.isEmpty());
    const QByteArray oddTag = withExtraTag(good, "\x96\xaa\x2b\x43", "private data");
    const QByteArray cleaned = cleanColorProfile(oddTag);
    ASSERT_FALSE(cleaned.isEmpty());
    EXPECT_FALSE(cleaned.contains("private data"));
    for (const qsizetype field : { 12, 16, 20 }) { // device class, colour space, connection space
        QByteArray oddHeader = good;
        qToBigEndian(quint32(0x96aa2b43), oddHeader.data() + field);
        EXPECT_TRUE(cleanColorProfile(oddHeader).isEmpty()) << field;
    }
}

TEST(FuzzRegression, APngWhoseChunkBeforeTheImageClaimsTooMuchIsRefusedUnread)
{
    // Found by the PNG target: reading a PNG whose text chunk before the image data claims about 800 MB
    // made libpng ask for all of it.
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && quadrants(40, 30).save(&buffer, "PNG"));
    const std::unique_ptr<ImageSource> whole = ImageSource::createWithData(png);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->createImageAtIndex0()->pixels.size(), QSize(40, 30));

    png.insert(8 + 25, QByteArray("\x30\x3a\x30\x30tEXtdate", 12)); // right after IHDR
    const std::unique_ptr<ImageSource> forged = ImageSource::createWithData(png);
    ASSERT_TRUE(forged);
    EXPECT_FALSE(forged->createImageAtIndex0());
}

TEST(FuzzRegression, ACleanedProfileIsOneThatCleansToItselfAgain)
{
    // Found by the profile target: a version 2 profile holding version 4 LUTs, some of their values
    // changed, came out of cleaning with a LUT that lcms wrote but could not read again (so cleaning it
    // once more dropped it). Such a profile is now dropped the first time.
    const LcmsProfile mixed(lutProfile());
    cmsSetProfileVersion(mixed.handle, 2.1);
    QByteArray profile = mixed.save();
    ASSERT_EQ(profile.size(), 4712);
    const std::pair<qsizetype, char> changes[] = { { 1023, 0x2a }, { 3506, 'I' }, { 3507, 'C' },
        { 3508, 'C' }, { 3509, '_' }, { 3510, 'P' }, { 3511, 'R' }, { 3512, 'O' }, { 3513, 'F' },
        { 3514, 'I' }, { 3515, 'L' }, { 3516, 'E' }, { 3517, 0 }, { 3518, 1 }, { 3519, 2 }, { 4677, 0x41 } };
    for (const auto& [at, value] : changes)
        profile[at] = value;
    for (const QByteArray& source : { mixed.save(), profile }) {
        const QByteArray cleaned = cleanColorProfile(source);
        if (!cleaned.isEmpty()) {
            EXPECT_EQ(cleanColorProfile(cleaned), cleaned);
        }
    }
}

TEST(FuzzRegression, AHeifColourBoxWithAnUnknownCodePointIsIgnoredAndFreed)
{
    // libheif hands out the colour description also when it reports a code point it does not know; the
    // reader freed it only on success (a leak the sanitizer build's leak check catches here).
    QByteArray avif = fileBytes(dirtyCorpusDir() + QStringLiteral("/heif/07_nclx_display_p3.avif"));
    const qsizetype nclx = avif.indexOf("colrnclx");
    ASSERT_GT(nclx, 0);
    qToBigEndian(quint16(99), avif.data() + nclx + 10); // the transfer characteristics
    QString reason;
    const auto input = HeifInput::open(avif, qint64(1) << 24, &reason);
    ASSERT_TRUE(input) << qPrintable(reason);
    EXPECT_FALSE(input->info().colour);
    EXPECT_TRUE(input->decode(&reason)) << qPrintable(reason);
    if (input->hasJpegPlanes()) {
        EXPECT_TRUE(input->decodePlanes(&reason)) << qPrintable(reason);
    }
}

TEST(FuzzRegression, AHeifStatingSidesOfNearly32BitsIsRefusedWithoutOverflow)
{
    // Sides near 2^32 overflowed the 64-bit product checked against the pixel bound (the sanitizer build's
    // undefined-behaviour check catches it here).
    const QByteArray heic = fileBytes(dirtyCorpusDir() + QStringLiteral("/heif/01_exif_gps_xmp_thumb.heic"));
    ASSERT_FALSE(heic.isEmpty());
    QByteArray stated = heic;
    for (qsizetype at = stated.indexOf("ispe"); at > 0; at = stated.indexOf("ispe", at + 4)) {
        qToBigEndian(quint32(0xFFFFFFD7), stated.data() + at + 8);
        qToBigEndian(quint32(0xFFFFFF1E), stated.data() + at + 12);
    }
    QString reason;
    EXPECT_FALSE(HeifInput::open(stated, qint64(1) << 28, &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("more than this program decodes"))) << qPrintable(reason);
}

TEST(FuzzRegression, ABmpStatingSidesAndDepthWhosePixelsPass64BitsIsInspectedWithoutOverflow)
{
    // A 40-byte header stating 2^31 - 1 pixels each way at 65,535 bits per pixel, uncompressed, with a
    // comment-like text after it: the pixels' end overflowed 64 bits before it was compared with the file.
    QByteArray bmp(54, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    const auto put32 = [&bmp](int at, quint32 value) { qToLittleEndian(value, bmp.data() + at); };
    put32(2, 54 + 16);
    put32(10, 54);
    put32(14, 40);
    put32(18, 0x7FFFFFFF);
    put32(22, 0x7FFFFFFF);
    qToLittleEndian(quint16(1), bmp.data() + 26);
    qToLittleEndian(quint16(0xFFFF), bmp.data() + 28);
    bmp += QByteArray("Keywords: home\0\0");
    const Inspection inspection = inspectImageData(bmp);
    EXPECT_TRUE(inspection.readable) << inspection.reason.toStdString();
}

TEST(FuzzRegression, ExivReadsOnlyTheContainerTheEngineFound)
{
    // A PNG with a position in its EXIF chunk, read as what it is and as a JPEG it is not.
    const QByteArray png = fileBytes(dirtyCorpusDir() + QStringLiteral("/png/02_exif_chunk.png"));
    ASSERT_TRUE(readImageProperties(png, ImageFormat::PNG).contains(kCGImagePropertyGPSDictionary));
    EXPECT_FALSE(readImageProperties(png, ImageFormat::JPEG).contains(kCGImagePropertyGPSDictionary));
    // Bytes that Exiv2 takes for a QuickTime file with an 'ftyp' box of almost 4 GB: its video parser
    // stepped through the stated size four bytes at a time (a hang found by the metadata fuzz target).
    const QByteArray movie
        = QByteArray::fromBase64("6wAAGGZ0eXBoZVuXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5"
                                 "eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5"
                                 "eXl5eXl5eXl5eXl5eXl5cAAABhAAAAAGhkQA==");
    ASSERT_EQ(movie.mid(4, 4), QByteArray("ftyp"));
    for (const ImageFormat format : { ImageFormat::JPEG, ImageFormat::PNG, ImageFormat::TIFF })
        EXPECT_TRUE(readImageProperties(movie, format).entries().empty()) << int(format);
}
