// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli keeping JPEG quality (--lossless), end to end on the dirty set: pixels decoded by libjpeg's
// djpeg (ImageMagick for CMYK) against the source's or against jpegtran's exact turn, the colour profile
// and density read by exiftool against a re-encoding run of the same sources, and the outputs judged by
// the corpus checker.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

/// What exiftool reads of JPEGs' colour profile and JFIF density, by path: one exiftool run for them all.
struct ProfileAndDensity
{
    QByteArray profile;
    QString density;
};

QHash<QString, ProfileAndDensity> profileAndDensity(const QStringList& paths)
{
    QHash<QString, ProfileAndDensity> found;
    const QHash<QString, QJsonObject> tags = exiftoolJson(
        { "-b", "-ICC_Profile", "-JFIF:ResolutionUnit", "-JFIF:XResolution", "-JFIF:YResolution" }, paths);
    for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
        QStringList density;
        for (const char* tag : { "ResolutionUnit", "XResolution", "YResolution" })
            density << it->value(QLatin1String(tag)).toVariant().toString();
        found.insert(it.key(), { exiftoolBytes(*it, QStringLiteral("ICC_Profile")), density.join(u' ') });
    }
    return found;
}

/// A photo of 1001 x 667 pixels tagged orientation 6: no exact turn fits its size.
QString oddPhoto(const QTemporaryDir& work)
{
    QImage image(1001, 667, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x & 255, y & 255, (x + y) & 255));
    }
    const QString path = work.filePath(QStringLiteral("odd/odd_1001x667.jpg"));
    if (!QDir().mkpath(work.filePath("odd")) || !image.save(path, "jpeg", 90)
        || runProcess(QStringLiteral("exiftool"),
               { "-q", "-overwrite_original", "-n", "-Orientation=6", "-GPSLatitude=48.8584",
                   "-GPSLatitudeRef=N", path })
                .exitCode
            != 0)
        return {};
    return path;
}

struct Source
{
    QString file; ///< relative to the dirty set
    int orientation = 1;
    bool fourComponents = false;
};

std::vector<Source> dirtyJpegs()
{
    std::vector<Source> sources;
    const QStringList lines = QString::fromUtf8(fileBytes(dirtyCorpusDir() + "/MANIFEST.tsv")).split(u'\n');
    for (const QString& line : lines) {
        const QStringList columns = line.split(u'\t');
        if (columns.size() >= 4 && columns[0].startsWith(QLatin1String("jpeg/")))
            sources.push_back(
                { columns[0], columns[3] == "-" ? 1 : columns[3].toInt(), columns[2].contains("CMYK") });
    }
    return sources;
}

} // namespace

