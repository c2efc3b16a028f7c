// SPDX-License-Identifier: GPL-3.0-or-later
// Cleaning JPEGs without re-encoding: pixels checked against the source and against jpegtran's exact
// turns, both decoded by libjpeg's djpeg (ImageMagick for CMYK); the files checked by a byte walk of
// their segments and by the corpus's leak checker.
#include "engine/formats/jpeg/lossless/JpegLossless.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QSize>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

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

/// Why \a file is not of the shape this writer must give it: SOI, then only one JFIF segment and ICC,
/// Adobe, DQT, DHT, SOF0/SOF1 and DRI segments, one scan (restart markers in it), EOI as the last two
/// bytes. Empty when it is.
QString shapeProblem(const QByteArray& file)
{
    const std::vector<JpegSegment> segments = jpegSegments(file);
    if (segments.size() < 3 || segments[segments.size() - 2].marker != 0xDA)
        return QStringLiteral("no whole JPEG ending in one scan and EOI");
    int jfif = 0;
    for (size_t i = 1; i + 2 < segments.size(); ++i) {
        const int marker = segments[i].marker;
        const QByteArray& payload = segments[i].payload;
        if (marker == 0xE0 && payload.startsWith(QByteArray("JFIF\0", 5)) && jfif++ == 0)
            continue;
        if ((marker == 0xE2 && payload.startsWith(QByteArray("ICC_PROFILE\0", 12)))
            || (marker == 0xEE && payload.startsWith("Adobe")) || marker == 0xDB || marker == 0xC4
            || marker == 0xC0 || marker == 0xC1 || marker == 0xDD)
            continue;
        return QStringLiteral("segment %1").arg(marker, 0, 16);
    }
    return {};
}

/// The payload of the JFIF segment of \a file; empty when it has none.
QByteArray jfifOf(const QByteArray& file)
{
    for (const JpegSegment& segment : jpegSegments(file)) {
        if (segment.marker == 0xE0 && segment.payload.startsWith(QByteArray("JFIF\0", 5)))
            return segment.payload;
    }
    return {};
}

/// The entropy-coded data of a JPEG's first scan.
QByteArray firstScan(const QByteArray& file)
{
    for (const JpegSegment& segment : jpegSegments(file)) {
        if (segment.marker == 0xDA)
            return segment.scan;
    }
    return "no scan";
}

/// Test sources made once per process by libjpeg's and ImageMagick's programs, in a folder of their own.
struct Sources
{
    std::unique_ptr<QTemporaryDir> dir = std::make_unique<QTemporaryDir>();
    QString error; ///< what went wrong making them; empty when nothing did

    QString path(const QString& name) const { return dir->filePath(name + QStringLiteral(".jpg")); }
    QString path(const QString& kind, bool odd) const
    {
        return path(odd ? kind + QStringLiteral("_odd") : kind);
    }
    void run(const QString& program, const QStringList& arguments)
    {
        const ProcessResult result = runProcess(program, arguments);
        if (result.exitCode != 0 && error.isEmpty())
            error = program + u' ' + arguments.join(u' ') + u'\n' + result.standardError;
    }
    void write(const QString& path, const QByteArray& bytes)
    {
        if (!writeFile(path, bytes) && error.isEmpty())
            error = QStringLiteral("cannot write ") + path;
    }
};

/// One picture with grain at two sizes, coded every way libjpeg and ImageMagick code it.
const Sources& sources()
{
    static const Sources made = [] {
        Sources s;
        for (const bool odd : { false, true }) {
            const QString size = odd ? QStringLiteral("61x45") : QStringLiteral("64x48");
            const QString ppm = s.dir->filePath(size + QStringLiteral(".ppm"));
            // One scan per component, each coded by itself.
            const QString scans = s.dir->filePath(QStringLiteral("scans.txt"));
            s.write(scans, "0;\n1;\n2;\n");
            s.run(QStringLiteral("convert"),
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
                s.run(
                    QStringLiteral("cjpeg"), QStringList(options) << "-outfile" << s.path(kind, odd) << ppm);
            // ImageMagick writes CMYK as YCCK; the same coefficients read as plain CMYK once the Adobe
            // segment says so.
            s.run(QStringLiteral("convert"),
                { ppm, "-colorspace", "CMYK", "-quality", "90", s.path("ycck", odd) });
            QByteArray cmyk = fileBytes(s.path("ycck", odd));
            const qsizetype adobe = cmyk.indexOf("Adobe");
            if (adobe > 0 && adobe + 11 < cmyk.size())
                cmyk[adobe + 11] = 0;
            s.write(s.path("cmyk", odd), cmyk);
        }
        s.run(QStringLiteral("convert"),
            { "-size", "1001x667", "gradient:#603020-#80c0f0", "-depth", "8",
                s.dir->filePath("1001x667.ppm") });
        s.run(QStringLiteral("cjpeg"),
            { "-sample", "2x2", "-outfile", s.path("1001x667"), s.dir->filePath("1001x667.ppm") });
        return s;
    }();
    return made;
}

/// \a source turned as the lossless writer turns it for \a orientation, by jpegtran; empty when
/// jpegtran -perfect refuses.
QString expectedFor(const QString& source, int orientation, const QTemporaryDir& dir)
{
    if (orientation == 1)
        return source;
    const QString reference = dir.filePath("jpegtran.jpg");
    QFile::remove(reference);
    return turnWithJpegtran(source, orientation, reference) ? reference : QString();
}

/// The tests that read the sources: they stop at once when the sources could not be made.
class LosslessJpeg : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sources().error.isEmpty()) << sources().error.toStdString(); }
};
using LosslessTurns = LosslessJpeg;
using LosslessCleaning = LosslessJpeg;

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

