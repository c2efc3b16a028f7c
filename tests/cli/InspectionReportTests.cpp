// SPDX-License-Identifier: GPL-3.0-or-later
// The report of the command line's inspection: per file the groups under the table's names, in JSON lines
// and as text, for files whose metadata exiftool wrote, and the exit status.
#include "cli/InspectionReport.h"
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdio>
#include <gtest/gtest.h>

namespace {

struct ReportFixture
{
    QTemporaryDir work;
    QByteArray tagged; ///< GPS position, camera model and artist, written by exiftool
    QByteArray oddName; ///< the same file under a name that is no UTF-8
    QByteArray clean; ///< a PNG as Qt writes it
    QByteArray missing;

    ReportFixture()
    {
        const QString taggedPath = work.filePath("tagged.jpg");
        const QString cleanPath = work.filePath("clean.png");
        QImage picture(32, 24, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        if (!picture.save(taggedPath, "JPEG") || !picture.save(cleanPath, "PNG"))
            return;
        if (runProcess(QStringLiteral("exiftool"),
                { "-q", "-overwrite_original", "-GPSLatitude=48.858370", "-GPSLatitudeRef=N",
                    "-GPSLongitude=2.294481", "-GPSLongitudeRef=E", "-Model=Bench 1", "-Artist=Jane Doe",
                    taggedPath })
                .exitCode
            != 0)
            return;
        tagged = QFile::encodeName(taggedPath);
        clean = QFile::encodeName(cleanPath);
        missing = QFile::encodeName(work.filePath("missing.jpg"));
        const QString plainCopy = work.filePath("copy.jpg");
        oddName = QFile::encodeName(work.path()) + "/caf\xe9.jpg";
        if (!QFile::copy(taggedPath, plainCopy)
            || std::rename(QFile::encodeName(plainCopy).constData(), oddName.constData()) != 0)
            oddName.clear();
    }
    // QTemporaryDir cannot remove the name that is no UTF-8.
    ~ReportFixture() { removeTree(work.path()); }
    ReportFixture(const ReportFixture&) = delete;
    ReportFixture& operator=(const ReportFixture&) = delete;
    [[nodiscard]] bool ready() const { return !tagged.isEmpty() && !oddName.isEmpty(); }
};

/// Runs the report over \a sources; the caller's escaping marks each path with angle brackets.
std::pair<int, QList<QByteArray>> report(const QList<QByteArray>& sources, bool json)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const int status = writeInspectionReports(
        sources, json, out, [](const QByteArray& path) { return '<' + path.toHex() + '>'; });
    QList<QByteArray> lines = out.data().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return { status, lines };
}

TEST(InspectionReports, JsonLinesNameEachFilesGroupsAsTheTableDoesAndTheStatusSaysWhetherAllWereRead)
{
    ReportFixture files;
    ASSERT_TRUE(files.ready());
    const auto [status, lines] = report({ files.tagged, files.oddName, files.clean, files.missing }, true);
    EXPECT_EQ(status, 1);
    ASSERT_EQ(lines.size(), 4);
    QList<QJsonObject> objects;
    for (const QByteArray& line : lines) {
        QJsonParseError error {};
        objects.append(QJsonDocument::fromJson(line, &error).object());
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    }

    for (const QJsonObject& object : { objects[0], objects[1] }) {
        SCOPED_TRACE(object.value("source").toString().toStdString());
        EXPECT_TRUE(object.value("readable").toBool());
        EXPECT_EQ(object.value("groups").toObject().keys(), (QStringList { "Device", "Location", "People" }));
        EXPECT_EQ(object.value("location").toString(), QStringLiteral("48.8584 N, 2.2945 E"));
        EXPECT_EQ(object.value("summary").toString(), QStringLiteral("Location, Device, People"));
    }
    EXPECT_EQ(objects[0].value("source").toString().toUtf8(), files.tagged);
    EXPECT_FALSE(objects[0].contains("source_hex"));
    EXPECT_EQ(objects[1].value("source_hex").toString().toLatin1(), files.oddName.toHex());
    EXPECT_EQ(objects[2].value("summary").toString(), QStringLiteral("Nothing personal found"));
    EXPECT_TRUE(objects[2].value("groups").toObject().isEmpty());
    EXPECT_FALSE(objects[3].value("readable").toBool());
    EXPECT_EQ(objects[3].value("reason").toString(), QStringLiteral("No such file or directory"));

    EXPECT_EQ(report({ files.tagged, files.clean }, true).first, 0);
}

TEST(InspectionReports, TextShowsTheCallersPathThenEachGroupWithItsFields)
{
    ReportFixture files;
    ASSERT_TRUE(files.ready());
    const auto [status, lines] = report({ files.tagged, files.clean, files.missing }, false);
    EXPECT_EQ(status, 1);
    const QByteArray tagged = '<' + files.tagged.toHex() + '>';
    EXPECT_EQ(lines.value(0), tagged + ": Location, Device, People");
    EXPECT_EQ(lines.value(1), "  Location");
    EXPECT_TRUE(lines.contains("    GPS position: 48.8584 N, 2.2945 E"));
    EXPECT_TRUE(lines.contains("    Camera model: Bench 1"));
    EXPECT_TRUE(lines.contains("  People"));
    EXPECT_TRUE(lines.contains('<' + files.clean.toHex() + ">: Nothing personal found"));
    EXPECT_EQ(lines.last(), '<' + files.missing.toHex() + ">: could not be read: No such file or directory");
}

} // namespace
