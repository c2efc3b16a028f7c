// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile, broken and unlucky cases run through the real command line: decompression bombs, damaged and
// misnamed files, awkward names, a file-size limit, a folder pulled away, two processes at once.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtEndian>

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <zlib.h>

namespace {

// A PNG whose header claims \a width x \a height, with a valid checksum and no image data.
QByteArray pngClaiming(quint32 width, quint32 height)
{
    QByteArray ihdr("\0\0\0\x0dIHDR\0\0\0\0\0\0\0\0\x08\x02\0\0\0\0\0\0\0", 25); // 8-bit RGB
    qToBigEndian(width, ihdr.data() + 8);
    qToBigEndian(height, ihdr.data() + 12);
    qToBigEndian(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(ihdr.constData() + 4), 17)), ihdr.data() + 21);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + ihdr + QByteArray("\0\0\0\0IEND\xae\x42\x60\x82", 12);
}

// A GIF whose screen and image both claim \a side x \a side.
QByteArray gifClaiming(quint16 side)
{
    QByteArray gif("GIF89a");
    char le[2];
    qToLittleEndian(side, le);
    gif.append(le, 2).append(le, 2).append("\x80\0\0", 3).append(QByteArray(6, '\0'));
    gif.append(",\0\0\0\0", 5).append(le, 2).append(le, 2).append('\0');
    gif.append("\x02\x02\x44\x01\0;", 6);
    return gif;
}

// A small real JPEG (baseline, no embedded thumbnail) whose frame header is patched to claim
// \a width x \a height.
QByteArray jpegClaiming(quint16 width, quint16 height)
{
    QByteArray jpeg = fileBytes(dirtyCorpusDir() + QStringLiteral("/jpeg/orient/orient_1.jpg"));
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    if (sof > 0) {
        qToBigEndian(height, jpeg.data() + sof + 5);
        qToBigEndian(width, jpeg.data() + sof + 7);
    }
    return jpeg;
}

// Runs the command line under /usr/bin/time: its result, and its peak resident memory in MB.
ProcessResult runMeasured(const QStringList& arguments, const QTemporaryDir& work, double* peakMegabytes)
{
    ProcessResult result = runCliUnder(
        { "/usr/bin/time", "-f", "peak %M" }, arguments, work.filePath(QStringLiteral("config")));
    const QString last = result.standardError.trimmed().split(u'\n').last();
    *peakMegabytes = last.startsWith(QLatin1String("peak ")) ? last.mid(5).toDouble() / 1024.0 : -1;
    return result;
}

} // namespace

