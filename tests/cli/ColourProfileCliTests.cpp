// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli on photos whose colour profile carries a marker inside its colour tags: the numbers of the
// chromatic adaptation, tone curve tables, the grids of LUTs both ways and of the gamut tag. The sources
// are JPEG, PNG, TIFF and WebP files given the profile by exiftool and HEIC files made by heif-enc from a
// PNG that carries it. The outputs are searched byte by byte and so are their profiles as exiftool
// extracts them; Little CMS renders a test chart through the source's profile and the output's into Lab.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/ProfileCrafting.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <lcms2.h>
#include <utility>
#include <vector>

namespace {

/// The colour profiles of \a paths as exiftool extracts them, by path; empty for a file without one.
QHash<QString, QByteArray> extractedProfiles(const QStringList& paths)
{
    QHash<QString, QByteArray> profiles;
    const QHash<QString, QJsonObject> tags = exiftoolJson({ "-b", "-ICC_Profile" }, paths);
    for (auto it = tags.cbegin(); it != tags.cend(); ++it)
        profiles.insert(it.key(), exiftoolBytes(*it, QStringLiteral("ICC_Profile")));
    return profiles;
}

/// \a profile without its LUTs (and gamut tag): what renders through its matrix and tone curves alone, as
/// Qt and most viewers render it.
QByteArray withoutLuts(const QByteArray& profile)
{
    const LcmsProfile opened(profile);
    for (const cmsTagSignature tag : { cmsSigAToB0Tag, cmsSigAToB1Tag, cmsSigAToB2Tag, cmsSigBToA0Tag,
             cmsSigBToA1Tag, cmsSigBToA2Tag, cmsSigGamutTag })
        cmsWriteTag(opened.handle, tag, nullptr);
    return opened.save();
}

/// The chart's colours inside a box, a range of 0..1 per channel: those a marker in a LUT's grid changed
/// in the source (which a rebuilt LUT need not follow).
std::function<bool(const cmsUInt16Number*)> inBox(std::vector<std::pair<double, double>> box)
{
    return [box](const cmsUInt16Number* colour) {
        for (size_t c = 0; c < box.size(); ++c) {
            const double v = colour[c] / 65535.0;
            if (v < box[c].first || v > box[c].second)
                return false;
        }
        return true;
    };
}

/// The range of a channel a marker on points \a first to \a last of a 12-point grid reaches through
/// lcms's interpolation, widened by one cell of a rebuilt RGB LUT's 18-point grid.
std::pair<double, double> reach(int first, int last)
{
    return { (first - 1) / 11.0 - 1.0 / 17, (last + 1) / 11.0 + 1.0 / 17 };
}

/// A matrix/shaper profile with LUTs and a gamut tag, the marker in the LUTs' grids and the gamut grid.
QByteArray markedLuts(double version)
{
    const QByteArray plain = matrixAndLutProfile(version, 12, true);
    return withMarkerInGrid(
        withMarkerInGrid(withMarkerInGrid(plain, "A2B0", { 3, 8, 2 }), "B2A0", { 6, 6, 6 }), "gamt",
        { 5, 5, 5 });
}

struct MarkedProfile
{
    const char* name;
    std::function<QByteArray()> profile;
    std::function<bool(const cmsUInt16Number*)> changedByMarker; ///< chart colours left out; none when empty
};

} // namespace

