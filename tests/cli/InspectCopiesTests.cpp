// SPDX-License-Identifier: GPL-3.0-or-later
// The metadata inspector on copies the command line wrote: copies that keep their orientation show nothing
// personal, and a GPS position exiftool writes into a copy afterwards is found, in the file and in an
// unnamed work file as the check of a copy reads it.
#include "engine/core/WorkFile.h"
#include "engine/inspect/MetadataInspector.h"
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

std::string describe(const Inspection& inspection)
{
    QString text = inspection.summary() + u'\n';
    for (const auto& [group, fields] : inspection.groups) {
        for (const InspectedField& field : fields)
            text += QStringLiteral("  %1 | %2: %3\n").arg(personalGroupName(group), field.name, field.value);
    }
    return text.toStdString();
}

/// The files of the dirty set that carry an orientation other than 1 (a tag, or a HEIF's transforms).
QStringList turnedSources()
{
    QStringList sources;
    QFile manifest(dirtyCorpusDir() + QStringLiteral("/MANIFEST.tsv"));
    if (!manifest.open(QIODevice::ReadOnly))
        return sources;
    const QList<QByteArray> lines = manifest.readAll().split('\n');
    const qsizetype orientation = lines.first().split('\t').indexOf("orientation_tag");
    for (const QByteArray& line : lines.mid(1)) {
        const QList<QByteArray> columns = line.split('\t');
        if (orientation > 0 && columns.size() > orientation && columns[orientation] != "-"
            && columns[orientation] != "1")
            sources << dirtyCorpusDir() + u'/' + QString::fromUtf8(columns[0]);
    }
    return sources;
}

} // namespace

// Copies turned upright are read back by the run itself and judged by the leak checker in the command
// line's dirty-set test; copies that keep their orientation tag or transforms must not be taken for
// personal either.
TEST(CleanCopies, ThatKeepTheirOrientationShowNothingPersonal)
{
    QTemporaryDir work;
    const QStringList sources = turnedSources();
    ASSERT_GE(sources.size(), 20);
    const QString out = work.filePath("out");
    const ProcessResult run
        = runCli(QStringList { "--no-fix-orientation", "-o", out, "--" } + sources, work.filePath("config"));
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QStringList copies = filesUnder(out);
    ASSERT_EQ(copies.size(), sources.size());
    for (const QString& copy : copies) {
        const Inspection inspection = inspectImageFile(out + u'/' + copy);
        EXPECT_TRUE(inspection.nothingPersonal()) << copy.toStdString() << ": " << describe(inspection);
        EXPECT_EQ(inspection.summary(), QLatin1String("Nothing personal found"));
    }
}

/// A copy written by the command line with a GPS position written into it afterwards by exiftool.
class CopyWithGps : public ::testing::TestWithParam<const char*>
{
};

TEST_P(CopyWithGps, IsFoundWithItsPosition)
{
    QTemporaryDir work;
    const QString source = dirtyCorpusDir() + QStringLiteral("/png/05_phys_300dpi.png");
    const QString out = work.filePath("out");
    const QString copy = out + QStringLiteral("/05_phys_300dpi.") + QString::fromLatin1(GetParam());
    // The command line writes the extension's format: a copy of the PNG under each name.
    ASSERT_TRUE(QFile::copy(source, work.filePath("05_phys_300dpi.") + GetParam()));
    ASSERT_EQ(runCli({ "-o", out, work.filePath("05_phys_300dpi.") + GetParam() }, work.filePath("config"))
                  .exitCode,
        0);
    ASSERT_TRUE(inspectImageFile(copy).nothingPersonal()) << describe(inspectImageFile(copy));

    ASSERT_EQ(runProcess(QStringLiteral("exiftool"),
                  { "-q", "-overwrite_original", "-GPSLatitude=48.858370", "-GPSLatitudeRef=N",
                      "-GPSLongitude=2.294481", "-GPSLongitudeRef=E", copy })
                  .exitCode,
        0);
    const Inspection inspection = inspectImageFile(copy);
    EXPECT_EQ(inspection.groupNames(), QStringList { "Location" }) << describe(inspection);
    EXPECT_EQ(inspection.location.value_or(QString()), QLatin1String("48.8584 N, 2.2945 E"));

    // The same bytes in an unnamed work file, as the check of a copy reads it before the copy has a name:
    // from the start, whatever the descriptor's offset, which stays where the writing left it.
    const QByteArray bytes = fileBytes(copy);
    const std::unique_ptr<WorkFile> unnamed = WorkFile::create(work.path());
    ASSERT_TRUE(unnamed);
    ASSERT_EQ(::write(unnamed->descriptor(), bytes.constData(), size_t(bytes.size())), bytes.size());
    EXPECT_EQ(inspectOpenFile(unnamed->descriptor()).location, inspection.location);
    EXPECT_EQ(::lseek(unnamed->descriptor(), 0, SEEK_CUR), bytes.size());
    EXPECT_EQ(inspectImageData(bytes).location, inspection.location);
}

INSTANTIATE_TEST_SUITE_P(EveryFormatWithExif, CopyWithGps, ::testing::Values("jpg", "png", "tif"));
