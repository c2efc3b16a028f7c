// SPDX-License-Identifier: GPL-3.0-or-later
// HEIF files cleaned by rewriting their container: files built box by box around coded images that libheif
// encodes, with metadata, thumbnails, auxiliary images, supplemental units and junk planted around and
// inside the coded data. The copies are judged by libheif's decoder (pixels bit for bit against the
// source's, the images and metadata it finds), by exiftool and by a walk of their bytes; hostile files
// must never be copied.
#include "engine/formats/heif/HeifRewriter.h"
#include "engine/inspect/MetadataInspector.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/HeifFileBuilder.h"
#include "tests/engine/ProfileCrafting.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

/// What exiftool finds of the groups that hold metadata.
QStringList exiftoolMetadata(const QString& path)
{
    return metadataTags(exiftoolJson({ "-a", "-G1", "-u" }, { path }).value(path));
}

struct Rewritten
{
    HeifRewriteResult result = HeifRewriteResult::Failed;
    QString reason;
    QByteArray bytes;
};

Rewritten rewrite(const QByteArray& source, const QTemporaryDir& dir, std::optional<HeifCoding> coding = {})
{
    Rewritten out;
    const QString path = dir.filePath(QStringLiteral("out.heic"));
    QFile::remove(path);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return out;
    out.result = rewriteHeif(source, fd, coding, &out.reason);
    ::close(fd);
    out.bytes = fileBytes(path);
    return out;
}

/// What a dirty file is built around.
struct DirtyCase
{
    const char* name;
    bool av1;
    bool grid;
    bool alpha;
    bool turned; ///< irot, imir and clap on the primary image
};

class HeifRewriteDirty : public ::testing::TestWithParam<DirtyCase>
{
};

/// A coded image with a supplemental unit holding \a marker in its configuration and before its data.
CodedImage planted(CodedImage image, const QByteArray& marker)
{
    if (image.type == "hvc1") {
        image.configuration = hvcCWithNal(image.configuration, seiUserDataNal(marker + "-hvcC"));
        image.data = withNalFirst(image.data, seiUserDataNal(marker + "-data"));
    } else {
        image.configuration = av1CWithObu(image.configuration, av1MetadataObu(marker + "-av1C"));
        image.data = withObuSecond(image.data, av1MetadataObu(marker + "-data"));
    }
    return image;
}

