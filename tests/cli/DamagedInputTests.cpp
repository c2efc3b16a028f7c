// SPDX-License-Identifier: GPL-3.0-or-later
// Files of every format the engine reads, damaged the ways files arrive damaged (cut short, their data
// ending early, palettes too short for their indices), run through the real command line with the
// allocator's fresh and freed memory filled differently each time, and once right after a photo of
// strong colours: the outcome and the bytes written must not depend on what the memory held.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

#include <functional>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

/// The photo every damaged file is made from: soft, muted colours only, far from the strong ones.
QImage mutedPicture()
{
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            row[x] = qRgb(70 + x * 60 / kWidth, 80 + y * 60 / kHeight, 100 + ((x / 10 + y / 10) % 2) * 20);
    }
    return picture;
}

/// The photo converted just before each damaged file: magenta and green stripes.
const QRgb kStrong[] = { qRgb(255, 0, 255), qRgb(0, 255, 0) };

QImage strongPicture()
{
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            picture.setPixel(x, y, kStrong[(x / 8) % 2]);
    return picture;
}

/// How many pixels of \a image lie near one of the strong photo's colours.
int strongPixels(const QImage& image)
{
    int count = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            for (const QRgb strong : kStrong) {
                const int distance = std::abs(qRed(row[x]) - qRed(strong))
                    + std::abs(qGreen(row[x]) - qGreen(strong)) + std::abs(qBlue(row[x]) - qBlue(strong));
                if (distance < 120)
                    ++count;
            }
        }
    }
    return count;
}

// ---- Byte surgery ----

void appendLe16(QByteArray& out, quint32 value)
{
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

void appendLe32(QByteArray& out, quint32 value)
{
    appendLe16(out, value & 0xFFFF);
    appendLe16(out, value >> 16);
}

void appendBe32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

/// A BMP with a 40-byte header, \a palette, and \a pixels as stored (rows bottom first).
QByteArray bmpFile(int bits, quint32 compression, const QList<QRgb>& palette, const QByteArray& pixels)
{
    const quint32 offset = 14 + 40 + 4 * quint32(palette.size());
    QByteArray out("BM");
    appendLe32(out, offset + quint32(pixels.size()));
    appendLe32(out, 0);
    appendLe32(out, offset);
    appendLe32(out, 40);
    appendLe32(out, kWidth);
    appendLe32(out, kHeight);
    appendLe16(out, 1);
    appendLe16(out, quint32(bits));
    appendLe32(out, compression);
    appendLe32(out, quint32(pixels.size()));
    appendLe32(out, 2835);
    appendLe32(out, 2835);
    appendLe32(out, quint32(palette.size()));
    appendLe32(out, 0);
    for (const QRgb colour : palette) {
        out.append(char(qBlue(colour))).append(char(qGreen(colour))).append(char(qRed(colour))).append('\0');
    }
    return out + pixels;
}

QList<QRgb> mutedPalette(int count)
{
    QList<QRgb> palette;
    for (int i = 0; i < count; ++i)
        palette << qRgb(70 + i * 3, 90 + i * 2, 110 - i);
    return palette;
}

/// Run-length codes of 16-pixel runs, bottom row first, with an end-of-line code after each row; 4-bit
/// (two pixels per value byte) or 8-bit. With \a rows below the height, the end-of-bitmap code comes
/// after that many rows.
QByteArray rleBitmap(bool fourBit, int rows = kHeight)
{
    QByteArray out;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < kWidth; x += 16) {
            const int index = (x / 16 + y / 10) % 16;
            out.append(char(16)).append(char(fourBit ? (index << 4 | index) : index));
        }
        out.append('\0').append('\0');
    }
    out.append('\0').append('\1');
    return out;
}

