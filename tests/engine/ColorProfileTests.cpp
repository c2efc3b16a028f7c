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

#include <functional>
#include <gtest/gtest.h>
#include <lcms2.h>
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

/// Test colours through \a profile into Lab, for the rendering \a intent: a 17-step cube for RGB
/// profiles, every grey level for grey ones.
std::vector<cmsUInt16Number> labOf(const QByteArray& profile, cmsUInt32Number intent)
{
    const LcmsProfile input(profile);
    const LcmsProfile lab(cmsCreateLab4Profile(nullptr));
    if (!input.handle)
        return {};
    const bool gray = cmsGetColorSpace(input.handle) == cmsSigGrayData;
    std::vector<cmsUInt16Number> colours;
    if (gray) {
        for (int v = 0; v < 256; ++v)
            colours.push_back(cmsUInt16Number(v * 257));
    } else {
        for (int r = 0; r < 17; ++r)
            for (int g = 0; g < 17; ++g)
                for (int b = 0; b < 17; ++b)
                    colours.insert(colours.end(),
                        { cmsUInt16Number(r * 4095), cmsUInt16Number(g * 4095), cmsUInt16Number(b * 4095) });
    }
    const cmsUInt32Number pixels = cmsUInt32Number(colours.size() / (gray ? 1 : 3));
    std::vector<cmsUInt16Number> out(pixels * 3);
    cmsHTRANSFORM transform = cmsCreateTransform(input.handle, gray ? TYPE_GRAY_16 : TYPE_RGB_16, lab.handle,
        TYPE_Lab_16, intent, cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
    if (!transform)
        return {};
    cmsDoTransform(transform, colours.data(), out.data(), pixels);
    cmsDeleteTransform(transform);
    return out;
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
        EXPECT_EQ(labOf(cleaned, INTENT_PERCEPTUAL), labOf(hp, INTENT_PERCEPTUAL));
    }
}

struct ProfileCase
{
    const char* name;
    std::function<QByteArray()> base;
    const char* description;
};

class ProfileCleaning : public ::testing::TestWithParam<ProfileCase>
{
};

TEST_P(ProfileCleaning, KeepsTheColourAndNothingElse)
{
    const QByteArray base = GetParam().base();
    ASSERT_GT(base.size(), 132);
    const QByteArray personal = personalised(base);
    for (const QByteArray& text : kPlanted.mid(0, 4))
        ASSERT_TRUE(containsText(personal, text)) << text.constData();

    const QByteArray cleaned = cleanColorProfile(personal);
    ASSERT_FALSE(cleaned.isEmpty());
    EXPECT_EQ(be32(cleaned, 0), quint32(cleaned.size()));
    for (const QByteArray& text : kPlanted)
        EXPECT_FALSE(containsText(cleaned, text)) << text.constData();

    // Colour tags only, a neutral description, nothing in the date and device fields.
    static const QList<QByteArray> allowed = { "rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC", "kTRC", "wtpt",
        "bkpt", "chad", "A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2", "chrm", "gamt", "lumi", "desc" };
    for (const QByteArray& tag : tagsOf(cleaned))
        EXPECT_TRUE(allowed.contains(tag)) << tag.constData();
    const LcmsProfile reopened(cleaned);
    ASSERT_TRUE(reopened.handle);
    char description[64] = {};
    cmsMLUgetASCII(static_cast<cmsMLU*>(cmsReadTag(reopened.handle, cmsSigProfileDescriptionTag)), "en", "US",
        description, sizeof description);
    EXPECT_STREQ(description, GetParam().description);
    EXPECT_EQ(cleaned.mid(24, 12), QByteArray(12, '\0')) << "creation date";
    EXPECT_EQ(cleaned.mid(48, 16), QByteArray(16, '\0')) << "device manufacturer, model, attributes";
    EXPECT_EQ(cleaned.mid(8, 4), personal.mid(8, 4)) << "version";
    // Version 4 profiles carry their ID; version 2 reserves the field and keeps it zero.
    EXPECT_EQ(cleaned.mid(84, 16), uchar(cleaned[8]) >= 4 ? iccMd5(cleaned) : QByteArray(16, '\0'));

    for (const cmsUInt32Number intent : { cmsUInt32Number(INTENT_PERCEPTUAL),
             cmsUInt32Number(INTENT_RELATIVE_COLORIMETRIC), cmsUInt32Number(INTENT_ABSOLUTE_COLORIMETRIC) }) {
        SCOPED_TRACE(intent);
        const std::vector<cmsUInt16Number> expected = labOf(personal, intent);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(labOf(cleaned, intent), expected);
    }
    // Cleaning again changes nothing, so outputs cleaned twice are the same file.
    EXPECT_EQ(cleanColorProfile(cleaned), cleaned);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileCleaning,
    ::testing::Values(ProfileCase { "AdobeRgbCompatibleV2",
                          [] { return profileFile("compatibleWithAdobeRGB1998.icc"); }, "RGB" },
        ProfileCase { "HpSrgbWithLinkedCurves", [] { return hpSrgb(); }, "RGB" },
        ProfileCase { "DisplayP3V4Parametric", [] { return displayP3v4(); }, "RGB" },
        ProfileCase { "GrayV2", [] { return profileFile("Gray.icc"); }, "Gray" },
        ProfileCase { "LutOnlyV4", [] { return lutProfile(); }, "RGB" }),
    [](const auto& param) { return std::string(param.param.name); });

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
    QHash<QString, QByteArray> expected;
    for (const char* format : { "jpg", "png", "tif" }) {
        for (const auto& [profileName, profilePath, written] :
            { std::tuple { "personal", personalPath, cleaned },
                std::tuple { "standard", standardPath, hpSrgb() } }) {
            const QString source = dir.filePath(QStringLiteral("%1-source.%2").arg(profileName, format));
            ASSERT_TRUE(quadrants(40, 30).save(source));
            ASSERT_EQ(runProcess(
                          "exiftool", { "-q", "-overwrite_original", "-ICC_Profile<=" + profilePath, source })
                          .exitCode,
                0);
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
