// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ConversionMemory.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

/// The top-level boxes of a HEIF file, in their order.
QList<QByteArray> topLevelBoxes(const QByteArray& file)
{
    QList<QByteArray> boxes;
    for (qsizetype offset = 0; offset + 8 <= file.size();) {
        const auto size = qsizetype(qFromBigEndian<quint32>(file.constData() + offset));
        if (size < 8 || offset + size > file.size())
            return {};
        boxes.append(file.mid(offset, size));
        offset += size;
    }
    return boxes;
}

QByteArray freeBox(qsizetype payload)
{
    QByteArray box(8 + payload, '\0');
    qToBigEndian(quint32(box.size()), box.data());
    box.replace(4, 4, "free");
    return box;
}

/// How a HEIF file of the dirty set is laid out before its estimate is taken. The estimate reads its
/// structure only, never the items' data, so moving boxes (and with them the data the item locations
/// point at) still tells whether it finds the 'meta' box wherever it lies.
enum class Layout { AsMade, MetaAfterData, MetaBeyondFirstMegabytes };

struct HeifCase
{
    const char* file;
    Layout layout;
};

// A HEIF file's estimate counts its pixels as exiftool reads the size: decoded and drawn, 8 bytes each.
void checkHeifEstimate(const HeifCase& param)
{
    const HeifCase& c = param;
    const QString source = dirtyCorpusDir() + QStringLiteral("/heif/") + QLatin1String(c.file);
    const QByteArray bytes = fileBytes(source);
    if (bytes.isEmpty())
        GTEST_SKIP() << "the dirty test set is not there";
    const QJsonObject tags = exiftoolTags(source);
    const qint64 pixels
        = qint64(tags.value("File:ImageWidth").toInt()) * tags.value("File:ImageHeight").toInt();
    ASSERT_GT(pixels, 0);

    const QList<QByteArray> boxes = topLevelBoxes(bytes);
    ASSERT_EQ(boxes.size(), 3);
    ASSERT_TRUE(boxes[0].mid(4, 4) == "ftyp" && boxes[1].mid(4, 4) == "meta" && boxes[2].mid(4, 4) == "mdat");
    QByteArray laidOut;
    switch (c.layout) {
    case Layout::AsMade:
        laidOut = bytes;
        break;
    case Layout::MetaAfterData:
        laidOut = boxes[0] + boxes[2] + boxes[1];
        break;
    case Layout::MetaBeyondFirstMegabytes:
        laidOut = boxes[0] + freeBox(qsizetype(6) << 20) + boxes[1] + boxes[2];
        break;
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QLatin1String(c.file));
    ASSERT_TRUE(writeFile(path, laidOut));
    EXPECT_EQ(estimatedConversionBytes(path), laidOut.size() + pixels * 8);
}

TEST(HeifEstimate, CountsThePixelsTheFileStates)
{
    const HeifCase cases[] = { HeifCase { "01_exif_gps_xmp_thumb.heic", Layout::AsMade },
        HeifCase { "01_exif_gps_xmp_thumb.heic", Layout::MetaAfterData },
        HeifCase { "01_exif_gps_xmp_thumb.heic", Layout::MetaBeyondFirstMegabytes },
        HeifCase { "04_alpha_exif_xmp.heic", Layout::AsMade },
        HeifCase { "06_avif_exif_xmp_thumb.avif", Layout::AsMade },
        HeifCase { "06_avif_exif_xmp_thumb.avif", Layout::MetaAfterData } };
    for (const HeifCase& param : cases) {
        SCOPED_TRACE(std::string(param.file) + "/" + std::to_string(int(param.layout)));
        checkHeifEstimate(param);
    }
}

// A HEIF file without its 'meta' box states no size: its bytes alone are counted.
TEST(HeifEstimate, CountsTheBytesAloneWithoutAStructure)
{
    const QByteArray bytes = fileBytes(dirtyCorpusDir() + QStringLiteral("/heif/01_exif_gps_xmp_thumb.heic"));
    if (bytes.isEmpty())
        GTEST_SKIP() << "the dirty test set is not there";
    const QList<QByteArray> boxes = topLevelBoxes(bytes);
    ASSERT_EQ(boxes.size(), 3);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("cut.heic"));
    const QByteArray cut = boxes[0] + boxes[2];
    ASSERT_TRUE(writeFile(path, cut));
    EXPECT_EQ(estimatedConversionBytes(path), cut.size());
}

} // namespace
