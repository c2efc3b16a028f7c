// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs the fuzzer or a hand-made attack found troublesome, kept so that they stay harmless.
#include "engine/ImageInfo.h"
#include "engine/JpegCodec.h"
#include "tests/common/TestSupport.h"

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
    ASSERT_EQ(readJpegHeader(jpeg)->width, 16000);
    for (const int orientation : { 1, 6 })
        EXPECT_FALSE(decodeJpeg(jpeg, qint64(1) << 28, orientation)) << orientation;
}