/// An uncompressed 8-bit RGB TIFF of the muted picture with its directory first and its strips after it,
/// \a rowsPerStrip rows each; with \a missingFrom below the strip count, the strips from there on are not
/// in the file and the directory says offset 0 and 0 bytes for them.
QByteArray tiffFile(int rowsPerStrip, int missingFrom = -1)
{
    const QImage picture = mutedPicture();
    const int strips = (kHeight + rowsPerStrip - 1) / rowsPerStrip;
    if (missingFrom < 0)
        missingFrom = strips;
    const int entries = 10;
    const quint32 bitsAt = 8 + 2 + 12 * entries + 4;
    const quint32 offsetsAt = bitsAt + 6;
    const quint32 countsAt = offsetsAt + 4 * quint32(strips);
    const quint32 dataAt = countsAt + 4 * quint32(strips);
    const quint32 stride = kWidth * 3;
    QByteArray out("II*\0", 4);
    appendLe32(out, 8);
    appendLe16(out, entries);
    const auto entry = [&out](quint32 tag, quint32 type, quint32 count, quint32 value) {
        appendLe16(out, tag);
        appendLe16(out, type);
        appendLe32(out, count);
        appendLe32(out, value);
    };
    entry(256, 4, 1, kWidth);
    entry(257, 4, 1, kHeight);
    entry(258, 3, 3, bitsAt);
    entry(259, 3, 1, 1);
    entry(262, 3, 1, 2);
    entry(273, 4, quint32(strips), offsetsAt);
    entry(277, 3, 1, 3);
    entry(278, 4, 1, quint32(rowsPerStrip));
    entry(279, 4, quint32(strips), countsAt);
    entry(284, 3, 1, 1);
    appendLe32(out, 0);
    appendLe16(out, 8);
    appendLe16(out, 8);
    appendLe16(out, 8);
    for (int s = 0; s < strips; ++s)
        appendLe32(out, s < missingFrom ? dataAt + quint32(s * rowsPerStrip) * stride : 0);
    for (int s = 0; s < strips; ++s) {
        const int rows = std::min(rowsPerStrip, kHeight - s * rowsPerStrip);
        appendLe32(out, s < missingFrom ? quint32(rows) * stride : 0);
    }
    for (int y = 0; y < std::min(kHeight, missingFrom * rowsPerStrip); ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            out.append(char(qRed(pixel))).append(char(qGreen(pixel))).append(char(qBlue(pixel)));
        }
    }
    return out;
}

QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray out;
    appendBe32(out, quint32(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    out += body;
    appendBe32(out, quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
    return out;
}

/// \a png (8-bit RGB, Adam7) rewritten whole and valid, its image data ending half way through pass
/// \a pass (1 to 7): every chunk complete, the compressed stream complete, only the pixels missing.
QByteArray pngEndingInPass(const QByteArray& png, int pass)
{
    QByteArray header;
    QByteArray compressed;
    for (qsizetype pos = 8; pos + 12 <= png.size();) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + pos);
        const QByteArray type = png.mid(pos + 4, 4);
        if (type == "IHDR")
            header = png.mid(pos + 8, qsizetype(length));
        else if (type == "IDAT")
            compressed += png.mid(pos + 8, qsizetype(length));
        pos += 12 + qsizetype(length);
    }
    if (header.size() != 13 || header[8] != 8 || header[9] != 2 || header[12] != 1)
        return {};
    // Adam7: where each pass starts and how it steps, across and down.
    const int passes[7][4] = { { 0, 0, 8, 8 }, { 4, 0, 8, 8 }, { 0, 4, 4, 8 }, { 2, 0, 4, 4 }, { 0, 2, 2, 4 },
        { 1, 0, 2, 2 }, { 0, 1, 1, 2 } };
    QList<qsizetype> ends;
    qsizetype total = 0;
    for (const auto& p : passes) {
        const int columns = (kWidth - p[0] + p[2] - 1) / p[2];
        const int rows = (kHeight - p[1] + p[3] - 1) / p[3];
        total += qsizetype(rows) * (1 + 3 * columns);
        ends << total;
    }
    QByteArray raw(total, '\0');
    uLongf rawSize = uLongf(total);
    if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize,
            reinterpret_cast<const Bytef*>(compressed.constData()), uLong(compressed.size()))
            != Z_OK
        || qsizetype(rawSize) != total)
        return {};
    const qsizetype start = pass > 1 ? ends[pass - 2] : 0;
    raw.truncate(start + (ends[pass - 1] - start) / 2);
    QByteArray shorter(qsizetype(compressBound(uLong(raw.size()))), '\0');
    uLongf shorterSize = uLongf(shorter.size());
    compress2(reinterpret_cast<Bytef*>(shorter.data()), &shorterSize,
        reinterpret_cast<const Bytef*>(raw.constData()), uLong(raw.size()), 9);
    shorter.truncate(qsizetype(shorterSize));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", shorter)
        + pngChunk("IEND", {});
}