/// A file carrying everything a phone and a careless tool put into one, around the case's image.
QByteArray dirtyFile(const DirtyCase& c)
{
    HeifFileBuilder builder(c.av1 ? "avif" : "heic", { "mif1", c.av1 ? "avif" : "heic", "MiPr", "tmap" });
    // The primary first, so that it is item 1, then what it is made of.
    quint32 primary = 0;
    if (c.grid) {
        primary = builder.addItem("grid", gridDescription(2, 2, 128, 128));
        builder.associate(primary, builder.addProperty("ispe", ispePayload(128, 128)));
        std::vector<quint32> tiles;
        for (int i = 0; i < 4; ++i) {
            const CodedImage tile = planted(encodeCodedImage(testPattern(64, 64, i), c.av1),
                kPlantPrefix + "-TILE" + QByteArray::number(i));
            tiles.push_back(builder.addCodedImage(tile, true));
        }
        builder.reference("dimg", primary, tiles);
    } else {
        primary
            = builder.addCodedImage(planted(encodeCodedImage(testPattern(128, 128, 7), c.av1), kPlantPrefix));
    }
    builder.setPrimary(primary);
    builder.associate(primary, builder.addProperty("colr", colrProfilePayload(personalised(displayP3v4()))));
    builder.associate(primary, builder.addProperty("colr", colrNclxPayload(12, 13, 6, true)));
    builder.associate(primary,
        builder.addProperty("udes",
            QByteArray(4, '\0') + QByteArray("en\0", 3) + kPlantPrefix + QByteArray("-udes\0\0\0", 8)));
    if (c.turned) {
        QByteArray clap;
        for (const quint32 value : { 96u, 1u, 80u, 1u, quint32(-6), 1u, 4u, 1u }) {
            for (int shift = 24; shift >= 0; shift -= 8)
                clap.append(char(value >> shift));
        }
        // Crop first, then turn and mirror: in the order the properties are associated.
        builder.associate(primary, builder.addProperty("clap", clap), true);
        builder.associate(primary, builder.addProperty("irot", QByteArray(1, '\x01')), true);
        builder.associate(primary, builder.addProperty("imir", QByteArray(1, '\x00')), true);
    }
    if (c.alpha) {
        CodedImage alpha
            = planted(encodeCodedImage(testPattern(128, 128, 3), c.av1), kPlantPrefix + "-ALPHA");
        const quint32 id = builder.addCodedImage(alpha, true);
        builder.associate(id,
            builder.addProperty("auxC",
                auxCPayload(
                    c.av1 ? "urn:mpeg:mpegB:cicp:systems:auxiliary:alpha" : "urn:mpeg:hevc:2015:auxid:1")
                    + kPlantPrefix + "-auxC-subtype"));
        builder.reference("auxl", id, { primary });
    }
    // Metadata items of the primary image.
    const quint32 exif = builder.addItem("Exif", exifItem(kPlantPrefix + "-EXIF-Artist"));
    builder.reference("cdsc", exif, { primary });
    const quint32 xmp = builder.addMimeItem("application/rdf+xml", xmpPacket(kPlantPrefix + "-XMP-creator"));
    builder.reference("cdsc", xmp, { primary });
    // A thumbnail and a depth map, each with an Exif block of its own, and a gain map.
    const quint32 thumbnail = builder.addCodedImage(encodeCodedImage(testPattern(64, 64, 5), c.av1));
    builder.reference("thmb", thumbnail, { primary });
    const quint32 thumbnailExif = builder.addItem("Exif", exifItem(kPlantPrefix + "-THUMB-EXIF"));
    builder.reference("cdsc", thumbnailExif, { thumbnail });
    const quint32 depth = builder.addCodedImage(encodeCodedImage(testPattern(64, 64, 6), c.av1), true);
    builder.associate(depth, builder.addProperty("auxC", auxCPayload("urn:mpeg:hevc:2015:auxid:2")));
    builder.reference("auxl", depth, { primary });
    const quint32 depthExif = builder.addItem("Exif", exifItem(kPlantPrefix + "-DEPTH-EXIF"));
    builder.reference("cdsc", depthExif, { depth });
    const quint32 gainMap = builder.addCodedImage(encodeCodedImage(testPattern(64, 64, 4), c.av1), true);
    builder.associate(
        gainMap, builder.addProperty("auxC", auxCPayload("urn:com:apple:photo:2020:aux:hdrgainmap")));
    builder.reference("auxl", gainMap, { primary });
    // An entity group, boxes of no image and bytes after the last box.
    builder.addMetaBox("grpl", box("altr", QByteArray("\0\0\0\0\0\0\x03\xE8\0\0\0\x01\0\0\0\x01", 16)));
    builder.addMetaBox("free", kPlantPrefix + "-meta-free");
    builder.addBox("udta",
        box("\xA9"
            "cmt",
            kPlantPrefix + "-udta"));
    builder.addBox("uuid", QByteArray(16, '\x42') + kPlantPrefix + "-uuid");
    builder.addBox("free", kPlantPrefix + "-free");
    builder.setTrailing(kPlantPrefix + "-TRAILING");
    return builder.build();
}

