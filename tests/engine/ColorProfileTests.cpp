// SPDX-License-Identifier: GPL-3.0-or-later
// Colour profiles from the decoders to the writers: what is dropped, what passes untouched, and that a
// cleaned profile keeps the colour and nothing else. Little CMS transforms judge the colour; exiftool
// extracts the profiles the outputs carry; byte walks and searches look for what must be gone.
#include "engine/metadata/ColorProfile.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSaving.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/ProfileCrafting.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <random>
#include <vector>

namespace {

const QString kIccDir = QStringLiteral("/usr/share/color/icc/");

const QList<QByteArray> kPlanted
    = { "Jane Doe", "Oberkampf", "4711-0815", "48.8566", "all rights reserved", "smuggled" };

quint32 be32(const QByteArray& bytes, qsizetype at)
{
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

/// True when \a bytes hold \a text as Latin-1 or as UTF-16BE (the two ways profiles store text).
bool containsText(const QByteArray& bytes, const QByteArray& text)
{
    QByteArray wide;
    for (const char c : text)
        wide.append('\0').append(c);
    return bytes.contains(text) || bytes.contains(wide);
}

QByteArray profileFile(const QString& name)
{
    return fileBytes(kIccDir + name);
}

/// The HP/Microsoft "sRGB IEC61966-2.1" profile that photos carry, as ImageMagick embeds it in its
/// built-in image.
QByteArray hpSrgb()
{
    static const QByteArray profile = [] {
        QTemporaryDir dir;
        const QString path = dir.filePath("wizard.icc");
        return runProcess("convert", { "wizard:", path }).exitCode == 0 ? fileBytes(path) : QByteArray();
    }();
    return profile;
}

/// The tag signatures of \a profile's tag table, read by hand.
QList<QByteArray> tagsOf(const QByteArray& profile)
{
    QList<QByteArray> tags;
    for (quint32 i = 0; i < be32(profile, 128); ++i)
        tags.append(profile.mid(132 + 12 * qsizetype(i), 4));
    return tags;
}

/// The ICC profile ID computed here from the bytes, as the ICC defines it.
QByteArray iccMd5(QByteArray profile)
{
    profile.replace(44, 4, QByteArray(4, '\0'));
    profile.replace(64, 4, QByteArray(4, '\0'));
    profile.replace(84, 16, QByteArray(16, '\0'));
    return QCryptographicHash::hash(profile, QCryptographicHash::Md5);
}

/// Extracts the profile of every file in \a dir into a file beside it (NAME.icc) with exiftool.
bool extractProfiles(const QString& dir)
{
    return runProcess("exiftool", { "-q", "-b", "-ICC_Profile", "-w", "%d%f.%e.icc", dir }).exitCode == 0;
}

} // namespace

// --- The cleaner itself -------------------------------------------------------------------------------

TEST(ColorProfile, StandardProfilesPassByteForByteWhateverTheirRenderingIntent)
{
    const QByteArray hp = hpSrgb();
    ASSERT_EQ(hp.size(), 3144);
    ASSERT_EQ(iccMd5(hp).toHex(), "1d3fda2edb4a89ab60a23c5f7c7d81dd");
    QByteArray colorimetric = hp;
    colorimetric[67] = 1;
    for (const QByteArray& profile : { hp, colorimetric })
        EXPECT_EQ(cleanColorProfile(profile), profile);

    // The fields the ID leaves out carry nothing either: otherwise the profile is rebuilt.
    QByteArray smuggledId = hp;
    smuggledId.replace(84, 16, QByteArray("smuggled:jdoeID!", 16));
    QByteArray oddFlags = hp;
    oddFlags[44] = '\x7f';
    for (const QByteArray& profile : { smuggledId, oddFlags }) {
        const QByteArray cleaned = cleanColorProfile(profile);
        EXPECT_FALSE(cleaned.isEmpty());
        EXPECT_NE(cleaned, profile);
        EXPECT_FALSE(cleaned.contains("smuggled"));
        EXPECT_LE(largestDeltaE(hp, cleaned), 1.0);
    }
}

TEST(ColorProfile, AStandardProfileThatNamesItsMakerBecomesTheSameColoursUnderANeutralName)
{
    // Display P3 as phones embed it: the maker in the texts and in the header's device fields.
    const LcmsProfile p3(displayP3v4());
    p3.writeText(cmsSigProfileDescriptionTag, "Display P3");
    p3.writeText(cmsSigCopyrightTag, "Copyright Apple Inc., 2017");
    cmsSetHeaderManufacturer(p3.handle, cmsUInt32Number(0x4150504C)); // 'APPL'
    cmsSetHeaderModel(p3.handle, cmsUInt32Number(0x4150504C));
    const QByteArray source = p3.save();
    ASSERT_TRUE(containsText(source, "Apple"));

    const QByteArray cleaned = cleanColorProfile(source);
    ASSERT_FALSE(cleaned.isEmpty());
    for (const char* text : { "Apple", "Display P3" })
        EXPECT_FALSE(containsText(cleaned, text)) << text;
    // The header's device manufacturer and model (the platform field says only which system the profile
    // library was made for, the same in every profile it writes).
    EXPECT_EQ(cleaned.mid(48, 8), QByteArray(8, '\0'));
    EXPECT_LE(largestDeltaE(source, cleaned, INTENT_RELATIVE_COLORIMETRIC), 1.0);
    EXPECT_LE(largestDeltaE(source, cleaned, INTENT_PERCEPTUAL), 1.0);
}

struct ProfileCase
{
    const char* name;
    std::function<QByteArray()> base;
    const char* description;
};

void checkCleaning(const ProfileCase& c)
{
    const QByteArray base = c.base();
    ASSERT_GT(base.size(), 132);
    const QByteArray personal = personalised(base);
    for (const QByteArray& text : kPlanted.mid(0, 4))
        ASSERT_TRUE(containsText(personal, text)) << text.constData();

    const QByteArray cleaned = cleanColorProfile(personal);
    ASSERT_FALSE(cleaned.isEmpty());
    EXPECT_EQ(be32(cleaned, 0), quint32(cleaned.size()));
    for (const QByteArray& text : kPlanted)
        EXPECT_FALSE(containsText(cleaned, text)) << text.constData();

    // Colour tags only, one LUT each way, a neutral description, nothing in the date and device fields.
    static const QList<QByteArray> allowed = { "rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC", "kTRC", "wtpt",
        "chad", "A2B0", "B2A0", "cicp", "desc" };
    for (const QByteArray& tag : tagsOf(cleaned))
        EXPECT_TRUE(allowed.contains(tag)) << tag.constData();
    const LcmsProfile reopened(cleaned);
    ASSERT_TRUE(reopened.handle);
    char description[64] = {};
    cmsMLUgetASCII(static_cast<cmsMLU*>(cmsReadTag(reopened.handle, cmsSigProfileDescriptionTag)), "en", "US",
        description, sizeof description);
    EXPECT_STREQ(description, c.description);
    EXPECT_EQ(cleaned.mid(24, 12), QByteArray(12, '\0')) << "creation date";
    EXPECT_EQ(cleaned.mid(48, 16), QByteArray(16, '\0')) << "device manufacturer, model, attributes";
    EXPECT_EQ(cleaned.mid(8, 4), personal.mid(8, 4)) << "version";
    // Version 4 profiles carry their ID; version 2 reserves the field and keeps it zero.
    EXPECT_EQ(cleaned.mid(84, 16), uchar(cleaned[8]) >= 4 ? iccMd5(cleaned) : QByteArray(16, '\0'));

    // The colour of the test chart, through lcms into Lab, for the intents photos are shown with.
    double largest = 0;
    for (const cmsUInt32Number intent :
        { cmsUInt32Number(INTENT_PERCEPTUAL), cmsUInt32Number(INTENT_RELATIVE_COLORIMETRIC) }) {
        SCOPED_TRACE(intent);
        const double deltaE = largestDeltaE(personal, cleaned, intent);
        EXPECT_LE(deltaE, 1.0);
        largest = std::max(largest, deltaE);
    }
    std::printf("[ colour   ] %s: largest delta E %.3f\n", c.name, largest);
    // Cleaning again changes nothing, so outputs cleaned twice are the same file.
    EXPECT_EQ(cleanColorProfile(cleaned), cleaned);
}

TEST(ProfileCleaning, KeepsTheColourAndNothingElse)
{
    const ProfileCase cases[] = { ProfileCase { "AdobeRgbCompatibleV2",
                                      [] { return profileFile("compatibleWithAdobeRGB1998.icc"); }, "RGB" },
        ProfileCase { "HpSrgbWithLinkedCurves", [] { return hpSrgb(); }, "RGB" },
        ProfileCase { "DisplayP3V4Parametric", [] { return displayP3v4(); }, "RGB" },
        ProfileCase { "LStarCurvesV2", [] { return profileFile("LStar-RGB.icc"); }, "RGB" },
        ProfileCase { "CineonLogCurvesV2", [] { return profileFile("CineonLog_M.icc"); }, "RGB" },
        ProfileCase { "TabulatedCurvesV2", [] { return tabulatedMatrixProfile(2.1); }, "RGB" },
        ProfileCase { "TabulatedCurvesV4", [] { return tabulatedMatrixProfile(4.3); }, "RGB" },
        ProfileCase { "MatrixAndLut16V2", [] { return matrixAndLutProfile(2.1, 17, true); }, "RGB" },
        ProfileCase { "MatrixAndLutAtoBV4", [] { return matrixAndLutProfile(4.3, 33, true); }, "RGB" },
        ProfileCase { "GrayV2", [] { return profileFile("Gray.icc"); }, "Gray" },
        ProfileCase { "GrayTabulatedV4", [] { return tabulatedGrayProfile(4.3); }, "Gray" },
        ProfileCase { "LutOnlyV4", [] { return lutProfile(); }, "RGB" },
        ProfileCase { "CmykLut16V2", [] { return cmykProfile(2.1); }, "CMYK" },
        ProfileCase { "CmykLutAtoBV4", [] { return cmykProfile(4.3); }, "CMYK" } };
    for (const ProfileCase& c : cases) {
        SCOPED_TRACE(c.name);
        checkCleaning(c);
    }
}

TEST(ColorProfile, MatrixProfilesOfAnyWhiteAndPrimariesSettleAndKeepTheirColour)
{
    // White points and primaries across what photos carry (ProPhoto's blue lies almost on the x axis),
    // tone curves as gammas, sRGB curves and tables of any length; version 2 and 4, with and without the
    // chromatic adaptation tag. A rebuilt profile that did not settle would be dropped: none may be. The
    // 30 draws meet every combination of curve kind, version and adaptation tag once.
    std::mt19937 random(20240611);
    const auto between
        = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
    double largest = 0;
    for (int i = 0; i < 30; ++i) {
        SCOPED_TRACE(i);
        const cmsCIExyY white = { between(0.28, 0.38), between(0.28, 0.38), 1.0 };
        const cmsCIExyYTRIPLE primaries = { { between(0.55, 0.75), between(0.25, 0.35), 1.0 },
            { between(0.10, 0.35), between(0.55, 0.85), 1.0 },
            { between(0.03, 0.18), between(0.0001, 0.1), 1.0 } };
        cmsToneCurve* curves[3];
        for (cmsToneCurve*& curve : curves) {
            const double gamma = between(1.0, 3.0);
            const int kind = i % 3;
            if (kind == 0) {
                curve = cmsBuildGamma(nullptr, gamma);
            } else if (kind == 1) {
                static constexpr cmsFloat64Number kSrgb[5]
                    = { 2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045 };
                curve = cmsBuildParametricToneCurve(nullptr, 4, kSrgb);
            } else {
                std::vector<cmsUInt16Number> table(size_t(between(2, 4096)));
                for (size_t k = 0; k < table.size(); ++k)
                    table[k] = cmsUInt16Number(
                        std::lround(65535.0 * std::pow(double(k) / double(table.size() - 1), gamma)));
                curve = cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(table.size()), table.data());
            }
        }
        const LcmsProfile profile(cmsCreateRGBProfile(&white, &primaries, curves));
        for (cmsToneCurve* curve : curves)
            cmsFreeToneCurve(curve);
        cmsSetProfileVersion(profile.handle, i % 2 ? 4.3 : 2.1);
        if (i % 5 == 0)
            cmsWriteTag(profile.handle, cmsSigChromaticAdaptationTag, nullptr);
        const QByteArray source = profile.save();
        const QByteArray cleaned = cleanColorProfile(source);
        ASSERT_FALSE(cleaned.isEmpty());
        const double deltaE = largestDeltaE(source, cleaned, INTENT_RELATIVE_COLORIMETRIC);
        EXPECT_LE(deltaE, 1.0);
        largest = std::max(largest, deltaE);
    }
    std::printf("[ colour   ] 200 matrix/shaper profiles: largest delta E %.3f\n", largest);
}