/// Where the \a n-th frame's (from 0) LZW data lies in \a gif: the code size byte and the end of its
/// sub-blocks. Nothing when the file has no such frame.
std::optional<std::pair<qsizetype, qsizetype>> gifFrameData(const QByteArray& gif, int n)
{
    const auto byte = [&gif](qsizetype at) { return at < gif.size() ? int(uchar(gif[at])) : -1; };
    const auto table = [](int flags) { return (flags & 0x80) ? 3 * (2 << (flags & 7)) : 0; };
    qsizetype pos = 13 + table(byte(10));
    const auto skipBlocks = [&] {
        while (byte(pos) > 0)
            pos += 1 + byte(pos);
        ++pos;
    };
    for (int frame = 0; pos < gif.size();) {
        if (byte(pos) == 0x21) {
            pos += 2;
            skipBlocks();
        } else if (byte(pos) == 0x2C) {
            pos += 10 + table(byte(pos + 9));
            const qsizetype codes = pos;
            ++pos;
            skipBlocks();
            if (frame++ == n)
                return std::pair { codes, pos };
        } else {
            break;
        }
    }
    return std::nullopt;
}

/// \a gif with its first frame's LZW data ending after \a keep of its bytes: the sub-blocks closed and
/// the trailer after them, as a writer that stopped early would leave it.
QByteArray gifCodesEndingEarly(const QByteArray& gif, double keep)
{
    const auto frame = gifFrameData(gif, 0);
    if (!frame)
        return {};
    QByteArray codes;
    for (qsizetype pos = frame->first + 1; pos < frame->second && uchar(gif[pos]) > 0;
         pos += 1 + uchar(gif[pos]))
        codes += gif.mid(pos + 1, uchar(gif[pos]));
    codes.truncate(qsizetype(double(codes.size()) * keep));
    QByteArray out = gif.left(frame->first + 1);
    for (qsizetype pos = 0; pos < codes.size(); pos += 255) {
        const QByteArray block = codes.mid(pos, 255);
        out.append(char(block.size())).append(block);
    }
    return out.append('\0').append(';');
}

/// \a jpeg with an EXIF block after its SOI whose Canon maker note claims 6656 entries in 30 bytes: the
/// metadata library warns of it, which is no reason for anything.
QByteArray withBrokenMakerNote(const QByteArray& jpeg)
{
    QByteArray tiff("II*\0", 4);
    appendLe32(tiff, 8);
    const auto entry = [&tiff](quint32 tag, quint32 type, quint32 count, quint32 value) {
        appendLe16(tiff, tag);
        appendLe16(tiff, type);
        appendLe32(tiff, count);
        appendLe32(tiff, value);
    };
    appendLe16(tiff, 2);
    entry(0x010F, 2, 6, 38); // Make
    entry(0x8769, 4, 1, 44); // the EXIF directory
    appendLe32(tiff, 0);
    tiff.append("Canon", 6);
    appendLe16(tiff, 1);
    entry(0x927C, 7, 30, 62); // MakerNote
    appendLe32(tiff, 0);
    appendLe16(tiff, 6656);
    tiff.append(QByteArray(28, '\0'));
    const QByteArray segment = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray app1("\xFF\xE1", 2);
    app1.append(char((segment.size() + 2) >> 8)).append(char((segment.size() + 2) & 0xFF));
    return jpeg.left(2) + app1 + segment + jpeg.mid(2);
}

/// A simple-format WebP cut to \a fraction with its RIFF and first chunk sizes made to fit the cut.
QByteArray webpFittedTo(const QByteArray& webp, double fraction)
{
    QByteArray out = webp.left(qsizetype(double(webp.size()) * fraction) & ~qsizetype(1));
    qToLittleEndian(quint32(out.size() - 8), out.data() + 4);
    qToLittleEndian(quint32(out.size() - 20), out.data() + 16);
    return out;
}

enum class Expect {
    EndsEarly, ///< skipped, the reason saying the file ends before its pixels
    Skipped, ///< skipped, for whatever reason
    Written,
    WrittenShort, ///< written with what it holds, the note saying what was missing
};

