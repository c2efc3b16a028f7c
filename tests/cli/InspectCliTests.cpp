// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli --inspect: files tagged by exiftool show the groups of what exiftool wrote, the dirty set
// agrees with its generator's manifest, and nothing is ever written.
#include "tests/common/TestSupport.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

ProcessResult inspect(const QStringList& arguments, const QString& configHome)
{
    return runProcess(QStringLiteral(MORVANE_CLI_PATH), QStringList { "--inspect" } + arguments, 300000,
        { QStringLiteral("XDG_CONFIG_HOME=") + configHome });
}

/// A file made by Qt and tagged by exiftool with \a tags, and the groups a person looks for them in.
struct Tagged
{
    const char* name;
    QStringList tags;
    const char* summary;
};

const QStringList kGps
    = { "-GPSLatitude=48.858370", "-GPSLatitudeRef=N", "-GPSLongitude=2.294481", "-GPSLongitudeRef=E" };
const QStringList kCamera = { "-Make=Canon", "-Model=Canon EOS R5", "-SerialNumber=0123456789" };
const QStringList kTaken = { "-DateTimeOriginal=2023:05:01 10:00:00", "-OffsetTimeOriginal=+02:00" };
const QStringList kPeople = { "-Artist=Jane Doe", "-Copyright=Jane Doe 2023" };
const QStringList kComment = { "-Comment=met at the lake" };

const std::vector<Tagged> kTagged = {
    { "gps.jpg", kGps, "Location" },
    { "camera.jpg", kCamera, "Device" },
    { "taken.jpg", kTaken, "Time" },
    { "people.jpg", kPeople, "People" },
    { "comment.jpg", kComment, "Text" },
    { "keywords.png", { "-XMP-dc:Subject=family" }, "Text" },
    { "author.png", { "-XMP-dc:Creator=Jane Doe" }, "People" },
    { "untouched.png", {}, "Nothing personal found" },
    { "everything.jpg", kGps + kCamera + kTaken + kPeople + kComment,
        "Location, Device, Time, People, Text" },
};

/// Every file under \a dir with its bytes.
QMap<QString, QByteArray> contents(const QString& dir)
{
    QMap<QString, QByteArray> state;
    for (const QString& name : filesUnder(dir))
        state.insert(name, fileBytes(dir + u'/' + name));
    return state;
}

} // namespace

TEST(Inspect, ShowsTheGroupsOfWhatExiftoolWroteAndWritesNothing)
{
    QTemporaryDir work;
    const QString in = work.filePath(QStringLiteral("in"));
    ASSERT_TRUE(QDir().mkpath(in));
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    for (const Tagged& file : kTagged) {
        const QString path = in + u'/' + QLatin1String(file.name);
        ASSERT_TRUE(image.save(path));
        if (!file.tags.isEmpty()) {
            const ProcessResult tagged = runProcess(QStringLiteral("exiftool"),
                QStringList { "-q", "-overwrite_original" } + file.tags + QStringList { path });
            ASSERT_EQ(tagged.exitCode, 0) << file.name << ": " << tagged.standardError.toStdString();
        }
    }
    const auto before = contents(in);

    const ProcessResult run = inspect({ "--json", in }, work.filePath("config"));
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QHash<QString, QJsonObject> reports = jsonBySource(run.standardOutput);
    EXPECT_EQ(reports.size(), qsizetype(kTagged.size()));
    for (const Tagged& file : kTagged) {
        SCOPED_TRACE(file.name);
        const QJsonObject report = reports.value(QLatin1String(file.name));
        EXPECT_TRUE(report.value("readable").toBool());
        EXPECT_EQ(report.value("summary").toString().toStdString(), file.summary)
            << QJsonDocument(report).toJson().toStdString();
        const QStringList groups = QString::fromLatin1(file.summary).split(QStringLiteral(", "));
        if (groups.first() != QLatin1String("Nothing personal found")) {
            EXPECT_EQ(report.value("groups").toObject().keys().size(), groups.size());
        }
        EXPECT_EQ(report.value("location").toString(),
            file.tags.contains(kGps.first()) ? QStringLiteral("48.8584 N, 2.2945 E") : QString());
    }

    // As text: per file its groups, each with its fields; a missing file is reported and fails the run.
    const QString gone = in + QStringLiteral("/gone.jpg");
    const ProcessResult text
        = inspect({ in + QStringLiteral("/gps.jpg"), in + QStringLiteral("/untouched.png"), gone },
            work.filePath("config"));
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.standardOutput.contains(
        in + QStringLiteral("/gps.jpg: Location\n  Location\n    GPS position: 48.8584 N, 2.2945 E\n")))
        << text.standardOutput.toStdString();
    EXPECT_TRUE(
        text.standardOutput.contains(in + QStringLiteral("/untouched.png: Nothing personal found\n")));
    EXPECT_TRUE(text.standardOutput.contains(gone + QStringLiteral(": could not be read: not found\n")))
        << text.standardOutput.toStdString();

    EXPECT_EQ(contents(in), before) << "inspecting wrote or changed a file";
}

TEST(Inspect, DirtySetAgreesWithTheManifestOnWhatIsPersonal)
{
    QTemporaryDir work;
    const ProcessResult run = inspect({ "-r", "--json", dirtyCorpusDir() }, work.filePath("config"));
    EXPECT_EQ(run.exitCode, 1) << "the empty file cannot be read";
    const QHash<QString, QJsonObject> reports = jsonBySource(run.standardOutput);

    QFile manifest(dirtyCorpusDir() + QStringLiteral("/MANIFEST.tsv"));
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = manifest.readAll().split('\n');
    const qsizetype personal = lines.first().split('\t').indexOf("personal");
    ASSERT_GE(personal, 0);
    int rows = 0;
    for (const QByteArray& line : lines.mid(1)) {
        const QList<QByteArray> columns = line.split('\t');
        const QString name = QFileInfo(QString::fromUtf8(columns.first())).fileName();
        // Files of the types a conversion takes; the walk passes over the rest.
        if (line.isEmpty() || !reports.contains(name))
            continue;
        ++rows;
        SCOPED_TRACE(name.toStdString());
        const QJsonObject report = reports.value(name);
        if (name == QLatin1String("empty.jpg")) {
            EXPECT_FALSE(report.value("readable").toBool());
            EXPECT_EQ(report.value("reason").toString(), QStringLiteral("the file is empty"));
            continue;
        }
        EXPECT_TRUE(report.value("readable").toBool());
        EXPECT_EQ(report.value("summary").toString() == QLatin1String("Nothing personal found"),
            columns[personal] == "no");
    }
    EXPECT_EQ(rows, reports.size()) << "every report is of a file of the manifest";
    EXPECT_GT(rows, 30);
}

TEST(Inspect, TakesNoOutputFolder)
{
    QTemporaryDir work;
    const ProcessResult run
        = inspect({ "-o", work.filePath("out"), dirtyCorpusDir() + QStringLiteral("/jpeg/02_xmp.jpg") },
            work.filePath("config"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(QFileInfo::exists(work.filePath("out")));
}
