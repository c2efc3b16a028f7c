// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/Utility.h"
#include "tests/common/TestSupport.h"

#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

TEST(CapacityText, ChoosesTheUnitFromTheByteRange)
{
    const std::pair<quint64, const char*> cases[] = { { 0, "0" }, { 1, "1 Bytes" }, { 1023, "1023 Bytes" },
        { 1024, "1.00 KB" }, { 1536, "1.50 KB" }, { 1048575, "1024.00 KB" }, { 1048576, "1.00 MB" },
        { 1073741823, "1024.00 MB" }, { 1073741824, "1.00 GB" }, { 2199023255552, "2048.00 GB" },
        { UINT64_MAX, "17179869184.00 GB" } };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(Utility::GetCapacityString(bytes).toStdString(), text) << bytes;
}

/// ICU puts a narrow no-break space (U+202F) or a no-break space before the day period in some locales.
std::string withPlainSpaces(QString text)
{
    return text.replace(QChar(0x202F), u' ').replace(QChar(0x00A0), u' ').toStdString();
}

const QDateTime kInstant(QDate(2023, 6, 15), QTime(14, 32, 9), QTimeZone::utc());

TEST(DateText, MediumDateAndShortTimeInTheGivenLocaleAndZone)
{
    const struct
    {
        const char* locale;
        const char* zone;
        const char* text;
    } cases[] = {
        { "en_US", "UTC", "Jun 15, 2023, 2:32 PM" },
        { "en_GB", "UTC", "15 Jun 2023, 14:32" },
        { "de_DE", "UTC", "15.06.2023, 14:32" },
        { "de_DE.UTF-8", "Europe/Berlin", "15.06.2023, 16:32" },
        { "en_US", "America/New_York", "Jun 15, 2023, 10:32 AM" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.zone);
        EXPECT_EQ(
            withPlainSpaces(Utility::GetDateString(kInstant, QString::fromLatin1(c.locale), c.zone)), c.text);
    }
    EXPECT_EQ(Utility::GetDateString(QDateTime(), QStringLiteral("en_US"), "UTC"), QString());
}

TEST(KindText, NamesAnExistingImageAndNothingForAMissingPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(QColor(Qt::red));
    ASSERT_TRUE(image.save(dir.filePath(QStringLiteral("tiny.jpg")), "JPEG"));

    EXPECT_EQ(
        Utility::GetReadableFileType(dir.filePath(QStringLiteral("tiny.jpg"))), QStringLiteral("JPEG image"));
    for (const auto& [file, kind] : { std::pair { "heif/01_exif_gps_xmp_thumb.heic", "HEIF image" },
             std::pair { "heif/06_avif_exif_xmp_thumb.avif", "AVIF image" },
             std::pair { "webp/02_orient6.webp", "WebP image" } }) {
        EXPECT_EQ(
            Utility::GetReadableFileType(dirtyCorpusDir() + u'/' + QLatin1String(file)), QLatin1String(kind));
    }
    EXPECT_EQ(Utility::GetReadableFileType(dir.filePath(QStringLiteral("missing.jpg"))), QString());
    EXPECT_EQ(Utility::GetReadableFileType(QString()), QString());
}

} // namespace