TEST_P(HeifRewriteDirty, KeepsThePixelsBitForBitAndNothingElse)
{
    const DirtyCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray source = dirtyFile(c);
    const QString sourcePath = dir.filePath(QStringLiteral("source.heic"));
    ASSERT_TRUE(writeFile(sourcePath, source));
    // The planted things are there for libheif and exiftool to find: the file is as dirty as meant.
    const Decoded before = decodeWithLibheif(source);
    ASSERT_TRUE(before.ok);
    ASSERT_EQ(before.alpha, c.alpha);
    ASSERT_GT(before.metadataBlocks, 0);
    ASSERT_GT(before.thumbnails, 0);
    ASSERT_FALSE(exiftoolMetadata(sourcePath).isEmpty());

    const Rewritten out = rewrite(source, dir, c.av1 ? HeifCoding::AV1 : HeifCoding::HEVC);
    ASSERT_EQ(out.result, HeifRewriteResult::Written) << out.reason.toStdString();

    const Decoded after = decodeWithLibheif(out.bytes);
    ASSERT_TRUE(after.ok);
    EXPECT_EQ(after.width, before.width);
    EXPECT_EQ(after.height, before.height);
    EXPECT_EQ(after.alpha, c.alpha);
    EXPECT_TRUE(after.pixels == before.pixels) << "the decoded pixels differ";
    if (c.turned) {
        // The crop to 96 x 80, then the quarter turn: the transforms are kept, not applied or lost.
        EXPECT_EQ(after.width, 80);
        EXPECT_EQ(after.height, 96);
    }
    EXPECT_EQ(after.topLevelImages, 1);
    EXPECT_EQ(after.thumbnails, 0);
    EXPECT_EQ(after.auxiliaryOtherThanAlpha, 0);
    EXPECT_FALSE(after.depth);
    EXPECT_EQ(after.metadataBlocks, 0);

    const QString outPath = dir.filePath(QStringLiteral("out.heic"));
    EXPECT_EQ(exiftoolMetadata(outPath), QStringList());
    EXPECT_FALSE(out.bytes.contains(kPlantPrefix)) << "a planted text reached the copy";
    for (const QByteArray& personal :
        { kPersonalDescription, kPersonalCopyright, kPersonalMaker, kPersonalModel })
        EXPECT_FALSE(out.bytes.contains(personal));
    // ftyp, meta and the one mdat, which ends the file.
    const auto boxes = topLevelBoxes(out.bytes);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].first, "ftyp");
    EXPECT_EQ(boxes[1].first, "meta");
    EXPECT_EQ(boxes[2].first, "mdat");
    EXPECT_FALSE(out.bytes.left(int(boxes[0].second)).contains("tmap"));
    EXPECT_FALSE(out.bytes.contains("grpl"));
    // Nothing is left to take away: the copy rewrites to itself.
    QTemporaryDir again;
    const Rewritten second = rewrite(out.bytes, again, c.av1 ? HeifCoding::AV1 : HeifCoding::HEVC);
    EXPECT_EQ(second.result, HeifRewriteResult::Written);
    EXPECT_TRUE(second.bytes == out.bytes);
}