// --- Colour tags that carry something else -----------------------------------------------------------

namespace {

/// The chart's colours inside a box, given per channel as a range of 0..1: those a marker in a LUT's grid
/// changed in the source, which a rebuilt LUT need not follow.
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

/// The range of a channel that a marker on grid points \a first to \a last of a \a gridPoints grid
/// reaches through lcms's interpolation, widened by a cell of the rebuilt grid (\a rebuiltCells cells)
/// and taken through \a toDevice (from the grid's coordinate to the channel, for a LUT behind curves).
std::pair<double, double> reach(
    int first, int last, int gridPoints, int rebuiltCells,
    const std::function<double(double)>& toDevice = [](double v) { return v; })
{
    const double cell = 1.0 / (gridPoints - 1);
    return { toDevice(std::max(0.0, (first - 1) * cell)) - 1.0 / rebuiltCells,
        toDevice(std::min(1.0, (last + 1) * cell)) + 1.0 / rebuiltCells };
}

struct PlantedCase
{
    const char* name;
    std::function<QByteArray()> source;
    std::function<bool(const cmsUInt16Number*)> changedByMarker; ///< chart colours left out; none when empty
};

/// The device value of a grid coordinate of cmykProfile()'s A2B0, behind its curves that undo dot gain.
double cmykDevice(double v)
{
    return v + 0.15 * std::sin(M_PI * v);
}

/// cmykProfile() with the marker in the grids of both its LUTs.
QByteArray markedCmyk(double version)
{
    return withMarkerInGrid(
        withMarkerInGrid(cmykProfile(version), "A2B0", { 2, 3, 4, 1 }), "B2A0", { 8, 8, 8 });
}

/// The inks markedCmyk()'s marker in the A2B0 grid changed.
std::function<bool(const cmsUInt16Number*)> markedCmykColours()
{
    return inBox({ reach(2, 2, 9, 15, cmykDevice), reach(3, 3, 9, 15, cmykDevice),
        reach(4, 4, 9, 15, cmykDevice), reach(1, 5, 9, 15, cmykDevice) });
}

/// The grey levels a marker in the 4096 entries of tabulatedGrayProfile()'s curve changed (withMarkerInCurves
/// writes it from entry 2170 on, over 15 entries), and those a rebuilt curve's samples next to it reach
/// (1/1024 apart).
std::function<bool(const cmsUInt16Number*)> markedGreys()
{
    const double entry = 1.0 / 4095;
    return inBox({ { 2169 * entry - 1.0 / 1024, 2186 * entry + 1.0 / 1024 } });
}

} // namespace

