// SPDX-License-Identifier: GPL-3.0-or-later
// Cleaning JPEGs without re-encoding: pixels checked against the source and against jpegtran's exact
// turns, both decoded by libjpeg's djpeg (ImageMagick for CMYK); the files checked by a byte walk of
// their segments and by the corpus's leak checker.
#include "engine/formats/jpeg/lossless/JpegLossless.h"
#include "tests/common/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

/// The standard output of a program run to its end; empty when it could not run or failed. libjpeg's
/// programs exit with 2 after a warning (a corrupt source they still decode), which counts as success
/// when \a warningsAllowed.
QByteArray outputOf(const QString& program, const QStringList& arguments, bool warningsAllowed = false)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(60000) || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    const bool succeeded = process.exitStatus() == QProcess::NormalExit
        && (process.exitCode() == 0 || (warningsAllowed && process.exitCode() == 2));
    return succeeded ? process.readAllStandardOutput() : QByteArray();
}

/// The pixels of a JPEG as libjpeg decodes them (PNM), or for a four-component frame the CMYK samples
/// as ImageMagick decodes them.
QByteArray decodedPixels(const QString& path, bool fourComponents)
{
    if (fourComponents)
        return outputOf(QStringLiteral("convert"),
            { path, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("cmyk:-") });
    return outputOf(QStringLiteral("djpeg"), { QStringLiteral("-pnm"), path }, true);
}