// One case per coding and size, each through the eight orientations.
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

void checkTurns(const TurnCase& c)
{
    const QString source = sources().path(c.kind, c.odd);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        QTemporaryDir out;
        const QString expected = expectedFor(source, orientation, out);
        const Outcome outcome
            = writeLossless(fileBytes(source), turnedBy(orientation), out.filePath("lossless.jpg"));
        if (expected.isEmpty()) {
            EXPECT_EQ(outcome.result, LosslessJpegResult::NeedsReencode) << outcome.reason.toStdString();
            EXPECT_TRUE(outcome.file.isEmpty());
            EXPECT_FALSE(outcome.reason.isEmpty());
            continue;
        }
        ASSERT_EQ(outcome.result, LosslessJpegResult::Written) << outcome.reason.toStdString();
        EXPECT_EQ(shapeProblem(outcome.file), QString());
        EXPECT_FALSE(jfifOf(outcome.file).isEmpty() && c.kind != "rgb") << "no JFIF segment";
        EXPECT_TRUE(jfifOf(outcome.file).isEmpty() || c.kind != "rgb")
            << "JFIF would make the RGB frame YCbCr";

        // An upright baseline source keeps its scan as it is.
        if (orientation == 1 && c.kind != "progressive" && c.kind != "arithmetic" && c.kind != "scans") {
            EXPECT_TRUE(firstScan(outcome.file) == firstScan(fileBytes(source)))
                << "the scan was coded again";
        }

        const bool four = fourComponents(c.kind);
        const QByteArray pixels = decodedPixels(expected, four);
        ASSERT_FALSE(pixels.isEmpty());
        EXPECT_TRUE(decodedPixels(out.filePath("lossless.jpg"), four) == pixels) << "decoded pixels differ";
    }
}

// One test for every coding and size: the sources are made once per process.
TEST_F(LosslessTurns, DecodeToTheSourcesPixelsOrToJpegtransExactTurnAndRefuseWhatJpegtranRefuses)
{
    for (const TurnCase& c : turnCases()) {
        SCOPED_TRACE(c.name);
        checkTurns(c);
    }
}

TEST_F(LosslessJpeg, SizeThatCutsAnMcuForTheTurnAsksForReencodingAndWritesNothing)
{
    const Sources& s = sources();
    QTemporaryDir out;
    LosslessJpegOptions options;
    options.orientation = Orientation::Rotate90;
    const Outcome outcome = writeLossless(fileBytes(s.path("1001x667")), options, out.filePath("o.jpg"));
    EXPECT_EQ(outcome.result, LosslessJpegResult::NeedsReencode);
    EXPECT_TRUE(outcome.file.isEmpty());
    EXPECT_TRUE(outcome.reason.contains("1001 x 667")) << outcome.reason.toStdString();

    // The transposition alone moves no cut edge: it is exact at any size.
    options.orientation = Orientation::Transpose;
    EXPECT_EQ(writeLossless(fileBytes(s.path("1001x667")), options, out.filePath("o.jpg")).result,
        LosslessJpegResult::Written);
}

/// A source with something a decoder skips planted at \a where, and what it must come out as.
struct DirtyCase
{
    const char* name;
    const char* kind;
    int orientation;
};