// A marker planted in the numbers of colour tags (a grey tone curve, the grid of a LUT-only profile's
// LUT, a CMYK profile's LUTs both ways) is gone after cleaning, not a run of 8 of its bytes left, while
// the colour stays; the cleaned profile cleans to itself. RGB matrix profiles with markers go through
// the command line's writers in tests/cli.
void checkPlantedColourTags(const PlantedCase& param)
{
    const QByteArray source = param.source();
    ASSERT_TRUE(source.contains(kColourMarker));
    ASSERT_NE(LcmsProfile(source).handle, nullptr);

    const QByteArray cleaned = cleanColorProfile(source);
    ASSERT_FALSE(cleaned.isEmpty());
    EXPECT_FALSE(holdsMarkerPart(cleaned));
    const double deltaE = largestDeltaE(source, cleaned, INTENT_PERCEPTUAL, param.changedByMarker);
    EXPECT_LE(deltaE, 1.0);
    std::printf("[ colour   ] %s: largest delta E %.3f\n", param.name, deltaE);
    EXPECT_EQ(cleanColorProfile(cleaned), cleaned);
}

TEST(PlantedColourTags, LeaveNoMarkerAndKeepTheColour)
{
    const PlantedCase cases[]
        = { PlantedCase {
                "GrayCurveV2", [] { return withMarkerInCurves(tabulatedGrayProfile(2.1)); }, markedGreys() },
              PlantedCase { "GrayCurveV4", [] { return withMarkerInCurves(tabulatedGrayProfile(4.3)); },
                  markedGreys() },
              PlantedCase { "LutOnlyGridV4",
                  [] {
                      return withMarkerInGrid(lutProfile(), "A2B0", { 2, 5, 3 });
                  },
                  inBox({ reach(2, 2, 9, 17), reach(5, 5, 9, 17), reach(3, 7, 9, 17) }) },
              PlantedCase { "CmykGridsV2", [] { return markedCmyk(2.1); }, markedCmykColours() },
              PlantedCase { "CmykGridsV4", [] { return markedCmyk(4.3); }, markedCmykColours() } };
    for (const PlantedCase& param : cases) {
        SCOPED_TRACE(param.name);
        checkPlantedColourTags(param);
    }
}

