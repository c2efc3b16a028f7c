// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli on HEIF files written in their own type: the container is rewritten, not the pixels, and
// the reports say which copies were re-encoded.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/HeifFileBuilder.h"

#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

/// A HEIC with a supplemental unit, an Exif item and an XMP item around its image; \a sharedTiles makes
/// it a grid whose two tiles read the same bytes, which libheif decodes but no copy keeps.
QByteArray heicFile(bool sharedTiles)
{
    const CodedImage image = encodeCodedImage(testPattern(64, 64, 2), false);
    HeifFileBuilder builder;
    quint32 primary = 0;
    if (sharedTiles) {
        primary = builder.addItem("grid", gridDescription(1, 2, 128, 64));
        builder.associate(primary, builder.addProperty("ispe", ispePayload(128, 64)));
        const int hvcC = builder.addProperty("hvcC", image.configuration);
        const int ispe = builder.addProperty("ispe", ispePayload(64, 64));
        std::vector<quint32> tiles;
        for (int i = 0; i < 2; ++i) {
            const quint32 tile = builder.addItem("hvc1", i == 0 ? image.data : QByteArray(), true);
            builder.associate(tile, hvcC, true);
            builder.associate(tile, ispe);
            builder.setExtents(tile, { { 8, quint64(image.data.size()) } });
            tiles.push_back(tile);
        }
        builder.reference("dimg", primary, tiles);
    } else {
        CodedImage dirty = image;
        dirty.data = withNalFirst(image.data, seiUserDataNal(kPlantPrefix + "-SEI"));
        primary = builder.addCodedImage(dirty);
    }
    builder.reference("cdsc", builder.addItem("Exif", exifItem(kPlantPrefix + "-EXIF")), { primary });
    builder.reference(
        "cdsc", builder.addMimeItem("application/rdf+xml", xmpPacket(kPlantPrefix + "-XMP")), { primary });
    return builder.build();
}

} // namespace

TEST(HeifRewriteCommandLine, KeepsTheCodedDataAndReportsWhatWasReencoded)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString in = work.filePath("in");
    const QByteArray rewritable = heicFile(false);
    const QByteArray shared = heicFile(true);
    ASSERT_TRUE(decodeWithLibheif(shared).ok);
    ASSERT_TRUE(writeFile(in + "/photo.heic", rewritable));
    ASSERT_TRUE(writeFile(in + "/shared.heic", shared));
    ASSERT_TRUE(writeFile(in + "/plain.png", QByteArray()));
    ASSERT_TRUE(testPattern(32, 32, 1).save(in + "/plain.png"));

    const QString config = work.filePath("config");
    const ProcessResult json = runCli({ "--json", "-o", work.filePath("json"), in }, config);
    ASSERT_EQ(json.exitCode, 0) << json.standardError.toStdString();
    const QHash<QString, QJsonObject> outcomes = jsonBySource(json.standardOutput);

    const QJsonObject photo = outcomes.value("photo.heic");
    ASSERT_EQ(photo.value("status").toString(), "written");
    EXPECT_EQ(photo.value("reencoded"), QJsonValue(false));
    EXPECT_TRUE(photo.value("note").isNull());
    const QByteArray copy = fileBytes(photo.value("output").toString());
    EXPECT_EQ(decodeWithLibheif(copy).pixels, decodeWithLibheif(rewritable).pixels);
    EXPECT_FALSE(copy.contains(kPlantPrefix));

    const QJsonObject fallback = outcomes.value("shared.heic");
    ASSERT_EQ(fallback.value("status").toString(), "written");
    EXPECT_EQ(fallback.value("reencoded"), QJsonValue(true));
    EXPECT_TRUE(fallback.value("note").toString().contains("re-encoded"))
        << fallback.value("note").toString().toStdString();
    EXPECT_FALSE(fileBytes(fallback.value("output").toString()).contains(kPlantPrefix));

    EXPECT_EQ(outcomes.value("plain.png").value("reencoded"), QJsonValue(true));

    // The text report names only the copy that was re-encoded against the user's choice.
    const ProcessResult text = runCli({ "-o", work.filePath("text"), in }, config);
    ASSERT_EQ(text.exitCode, 0) << text.standardError.toStdString();
    EXPECT_TRUE(text.standardError.contains("note: " + in + "/shared.heic"))
        << text.standardError.toStdString();
    EXPECT_FALSE(text.standardError.contains("photo.heic"));
    EXPECT_FALSE(text.standardError.contains("plain.png"));
}
