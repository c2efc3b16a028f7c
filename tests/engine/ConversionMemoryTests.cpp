// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ConversionMemory.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/HeifFileBuilder.h"

#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

/// How a HEIF file of the dirty set is laid out before its estimate is taken. The estimate reads its
/// structure only, never the items' data, so moving boxes (and with them the data the item locations
/// point at) still tells whether it finds the 'meta' box wherever it lies.
enum class Layout { AsMade, MetaAfterData, MetaBeyondFirstMegabytes, WithoutMeta };

struct HeifCase
{
    const char* file;
    Layout layout;
};

// A HEIF file's estimate counts its pixels as exiftool reads the size: decoded and drawn, 8 bytes each.
// Without its 'meta' box a file states no size: its bytes alone are counted.
void checkHeifEstimate(const HeifCase& c)
{
    const QString source = dirtyFile(QStringLiteral("heif/") + QLatin1String(c.file));
    const QByteArray bytes = fileBytes(source);
    ASSERT_FALSE(bytes.isEmpty()) << "the dirty test set is not there";
    const QJsonObject tags = exiftoolTags(source);
    const qint64 pixels
        = qint64(tags.value("File:ImageWidth").toInt()) * tags.value("File:ImageHeight").toInt();
    ASSERT_GT(pixels, 0);

    QList<QByteArray> boxes;
    qsizetype at = 0;
    for (const auto& [type, size] : topLevelBoxes(bytes)) {
        boxes.append(bytes.mid(at, qsizetype(size)));
        at += qsizetype(size);
    }
    ASSERT_EQ(boxes.size(), 3);
    ASSERT_TRUE(boxes[0].mid(4, 4) == "ftyp" && boxes[1].mid(4, 4) == "meta" && boxes[2].mid(4, 4) == "mdat");
    const QByteArray freeBox = box("free", QByteArray(qsizetype(6) << 20, '\0'));
    const QByteArray laidOut = c.layout == Layout::MetaAfterData ? boxes[0] + boxes[2] + boxes[1]
        : c.layout == Layout::MetaBeyondFirstMegabytes           ? boxes[0] + freeBox + boxes[1] + boxes[2]
        : c.layout == Layout::WithoutMeta                        ? boxes[0] + boxes[2]
                                                                 : bytes;
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(c.file));
    ASSERT_TRUE(writeFile(path, laidOut));
    EXPECT_EQ(
        estimatedConversionBytes(path), laidOut.size() + (c.layout == Layout::WithoutMeta ? 0 : pixels * 8));
}

TEST(HeifEstimate, CountsThePixelsTheFileStatesOrItsBytesAloneWithoutAStructure)
{
    const HeifCase cases[] = { { "01_exif_gps_xmp_thumb.heic", Layout::AsMade },
        { "01_exif_gps_xmp_thumb.heic", Layout::MetaAfterData },
        { "01_exif_gps_xmp_thumb.heic", Layout::MetaBeyondFirstMegabytes },
        { "01_exif_gps_xmp_thumb.heic", Layout::WithoutMeta }, { "04_alpha_exif_xmp.heic", Layout::AsMade },
        { "06_avif_exif_xmp_thumb.avif", Layout::AsMade },
        { "06_avif_exif_xmp_thumb.avif", Layout::MetaAfterData } };
    for (const HeifCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + "/" + std::to_string(int(c.layout)));
        checkHeifEstimate(c);
    }
}

} // namespace