TEST(ColorProfile, WhatIsNoCompleteProfileIsDropped)
{
    const QByteArray good = profileFile("compatibleWithAdobeRGB1998.icc");
    ASSERT_FALSE(cleanColorProfile(good).isEmpty());
    const auto patched = [&](qsizetype at, quint32 value) {
        QByteArray bytes = good;
        qToBigEndian(value, bytes.data() + at);
        return bytes;
    };
    QByteArray deviceLink = good;
    deviceLink.replace(12, 4, "link");
    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        { "empty", {} },
        { "truncated", good.left(good.size() - 20) },
        { "header only", good.left(132) + QByteArray(4, '\0') },
        { "declares more than it holds", patched(0, quint32(good.size() + 4096)) },
        { "declares less than it holds", good + QByteArray(64, 'x') },
        { "no acsp", patched(36, 0x61637370 + 1) },
        { "tag table beyond the end", patched(128, 100000) },
        { "tag data beyond the end", patched(132 + 4, quint32(good.size() - 4)) },
        { "tag data inside the tag table", patched(132 + 4, 40) },
        { "not for images (device link)", deviceLink },
        { "a JPEG", jpegOf(quadrants(8, 8)) },
    };
    for (const auto& c : cases)
        EXPECT_TRUE(cleanColorProfile(c.bytes).isEmpty()) << c.name;
}