TEST(LosslessCommandLine, JpegsKeepTheirPixelsAndGetTheProfileAndDensityOfAReencodedOutput)
{
    QTemporaryDir work;
    const QString odd = oddPhoto(work);
    ASSERT_FALSE(odd.isEmpty());
    const std::vector<Source> sources = dirtyJpegs();
    ASSERT_GE(sources.size(), 20u);
    // Cut half way through its scan: re-encoded with what it holds, never carried over.
    const QString cut = work.filePath("cut_in_scan.jpg");
    const QByteArray upright = fileBytes(dirtyCorpusDir() + "/jpeg/orient/orient_1.jpg");
    const qsizetype scan = upright.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    ASSERT_TRUE(scan > 0 && writeFile(cut, upright.left((scan + upright.size()) / 2)));
    const QStringList inputs { dirtyCorpusDir() + "/jpeg", dirtyCorpusDir() + "/misc/truncated.jpg",
        dirtyCorpusDir() + "/misc/png_named_as.jpg", odd, cut };

    // Lossless by the flag over a store that says no; re-encoding by the flag over a store that says yes.
    const QString keepingConfig = work.filePath("keeping");
    const QString reencodingConfig = work.filePath("reencoding");
    {
        QSettings store(reencodingConfig + "/Morvane/Morvane.ini", QSettings::IniFormat);
        store.setValue("keepJpegQuality", true);
    }
    const QString kept = work.filePath("kept");
    const QString reencoded = work.filePath("reencoded");
    const ProcessResult keeping
        = runCli(QStringList { "--lossless", "--json", "-r", "-j", "2", "-o", kept } + inputs, keepingConfig);
    const ProcessResult reencoding
        = runCli(QStringList { "--no-lossless", "--json", "-r", "-o", reencoded } + inputs, reencodingConfig);
    ASSERT_EQ(keeping.exitCode, 1) << keeping.standardError.toStdString();
    ASSERT_EQ(reencoding.exitCode, 1) << reencoding.standardError.toStdString();
    const QHash<QString, QJsonObject> outcomes = jsonBySource(keeping.standardOutput);
    const QHash<QString, QJsonObject> reencodedOutcomes = jsonBySource(reencoding.standardOutput);

    QStringList compared;
    for (const Source& source : sources) {
        const QString name = QFileInfo(source.file).fileName();
        compared << outcomes.value(name).value("output").toString()
                 << reencodedOutcomes.value(name).value("output").toString();
    }
    const QHash<QString, ProfileAndDensity> tags = profileAndDensity(compared);
    for (const Source& source : sources) {
        SCOPED_TRACE(source.file.toStdString());
        const QString name = QFileInfo(source.file).fileName();
        const QJsonObject outcome = outcomes.value(name);
        ASSERT_EQ(outcome.value("status").toString(), QStringLiteral("written"));
        const QString output = outcome.value("output").toString();
        const QString path = dirtyCorpusDir() + u'/' + source.file;
        QByteArray expected = decodedPixels(path, source.fourComponents);
        if (source.orientation != 1) {
            QTemporaryDir scratch;
            if (!turnWithJpegtran(path, source.orientation, scratch.filePath("turned.jpg"))) {
                // The odd-sized photo of the set: re-encoded upright, and the report says why.
                EXPECT_TRUE(
                    outcome.value("note").toString().startsWith(QLatin1String("re-encoded at quality 70: ")))
                    << outcome.value("note").toString().toStdString();
                EXPECT_EQ(QImageReader(output).size(), QImageReader(path).size().transposed());
                continue;
            }
            expected = decodedPixels(scratch.filePath("turned.jpg"), source.fourComponents);
        }
        EXPECT_TRUE(outcome.value("note").isNull()) << outcome.value("note").toString().toStdString();
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_TRUE(decodedPixels(output, source.fourComponents) == expected) << "decoded pixels differ";

        ASSERT_TRUE(tags.contains(output));
        const ProfileAndDensity lossless = tags.value(output);
        const ProfileAndDensity reference
            = tags.value(reencodedOutcomes.value(name).value("output").toString());
        // A CMYK frame stays CMYK and keeps its (cleaned) profile, which a re-encode to RGB drops.
        if (!source.fourComponents) {
            EXPECT_TRUE(lossless.profile == reference.profile) << "colour profiles differ";
        }
        EXPECT_EQ(lossless.density, reference.density);
    }
    // The set's profile and densities are among what was compared.
    EXPECT_FALSE(tags.value(kept + "/06_icc_adobergb.jpg").profile.isEmpty());
    EXPECT_TRUE(tags.value(kept + "/08_exif_dpi_only.jpg").density.contains(QLatin1String("300")));

    EXPECT_EQ(outcomes.value("truncated.jpg").value("status").toString(), QStringLiteral("skipped"));
    EXPECT_TRUE(
        outcomes.value("truncated.jpg").value("reason").toString().startsWith("could not be decoded"));
    // Other types are untouched: PNG data under a JPEG name is re-encoded as without the flag, unremarked.
    EXPECT_EQ(outcomes.value("png_named_as.jpg").value("status").toString(), QStringLiteral("written"));
    EXPECT_TRUE(outcomes.value("png_named_as.jpg").value("note").isNull());
    EXPECT_EQ(outcomes.value("odd_1001x667.jpg").value("note").toString(),
        QStringLiteral("re-encoded at quality 70: 1001 x 667 pixels is not a whole number of JPEG blocks for "
                       "this turn"));
    EXPECT_EQ(QImageReader(kept + "/odd_1001x667.jpg").size(), QSize(667, 1001));
    const QRegularExpression rowsNote("^only \\d+ of its 480 rows were in the file");
    EXPECT_TRUE(outcomes.value("cut_in_scan.jpg").value("note").toString().contains(rowsNote));
    EXPECT_TRUE(outcomes.value("cut_in_scan.jpg")
                    .value("note")
                    .toString()
                    .contains(QLatin1String("; re-encoded at quality 70: truncated or corrupt JPEG data")));
    EXPECT_TRUE(reencodedOutcomes.value("cut_in_scan.jpg").value("note").toString().contains(rowsNote));
    for (const QJsonObject& outcome : reencodedOutcomes) {
        EXPECT_TRUE(outcome.value("source").toString().endsWith(QLatin1String("cut_in_scan.jpg"))
            || outcome.value("note").isNull())
            << outcome.value("note").toString().toStdString();
    }

    const ProcessResult clean = checkClean(kept);
    EXPECT_EQ(clean.exitCode, 0) << clean.standardOutput.toStdString();
    // The flags changed nothing stored.
    EXPECT_FALSE(QFileInfo::exists(keepingConfig + "/Morvane/Morvane.ini"));
}