TEST(HostileInput, BombsAndBrokenFilesAreSkippedWithTheirReasonAndLeaveNothing)
{
    QTemporaryDir work;
    const QString in = work.filePath("in");
    ASSERT_TRUE(writeFile(in + "/bomb.png", pngClaiming(100000, 100000)));
    ASSERT_TRUE(writeFile(in + "/bomb.gif", gifClaiming(65535)));
    ASSERT_TRUE(writeFile(in + "/bomb.jpg", jpegClaiming(65500, 65500)));
    ASSERT_TRUE(writeFile(in + "/zero.png", pngClaiming(0, 480)));
    ASSERT_TRUE(writeFile(in + "/notes.png", "plain text that only pretends to be a picture\n"));
    ASSERT_TRUE(writeFile(in + "/empty.tif", {}));
    ASSERT_TRUE(
        writeFile(in + "/cut.jpg", fileBytes(dirtyCorpusDir() + "/jpeg/13_kitchen_sink.jpg").left(9000)));
    ASSERT_TRUE(writeFile(in + "/png named.jpg", fileBytes(dirtyCorpusDir() + "/png/05_phys_300dpi.png")));

    double peak = 0;
    const QString out = work.filePath("out");
    const ProcessResult run = runMeasured({ "--json", "-o", out, in }, work, &peak);
    EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 200) << "a header's claim must not be allocated";

    const QHash<QString, QJsonObject> outcomes = jsonBySource(run.standardOutput);
    const std::pair<const char*, const char*> expected[] = { { "bomb.png", "could not be decoded" },
        { "bomb.gif", "could not be decoded" }, { "bomb.jpg", "could not be decoded" },
        { "zero.png", "could not be decoded" }, { "notes.png", "not a supported image" },
        { "empty.tif", "empty file" }, { "cut.jpg", "could not be decoded" } };
    for (const auto& [name, reason] : expected) {
        SCOPED_TRACE(name);
        const QJsonObject outcome = outcomes.value(QString::fromUtf8(name));
        EXPECT_EQ(outcome.value("status").toString(), QStringLiteral("skipped"));
        EXPECT_TRUE(outcome.value("reason").toString().startsWith(QLatin1String(reason)))
            << outcome.value("reason").toString().toStdString();
        // A file that could not be decoded is told why.
        if (QLatin1String(reason) == QLatin1String("could not be decoded")) {
            EXPECT_TRUE(outcome.value("reason").toString().endsWith(u')'))
                << outcome.value("reason").toString().toStdString();
        }
    }
    // The misnamed PNG is read as what it is and written as what its name asks for.
    EXPECT_EQ(filesUnder(out), QStringList { "png named.jpg" });
    EXPECT_EQ(QImageReader(out + "/png named.jpg").format(), QByteArray("jpeg"));
    EXPECT_FALSE(run.standardError.contains(QLatin1String("libpng")));
}

TEST(HostileInput, AHundredMegapixelPhotoStillConverts)
{
    QTemporaryDir work;
    QImage large(12000, 8400, QImage::Format_RGB32);
    ASSERT_FALSE(large.isNull());
    large.fill(qRgb(40, 90, 160));
    const QString source = work.filePath("large.jpg");
    ASSERT_TRUE(large.save(source, "jpeg", 80));
    large = QImage();

    const ProcessResult run = runCli({ "-o", work.filePath("out"), source }, work.filePath("config"));
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_EQ(QImageReader(work.filePath("out/large.jpg")).size(), QSize(12000, 8400));
}

TEST(HostileInput, AwkwardNamesKeepTheirNameAndLongOnesAreShortened)
{
    QTemporaryDir work;
    const QByteArray photo = fileBytes(dirtyCorpusDir() + "/jpeg/orient/orient_2.jpg");
    // 255 bytes, of two-byte characters: a numbered variant must be cut between characters.
    const QString longName = QString(125, QChar(0x00E9)) + "x.jpg";
    const QStringList names
        = { "with space (2).jpg", QString::fromUtf8("été 日本.jpg"), "-dash.jpg", longName };
    QStringList sources;
    for (const QString& name : names) {
        ASSERT_TRUE(writeFile(work.filePath("in/" + name), photo));
        sources << work.filePath("in/" + name);
    }
    const QString out = work.filePath("out");
    // Twice into the same folder: the second run needs numbered names, the long one shortened.
    for (int round = 0; round < 2; ++round) {
        const ProcessResult run = runCli(QStringList { "-o", out, "--" } + sources, work.filePath("config"));
        EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    }
    const QStringList outputs = filesUnder(out);
    EXPECT_EQ(outputs.size(), 8);
    for (const QString& name : names)
        EXPECT_TRUE(outputs.contains(name)) << name.toStdString();
    EXPECT_TRUE(outputs.contains(QString::fromUtf8("été 日本 (1).jpg")));
    EXPECT_TRUE(outputs.contains("-dash (1).jpg"));
    for (const QString& name : outputs) {
        EXPECT_LE(QFile::encodeName(name).size(), 255);
        EXPECT_FALSE(name.contains(QChar::ReplacementCharacter)) << "a character cut in half";
        EXPECT_TRUE(name.endsWith(QLatin1String(".jpg")));
    }
}