INSTANTIATE_TEST_SUITE_P(Files, HeifRewriteDirty,
    ::testing::Values(DirtyCase { "HevcTurnedAndCropped", false, false, false, true },
        DirtyCase { "HevcGridWithAlpha", false, true, true, false },
        DirtyCase { "HevcGridTurned", false, true, false, true },
        DirtyCase { "Av1WithAlpha", true, false, true, false },
        DirtyCase { "Av1GridTurned", true, true, false, true }),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// ---------------------------------------------------------------------------------------------------------
// Hostile and unusual files: never copied

struct HostileCase
{
    const char* name;
    QByteArray (*build)(const CodedImage& image);
};

const CodedImage& sharedHevcImage()
{
    static const CodedImage image = encodeCodedImage(testPattern(64, 64, 1), false);
    return image;
}

QByteArray gridOfTiles(const CodedImage& image, int rows, int columns, bool sameExtent)
{
    HeifFileBuilder builder;
    const quint32 grid
        = builder.addItem("grid", gridDescription(rows, columns, quint32(64 * columns), quint32(64 * rows)));
    builder.associate(
        grid, builder.addProperty("ispe", ispePayload(quint32(64 * columns), quint32(64 * rows))));
    const int hvcC = builder.addProperty("hvcC", image.configuration);
    const int ispe = builder.addProperty("ispe", ispePayload(64, 64));
    std::vector<quint32> tiles;
    for (int i = 0; i < rows * columns; ++i) {
        const quint32 tile = builder.addItem("hvc1", i == 0 || !sameExtent ? image.data : QByteArray(), true);
        builder.associate(tile, hvcC, true);
        builder.associate(tile, ispe);
        if (sameExtent)
            builder.setExtents(tile, { { 8, quint64(image.data.size()) } }); // after the grid's 8 bytes
        tiles.push_back(tile);
    }
    builder.reference("dimg", grid, tiles);
    return builder.build();
}

QByteArray single(const CodedImage& image, const QByteArray& data, const QByteArray& extraProperty = {},
    bool essential = false)
{
    HeifFileBuilder builder;
    const quint32 id
        = builder.addCodedImage({ image.type, image.configuration, data, image.width, image.height });
    if (!extraProperty.isEmpty())
        builder.associate(id, builder.addProperty(extraProperty.left(4), extraProperty.mid(4)), essential);
    return builder.build();
}

/// \a configuration ('hvcC') with the header of every unit listed as a sequence parameter set saying
/// supplemental data instead: the decoder goes by the header, so no sequence parameter set is left.
QByteArray withSequenceParametersRelabelled(QByteArray configuration)
{
    qsizetype at = 22;
    const int arrays = uchar(configuration[at++]);
    for (int i = 0; i < arrays; ++i) {
        const bool parameterSets = (uchar(configuration[at]) & 0x3F) == 33;
        const int count = qFromBigEndian<quint16>(configuration.constData() + at + 1);
        at += 3;
        for (int k = 0; k < count; ++k) {
            const int length = qFromBigEndian<quint16>(configuration.constData() + at);
            if (parameterSets)
                configuration[at + 2] = char((39 << 1) | (uchar(configuration[at + 2]) & 0x81));
            at += 2 + length;
        }
    }
    return configuration;
}

void checkHeifRewriteHostile(const HostileCase& param)
{
    const CodedImage& image = sharedHevcImage();
    ASSERT_FALSE(image.data.isEmpty());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Rewritten out = rewrite(param.build(image), dir, HeifCoding::HEVC);
    EXPECT_EQ(out.result, HeifRewriteResult::NeedsReencode);
    EXPECT_FALSE(out.reason.isEmpty());
    EXPECT_TRUE(out.bytes.isEmpty());
}

TEST(HeifRewriteHostile, IsLeftToTheDecoderWithAReasonAndNothingWritten)
{
    const HostileCase cases[] = { HostileCase { "TilesSharingTheirData",
                                      [](const CodedImage& i) { return gridOfTiles(i, 1, 2, true); } },
        // Just over the 4096 tiles a grid may have: the count alone refuses it.
        HostileCase {
            "MoreTilesThanAGridMayHave", [](const CodedImage& i) { return gridOfTiles(i, 65, 65, true); } },
        HostileCase { "ExtentOutsideTheFile",
            [](const CodedImage& i) {
                HeifFileBuilder builder;
                const quint32 id = builder.addCodedImage(i);
                builder.setExtents(id, { { 1 << 20, quint64(i.data.size()) } });
                return builder.build();
            } },
        HostileCase { "GridMadeOfItself",
            [](const CodedImage& i) {
                HeifFileBuilder builder;
                const quint32 grid = builder.addItem("grid", gridDescription(1, 2, 128, 64));
                builder.associate(grid, builder.addProperty("ispe", ispePayload(128, 64)));
                const quint32 tile = builder.addCodedImage(i, true);
                builder.reference("dimg", grid, { tile, grid });
                return builder.build();
            } },
        HostileCase { "NalLengthPastTheEnd",
            [](const CodedImage& i) {
                QByteArray data = i.data;
                data[0] = char(0x7F);
                return single(i, data);
            } },
        HostileCase { "NalLengthsLeavingBytesOver",
            [](const CodedImage& i) { return single(i, i.data + QByteArray("\0\0", 2)); } },
        HostileCase { "ReservedSliceType",
            [](const CodedImage& i) {
                return single(i, withNalFirst(i.data, QByteArray("\x18\x01\xAA", 3)));
            } },
        HostileCase { "SequenceParametersUnderAnotherHeader",
            [](const CodedImage& i) {
                HeifFileBuilder builder;
                builder.addCodedImage(
                    { i.type, withSequenceParametersRelabelled(i.configuration), i.data, i.width, i.height });
                return builder.build();
            } },
        HostileCase { "UnknownEssentialProperty",
            [](const CodedImage& i) { return single(i, i.data, QByteArray("lsel\0\0", 6), true); } },
        HostileCase { "OverlayPrimary",
            [](const CodedImage& i) {
                HeifFileBuilder builder;
                const quint32 overlay
                    = builder.addItem("iovl", QByteArray("\0\0\0\0\0\0\0\0\0\0\0\x40\0\x40", 14));
                builder.associate(overlay, builder.addProperty("ispe", ispePayload(64, 64)));
                const quint32 tile = builder.addCodedImage(i, true);
                builder.reference("dimg", overlay, { tile });
                return builder.build();
            } },
        HostileCase { "NoPrimaryImage",
            [](const CodedImage& i) {
                HeifFileBuilder builder;
                builder.addCodedImage(i);
                builder.setPrimary(std::nullopt);
                return builder.build();
            } },
        HostileCase { "TwoAlphaChannels",
            [](const CodedImage& i) {
                HeifFileBuilder builder;
                const quint32 primary = builder.addCodedImage(i);
                for (int k = 0; k < 2; ++k) {
                    const quint32 alpha = builder.addCodedImage(i, true);
                    builder.associate(
                        alpha, builder.addProperty("auxC", auxCPayload("urn:mpeg:hevc:2015:auxid:1")));
                    builder.reference("auxl", alpha, { primary });
                }
                return builder.build();
            } },
        HostileCase { "CodedAsAv1NamedHevc", [](const CodedImage&) {
                         HeifFileBuilder builder("heic", { "mif1", "heic" });
                         builder.addCodedImage(encodeCodedImage(testPattern(64, 64, 2), true));
                         return builder.build();
                     } } };
    for (const HostileCase& param : cases) {
        SCOPED_TRACE(param.name);
        checkHeifRewriteHostile(param);
    }
}

TEST(HeifRewrite, AFailedWriteSaysWhy)
{
    const CodedImage& image = sharedHevcImage();
    HeifFileBuilder builder;
    builder.addCodedImage(image);
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    QString reason;
    EXPECT_EQ(rewriteHeif(builder.build(), fd, HeifCoding::HEVC, &reason), HeifRewriteResult::Failed);
    ::close(fd);
    EXPECT_FALSE(reason.isEmpty());
}

// ---------------------------------------------------------------------------------------------------------
// The inspector sees what a copy must not hold, so that the copy check would catch it

struct InspectionCase
{
    const char* name;
    QByteArray (*build)();
    const char* finding; ///< a part of a hidden field's name; empty: nothing at all may be found
};

QByteArray withImage(bool av1, void (*plant)(CodedImage&))
{
    static const CodedImage hevc = encodeCodedImage(testPattern(64, 64, 1), false);
    static const CodedImage av1Image = encodeCodedImage(testPattern(64, 64, 1), true);
    CodedImage image = av1 ? av1Image : hevc;
    HeifFileBuilder builder(av1 ? "avif" : "heic", { "mif1", av1 ? "avif" : "heic" });
    plant(image);
    builder.addCodedImage(image);
    return builder.build();
}

void checkHeifInspection(const InspectionCase& param)
{
    const Inspection inspection = inspectImageData(param.build());
    ASSERT_TRUE(inspection.readable) << inspection.reason.toStdString();
    const QString finding = QString::fromLatin1(param.finding);
    if (finding.isEmpty()) {
        EXPECT_TRUE(inspection.nothingPersonal()) << inspection.summary().toStdString();
        return;
    }
    ASSERT_TRUE(inspection.groups.contains(PersonalGroup::Hidden)) << inspection.summary().toStdString();
    bool found = false;
    for (const InspectedField& field : inspection.groups.at(PersonalGroup::Hidden))
        found = found || field.name.contains(finding);
    EXPECT_TRUE(found) << inspection.summary().toStdString();
    // What the units say is shown, so that a person sees what the file gives away.
    const std::vector<InspectedField>& hidden = inspection.groups.at(PersonalGroup::Hidden);
    const bool unitsFound = finding.contains("SEI") || finding.contains("OBU");
    EXPECT_TRUE(!unitsFound || std::any_of(hidden.begin(), hidden.end(), [](const InspectedField& field) {
        return field.value.contains(QString::fromLatin1(kPlantPrefix));
    }));
    // The thumbnail's own Exif is read too.
    if (finding == "Thumbnail") {
        EXPECT_GT(inspection.groups.size(), 1u) << inspection.summary().toStdString();
    }
}

TEST(HeifInspection, FindsWhatTheCodedDataAndTheItemsCarry)
{
    const InspectionCase cases[] = { InspectionCase { "CleanHevc",
                                         [] { return withImage(false, [](CodedImage&) {}); }, "" },
        InspectionCase { "CleanAv1", [] { return withImage(true, [](CodedImage&) {}); }, "" },
        InspectionCase { "SeiInConfiguration",
            [] {
                return withImage(false, [](CodedImage& i) {
                    i.configuration = hvcCWithNal(i.configuration, seiUserDataNal(kPlantPrefix));
                });
            },
            "HEVC SEI" },
        InspectionCase { "SeiInData",
            [] {
                return withImage(false,
                    [](CodedImage& i) { i.data = withNalFirst(i.data, seiUserDataNal(kPlantPrefix)); });
            },
            "HEVC SEI" },
        InspectionCase { "MetadataObuInConfiguration",
            [] {
                return withImage(true, [](CodedImage& i) {
                    i.configuration = av1CWithObu(i.configuration, av1MetadataObu(kPlantPrefix));
                });
            },
            "AV1 OBU" },
        InspectionCase { "MetadataObuInData",
            [] {
                return withImage(true,
                    [](CodedImage& i) { i.data = withObuSecond(i.data, av1MetadataObu(kPlantPrefix)); });
            },
            "AV1 OBU" },
        InspectionCase { "DepthMap",
            [] {
                const CodedImage image = encodeCodedImage(testPattern(64, 64, 1), false);
                HeifFileBuilder builder;
                const quint32 primary = builder.addCodedImage(image);
                const quint32 depth = builder.addCodedImage(image, true);
                builder.associate(
                    depth, builder.addProperty("auxC", auxCPayload("urn:mpeg:hevc:2015:auxid:2")));
                builder.reference("auxl", depth, { primary });
                return builder.build();
            },
            "Auxiliary image" },
        InspectionCase { "ThumbnailWithExif",
            [] {
                const CodedImage image = encodeCodedImage(testPattern(64, 64, 1), false);
                HeifFileBuilder builder;
                const quint32 primary = builder.addCodedImage(image);
                const quint32 thumbnail = builder.addCodedImage(image);
                builder.reference("thmb", thumbnail, { primary });
                builder.reference("cdsc", builder.addItem("Exif", exifItem(kPlantPrefix)), { thumbnail });
                return builder.build();
            },
            "Thumbnail" } };
    for (const InspectionCase& param : cases) {
        SCOPED_TRACE(param.name);
        checkHeifInspection(param);
    }
}

} // namespace