/// \a tagged (a source given EXIF with GPS, XMP and a comment by exiftool) with junk planted in or after
/// its scan as \a name says, and a trailer after its end.
QByteArray withJunkPlanted(QByteArray bytes, const char* name)
{
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

TEST_F(LosslessCleaning, KeepsNothingTheDecoderSkipsAndTheSamePixels)
{
    QTemporaryDir out;
    QTemporaryDir checked;
    // Each kind of source tagged once, by one exiftool run.
    QStringList tagged;
    for (const char* kind : { "restart", "420", "progressive" }) {
        tagged << out.filePath(QStringLiteral("tagged-%1.jpg").arg(kind));
        ASSERT_TRUE(QFile::copy(sources().path(kind, false), tagged.last()));
    }
    ASSERT_EQ(runProcess(QStringLiteral("exiftool"),
                  QStringList { "-q", "-overwrite_original", "-Artist=PLANTED-EXIF", "-GPSLatitude=48.8584",
                      "-GPSLatitudeRef=N", "-XMP-dc:Creator=PLANTED-XMP", "-Comment=PLANTED-COMMENT" }
                      + tagged)
                  .exitCode,
        0);

    for (size_t i = 0; i < std::size(kDirtyCases); ++i) {
        const DirtyCase& c = kDirtyCases[i];
        SCOPED_TRACE(std::string(c.name) + ", " + c.kind + ", orientation " + std::to_string(c.orientation));
        const QByteArray source
            = withJunkPlanted(fileBytes(out.filePath(QStringLiteral("tagged-%1.jpg").arg(c.kind))), c.name);
        const QString sourcePath = out.filePath(QStringLiteral("source-%1.jpg").arg(i));
        ASSERT_TRUE(writeFile(sourcePath, source));
        LosslessJpegOptions options;
        options.orientation = orientationFromExif(c.orientation);
        const QString losslessPath = checked.filePath(QStringLiteral("lossless-%1.jpg").arg(i));
        const Outcome outcome = writeLossless(source, options, losslessPath);
        ASSERT_EQ(outcome.result, LosslessJpegResult::Written) << outcome.reason.toStdString();

        EXPECT_FALSE(outcome.file.contains("PLANTED"));
        EXPECT_EQ(shapeProblem(outcome.file), QString());

        const QString expectedFile = expectedFor(sourcePath, c.orientation, out);
        ASSERT_FALSE(expectedFile.isEmpty());
        const QByteArray expected = decodedPixels(expectedFile, false);
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_TRUE(decodedPixels(losslessPath, false) == expected) << "decoded pixels differ";
    }
    const ProcessResult report = checkClean(checked.path());
    EXPECT_EQ(report.exitCode, 0) << report.standardOutput.toStdString();
}

TEST_F(LosslessJpeg, RefusesTruncatedAndCorruptDataWithAReasonAndWritesNothing)
{
    const Sources& s = sources();
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

TEST_F(LosslessJpeg, ProgressiveSourceWithoutItsRefinementsAsksForReencoding)
{
    // Decoders fill in what the missing scans would have sent from the neighbouring blocks; coefficients
    // written as they are would decode to other pixels.
    const Sources& s = sources();
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

TEST_F(LosslessJpeg, WritesTheGivenDensityAndProfileOnEveryPath)
{
    const Sources& s = sources();
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
        const QByteArray stated
            = writeLossless(fileBytes(s.path(path.kind, false)), options, out.filePath("o.jpg")).file;
        EXPECT_EQ(shapeProblem(stated), QString());
        EXPECT_EQ(jfifOf(stated).mid(7, 5), QByteArray("\x01\x01\x2C\x00\x96", 5)); // dots per inch, 300, 150
        const std::vector<JpegSegment> segments = jpegSegments(stated);
        EXPECT_TRUE(jpegIccProfile(segments) == profile);
        EXPECT_EQ(std::count_if(segments.begin(), segments.end(),
                      [](const auto& segment) { return segment.marker == 0xE2; }),
            2);

        const QByteArray unstated = writeLossless(
            fileBytes(s.path(path.kind, false)), turnedBy(path.orientation), out.filePath("o.jpg"))
                                        .file;
        EXPECT_EQ(jfifOf(unstated).mid(7, 5), QByteArray("\x00\x00\x01\x00\x01", 5)); // no unit, 1:1
        EXPECT_FALSE(unstated.contains("ICC_PROFILE"));
    }
}

TEST_F(LosslessJpeg, FullDiskFailsWithTheSystemsReason)
{
    const Sources& s = sources();
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

// What a lossless copy may carry besides the picture: Huffman codes its scan never uses, quantisers
// that multiply only zeros, and blocks of the edge MCUs beyond the frame. Each source is made by libjpeg's
// programs and then given such a payload by byte surgery; each output is read by the byte walk and
// baseline decoder below, written for these tests apart from the engine, and decoded by djpeg.

/// A baseline JPEG as the test's own walk reads it: its tables, its frame, and what its first scan uses.
struct JpegWalk
{
    struct Huffman
    {
        int tableClass = 0; ///< 0 DC, 1 AC
        int id = 0;
        QByteArray counts; ///< 16 bytes: codes of 1 to 16 bits
        QByteArray symbols;
        qsizetype segmentAt = 0; ///< the DHT segment's marker
        qsizetype countsAt = 0;
        std::vector<bool> used; ///< by code, in the table's order
    };
    struct Quantisers
    {
        std::array<int, 64> values {}; ///< in zigzag order
        qsizetype valuesAt = 0; ///< of an 8-bit table's first value
        bool wide = false;
    };
    struct Component
    {
        int id = 0;
        int h = 1;
        int v = 1;
        int quantTable = 0;
        int dcTable = -1; ///< index into scanTables
        int acTable = -1;
        std::uint64_t nonzero = 0; ///< zigzag indexes not zero in some block
        int predictor = 0;
    };

    QString problem; ///< empty when the file read and its scan decoded
    std::vector<Huffman> tables; ///< every table defined before the scan, in file order
    std::vector<int> scanTables; ///< indexes into tables: the ones the scan is coded with
    std::map<int, Quantisers> quantisers;
    std::vector<Component> components;
    int width = 0;
    int height = 0;
    qsizetype sofAt = 0;
    bool progressive = false;
};

/// A reader of entropy-coded bits: stuffed zero bytes dropped, stopping at any other marker.
struct ScanBits
{
    const QByteArray& data;
    qsizetype pos = 0;
    int buffer = 0;
    int count = 0;
    bool overrun = false;

    int bit()
    {
        if (count == 0) {
            if (pos >= data.size()
                || (uchar(data[pos]) == 0xFF && (pos + 1 >= data.size() || data[pos + 1] != 0))) {
                overrun = true;
                return 0;
            }
            buffer = uchar(data[pos]);
            pos += buffer == 0xFF ? 2 : 1;
            count = 8;
        }
        return buffer >> --count & 1;
    }
    int bits(int n)
    {
        int value = 0;
        for (int i = 0; i < n; ++i)
            value = value << 1 | bit();
        return value;
    }
};

/// Decodes one code of \a table, marking it used; -1 for bits that are no code.
int decodeSymbol(ScanBits& bits, JpegWalk::Huffman& table)
{
    int code = 0;
    int first = 0; // the first code of the current length
    int index = 0; // the index of that code in the table
    for (int length = 1; length <= 16; ++length) {
        code = code << 1 | bits.bit();
        const int count = uchar(table.counts[length - 1]);
        if (code - first < count) {
            table.used[size_t(index + code - first)] = true;
            return uchar(table.symbols[index + code - first]);
        }
        index += count;
        first = (first + count) << 1;
    }
    return -1;
}

JpegWalk walkJpeg(const QByteArray& file)
{
    JpegWalk walk;
    const auto byte = [&](qsizetype i) { return i < file.size() ? int(uchar(file[i])) : 0; };
    const auto fail = [&walk](const QString& why) {
        walk.problem = why;
        return walk;
    };
    int restartInterval = 0;
    qsizetype pos = 2;
    for (;;) {
        if (pos + 4 > file.size() || byte(pos) != 0xFF)
            return fail(QStringLiteral("no segment at %1").arg(pos));
        const int marker = byte(pos + 1);
        const qsizetype length = byte(pos + 2) << 8 | byte(pos + 3);
        const qsizetype end = pos + 2 + length;
        if (end > file.size())
            return fail(QStringLiteral("segment %1 runs past the end").arg(marker, 0, 16));
        qsizetype at = pos + 4;
        if (marker == 0xDB) {
            while (at < end) {
                JpegWalk::Quantisers table;
                table.wide = byte(at) >> 4 != 0;
                const int id = byte(at) & 15;
                table.valuesAt = at + 1;
                for (size_t k = 0; k < 64; ++k)
                    table.values[k] = table.wide
                        ? byte(at + 1 + 2 * qsizetype(k)) << 8 | byte(at + 2 + 2 * qsizetype(k))
                        : byte(at + 1 + qsizetype(k));
                walk.quantisers[id] = table;
                at += table.wide ? 129 : 65;
            }
        } else if (marker == 0xC4) {
            while (at < end) {
                JpegWalk::Huffman table;
                table.tableClass = byte(at) >> 4;
                table.id = byte(at) & 15;
                table.segmentAt = pos;
                table.countsAt = at + 1;
                table.counts = file.mid(at + 1, 16);
                int symbols = 0;
                for (const char count : table.counts)
                    symbols += uchar(count);
                table.symbols = file.mid(at + 17, symbols);
                table.used.assign(size_t(symbols), false);
                walk.tables.push_back(table);
                at += 17 + symbols;
            }
        } else if (marker >= 0xC0 && marker <= 0xC2) {
            walk.progressive = marker == 0xC2;
            walk.sofAt = pos;
            walk.height = byte(pos + 5) << 8 | byte(pos + 6);
            walk.width = byte(pos + 7) << 8 | byte(pos + 8);
            for (int i = 0; i < byte(pos + 9); ++i) {
                JpegWalk::Component component;
                component.id = byte(pos + 10 + 3 * i);
                component.h = byte(pos + 11 + 3 * i) >> 4;
                component.v = byte(pos + 11 + 3 * i) & 15;
                component.quantTable = byte(pos + 12 + 3 * i);
                walk.components.push_back(component);
            }
        } else if (marker == 0xDD) {
            restartInterval = byte(pos + 4) << 8 | byte(pos + 5);
        } else if (marker == 0xDA) {
            if (walk.progressive)
                return walk; // its tables are what the tests need of it
            const int inScan = byte(pos + 4);
            if (inScan != int(walk.components.size()))
                return fail(QStringLiteral("a scan without every component"));
            for (int i = 0; i < inScan; ++i) {
                const int selector = byte(pos + 5 + 2 * i);
                const int tables = byte(pos + 6 + 2 * i);
                JpegWalk::Component& component = walk.components[size_t(i)];
                if (component.id != selector)
                    return fail(QStringLiteral("scan components out of frame order"));
                for (const int tableClass : { 0, 1 }) {
                    const int id = tableClass == 0 ? tables >> 4 : tables & 15;
                    int found = -1;
                    for (size_t t = 0; t < walk.tables.size(); ++t) {
                        if (walk.tables[t].tableClass == tableClass && walk.tables[t].id == id)
                            found = int(t); // the last definition counts
                    }
                    if (found < 0)
                        return fail(QStringLiteral("an undefined Huffman table"));
                    if (std::find(walk.scanTables.begin(), walk.scanTables.end(), found)
                        == walk.scanTables.end())
                        walk.scanTables.push_back(found);
                    (tableClass == 0 ? component.dcTable : component.acTable) = found;
                }
            }
            break;
        }
        pos = end;
    }

    // The scan, MCU by MCU.
    int maxH = 1;
    int maxV = 1;
    for (const JpegWalk::Component& component : walk.components) {
        maxH = std::max(maxH, component.h);
        maxV = std::max(maxV, component.v);
    }
    const bool single = walk.components.size() == 1;
    const auto blocksAcross
        = [&](const JpegWalk::Component& c) { return ((walk.width * c.h + maxH - 1) / maxH + 7) / 8; };
    const auto blocksDown
        = [&](const JpegWalk::Component& c) { return ((walk.height * c.v + maxV - 1) / maxV + 7) / 8; };
    const int mcusAcross
        = single ? blocksAcross(walk.components[0]) : (walk.width + 8 * maxH - 1) / (8 * maxH);
    const int mcusDown = single ? blocksDown(walk.components[0]) : (walk.height + 8 * maxV - 1) / (8 * maxV);
    ScanBits bits { file, pos + 2 + (byte(pos + 2) << 8 | byte(pos + 3)) };
    int restarts = 0;
    for (int mcu = 0; mcu < mcusAcross * mcusDown; ++mcu) {
        if (restartInterval > 0 && mcu > 0 && mcu % restartInterval == 0) {
            bits.count = 0;
            if (byte(bits.pos) != 0xFF || byte(bits.pos + 1) != 0xD0 + (restarts++ & 7))
                return fail(QStringLiteral("no restart marker where one must be"));
            bits.pos += 2;
            for (JpegWalk::Component& component : walk.components)
                component.predictor = 0;
        }
        for (JpegWalk::Component& component : walk.components) {
            const int blocks = single ? 1 : component.h * component.v;
            for (int b = 0; b < blocks; ++b) {
                const int size = decodeSymbol(bits, walk.tables[size_t(component.dcTable)]);
                if (size < 0 || size > 11)
                    return fail(QStringLiteral("a bad DC code"));
                int difference = bits.bits(size);
                if (size > 0 && difference < 1 << (size - 1))
                    difference -= (1 << size) - 1;
                component.predictor += difference;
                if (component.predictor != 0)
                    component.nonzero |= 1;
                for (int k = 1; k < 64; ++k) {
                    const int symbol = decodeSymbol(bits, walk.tables[size_t(component.acTable)]);
                    if (symbol < 0)
                        return fail(QStringLiteral("a bad AC code"));
                    if ((symbol & 15) == 0) {
                        if (symbol != 0xF0)
                            break;
                        k += 15;
                        continue;
                    }
                    k += symbol >> 4;
                    if (k > 63)
                        return fail(QStringLiteral("a coefficient past the block"));
                    bits.bits(symbol & 15);
                    component.nonzero |= std::uint64_t(1) << k;
                }
            }
        }
        if (bits.overrun)
            return fail(QStringLiteral("the scan ends early"));
    }
    return walk;
}

/// The Huffman tables of Annex K as cjpeg writes them by default: the DHT payload of each table (its
/// counts and symbols) in the file cjpeg makes of a colour picture.
const std::vector<QByteArray>& standardHuffmanTables()
{
    static const std::vector<QByteArray> tables = [] {
        std::vector<QByteArray> found;
        QTemporaryDir dir;
        const QString ppm = dir.filePath("p.ppm");
        const QString jpeg = dir.filePath("p.jpg");
        if (runProcess("convert", { "-size", "16x16", "gradient:red-blue", ppm }).exitCode != 0
            || runProcess("cjpeg", { "-outfile", jpeg, ppm }).exitCode != 0)
            return found;
        for (const JpegWalk::Huffman& table : walkJpeg(fileBytes(jpeg)).tables)
            found.push_back(table.counts + table.symbols);
        return found;
    }();
    return tables;
}

/// Why the tables \a walk's scan is coded with are not all either Annex K's or made of codes the scan
/// uses; empty when they are.
QString unusedCodes(const JpegWalk& walk)
{
    const std::vector<QByteArray>& standard = standardHuffmanTables();
    if (standard.size() != 4)
        return QStringLiteral("cjpeg wrote no standard tables");
    for (const int t : walk.scanTables) {
        const JpegWalk::Huffman& table = walk.tables[size_t(t)];
        if (std::find(standard.begin(), standard.end(), table.counts + table.symbols) != standard.end())
            continue;
        const auto unused = std::count(table.used.begin(), table.used.end(), false);
        if (unused > 0) {
            return QStringLiteral("%1 of %2 codes unused in %3 table %4")
                .arg(unused)
                .arg(table.used.size())
                .arg(table.tableClass == 0 ? "DC" : "AC")
                .arg(table.id);
        }
    }
    return {};
}

/// \a file with the frame's stated size replaced.
QByteArray withFrameSize(QByteArray file, int width, int height)
{
    const JpegWalk walk = walkJpeg(file);
    file[walk.sofAt + 5] = char(height >> 8);
    file[walk.sofAt + 6] = char(height);
    file[walk.sofAt + 7] = char(width >> 8);
    file[walk.sofAt + 8] = char(width);
    return file;
}

/// The grey levels of a PGM as djpeg writes it, with its size.
struct GreyImage
{
    int width = 0;
    int height = 0;
    QByteArray samples;
    int at(int x, int y) const { return uchar(samples[qsizetype(y) * width + x]); }
};

GreyImage lumaOf(const QString& path)
{
    const QByteArray pgm = programOutput(QStringLiteral("djpeg"), { "-grayscale", "-pnm", path }, true);
    GreyImage image;
    const QList<QByteArray> header = pgm.left(32).split('\n');
    if (header.size() < 4 || header[0] != "P5")
        return image;
    const QList<QByteArray> size = header[1].split(' ');
    image.width = size.value(0).toInt();
    image.height = size.value(1).toInt();
    image.samples = pgm.right(qsizetype(image.width) * image.height);
    return image;
}

/// The luma blocks of \a image that lie wholly outside the \a width x \a height picture and are not of
/// one flat grey: what a frame set back to whole MCUs shows of the picture's edges.
int busyBlocksBeyond(const GreyImage& image, int width, int height)
{
    int busy = 0;
    for (int by = 0; by < image.height / 8; ++by) {
        for (int bx = 0; bx < image.width / 8; ++bx) {
            if (bx < (width + 7) / 8 && by < (height + 7) / 8)
                continue;
            for (int i = 1; i < 64; ++i) {
                if (image.at(bx * 8 + i % 8, by * 8 + i / 8) != image.at(bx * 8, by * 8)) {
                    ++busy;
                    break;
                }
            }
        }
    }
    return busy;
}

/// The sources of these tests, made once: a grainy and a smooth picture of 64 x 48, coded by cjpeg.
const Sources& payloadSources()
{
    static const Sources made = [] {
        Sources s;
        const QString grainy = s.dir->filePath("grainy.ppm");
        const QString smooth = s.dir->filePath("smooth.ppm");
        const QString cropped = s.dir->filePath("cropped.ppm");
        s.run("convert",
            { "-size", "64x48", "gradient:#204080-#e0c080", "(", "-size", "64x48", "xc:gray50", "-seed", "7",
                "-attenuate", "0.8", "+noise", "Gaussian", ")", "-compose", "overlay", "-composite", "-depth",
                "8", grainy });
        s.run("convert", { "-size", "64x48", "gradient:#406080-#c0a060", "-depth", "8", smooth });
        s.run("convert", { grainy, "-crop", "49x33+0+0", "+repage", cropped });
        const QList<QPair<QString, QStringList>> coded = {
            { "grainy", { "-sample", "2x2", "-quality", "90", grainy } },
            { "grainy_optimized", { "-optimize", "-sample", "2x2", "-quality", "90", grainy } },
            // Restart markers tell a scan copied from one coded again, which has none.
            { "grainy_optimized_restart",
                { "-optimize", "-restart", "1", "-sample", "2x2", "-quality", "90", grainy } },
            { "grainy_422", { "-sample", "2x1", "-quality", "90", grainy } },
            { "grainy_49x33", { "-sample", "2x2", "-quality", "90", cropped } },
            { "smooth", { "-sample", "2x2", "-quality", "75", smooth } },
            { "smooth_grey", { "-grayscale", "-quality", "75", smooth } },
            { "smooth_restart", { "-restart", "1", "-sample", "2x2", "-quality", "75", smooth } },
        };
        for (const auto& [name, arguments] : coded)
            s.run("cjpeg",
                arguments.mid(0, arguments.size() - 1) << "-outfile" << s.path(name) << arguments.last());
        return s;
    }();
    return made;
}

struct PayloadCase
{
    std::string name;
    QString source; ///< of payloadSources()
    QString payload; ///< what the test plants in it
    int orientation = 1;
};

/// The source with unused Huffman codes whose symbols spell \a text, planted as \a how says: "replaced"
/// gives the last codes of its first AC table (codes a smooth scan never uses) the text as symbols;
/// "added" adds the text as codes of 16 bits in the room the table's longest codes leave; "short" gives
/// the first unused code of at most 9 bits the text (one symbol that no code of the table has) as its
/// symbol. The scan decodes as before.
QByteArray withHuffmanPayload(
    const QByteArray& file, const QByteArray& text, const QString& how, QString& error)
{
    const JpegWalk walk = walkJpeg(file);
    if (!walk.problem.isEmpty()) {
        error = walk.problem;
        return {};
    }
    const auto table = std::find_if(walk.tables.begin(), walk.tables.end(),
        [](const JpegWalk::Huffman& t) { return t.tableClass == 1 && t.id == 0; });
    if (table == walk.tables.end()) {
        error = QStringLiteral("no AC table 0");
        return {};
    }
    const qsizetype symbolsAt = table->countsAt + 16;
    QByteArray planted = file;
    if (how == "short") {
        int first = 0;
        for (int length = 1; length <= 9; ++length) {
            for (int i = 0; i < uchar(table->counts[length - 1]); ++i, ++first) {
                if (!table->used[size_t(first)] && !table->symbols.contains(text)) {
                    planted.replace(symbolsAt + first, 1, text);
                    return planted;
                }
            }
        }
        error = QStringLiteral("every code of at most 9 bits is used");
        return {};
    }
    if (how == "replaced") {
        const qsizetype first = table->symbols.size() - text.size();
        if (std::find(table->used.begin() + first, table->used.end(), true) != table->used.end()) {
            error = QStringLiteral("the scan uses a code whose symbol would be replaced");
            return {};
        }
        planted.replace(symbolsAt + first, text.size(), text);
        return planted;
    }
    int longest = 16;
    while (longest > 0 && table->counts[longest - 1] == 0)
        --longest;
    if ((1 << (16 - longest)) - 1 < text.size()) {
        error = QStringLiteral("the longest code has %1 bits: no room for the planted codes").arg(longest);
        return {};
    }
    planted.insert(symbolsAt + table->symbols.size(), text);
    planted[table->countsAt + 15] = char(uchar(planted[table->countsAt + 15]) + text.size());
    const qsizetype length
        = (uchar(planted[table->segmentAt + 2]) << 8 | uchar(planted[table->segmentAt + 3])) + text.size();
    planted[table->segmentAt + 2] = char(length >> 8);
    planted[table->segmentAt + 3] = char(length);
    return planted;
}

/// The source with \a text written into the last quantisers (in zigzag order) of each of its tables, whose
/// coefficients are zero in every block of every component using the table.
QByteArray withQuantiserPayload(const QByteArray& file, const QByteArray& text, QString& error)
{
    const JpegWalk walk = walkJpeg(file);
    if (!walk.problem.isEmpty()) {
        error = walk.problem;
        return {};
    }
    QByteArray planted = file;
    for (const auto& [id, table] : walk.quantisers) {
        std::uint64_t nonzero = 0;
        for (const JpegWalk::Component& component : walk.components) {
            if (component.quantTable == id)
                nonzero |= component.nonzero;
        }
        if (nonzero >> (64 - text.size()) != 0 || table.wide) {
            error = QStringLiteral("a coefficient under the planted quantisers of table %1 is not zero")
                        .arg(id);
            return {};
        }
        planted.replace(table.valuesAt + 64 - text.size(), text.size(), text);
    }
    return planted;
}

/// Why a quantiser of \a walk that multiplies only zeros is not the fixed value; empty when none.
QString busyIdleQuantisers(const JpegWalk& walk)
{
    for (const auto& [id, table] : walk.quantisers) {
        std::uint64_t nonzero = 0;
        bool used = false;
        for (const JpegWalk::Component& component : walk.components) {
            if (component.quantTable == id) {
                nonzero |= component.nonzero;
                used = true;
            }
        }
        for (size_t k = 0; used && k < 64; ++k) {
            if (!(nonzero >> k & 1) && table.values[k] != 1) {
                return QStringLiteral(
                    "table %1 has %2 at zigzag index %3, whose coefficient is zero in every block")
                    .arg(id)
                    .arg(table.values[k])
                    .arg(k);
            }
        }
    }
    return {};
}

void checkPayload(const PayloadCase& c)
{
    const Sources& s = payloadSources();
    ASSERT_TRUE(s.error.isEmpty()) << s.error.toStdString();
    QTemporaryDir out;
    const QByteArray clean = fileBytes(s.path(c.source));
    QByteArray text;
    QByteArray source = clean;
    QString error;
    const QSize lowered = c.payload.endsWith("at the bottom") ? QSize(64, 33)
        : c.payload.endsWith("at the right")                  ? QSize(49, 48)
                                                              : QSize(49, 33);
    if (c.payload == "symbols replaced") {
        text = "PLANTED-DHT";
        source = withHuffmanPayload(clean, text, "replaced", error);
    } else if (c.payload == "short symbol replaced") {
        source = withHuffmanPayload(clean, "K", "short", error);
    } else if (c.payload == "symbols added") {
        text = "KLMNOP[]"; // in order, none a symbol of the scan
        source = withHuffmanPayload(clean, text, "added", error);
    } else if (c.payload.startsWith("quantisers")) {
        text = "PLANTED-DQT";
        source = withQuantiserPayload(clean, text, error);
    } else if (c.payload.startsWith("frame lowered")) {
        // The scan's MCUs still cover 64 x 48, so the cut columns and rows lie in the blocks of its
        // edge MCUs beyond the frame.
        source = withFrameSize(clean, lowered.width(), lowered.height());
    }
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_TRUE(text.isEmpty() || source.contains(text));
    const QString sourcePath = out.filePath("source.jpg");
    ASSERT_TRUE(writeFile(sourcePath, source));
    if (c.payload.endsWith("progressive")) {
        ASSERT_TRUE(writeFile(out.filePath("baseline.jpg"), source));
        ASSERT_EQ(
            runProcess("jpegtran",
                { "-progressive", "-copy", "none", "-outfile", sourcePath, out.filePath("baseline.jpg") })
                .exitCode,
            0);
        source = fileBytes(sourcePath);
        ASSERT_TRUE(text.isEmpty() || source.contains(text));
    }
    if (c.payload.startsWith("frame lowered")) {
        // The hidden edge is there to be seen in the source once its frame is set back.
        const QString restored = out.filePath("source_restored.jpg");
        ASSERT_TRUE(writeFile(restored, withFrameSize(source, 64, 48)));
        EXPECT_GT(busyBlocksBeyond(lumaOf(restored), lowered.width(), lowered.height()), 0);
    }

    const QString expected = expectedFor(sourcePath, c.orientation, out);
    ASSERT_FALSE(expected.isEmpty()) << "jpegtran refuses the turn";
    const Outcome outcome = writeLossless(source, turnedBy(c.orientation), out.filePath("lossless.jpg"));
    ASSERT_EQ(outcome.result, LosslessJpegResult::Written) << outcome.reason.toStdString();
    const QByteArray pixels = decodedPixels(expected, false);
    ASSERT_FALSE(pixels.isEmpty());
    EXPECT_TRUE(decodedPixels(out.filePath("lossless.jpg"), false) == pixels) << "decoded pixels differ";

    EXPECT_TRUE(text.isEmpty() || !outcome.file.contains(text)) << "the planted text is in the output";
    const JpegWalk walk = walkJpeg(outcome.file);
    ASSERT_TRUE(walk.problem.isEmpty()) << walk.problem.toStdString();
    const QString unused = unusedCodes(walk);
    EXPECT_TRUE(unused.isEmpty()) << unused.toStdString();
    const QString idle = busyIdleQuantisers(walk);
    EXPECT_TRUE(idle.isEmpty()) << idle.toStdString();

    // Set back to whole MCUs, the output's frame shows no picture beyond its blocks.
    int maxH = 1;
    int maxV = 1;
    for (const JpegWalk::Component& component : walk.components) {
        maxH = std::max(maxH, component.h);
        maxV = std::max(maxV, component.v);
    }
    const int wholeWidth = (walk.width + 8 * maxH - 1) / (8 * maxH) * 8 * maxH;
    const int wholeHeight = (walk.height + 8 * maxV - 1) / (8 * maxV) * 8 * maxV;
    const QString restored = out.filePath("restored.jpg");
    ASSERT_TRUE(writeFile(restored, withFrameSize(outcome.file, wholeWidth, wholeHeight)));
    const GreyImage luma = lumaOf(restored);
    ASSERT_EQ(luma.width, wholeWidth);
    EXPECT_EQ(busyBlocksBeyond(luma, walk.width, walk.height), 0)
        << "the edge beyond the frame holds a picture";

    // A clean source keeps its own scan upright; a planted one needs it coded again only for its tables.
    const bool keepsScan = c.orientation == 1
        && (c.payload == "none"
            || (c.payload.startsWith("quantisers") && !c.payload.endsWith("progressive")));
    EXPECT_TRUE(!keepsScan || firstScan(outcome.file) == firstScan(source)) << "the scan was coded again";
}

std::vector<PayloadCase> payloadCases()
{
    std::vector<PayloadCase> cases;
    const auto add
        = [&cases](const QString& source, const QString& payload, std::initializer_list<int> orientations) {
              for (const int orientation : orientations) {
                  QString name = QStringLiteral("%1_%2_o%3").arg(payload, source).arg(orientation);
                  name.replace(QRegularExpression("[^A-Za-z0-9]+"), "_");
                  cases.push_back({ name.toStdString(), source, payload, orientation });
              }
          };
    add("grainy", "none", { 1, 6 });
    add("grainy_optimized_restart", "none", { 1 });
    add("grainy_49x33", "none", { 1, 5 });
    add("grainy", "symbols replaced", { 1, 3, 6 });
    add("grainy_optimized", "symbols added", { 1, 8 });
    add("smooth", "short symbol replaced", { 1 });
    add("smooth", "quantisers", { 1, 3, 6 });
    add("smooth_grey", "quantisers", { 1, 7 });
    add("smooth_restart", "quantisers", { 1 });
    add("smooth", "quantisers, progressive", { 1, 2 });
    add("grainy", "frame lowered", { 1, 5 });
    add("grainy_422", "frame lowered at the right", { 1, 5 });
    add("grainy", "frame lowered at the bottom", { 2, 8 });
    return cases;
}

// One test for every payload: the sources are made once, not once per case's process.
TEST(LosslessPayloads, CarryNothingButThePicture)
{
    for (const PayloadCase& c : payloadCases()) {
        SCOPED_TRACE(c.name);
        checkPayload(c);
    }
}

TEST_F(LosslessJpeg, DecodesEachComponentWithTheQuantisersOfItsOwnScan)
{
    // A source of one scan per component may define a table just before the scan that first needs it,
    // or define a slot anew between scans; decoders take each component's table at its first scan.
    const Sources& s = sources();
    const QByteArray scans = fileBytes(s.path("scans", false));
    const qsizetype chroma = scans.indexOf(QByteArray("\xFF\xDB\x00\x43\x01", 5));
    ASSERT_GT(chroma, 0);
    const QByteArray table = scans.mid(chroma, 69);
    QByteArray other = table;
    for (qsizetype i = 5; i < other.size(); ++i)
        other[i] = char(uchar(other[i]) / 2 + 1);
    const auto beforeScan = [](QByteArray file, int scan, const QByteArray& segment) {
        qsizetype at = -2;
        for (int i = 0; i <= scan; ++i)
            at = file.indexOf("\xFF\xDA", at + 2);
        return file.insert(at, segment);
    };
    QByteArray late = scans;
    late.remove(chroma, table.size());
    late = beforeScan(late, 1, table); // defined only before the chrominance scans
    const QByteArray changed = beforeScan(scans, 2, other); // Cb keeps the first table, Cr the second

    QTemporaryDir out;
    for (const int orientation : { 1, 6 }) {
        SCOPED_TRACE(orientation);
        ASSERT_TRUE(writeFile(out.filePath("late.jpg"), late));
        const Outcome outcome = writeLossless(late, turnedBy(orientation), out.filePath("lossless.jpg"));
        ASSERT_EQ(outcome.result, LosslessJpegResult::Written) << outcome.reason.toStdString();
        const QString expected = expectedFor(out.filePath("late.jpg"), orientation, out);
        ASSERT_FALSE(expected.isEmpty());
        const QByteArray pixels = decodedPixels(expected, false);
        ASSERT_FALSE(pixels.isEmpty());
        EXPECT_TRUE(decodedPixels(out.filePath("lossless.jpg"), false) == pixels) << "decoded pixels differ";

        const Outcome refused = writeLossless(changed, turnedBy(orientation), out.filePath("changed.jpg"));
        EXPECT_EQ(refused.result, LosslessJpegResult::NeedsReencode) << refused.reason.toStdString();
        EXPECT_TRUE(refused.file.isEmpty());
    }
}

} // namespace