// --- Through the engine: decoders to writers ---------------------------------------------------------

/// A JPEG whose APP2 chain is not a whole profile loses it, in every output; one that is whole keeps
/// its colour, cleaned. Judged by exiftool's extraction and by searching the output files' bytes.
TEST(JpegIccChain, OnlyAWholeChainOfAValidProfileReachesAnOutput)
{
    QTemporaryDir dir;
    const QImage pixels = quadrants(64, 48);
    const QByteArray personal = personalised(profileFile("compatibleWithAdobeRGB1998.icc"));
    QByteArray oversized = personal;
    qToBigEndian(quint32(personal.size() + 4096), oversized.data());
    // A whole second photo with its GPS position, where a profile should be.
    const QString gpsJpeg = dir.filePath("gps.jpg");
    ASSERT_TRUE(writeFile(gpsJpeg, jpegOf(quadrants(16, 16))));
    ASSERT_EQ(runProcess("exiftool",
                  { "-q", "-overwrite_original", "-GPSLatitude=48.8566", "-GPSLatitudeRef=N",
                      "-Artist=Jane Doe", gpsJpeg })
                  .exitCode,
        0);
    const QByteArray hiddenPhoto = fileBytes(gpsJpeg);
    ASSERT_TRUE(hiddenPhoto.contains("Jane Doe"));

    const struct
    {
        const char* name;
        QList<QByteArray> payloads;
        bool kept;
    } cases[] = {
        { "whole", iccChunks(personal, 3), true },
        { "a JPEG with GPS", iccChunks(hiddenPhoto, 2), false },
        { "last chunk missing", iccChunks(personal, 3, { 1, 2 }), false },
        { "sequence number missing", iccChunks(personal, 3, { 1, 3 }, 2), false },
        { "out of order", iccChunks(personal, 3, { 1, 3, 2 }), false },
        { "repeated", iccChunks(personal, 3, { 1, 2, 2 }), false },
        { "declared size beyond the data", iccChunks(oversized, 2), false },
        { "truncated profile", iccChunks(personal.left(personal.size() / 2), 2), false },
    };
    const QString out = dir.filePath("out");
    QDir().mkpath(out);
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = dir.filePath(QStringLiteral("sources/%1.jpg").arg(index));
        ASSERT_TRUE(writeFile(source, withApp2(jpegOf(pixels), c.payloads)));
        const ImageInfoPtr info(IICreateImage(source, true));
        ASSERT_TRUE(info);
        for (const char* extension : { "jpg", "png", "tif" }) {
            const QString path = QStringLiteral("%1/%2.%3").arg(out).arg(index).arg(extension);
            const ImageFormat type = QByteArray(extension) == "jpg" ? kUTTypeJPEG
                : QByteArray(extension) == "png"                    ? kUTTypePNG
                                                                    : kUTTypeTIFF;
            ASSERT_TRUE(IISaveImage(info.get(), path, 64, 48, type, false, 0.8f));
        }
        ++index;
    }
    // The independent checker sees what each source carries, and nothing in the outputs.
    const ProcessResult sourceCheck
        = runProcess(corpusTool(QStringLiteral("check_clean.sh")), { dir.filePath("sources") }, 300000);
    for (index = 0; index < int(std::size(cases)); ++index)
        EXPECT_TRUE(sourceCheck.standardOutput.contains(QStringLiteral("personal\t%1.jpg\t").arg(index)))
            << cases[index].name;
    const ProcessResult outputCheck = checkClean(out);
    EXPECT_EQ(outputCheck.exitCode, 0) << outputCheck.standardOutput.toStdString();

    ASSERT_TRUE(extractProfiles(out));
    const QByteArray cleaned = cleanColorProfile(personal);
    for (index = 0; index < int(std::size(cases)); ++index) {
        SCOPED_TRACE(cases[index].name);
        for (const char* extension : { "jpg", "png", "tif" }) {
            SCOPED_TRACE(extension);
            const QString path = QStringLiteral("%1/%2.%3").arg(out).arg(index).arg(extension);
            const QByteArray bytes = fileBytes(path);
            ASSERT_FALSE(bytes.isEmpty());
            const QByteArray profile = fileBytes(path + ".icc");
            EXPECT_EQ(profile, cases[index].kept ? cleaned : QByteArray());
            for (const QByteArray& text : kPlanted + QList<QByteArray> { hiddenPhoto.mid(200, 32) })
                EXPECT_FALSE(containsText(bytes + profile, text)) << text.constData();
        }
    }
}