TEST(HostileInput, AFileSizeLimitFailsTheLargeFileOnlyAndLeavesNoPart)
{
    QTemporaryDir work;
    QImage noise(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7919 + y * 104729) % 251, (x * y) % 253, (x ^ y) % 255));
    ASSERT_TRUE(QDir().mkpath(work.filePath("in")));
    ASSERT_TRUE(noise.save(work.filePath("in/a-large.jpg"), "jpeg", 95));
    ASSERT_TRUE(writeFile(
        work.filePath("in/b-small.jpg"), fileBytes(dirtyCorpusDir() + "/jpeg/orient/orient_1.jpg")));

    // bash's ulimit -f counts kilobytes: the small photo fits, the large one does not.
    const QString out = work.filePath("out");
    const ProcessResult run = runCliUnder({ "bash", "-c", "ulimit -f 200 && exec \"$@\"", "bash" },
        { "--json", "-j", "1", "-o", out, work.filePath("in") }, work.filePath("config"));
    EXPECT_EQ(run.exitCode, 1) << run.standardError.toStdString();
    const QHash<QString, QJsonObject> outcomes = jsonBySource(run.standardOutput);
    EXPECT_TRUE(outcomes.value("a-large.jpg")
                    .value("reason")
                    .toString()
                    .startsWith(QLatin1String("could not be written: File too large")))
        << run.standardOutput.toStdString();
    EXPECT_EQ(outcomes.value("b-small.jpg").value("status").toString(), QStringLiteral("written"));
    EXPECT_EQ(filesUnder(out), QStringList { "b-small.jpg" });
}

TEST(HostileInput, AFileTooLargeToBeAPhotoIsNeitherReadNorConvertedAndSaysSo)
{
    QTemporaryDir work;
    const QString huge = work.filePath("in/huge.jpg");
    // A photo's first bytes (all of it but its end marker: its coded data runs on), then a hole up to
    // 2 GiB: a sparse file that takes no disk space.
    QByteArray start = fileBytes(dirtyCorpusDir() + "/jpeg/orient/orient_1.jpg");
    ASSERT_TRUE(start.endsWith("\xFF\xD9"));
    start.chop(2);
    ASSERT_TRUE(writeFile(huge, start));
    constexpr qint64 kHugeSize = qint64(2) << 30;
    ASSERT_TRUE(QFile::resize(huge, kHugeSize));
    ASSERT_EQ(QFileInfo(huge).size(), kHugeSize);

    double peak = 0;
    const ProcessResult inspected = runMeasured({ "--inspect", "--json", huge }, work, &peak);
    EXPECT_EQ(inspected.exitCode, 1) << inspected.standardError.toStdString();
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 200) << "the file was read into memory";
    const QJsonObject report = jsonBySource(inspected.standardOutput).value("huge.jpg");
    EXPECT_FALSE(report.value("readable").toBool());
    EXPECT_TRUE(report.value("reason").toString().startsWith(QLatin1String("the file is too large (2.0 GiB")))
        << inspected.standardOutput.toStdString();

    const QString out = work.filePath("out");
    const ProcessResult converted = runMeasured({ "--json", "-o", out, huge }, work, &peak);
    EXPECT_EQ(converted.exitCode, 1) << converted.standardError.toStdString();
    EXPECT_LT(peak, 200) << "the file was read into memory";
    const QJsonObject outcome = jsonBySource(converted.standardOutput).value("huge.jpg");
    EXPECT_EQ(outcome.value("status").toString(), QStringLiteral("skipped"));
    EXPECT_TRUE(outcome.value("reason").toString().startsWith(QLatin1String("too large (2.0 GiB")))
        << converted.standardOutput.toStdString();
    EXPECT_TRUE(filesUnder(out).isEmpty());
    EXPECT_EQ(QFileInfo(huge).size(), kHugeSize) << "the source was changed";
}

