// SPDX-License-Identifier: GPL-3.0-or-later
// The check of every finished copy: a work file holding a copy that still carries a GPS position (written
// into it by exiftool) is refused with what it held and leaves nothing once dropped; a clean copy passes.
#include "engine/core/WorkFile.h"
#include "engine/inspect/CopyCheck.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/ProfileCrafting.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

struct CopyCase
{
    const char* name; ///< the copy's extension, which chooses the format Qt writes
    bool unnamed; ///< an unnamed work file, else a hidden one
};

class CopyCheck : public ::testing::TestWithParam<CopyCase>
{
protected:
    void TearDown() override { setUnnamedWorkFilesAllowed(true); }
};

/// A work file in \a folder holding \a bytes, written as a writer leaves it: the offset at the end.
std::unique_ptr<WorkFile> workFileWith(const QString& folder, const QByteArray& bytes)
{
    std::unique_ptr<WorkFile> file = WorkFile::create(folder);
    if (file && ::write(file->descriptor(), bytes.constData(), size_t(bytes.size())) != bytes.size())
        file.reset();
    return file;
}

} // namespace

TEST_P(CopyCheck, RefusesACopyWithAGpsPositionAndPassesTheSameCopyWithout)
{
    setUnnamedWorkFilesAllowed(GetParam().unnamed);
    QTemporaryDir work;
    const QString copy = work.filePath(QStringLiteral("copy.") + QLatin1String(GetParam().name));
    // Written by Qt's own writers and tagged by exiftool: nothing of the engine's writing is involved.
    ASSERT_TRUE(quadrants(64, 48).save(copy));
    const QString folder = work.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        const std::unique_ptr<WorkFile> clean = workFileWith(folder, fileBytes(copy));
        ASSERT_TRUE(clean);
        EXPECT_EQ(refusalOfCopy(*clean), QString());
    }

    ASSERT_EQ(runProcess(QStringLiteral("exiftool"),
                  { "-q", "-overwrite_original", "-GPSLatitude=48.858370", "-GPSLatitudeRef=N",
                      "-GPSLongitude=2.294481", "-GPSLongitudeRef=E", copy })
                  .exitCode,
        0);
    ASSERT_TRUE(exiftoolTags(copy).contains(QStringLiteral("GPS:GPSLatitude")));
    std::unique_ptr<WorkFile> leaking = workFileWith(folder, fileBytes(copy));
    ASSERT_TRUE(leaking);
    const QString refusal = refusalOfCopy(*leaking);
    EXPECT_TRUE(refusal.startsWith(QLatin1String("the copy still held: GPS position")))
        << refusal.toStdString();
    // What the run does with a refused copy: it drops the work file, and nothing is left in the folder.
    leaking.reset();
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

INSTANTIATE_TEST_SUITE_P(FormatsThatHoldExif, CopyCheck,
    ::testing::Values(CopyCase { "jpg", true }, CopyCase { "png", true }, CopyCase { "tif", false }),
    [](const ::testing::TestParamInfo<CopyCase>& param) {
        return std::string(param.param.name) + (param.param.unnamed ? "_unnamed" : "_hidden");
    });

TEST(CopyCheckUnreadable, RefusesACopyItCannotReadBack)
{
    QTemporaryDir work;
    const std::unique_ptr<WorkFile> garbage = workFileWith(work.path(), QByteArray(512, 'x'));
    ASSERT_TRUE(garbage);
    EXPECT_TRUE(refusalOfCopy(*garbage).startsWith(QLatin1String("the copy could not be checked: ")));
}

TEST(CopyCheckProfile, RefusesACopyWhoseProfileHidesTextInAColourTag)
{
    // The profile's colour tags are not taken on trust (as "a profile that cleans to itself" once was):
    // text under a colour tag's signature is found in the copy.
    QTemporaryDir work;
    const QByteArray plain = LcmsProfile(cmsCreate_sRGBProfile()).save();
    const QByteArray text = QByteArray("text", 4) + QByteArray(4, '\0') + "Jane Doe's camera" + '\0';
    const QByteArray jpeg = jpegOf(quadrants(16, 16));
    const std::unique_ptr<WorkFile> clean = workFileWith(work.path(), withApp2(jpeg, iccChunks(plain, 1)));
    ASSERT_TRUE(clean);
    EXPECT_EQ(refusalOfCopy(*clean), QString());
    const std::unique_ptr<WorkFile> hiding
        = workFileWith(work.path(), withApp2(jpeg, iccChunks(withExtraTag(plain, "gamt", text), 1)));
    ASSERT_TRUE(hiding);
    const QString refusal = refusalOfCopy(*hiding);
    EXPECT_TRUE(refusal.startsWith(QLatin1String("the copy still held: "))) << refusal.toStdString();
}