/// The same cleaned bytes reach JPEG, PNG and TIFF outputs from JPEG, PNG and TIFF sources: Qt's PNG and
/// TIFF writers write the cleaned profile and bring back no text of their own; a standard profile passes
/// through all of them untouched.
TEST(ProfileCleaning, EveryFormatWritesExactlyTheCleanedProfile)
{
    QTemporaryDir dir;
    const QByteArray personal = personalised(profileFile("compatibleWithAdobeRGB1998.icc"));
    const QByteArray cleaned = cleanColorProfile(personal);
    ASSERT_FALSE(cleaned.isEmpty());
    const QString personalPath = dir.filePath("personal.icc");
    const QString standardPath = dir.filePath("standard.icc");
    ASSERT_TRUE(writeFile(personalPath, personal));
    ASSERT_TRUE(writeFile(standardPath, hpSrgb()));

    const QString out = dir.filePath("out");
    QDir().mkpath(out);
    // The sources, given their profiles by one exiftool run.
    QList<QStringList> tagging;
    for (const char* format : { "jpg", "png", "tif" }) {
        for (const auto& [profileName, profilePath] :
            { std::pair { "personal", personalPath }, std::pair { "standard", standardPath } }) {
            const QString source = dir.filePath(QStringLiteral("%1-source.%2").arg(profileName, format));
            ASSERT_TRUE(quadrants(40, 30).save(source));
            tagging.append({ "-q", "-overwrite_original", "-ICC_Profile<=" + profilePath, source });
        }
    }
    ASSERT_TRUE(runExiftoolCommands(tagging));
    QHash<QString, QByteArray> expected;
    for (const char* format : { "jpg", "png", "tif" }) {
        for (const auto& [profileName, written] :
            { std::pair { "personal", cleaned }, std::pair { "standard", hpSrgb() } }) {
            const QString source = dir.filePath(QStringLiteral("%1-source.%2").arg(profileName, format));
            const ImageInfoPtr info(IICreateImage(source, false));
            ASSERT_TRUE(info) << format;
            for (const auto& [extension, type] : { std::pair { "jpg", kUTTypeJPEG },
                     std::pair { "png", kUTTypePNG }, std::pair { "tif", kUTTypeTIFF } }) {
                const QString name = QStringLiteral("%1-%2-to.%3").arg(profileName, format, extension);
                ASSERT_TRUE(IISaveImage(info.get(), out + '/' + name, 40, 30, type, false, 0.8f));
                expected.insert(name, written);
            }
        }
    }
    ASSERT_TRUE(extractProfiles(out));
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        EXPECT_EQ(fileBytes(out + '/' + it.key() + ".icc"), it.value());
        for (const QByteArray& text : kPlanted)
            EXPECT_FALSE(containsText(fileBytes(out + '/' + it.key()), text)) << text.constData();
    }
}