TEST(HostileInput, AnOutputFolderPulledAwayMidRunIsReportedWithoutACrash)
{
    QTemporaryDir work;
    // Photos large enough that the run is far from done when its first output appears.
    QImage photo(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb((x * 7 + y) & 255, (x ^ y) & 255, (y * 3) & 255));
    }
    constexpr int kPhotos = 40;
    ASSERT_TRUE(QDir().mkpath(work.filePath("in")));
    for (int i = 0; i < kPhotos; ++i)
        ASSERT_TRUE(photo.save(
            work.filePath(QStringLiteral("in/%1.jpg").arg(i, 2, 10, QLatin1Char('0'))), "jpeg", 95));
    const QString out = work.filePath("out");
    QDir().mkpath(out);
    // The first output's name is seen the moment it is made; the run is frozen there while its folder goes.
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(out).constData(), IN_CREATE | IN_MOVED_TO), 0);

    QProcess cli;
    startCli(cli, { "--json", "-j", "1", "-o", out, work.filePath("in") }, work.filePath("config"));
    ASSERT_TRUE(cli.waitForStarted());
    pollfd event { watch, POLLIN, 0 };
    ASSERT_EQ(::poll(&event, 1, 60000), 1) << "no output appeared";
    ASSERT_EQ(::kill(pid_t(cli.processId()), SIGSTOP), 0);
    const int writtenBefore = int(filesUnder(out).size());
    EXPECT_LT(writtenBefore, kPhotos) << "the run ended before its folder went";
    EXPECT_TRUE(QDir(out).removeRecursively());
    ASSERT_EQ(::kill(pid_t(cli.processId()), SIGCONT), 0);
    ASSERT_TRUE(cli.waitForFinished(120000));

    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 1);
    const QHash<QString, QJsonObject> outcomes = jsonBySource(QString::fromUtf8(cli.readAllStandardOutput()));
    ASSERT_EQ(outcomes.size(), kPhotos);
    int skipped = 0;
    for (const QJsonObject& outcome : outcomes) {
        if (outcome.value("status").toString() == QLatin1String("skipped")) {
            ++skipped;
            EXPECT_TRUE(outcome.value("reason").toString().startsWith(QLatin1String("could not be written")))
                << outcome.value("reason").toString().toStdString();
        }
    }
    // Every file not named when the folder went is skipped.
    EXPECT_EQ(skipped, kPhotos - writtenBefore);
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_EQ(filesUnder(work.filePath("in")).size(), kPhotos);
}

TEST(HostileInput, TwoProcessesIntoOneFolderNeverReplaceEachOther)
{
    QTemporaryDir work;
    ASSERT_TRUE(QDir().mkpath(work.filePath("one")) && QDir().mkpath(work.filePath("two")));
    QImage red(800, 600, QImage::Format_RGB32), green(800, 600, QImage::Format_RGB32);
    red.fill(qRgb(220, 30, 30));
    green.fill(qRgb(30, 200, 60));
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(red.save(work.filePath(QStringLiteral("one/photo%1.jpg").arg(i)), "jpeg")
            && green.save(work.filePath(QStringLiteral("two/photo%1.jpg").arg(i)), "jpeg"));
    const QString out = work.filePath("out");
    QDir().mkpath(out);
    QProcess runs[2];
    for (int p = 0; p < 2; ++p) {
        startCli(runs[p], { "--quiet", "-j", "2", "-o", out, work.filePath(p == 0 ? "one" : "two") },
            work.filePath("config"));
    }
    for (QProcess& run : runs) {
        ASSERT_TRUE(run.waitForFinished(120000));
        EXPECT_EQ(run.exitCode(), 0);
    }
    // 24 outputs under 24 names, each a whole picture: 12 red ones from the first process and 12 green
    // ones from the second, none cut short or overwritten by the other.
    const QStringList outputs = filesUnder(out);
    ASSERT_EQ(outputs.size(), 24);
    int fromFirst = 0;
    for (const QString& name : outputs) {
        const QImage image(out + u'/' + name);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        if (qRed(image.pixel(400, 300)) > 150)
            ++fromFirst;
        EXPECT_EQ(image.size(), QSize(800, 600));
    }
    EXPECT_EQ(fromFirst, 12);
}