/// jpegtran's exact turn of \a source for EXIF \a orientation, written to \a target; false when
/// jpegtran -perfect refuses the image's size.
bool turnWithJpegtran(const QString& source, int orientation, const QString& target)
{
    static const QStringList operations[9]
        = { {}, {}, { "-flip", "horizontal" }, { "-rotate", "180" }, { "-flip", "vertical" },
              { "-transpose" }, { "-rotate", "90" }, { "-transverse" }, { "-rotate", "270" } };
    QStringList arguments { QStringLiteral("-perfect"), QStringLiteral("-copy"), QStringLiteral("none") };
    arguments << operations[orientation] << QStringLiteral("-outfile") << target << source;
    QProcess process;
    process.start(QStringLiteral("jpegtran"), arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
        && (process.exitCode() == 0 || process.exitCode() == 2);
}

LosslessJpegOptions turnedBy(int orientation)
{
    LosslessJpegOptions options;
    options.orientation = orientationFromExif(orientation);
    return options;
}

struct Outcome
{
    LosslessJpegResult result = LosslessJpegResult::Failed;
    QString reason;
    QByteArray file; ///< what the output file holds afterwards
};

Outcome writeLossless(const QByteArray& source, const LosslessJpegOptions& options, const QString& path)
{
    Outcome outcome;
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return outcome;
    outcome.result = writeJpegLosslessly(source, options, fd, &outcome.reason);
    ::close(fd);
    outcome.file = fileBytes(path);
    return outcome;
}

/// A byte walk of a JPEG as this writer must make it: SOI, then only JFIF, ICC, Adobe, DQT, DHT,
/// SOF0/SOF1 and DRI segments, one SOS whose scan may hold RST markers, EOI as the last two bytes.
struct MarkerWalk
{
    QString problem; ///< empty when the file has that shape
    QByteArray markers; ///< the segments' marker codes in order
    QByteArray jfif; ///< the JFIF payload
    QByteArray icc; ///< the profile reassembled from its chunks
    int restartMarkers = 0;
};

MarkerWalk walkMarkers(const QByteArray& file)
{
    MarkerWalk walk;
    const auto byte = [&](qsizetype i) { return uchar(file.at(i)); };
    if (!file.startsWith("\xFF\xD8")) {
        walk.problem = QStringLiteral("no SOI");
        return walk;
    }
    qsizetype pos = 2;
    for (;;) {
        if (pos + 4 > file.size() || byte(pos) != 0xFF) {
            walk.problem = QStringLiteral("no segment at %1").arg(pos);
            return walk;
        }
        const uchar marker = byte(pos + 1);
        const qsizetype length = byte(pos + 2) << 8 | byte(pos + 3);
        const QByteArray payload = file.mid(pos + 4, length - 2);
        if (length < 2 || pos + 2 + length > file.size()) {
            walk.problem = QStringLiteral("segment %1 runs past the end").arg(marker, 0, 16);
            return walk;
        }
        walk.markers.append(char(marker));
        if (marker == 0xE0 && payload.startsWith(QByteArray("JFIF\0", 5)) && walk.jfif.isEmpty()) {
            walk.jfif = payload;
        } else if (marker == 0xE2 && payload.startsWith(QByteArray("ICC_PROFILE\0", 12))) {
            walk.icc += payload.mid(14);
        } else if (marker == 0xEE && payload.startsWith("Adobe")) {
        } else if (marker != 0xDB && marker != 0xC4 && marker != 0xC0 && marker != 0xC1 && marker != 0xDD
            && marker != 0xDA) {
            walk.problem = QStringLiteral("segment %1").arg(marker, 0, 16);
            return walk;
        }
        pos += 2 + length;
        if (marker != 0xDA)
            continue;
        while (pos + 1 < file.size()) {
            if (byte(pos) == 0xFF && byte(pos + 1) != 0x00) {
                if (byte(pos + 1) < 0xD0 || byte(pos + 1) > 0xD7)
                    break;
                ++walk.restartMarkers;
            }
            pos += byte(pos) == 0xFF ? 2 : 1;
        }
        if (pos + 2 != file.size() || byte(pos) != 0xFF || byte(pos + 1) != 0xD9)
            walk.problem = QStringLiteral("the scan is not followed by EOI at the end of the file");
        return walk;
    }
}

/// The entropy-coded data of a JPEG's first scan: from the end of its SOS segment to the first marker
/// that is not RST.
QByteArray firstScan(const QByteArray& file)
{
    qsizetype pos = 2;
    while (pos + 4 <= file.size() && uchar(file.at(pos + 1)) != 0xDA)
        pos += 2 + (uchar(file.at(pos + 2)) << 8 | uchar(file.at(pos + 3)));
    if (pos + 4 > file.size())
        return {};
    const qsizetype start = pos + 2 + (uchar(file.at(pos + 2)) << 8 | uchar(file.at(pos + 3)));
    for (pos = start; pos + 1 < file.size(); ++pos) {
        const uchar next = uchar(file.at(pos + 1));
        if (uchar(file.at(pos)) == 0xFF && next != 0x00 && (next < 0xD0 || next > 0xD7))
            break;
    }
    return file.mid(start, pos - start);
}

/// The test sources, made once: one picture with grain at two sizes, coded every way libjpeg and
/// ImageMagick code it.
struct Sources
{
    std::unique_ptr<QTemporaryDir> dir;
    QString error;

    QString path(const QString& kind, bool odd) const
    {
        return dir->filePath(kind + (odd ? QStringLiteral("_odd.jpg") : QStringLiteral(".jpg")));
    }
};

Sources& sources()
{
    static Sources made = [] {
        Sources s;
        s.dir = std::make_unique<QTemporaryDir>();
        const auto run = [&s](const QString& program, const QStringList& arguments) {
            const ProcessResult result = runProcess(program, arguments);
            if (result.exitCode != 0 && s.error.isEmpty())
                s.error = program + u' ' + arguments.join(u' ') + u'\n' + result.standardError;
        };
        for (const bool odd : { false, true }) {
            const QString size = odd ? QStringLiteral("61x45") : QStringLiteral("64x48");
            const QString ppm = s.dir->filePath(size + QStringLiteral(".ppm"));
            // One scan per component, each coded by itself.
            const QString scans = s.dir->filePath(QStringLiteral("scans.txt"));
            if (!writeFile(scans, "0;\n1;\n2;\n") && s.error.isEmpty())
                s.error = QStringLiteral("cannot write the scan script");
            run(QStringLiteral("convert"),
                { "-size", size, "gradient:#204080-#e0c080", "(", "-size", size, "xc:gray50", "-seed", "4",
                    "-attenuate", "0.6", "+noise", "Gaussian", ")", "-compose", "overlay", "-composite",
                    "-depth", "8", ppm });
            const QList<QPair<QString, QStringList>> coded
                = { { "420", { "-sample", "2x2", "-quality", "90" } },
                      { "422", { "-sample", "2x1", "-quality", "90" } },
                      { "440", { "-sample", "1x2", "-quality", "90" } },
                      { "444", { "-sample", "1x1", "-quality", "90" } }, { "grey", { "-grayscale" } },
                      { "rgb", { "-rgb" } }, { "progressive", { "-progressive", "-sample", "2x2" } },
                      { "restart", { "-restart", "2B", "-sample", "2x2" } },
                      { "arithmetic", { "-arithmetic" } }, { "grey22", { "-grayscale", "-sample", "2x2" } },
                      { "scans", { "-scans", scans, "-sample", "2x2" } } };
            for (const auto& [kind, options] : coded)
                run(QStringLiteral("cjpeg"), QStringList(options) << "-outfile" << s.path(kind, odd) << ppm);
            // ImageMagick writes CMYK as YCCK; the same coefficients read as plain CMYK once the Adobe
            // segment says so.
            run(QStringLiteral("convert"),
                { ppm, "-colorspace", "CMYK", "-quality", "90", s.path("ycck", odd) });
            QByteArray cmyk = fileBytes(s.path("ycck", odd));
            const qsizetype adobe = cmyk.indexOf("Adobe");
            if (adobe > 0 && adobe + 11 < cmyk.size())
                cmyk[adobe + 11] = 0;
            if (!writeFile(s.path("cmyk", odd), cmyk) && s.error.isEmpty())
                s.error = QStringLiteral("cannot write the CMYK source");
        }
        run(QStringLiteral("convert"),
            { "-size", "1001x667", "gradient:#603020-#80c0f0", "-depth", "8",
                s.dir->filePath("1001x667.ppm") });
        run(QStringLiteral("cjpeg"),
            { "-sample", "2x2", "-outfile", s.dir->filePath("1001x667.jpg"),
                s.dir->filePath("1001x667.ppm") });
        return s;
    }();
    return made;
}

bool fourComponents(const QString& kind)
{
    return kind == "cmyk" || kind == "ycck";
}

struct TurnCase
{
    std::string name;
    QString kind;
    bool odd;
};

// One case per coding and size, each through the eight orientations: the sources are made once per
// process, so fewer, larger cases keep the run short.
std::vector<TurnCase> turnCases()
{
    std::vector<TurnCase> cases;
    const QStringList everyKind = { "420", "422", "440", "444", "grey", "grey22", "rgb", "progressive",
        "restart", "scans", "arithmetic", "ycck", "cmyk" };
    const QStringList oddKinds = { "420", "422", "440", "grey", "grey22", "progressive", "restart", "ycck" };
    for (const bool odd : { false, true }) {
        for (const QString& kind : odd ? oddKinds : everyKind) {
            cases.push_back({ QStringLiteral("%1_%2")
                                  .arg(kind, odd ? QStringLiteral("61x45") : QStringLiteral("64x48"))
                                  .toStdString(),
                kind, odd });
        }
    }
    return cases;
}

class LosslessTurns : public ::testing::TestWithParam<TurnCase>
{
};

TEST_P(LosslessTurns, DecodeToTheSourcesPixelsOrToJpegtransExactTurnAndRefuseWhatJpegtranRefuses)
{
    const TurnCase& c = GetParam();
    const Sources& s = sources();
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    const QString source = s.path(c.kind, c.odd);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        QTemporaryDir out;
        const QString reference = out.filePath("jpegtran.jpg");
        const bool perfect = orientation == 1 || turnWithJpegtran(source, orientation, reference);

        LosslessJpegOptions options;
        options.orientation = orientationFromExif(orientation);
        const Outcome outcome = writeLossless(fileBytes(source), options, out.filePath("lossless.jpg"));
        if (!perfect) {
            EXPECT_EQ(outcome.result, LosslessJpegResult::NeedsReencode) << outcome.reason.toStdString();
            EXPECT_TRUE(outcome.file.isEmpty());
            EXPECT_FALSE(outcome.reason.isEmpty());
            continue;
        }
        ASSERT_EQ(outcome.result, LosslessJpegResult::Written) << outcome.reason.toStdString();
        const MarkerWalk walk = walkMarkers(outcome.file);
        EXPECT_TRUE(walk.problem.isEmpty()) << walk.problem.toStdString();
        EXPECT_FALSE(walk.jfif.isEmpty() && c.kind != "rgb") << "no JFIF segment";
        EXPECT_TRUE(walk.jfif.isEmpty() || c.kind != "rgb") << "JFIF would make the RGB frame YCbCr";

        // An upright baseline source keeps its scan as it is.
        if (orientation == 1 && c.kind != "progressive" && c.kind != "arithmetic" && c.kind != "scans") {
            EXPECT_TRUE(firstScan(outcome.file) == firstScan(fileBytes(source)))
                << "the scan was coded again";
        }

        const bool four = fourComponents(c.kind);
        const QByteArray expected = decodedPixels(orientation == 1 ? source : reference, four);
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_TRUE(decodedPixels(out.filePath("lossless.jpg"), four) == expected) << "decoded pixels differ";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCodingAndTurn, LosslessTurns, ::testing::ValuesIn(turnCases()),
    [](const ::testing::TestParamInfo<TurnCase>& param) { return param.param.name; });

TEST(LosslessJpeg, SizeThatCutsAnMcuForTheTurnAsksForReencodingAndWritesNothing)
{
    const Sources& s = sources();
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    QTemporaryDir out;
    LosslessJpegOptions options;
    options.orientation = Orientation::Rotate90;
    const Outcome outcome
        = writeLossless(fileBytes(s.dir->filePath("1001x667.jpg")), options, out.filePath("o.jpg"));
    EXPECT_EQ(outcome.result, LosslessJpegResult::NeedsReencode);
    EXPECT_TRUE(outcome.file.isEmpty());
    EXPECT_TRUE(outcome.reason.contains("1001 x 667")) << outcome.reason.toStdString();

    // The transposition alone moves no cut edge: it is exact at any size.
    options.orientation = Orientation::Transpose;
    EXPECT_EQ(
        writeLossless(fileBytes(s.dir->filePath("1001x667.jpg")), options, out.filePath("o.jpg")).result,
        LosslessJpegResult::Written);
}

/// A source with something a decoder skips planted at \a where, and what it must come out as.
struct DirtyCase
{
    const char* name;
    const char* kind;
    int orientation;
};

class LosslessCleaning : public ::testing::TestWithParam<DirtyCase>
{
};

/// The source with EXIF (GPS), XMP and a comment added by exiftool, then junk planted in or after its
/// scan as \a name says, and a trailer after its end.
QByteArray dirtySource(const QString& kind, const char* name, const QString& folder)
{
    const QString path = folder + QStringLiteral("/dirty.jpg");
    QFile::remove(path);
    if (!QFile::copy(sources().path(kind, false), path))
        return {};
    const ProcessResult tagged = runProcess(QStringLiteral("exiftool"),
        { "-q", "-overwrite_original", "-Artist=PLANTED-EXIF", "-GPSLatitude=48.8584", "-GPSLatitudeRef=N",
            "-XMP-dc:Creator=PLANTED-XMP", "-Comment=PLANTED-COMMENT", path });
    if (tagged.exitCode != 0)
        return {};
    QByteArray bytes = fileBytes(path);
    const qsizetype end = bytes.lastIndexOf("\xFF\xD9");
    const QByteArray what = name;
    if (what == "junk after the last MCU") {
        bytes.insert(end, "PLANTED-TAIL");
    } else if (what == "segments after the scan") {
        bytes.insert(end, QByteArray("\xFF\xFE\x00\x11PLANTED-SEGMENT\xFF\xE1\x00\x09PLANTED", 30));
    } else if (what == "junk before a restart marker") {
        bytes.insert(bytes.indexOf("\xFF\xD0"), "PLANTED-RST");
    }
    bytes.append("PLANTED-TRAILER");
    return bytes;
}

TEST_P(LosslessCleaning, KeepsNothingTheDecoderSkipsAndTheSamePixels)
{
    const DirtyCase& c = GetParam();
    ASSERT_TRUE(sources().error.isEmpty()) << sources().error.toStdString();
    QTemporaryDir out;
    const QByteArray source = dirtySource(c.kind, c.name, out.path());
    ASSERT_FALSE(source.isEmpty());
    ASSERT_TRUE(writeFile(out.filePath("source.jpg"), source));
    LosslessJpegOptions options;
    options.orientation = orientationFromExif(c.orientation);
    const Outcome outcome = writeLossless(source, options, out.filePath("lossless.jpg"));
    ASSERT_EQ(outcome.result, LosslessJpegResult::Written) << outcome.reason.toStdString();

    EXPECT_FALSE(outcome.file.contains("PLANTED"));
    const MarkerWalk walk = walkMarkers(outcome.file);
    EXPECT_TRUE(walk.problem.isEmpty()) << walk.problem.toStdString();
    QTemporaryDir checked;
    ASSERT_TRUE(writeFile(checked.filePath("lossless.jpg"), outcome.file));
    const ProcessResult report = checkClean(checked.path());
    EXPECT_EQ(report.exitCode, 0) << report.standardOutput.toStdString();

    QString expectedFile = out.filePath("source.jpg");
    if (c.orientation != 1) {
        expectedFile = out.filePath("jpegtran.jpg");
        ASSERT_TRUE(turnWithJpegtran(out.filePath("source.jpg"), c.orientation, expectedFile));
    }
    const QByteArray expected = decodedPixels(expectedFile, false);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_TRUE(decodedPixels(out.filePath("lossless.jpg"), false) == expected) << "decoded pixels differ";
}

const DirtyCase kDirtyCases[] = {
    { "metadata and trailer", "restart", 1 },
    { "metadata and trailer", "420", 6 },
    { "junk after the last MCU", "420", 1 },
    { "junk after the last MCU", "420", 8 },
    { "segments after the scan", "420", 1 },
    { "segments after the scan", "progressive", 3 },
    { "junk before a restart marker", "restart", 1 },
    { "junk before a restart marker", "restart", 6 },
};

INSTANTIATE_TEST_SUITE_P(PlantedEverywhere, LosslessCleaning, ::testing::ValuesIn(kDirtyCases),
    [](const ::testing::TestParamInfo<DirtyCase>& param) {
        std::string name = std::string(param.param.name) + '_' + param.param.kind + "_o"
            + std::to_string(param.param.orientation);
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(LosslessJpeg, RefusesTruncatedAndCorruptDataWithAReasonAndWritesNothing)
{
    const Sources& s = sources();
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    const QByteArray baseline = fileBytes(s.path("420", false));
    const QByteArray progressive = fileBytes(s.path("progressive", false));
    const qsizetype middle = baseline.size() * 6 / 10;
    QByteArray cutByMarker = baseline;
    cutByMarker.replace(middle, 2, "\xFF\xD9");
    QByteArray badCodes = baseline;
    badCodes.replace(middle, 16, QByteArray("\xFF\x00", 2).repeated(8));
    QByteArray huge = baseline;
    const qsizetype frame = huge.indexOf("\xFF\xC0");
    huge.replace(frame + 5, 4, QByteArray("\x1F\x40\x1F\x40", 4)); // 8000 x 8000 in a few kilobytes

    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        { "cut in the scan", baseline.left(middle) },
        { "progressive cut in a scan", progressive.left(progressive.size() * 6 / 10) },
        { "end marker in the scan", cutByMarker },
        { "invalid Huffman codes", badCodes },
        { "a frame far larger than its data", huge },
        { "not a JPEG", QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(200, 'x') },
        { "empty", QByteArray() },
    };
    QTemporaryDir out;
    for (const auto& c : cases) {
        for (const int orientation : { 1, 6 }) {
            SCOPED_TRACE(std::string(c.name) + ", orientation " + std::to_string(orientation));
            LosslessJpegOptions options;
            options.orientation = orientationFromExif(orientation);
            const Outcome outcome = writeLossless(c.bytes, options, out.filePath("o.jpg"));
            EXPECT_EQ(outcome.result, LosslessJpegResult::Failed);
            EXPECT_FALSE(outcome.reason.isEmpty());
            EXPECT_TRUE(outcome.file.isEmpty());
        }
    }

    LosslessJpegOptions small;
    small.maxPixels = 1000;
    const Outcome tooLarge = writeLossless(baseline, small, out.filePath("o.jpg"));
    EXPECT_EQ(tooLarge.result, LosslessJpegResult::Failed);
    EXPECT_TRUE(tooLarge.reason.contains("64 x 48")) << tooLarge.reason.toStdString();
}

TEST(LosslessJpeg, ProgressiveSourceWithoutItsRefinementsAsksForReencoding)
{
    // Decoders fill in what the missing scans would have sent from the neighbouring blocks; coefficients
    // written as they are would decode to other pixels.
    const Sources& s = sources();
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    const QByteArray progressive = fileBytes(s.path("progressive", false));
    const qsizetype firstScan = progressive.indexOf("\xFF\xDA");
    const qsizetype secondScan = progressive.indexOf("\xFF\xDA", firstScan + 2);
    ASSERT_GT(secondScan, 0);
    // The tables of the next scan stay; only the scans after the DC scan go.
    const QByteArray dcOnly = progressive.left(secondScan) + "\xFF\xD9";
    QTemporaryDir out;
    const Outcome outcome = writeLossless(dcOnly, {}, out.filePath("o.jpg"));
    EXPECT_EQ(outcome.result, LosslessJpegResult::NeedsReencode) << outcome.reason.toStdString();
    EXPECT_TRUE(outcome.file.isEmpty());
}

TEST(LosslessJpeg, WritesTheGivenDensityAndProfileOnEveryPath)
{
    const Sources& s = sources();
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    QByteArray profile;
    for (int i = 0; i < 70000; ++i)
        profile.append(char(i * 7 % 251)); // two chunks
    const struct
    {
        const char* kind;
        int orientation;
    } paths[] = { { "420", 1 }, { "420", 6 }, { "progressive", 1 } }; // scan kept, decoded, libjpeg's
    QTemporaryDir out;
    for (const auto& path : paths) {
        SCOPED_TRACE(std::string(path.kind) + ", orientation " + std::to_string(path.orientation));
        LosslessJpegOptions options;
        options.orientation = orientationFromExif(path.orientation);
        options.dpiX = 300;
        options.dpiY = 150;
        options.iccProfile = profile;
        const MarkerWalk stated = walkMarkers(
            writeLossless(fileBytes(s.path(path.kind, false)), options, out.filePath("o.jpg")).file);
        EXPECT_TRUE(stated.problem.isEmpty()) << stated.problem.toStdString();
        EXPECT_EQ(stated.jfif.mid(7, 5), QByteArray("\x01\x01\x2C\x00\x96", 5)); // dots per inch, 300, 150
        EXPECT_TRUE(stated.icc == profile);
        EXPECT_EQ(stated.markers.count(char(0xE2)), 2);

        const MarkerWalk unstated = walkMarkers(writeLossless(
            fileBytes(s.path(path.kind, false)), turnedBy(path.orientation), out.filePath("o.jpg"))
                                                    .file);
        EXPECT_EQ(unstated.jfif.mid(7, 5), QByteArray("\x00\x00\x01\x00\x01", 5)); // no unit, 1:1
        EXPECT_FALSE(unstated.markers.contains(char(0xE2)));
    }
}

TEST(LosslessJpeg, FullDiskFailsWithTheSystemsReason)
{
    const Sources& s = sources();
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    for (const int orientation : { 1, 6 }) {
        SCOPED_TRACE(orientation);
        const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        QString reason;
        EXPECT_EQ(writeJpegLosslessly(fileBytes(s.path("420", false)), turnedBy(orientation), fd, &reason),
            LosslessJpegResult::Failed);
        ::close(fd);
        EXPECT_TRUE(reason.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << reason.toStdString();
    }
}

TEST(LosslessJpeg, DirtySetComesOutCleanWithTheSourcesPixels)
{
    const QStringList lines = QString::fromUtf8(fileBytes(dirtyCorpusDir() + "/MANIFEST.tsv")).split(u'\n');
    QTemporaryDir out;
    QTemporaryDir references;
    int written = 0;
    for (const QString& line : lines) {
        const QStringList columns = line.split(u'\t');
        if (columns.size() < 4 || (!columns[0].startsWith("jpeg/") && columns[0] != "misc/truncated.jpg"))
            continue;
        SCOPED_TRACE(columns[0].toStdString());
        const QString source = dirtyCorpusDir() + u'/' + columns[0];
        const int orientation = columns[3] == "-" ? 1 : columns[3].toInt();
        LosslessJpegOptions options;
        options.orientation = orientationFromExif(orientation);
        const QString target = out.filePath(QStringLiteral("%1.jpg").arg(written, 2, 10, QLatin1Char('0')));
        const Outcome outcome = writeLossless(fileBytes(source), options, target);
        if (columns[0] == "misc/truncated.jpg") {
            EXPECT_EQ(outcome.result, LosslessJpegResult::Failed);
            QFile::remove(target);
            continue;
        }
        QString expectedFile = source;
        if (orientation != 1) {
            expectedFile = references.filePath(QStringLiteral("%1.jpg").arg(written));
            if (!turnWithJpegtran(source, orientation, expectedFile)) {
                EXPECT_EQ(outcome.result, LosslessJpegResult::NeedsReencode);
                QFile::remove(target);
                continue;
            }
        }
        ASSERT_EQ(outcome.result, LosslessJpegResult::Written) << outcome.reason.toStdString();
        const bool four = columns[2].contains("CMYK");
        EXPECT_TRUE(decodedPixels(target, four) == decodedPixels(expectedFile, four))
            << "decoded pixels differ";
        ++written;
    }
    EXPECT_GE(written, 20);
    const ProcessResult report = checkClean(out.path());
    EXPECT_EQ(report.exitCode, 0) << report.standardOutput.toStdString();
}

} // namespace