struct DamagedCase
{
    QString name; ///< with the extension the file gets
    QByteArray bytes;
    Expect expect;
};

/// Runs the command line on \a paths in their order, one at a time, writing JPEGs into \a out.
ProcessResult convert(const QStringList& paths, const QString& out, const QString& config, int perturb)
{
    QStringList environment;
    if (perturb >= 0)
        environment << QStringLiteral("MALLOC_PERTURB_=%1").arg(perturb);
    return runCli(
        QStringList { "--json", "-j", "1", "--format", "jpeg", "--no-lossless", "-o", out, "--" } + paths,
        config, environment);
}

} // namespace

TEST(DamagedSources, GiveTheSameOutcomeAndBytesWhateverTheMemoryHeldAndNoneOfTheLastPhoto)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString made = work.filePath("made");
    ASSERT_TRUE(QDir().mkpath(made));
    const QString base = made + "/base.png";
    ASSERT_TRUE(mutedPicture().save(base));
    // The sources as the usual tools write them.
    const auto tool = [](const QString& program, const QStringList& arguments, const QString& output) {
        const ProcessResult result = runProcess(program, arguments);
        EXPECT_EQ(result.exitCode, 0) << qPrintable(program + ": " + result.standardError);
        return fileBytes(output);
    };
    const auto magick = [&](const QString& name, const QStringList& options) {
        const QString output = made + u'/' + name;
        return tool("convert", QStringList { base } + options + QStringList { output }, output);
    };
    const QByteArray jpeg = magick("baseline.jpg", { "-quality", "90" });
    const QByteArray progressive = magick("progressive.jpg", { "-quality", "90", "-interlace", "JPEG" });
    const QByteArray png = tool("convert", { base, "PNG24:" + made + "/plain.png" }, made + "/plain.png");
    const QByteArray interlacedPng
        = tool("convert", { base, "-interlace", "PNG", "PNG24:" + made + "/inter.png" }, made + "/inter.png");
    const QByteArray gif = magick("still.gif", {});
    const QByteArray interlacedGif = magick("inter.gif", { "-interlace", "GIF" });
    const QByteArray animatedGif = tool("convert",
        { base, "(", base, "-negate", ")", "-loop", "0", made + "/animated.gif" }, made + "/animated.gif");
    const QByteArray bmp24
        = tool("convert", { base, "-type", "TrueColor", "BMP3:" + made + "/24.bmp" }, made + "/24.bmp");
    const QByteArray bmp16 = magick("16.bmp", { "-define", "bmp:subtype=RGB565" });
    const QByteArray bmp32 = magick("32.bmp", { "-alpha", "set", "-define", "bmp:format=bmp4" });
    const QByteArray rle8 = tool("convert",
        { base, "-colors", "200", "-compress", "RLE", "BMP3:" + made + "/rle8.bmp" }, made + "/rle8.bmp");
    const QByteArray lzwTiff = magick("lzw.tif", { "-compress", "lzw" });
    const QByteArray heic
        = tool("heif-enc", { "-q", "50", base, "-o", made + "/photo.heic" }, made + "/photo.heic");
    const QByteArray avif
        = tool("heif-enc", { "-A", "-q", "50", base, "-o", made + "/photo.avif" }, made + "/photo.avif");
    const QByteArray webp
        = tool("cwebp", { "-quiet", "-q", "80", base, "-o", made + "/lossy.webp" }, made + "/lossy.webp");
    const QByteArray losslessWebp = tool(
        "cwebp", { "-quiet", "-lossless", base, "-o", made + "/lossless.webp" }, made + "/lossless.webp");
    const QByteArray rle4 = bmpFile(4, 2, mutedPalette(16), rleBitmap(true));
    const QByteArray tiff = tiffFile(8);
    if (HasFailure())
        return;

    QList<DamagedCase> cases;
    const auto cuts = [&cases](const QString& name, const QByteArray& whole, Expect expect) {
        for (const double fraction : { 0.35, 0.6, 0.9 }) {
            const QString stem = QFileInfo(name).completeBaseName();
            cases.append({ QStringLiteral("%1-cut%2.%3")
                               .arg(stem)
                               .arg(qRound(fraction * 100))
                               .arg(QFileInfo(name).suffix()),
                whole.left(qsizetype(double(whole.size()) * fraction)), expect });
        }
    };
    cuts("baseline.jpg", jpeg, Expect::WrittenShort);
    cuts("progressive.jpg", progressive, Expect::WrittenShort);
    // The metadata library's warning about a maker note is never given as the reason for another defect.
    const QByteArray noted = withBrokenMakerNote(jpeg);
    cases.append(
        { "maker-note-cut-before-scan.jpg", noted.left(noted.indexOf("\xFF\xDA") - 20), Expect::EndsEarly });
    cases.append({ "maker-note-cut.jpg", noted.left(noted.size() / 2), Expect::WrittenShort });
    cuts("plain.png", png, Expect::EndsEarly);
    cuts("interlaced.png", interlacedPng, Expect::EndsEarly);
    for (const int pass : { 2, 5, 7 })
        cases.append({ QStringLiteral("interlaced-in-pass%1.png").arg(pass),
            pngEndingInPass(interlacedPng, pass), Expect::EndsEarly });
    cuts("still.gif", gif, Expect::EndsEarly);
    cuts("interlaced.gif", interlacedGif, Expect::EndsEarly);
    for (const double keep : { 0.2, 0.7, 0.97 })
        cases.append({ QStringLiteral("codes-end%1.gif").arg(qRound(keep * 100)),
            gifCodesEndingEarly(gif, keep), Expect::EndsEarly });
    if (const auto second = gifFrameData(animatedGif, 1))
        cases.append({ "second-frame-cut.gif", animatedGif.left((second->first + second->second) / 2),
            Expect::Written });
    cuts("24bit.bmp", bmp24, Expect::EndsEarly);
    cuts("16bit.bmp", bmp16, Expect::EndsEarly);
    cuts("32bit.bmp", bmp32, Expect::EndsEarly);
    cuts("rle8.bmp", rle8, Expect::EndsEarly);
    cuts("rle4.bmp", rle4, Expect::EndsEarly);
    // A bitmap's end code may come early: what it skips is background, and the file is whole.
    cases.append({ "rle8-ends-at-half.bmp", bmpFile(8, 1, mutedPalette(16), rleBitmap(false, kHeight / 2)),
        Expect::Written });
    cases.append({ "rle4-ends-at-half.bmp", bmpFile(4, 2, mutedPalette(16), rleBitmap(true, kHeight / 2)),
        Expect::Written });
    {
        // Two colours in the palette, indices up to 255 in the pixels; and the same as RLE8.
        QByteArray indices;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                indices.append(char((x + 3 * y) % 256));
        cases.append({ "short-palette.bmp", bmpFile(8, 0, mutedPalette(2), indices), Expect::Written });
        const QByteArray shortRle8 = bmpFile(8, 1, mutedPalette(3), rleBitmap(false));
        cases.append({ "short-palette-rle8.bmp", shortRle8, Expect::Written });
        cases.append(
            { "short-palette-rle8-cut.bmp", shortRle8.left(shortRle8.size() / 2), Expect::EndsEarly });
    }
    cuts("strips.tif", tiff, Expect::EndsEarly);
    cases.append({ "strips-missing.tif", tiffFile(8, 7), Expect::Skipped });
    cuts("lzw.tif", lzwTiff, Expect::EndsEarly);
    cuts("photo.heic", heic, Expect::EndsEarly);
    cuts("photo.avif", avif, Expect::EndsEarly);
    cuts("lossy.webp", webp, Expect::EndsEarly);
    cuts("lossless.webp", losslessWebp, Expect::EndsEarly);
    for (const double fraction : { 0.4, 0.8 }) {
        cases.append({ QStringLiteral("lossy-fitted%1.webp").arg(qRound(fraction * 100)),
            webpFittedTo(webp, fraction), Expect::Skipped });
        cases.append({ QStringLiteral("lossless-fitted%1.webp").arg(qRound(fraction * 100)),
            webpFittedTo(losslessWebp, fraction), Expect::Skipped });
    }

    const QString in = work.filePath("in");
    QStringList damaged;
    QStringList interleaved; // the strong photo before each damaged file
    const QString strong = work.filePath("strong.png");
    ASSERT_TRUE(strongPicture().save(strong));
    for (int i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(qPrintable(cases[i].name));
        ASSERT_FALSE(cases[i].bytes.isEmpty());
        const QString path
            = QStringLiteral("%1/%2-%3").arg(in).arg(i, 3, 10, QLatin1Char('0')).arg(cases[i].name);
        const QString before = QStringLiteral("%1/%2-strong.png").arg(in).arg(i, 3, 10, QLatin1Char('0'));
        ASSERT_TRUE(writeFile(path, cases[i].bytes));
        ASSERT_TRUE(writeFile(before, fileBytes(strong)));
        damaged << path;
        interleaved << before << path;
    }

    // Three runs with fresh and freed memory filled differently, one after the strong photos.
    struct Run
    {
        QString label;
        QString out;
        QHash<QString, QJsonObject> outcomes;
    };
    QList<Run> runs;
    for (const int perturb : { 0, 85, 170, -1 }) {
        Run run;
        run.label = perturb >= 0 ? QStringLiteral("MALLOC_PERTURB_=%1").arg(perturb)
                                 : QStringLiteral("after the strong photo");
        run.out = work.filePath(QStringLiteral("out%1").arg(runs.size()));
        const ProcessResult result
            = convert(perturb >= 0 ? damaged : interleaved, run.out, work.filePath("config"), perturb);
        ASSERT_TRUE(result.exitCode == 0 || result.exitCode == 1)
            << qPrintable(run.label + result.standardError);
        run.outcomes = jsonBySource(result.standardOutput);
        if (perturb < 0) {
            // The strong photos went through the same decoders and memory first.
            for (int i = 0; i < cases.size(); ++i) {
                const QString name = QStringLiteral("%1-strong.png").arg(i, 3, 10, QLatin1Char('0'));
                EXPECT_EQ(run.outcomes.value(name).value("status").toString().toStdString(), "written");
            }
        }
        runs.append(run);
    }

    for (const QString& path : damaged) {
        const QString name = QFileInfo(path).fileName();
        const DamagedCase& c = cases[name.left(3).toInt()];
        SCOPED_TRACE(qPrintable(name));
        const QJsonObject first = runs[0].outcomes.value(name);
        const std::string status = first.value("status").toString().toStdString();
        const QString reason = first.value("reason").toString();
        const QString note = first.value("note").toString();
        switch (c.expect) {
        case Expect::EndsEarly:
            EXPECT_EQ(status, "skipped");
            EXPECT_TRUE(reason.contains(QLatin1String("ends before its pixels do"))
                || reason.contains(QLatin1String("cut short")))
                << qPrintable(reason);
            break;
        case Expect::Skipped:
            EXPECT_EQ(status, "skipped");
            EXPECT_TRUE(reason.endsWith(u')')) << "no cause named: " << qPrintable(reason);
            break;
        case Expect::Written:
            EXPECT_EQ(status, "written") << qPrintable(reason);
            break;
        case Expect::WrittenShort:
            EXPECT_EQ(status, "written") << qPrintable(reason);
            EXPECT_TRUE(
                QRegularExpression("^only \\d+ of its 120 rows were in the file$").match(note).hasMatch()
                || note.contains(QLatin1String("with less detail")))
                << qPrintable(note);
            break;
        }
        const QString output = QFileInfo(name).completeBaseName() + ".jpg";
        const QByteArray bytes = fileBytes(runs[0].out + u'/' + output);
        for (const Run& run : runs) {
            SCOPED_TRACE(qPrintable(run.label));
            const QJsonObject outcome = run.outcomes.value(name);
            EXPECT_EQ(outcome.value("status").toString().toStdString(), status);
            EXPECT_EQ(outcome.value("reason").toString(), reason);
            EXPECT_EQ(outcome.value("note").toString(), note);
            const QString written = run.out + u'/' + output;
            EXPECT_EQ(QFileInfo::exists(written), status == "written");
            EXPECT_TRUE(fileBytes(written) == bytes) << "the output differs from the first run's";
            if (QFileInfo::exists(written)) {
                const QImage decoded = decodeWithQt(written);
                ASSERT_FALSE(decoded.isNull());
                EXPECT_EQ(strongPixels(decoded), 0) << "the strong photo's colours in the output";
            }
        }
    }
}