// Every marked profile in every format, converted by one run of the command line.
TEST(MarkedColourTags, NeverReachAnOutputOfAnyFormatAndTheColourStays)
{
    const MarkedProfile marked[] = {
        { "AdaptationV4", [] { return withMarkerInAdaptation(tabulatedMatrixProfile(4.3)); }, {} },
        { "CurvesV2", [] { return withMarkerInCurves(tabulatedMatrixProfile(2.1)); }, {} },
        { "Lut16AndGamutGridsV2", [] { return markedLuts(2.1); },
            inBox({ reach(3, 3), reach(8, 8), reach(2, 6) }) },
        { "LutAtoBAndGamutGridsV4", [] { return markedLuts(4.3); },
            inBox({ reach(3, 3), reach(8, 8), reach(2, 6) }) },
    };
    QTemporaryDir work;
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 5, 255 - x * 2));
    const QString png = work.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(picture.save(png));
    const QString webp = work.filePath(QStringLiteral("picture.webp"));
    ASSERT_EQ(runProcess("cwebp", { "-quiet", png, "-o", webp }).exitCode, 0);

    // The same picture in every format, each carrying its profile byte for byte.
    const QStringList formats = { "jpg", "png", "tif", "webp", "heic" };
    const QString sources = work.filePath(QStringLiteral("sources"));
    ASSERT_TRUE(QDir().mkpath(sources));
    std::vector<QByteArray> profiles;
    QStringList sourceFiles;
    for (const MarkedProfile& m : marked) {
        SCOPED_TRACE(m.name);
        profiles.push_back(m.profile());
        const QByteArray& profile = profiles.back();
        ASSERT_TRUE(profile.contains(kColourMarker));
        ASSERT_NE(LcmsProfile(profile).handle, nullptr);
        const QString icc = work.filePath(QStringLiteral("%1.icc").arg(m.name));
        ASSERT_TRUE(writeFile(icc, profile));
        // heif-enc takes the profile from a PNG that carries it; the others are given it in place.
        const QString profiled = work.filePath(QStringLiteral("%1.png").arg(m.name));
        ASSERT_TRUE(QFile::copy(png, profiled));
        QStringList profiledFiles { profiled };
        for (const QString& format : formats) {
            const QString source = sources + QStringLiteral("/%1.%2").arg(m.name, format);
            sourceFiles << source;
            if (format == QLatin1String("webp")) {
                ASSERT_TRUE(QFile::copy(webp, source));
            } else if (format != QLatin1String("heic")) {
                ASSERT_TRUE(picture.save(source));
            }
            if (format != QLatin1String("heic"))
                profiledFiles << source;
        }
        ASSERT_EQ(runProcess("exiftool",
                      QStringList { "-q", "-overwrite_original", "-ICC_Profile<=" + icc } + profiledFiles)
                      .exitCode,
            0);
        ASSERT_EQ(runProcess("heif-enc",
                      { "-q", "90", profiled, "-o", sources + QStringLiteral("/%1.heic").arg(m.name) })
                      .exitCode,
            0);
    }
    const QHash<QString, QByteArray> sourceProfiles = extractedProfiles(sourceFiles);
    for (qsizetype i = 0; i < sourceFiles.size(); ++i)
        ASSERT_EQ(sourceProfiles.value(sourceFiles[i]), profiles[size_t(i / formats.size())])
            << sourceFiles[i].toStdString();

    const QString out = work.filePath(QStringLiteral("out"));
    const ProcessResult run = runCli({ "-o", out, sources }, work.filePath(QStringLiteral("config")));
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    QStringList outputs;
    for (const QString& source : sourceFiles)
        outputs << out + u'/' + QFileInfo(source).fileName();
    const QHash<QString, QByteArray> outputProfiles = extractedProfiles(outputs);

    const QStringList qtDecodes = { "png", "tif" };
    for (size_t p = 0; p < std::size(marked); ++p) {
        const MarkedProfile& m = marked[p];
        const QByteArray& profile = profiles[p];
        double largest = 0;
        for (const QString& format : formats) {
            SCOPED_TRACE(std::string(m.name) + " as " + format.toStdString());
            const QString output = out + QStringLiteral("/%1.%2").arg(m.name, format);
            const QByteArray bytes = fileBytes(output);
            ASSERT_FALSE(bytes.isEmpty());
            EXPECT_FALSE(holdsMarkerPart(bytes));
            const QByteArray written = outputProfiles.value(output);
            if (written.isEmpty()) {
                // Qt decodes PNG and TIFF and gives no profile it cannot use (a tone curve that is no curve).
                EXPECT_TRUE(qtDecodes.contains(format) && !QColorSpace::fromIccProfile(profile).isValid())
                    << "the output lost its colour profile";
                continue;
            }
            EXPECT_FALSE(holdsMarkerPart(written));
            // The colour through the whole profile (lcms prefers the LUTs) and through its matrix alone.
            for (const auto& [source, rebuilt] : { std::pair { profile, written },
                     std::pair { withoutLuts(profile), withoutLuts(written) } }) {
                const double deltaE = largestDeltaE(source, rebuilt, INTENT_PERCEPTUAL, m.changedByMarker);
                EXPECT_LE(deltaE, 1.0);
                largest = std::max(largest, deltaE);
            }
        }
        std::printf("[ colour   ] %s: largest delta E %.3f\n", m.name, largest);
    }
}
