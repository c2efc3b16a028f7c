// SPDX-License-Identifier: GPL-3.0-or-later
// The rewrites of animated GIFs and PNGs judged from outside: ImageMagick reads the GIFs' frames, timing
// and coalesced pixels; a walk of the PNGs' chunks with zlib and an unfilter of our own reads the APNGs;
// exiftool and a scan for the planted markers say what else they hold.
#include "engine/core/ImageFormat.h"
#include "engine/formats/gif/GifAnimation.h"
#include "engine/formats/png/ApngRewriter.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/AnimationFixtures.h"
#include "tests/engine/EngineTestSupport.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

QString saved(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
}

/// ImageMagick's frames: delay, disposal, page geometry, one line each.
QString frameTiming(const QString& path)
{
    return runProcess("identify", { "-format", "%T %D %g %w %h\n", path }).standardOutput;
}

/// The coalesced frames as RGBA, with the colour of fully transparent pixels cleared: what shows.
QByteArray coalesced(const QString& path)
{
    QByteArray rgba = runProcess("sh", { "-c", "convert \"$0\" -coalesce rgba:- | base64 -w0", path })
                          .standardOutput.toLatin1();
    rgba = QByteArray::fromBase64(rgba);
    for (qsizetype i = 0; i + 3 < rgba.size(); i += 4) {
        if (rgba[i + 3] == 0)
            rgba[i] = rgba[i + 1] = rgba[i + 2] = 0;
    }
    return rgba;
}

TEST(AnimatedGif, KeepsFramesTimingLoopsAndPixelsAndNothingPlanted)
{
    QTemporaryDir dir;
    const QByteArray source = plantedGif();
    const GifAnimation rewritten = rewriteAnimatedGif(source, kMaxDecodedPixels);
    ASSERT_EQ(rewritten.result, GifAnimationResult::Rewritten) << rewritten.reason.toStdString();
    EXPECT_EQ(rewritten.frames, 3);
    const QString in = saved(dir, "in.gif", source);
    const QString out = saved(dir, "out.gif", rewritten.file);

    const QString timing = frameTiming(in);
    EXPECT_EQ(timing.count(u'\n'), 3) << timing.toStdString();
    EXPECT_EQ(frameTiming(out), timing);
    const QByteArray pixels = coalesced(in);
    EXPECT_EQ(pixels.size(), 3 * 12 * 8 * 4);
    EXPECT_EQ(coalesced(out), pixels);

    EXPECT_FALSE(rewritten.file.contains(kPlanted));
    const QString tags = runProcess("exiftool", { "-a", "-G1", "-s", out }).standardOutput;
    EXPECT_FALSE(tags.contains("Comment")) << tags.toStdString();
    EXPECT_FALSE(tags.contains("XMP")) << tags.toStdString();
    EXPECT_TRUE(tags.contains(QRegularExpression("AnimationIterations\\s*: 3"))) << tags.toStdString();
    EXPECT_TRUE(tags.contains(QRegularExpression("FrameCount\\s*: 3"))) << tags.toStdString();
    // The used entries of the global table keep their colours exactly; the rest are zero.
    EXPECT_EQ(rewritten.file.mid(13, 24),
        QByteArray("\xFF\x00\x00\x00\xC8\x00\x00\x00\xFF\x0A\x14\x1E", 12) + QByteArray(12, '\0'));
}

TEST(AnimatedGif, HundredFramesAreKeptAndAPixelBudgetBoundsThem)
{
    const QByteArray source = manyFrameGif(100);
    const GifAnimation whole = rewriteAnimatedGif(source, kMaxDecodedPixels);
    ASSERT_EQ(whole.result, GifAnimationResult::Rewritten) << whole.reason.toStdString();
    QTemporaryDir dir;
    const QString in = saved(dir, "in.gif", source);
    const QString out = saved(dir, "out.gif", whole.file);
    EXPECT_EQ(frameTiming(out).count(u'\n'), 100);
    EXPECT_EQ(coalesced(out), coalesced(in));

    // Frames of 96 pixels each: the budget runs out at the 53rd, before it is decoded.
    const GifAnimation bomb = rewriteAnimatedGif(source, 52 * 96);
    EXPECT_EQ(bomb.result, GifAnimationResult::Refused);
    EXPECT_EQ(bomb.frames, 53);
    EXPECT_TRUE(bomb.file.isEmpty());
}

struct DamagedGif
{
    const char* name;
    QByteArray gif;
    GifAnimationResult expected;
};

void checkDamagedAnimatedGifs(const DamagedGif& param)
{
    const GifAnimation result = rewriteAnimatedGif(param.gif, kMaxDecodedPixels);
    EXPECT_EQ(result.result, param.expected) << result.reason.toStdString();
    if (result.result != GifAnimationResult::Rewritten) {
        EXPECT_TRUE(result.file.isEmpty());
    }
}

QList<DamagedGif> damagedGifs()
{
    const QByteArray global("\xFF\x00\x00\x00\xC8\x00\x00\x00\xFF\x0A\x14\x1E", 12);
    QList<GifFrameSpec> frames = plantedGifFrames();
    frames[1].localTable.clear();
    // The second frame's codes stop at half its pixels: its end code comes early.
    QList<GifFrameSpec> shortFrames = frames;
    shortFrames[1].indices.truncate(shortFrames[1].indices.size() / 2);
    QList<GifFrameSpec> outside = frames;
    outside[2].indices[5] = char(7); // the global table has four entries
    const QByteArray gif = gifFile(12, 8, global, frames, 0);
    QByteArray stray = gif;
    stray.insert(stray.lastIndexOf(';'), QByteArray("\x99junk", 5));
    // A code that is not yet in the table.
    QByteArray undefined = gif;
    undefined[undefined.lastIndexOf(QByteArray("\x00\x0C\x00\x08\x00\x00", 6)) + 8] = char(0xFF);
    const QList<DamagedGif> cases = {
        { "one-frame", gifFile(12, 8, global, frames.mid(0, 1), 0), GifAnimationResult::NotAnimated },
        { "codes-end-early", gifFile(12, 8, global, shortFrames, 0), GifAnimationResult::Refused },
        { "index-outside-table", gifFile(12, 8, global, outside, 0), GifAnimationResult::Refused },
        { "cut-in-last-frame", gif.left(gif.size() - 20), GifAnimationResult::Refused },
        { "data-between-blocks", stray, GifAnimationResult::Refused },
        { "undefined-code", undefined, GifAnimationResult::Refused },
    };
    return cases;
}

TEST(DamagedAnimatedGifs, AreRefusedOrLeftToTheSingleFramePath)
{
    for (const DamagedGif& param : damagedGifs()) {
        SCOPED_TRACE(param.name);
        checkDamagedAnimatedGifs(param);
    }
}

// ---- APNG ----

/// Unfilters 8-bit palette rows (one byte a pixel) into the indices.
QByteArray unfiltered(const QByteArray& rows, int width, int height)
{
    QByteArray out;
    QByteArray previous(width, '\0');
    for (int y = 0; y < height; ++y) {
        const int filter = uchar(rows[y * (width + 1)]);
        QByteArray row = rows.mid(y * (width + 1) + 1, width);
        for (int x = 0; x < width; ++x) {
            const int a = x > 0 ? uchar(row[x - 1]) : 0;
            const int b = uchar(previous[x]);
            const int c = x > 0 ? uchar(previous[x - 1]) : 0;
            const int p = a + b - c;
            const int paeth = std::abs(p - a) <= std::abs(p - b) && std::abs(p - a) <= std::abs(p - c) ? a
                : std::abs(p - b) <= std::abs(p - c)                                                   ? b
                                                                                                       : c;
            const int predictor = filter == 1 ? a
                : filter == 2                 ? b
                : filter == 3                 ? (a + b) / 2
                : filter == 4                 ? paeth
                                              : 0;
            row[x] = char(uchar(row[x]) + predictor);
        }
        out.append(row);
        previous = row;
    }
    return out;
}

QByteArray inflated(const QByteArray& zlib, qsizetype size)
{
    QByteArray out(size + 16, '\0');
    uLongf length = uLongf(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
            reinterpret_cast<const Bytef*>(zlib.constData()), uLong(zlib.size()))
        != Z_OK)
        return {};
    out.resize(qsizetype(length));
    return out;
}

TEST(AnimatedPng, KeepsFramesTimingAndPixelsAndNothingPlanted)
{
    const QByteArray source = plantedApng();
    const ApngRewrite rewritten = rewriteApng(source, PngWriteOptions {}, kMaxDecodedPixels);
    ASSERT_EQ(rewritten.result, ApngResult::Rewritten) << rewritten.reason.toStdString();
    EXPECT_EQ(rewritten.frames, 3);
    EXPECT_FALSE(rewritten.file.contains(kPlanted));

    const QList<PngChunk> chunks = pngChunks(rewritten.file);
    ASSERT_FALSE(chunks.isEmpty());
    QStringList types;
    QList<QByteArray> controls;
    QList<QByteArray> data; // each frame's zlib stream
    quint32 expectedSequence = 0;
    QByteArray palette;
    QByteArray alpha;
    for (const PngChunk& chunk : chunks) {
        types.append(QString::fromLatin1(chunk.type));
        if (chunk.type == "fcTL" || chunk.type == "fdAT") {
            EXPECT_EQ(qFromBigEndian<quint32>(chunk.data.constData()), expectedSequence++);
        }
        if (chunk.type == "fcTL") {
            controls.append(chunk.data.mid(4));
            data.append(QByteArray());
        } else if (chunk.type == "IDAT") {
            data.last().append(chunk.data);
        } else if (chunk.type == "fdAT") {
            data.last().append(chunk.data.mid(4));
        } else if (chunk.type == "PLTE") {
            palette = chunk.data;
        } else if (chunk.type == "tRNS") {
            alpha = chunk.data;
        }
    }
    EXPECT_EQ(types.join(u' '), "IHDR PLTE tRNS acTL fcTL IDAT fcTL fdAT fcTL fdAT IEND");
    EXPECT_EQ(palette, plantedApngPalette() + QByteArray(9, '\0'));
    EXPECT_EQ(alpha, QByteArray("\xFF\x80\xFF\xFF\xFF\xFF", 6));

    const QList<ApngFrameSpec> frames = plantedApngFrames();
    ASSERT_EQ(controls.size(), frames.size());
    for (qsizetype i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        const ApngFrameSpec& frame = frames[i];
        const QByteArray& control = controls[i];
        EXPECT_EQ(qFromBigEndian<quint32>(control.constData()), quint32(frame.width));
        EXPECT_EQ(qFromBigEndian<quint32>(control.constData() + 4), quint32(frame.height));
        EXPECT_EQ(qFromBigEndian<quint32>(control.constData() + 8), quint32(frame.left));
        EXPECT_EQ(qFromBigEndian<quint32>(control.constData() + 12), quint32(frame.top));
        EXPECT_EQ(qFromBigEndian<quint16>(control.constData() + 16), frame.delayNumerator);
        EXPECT_EQ(qFromBigEndian<quint16>(control.constData() + 18), frame.delayDenominator);
        EXPECT_EQ(int(control[20]), frame.dispose);
        EXPECT_EQ(int(control[21]), frame.blend);
        const QByteArray rows = inflated(data[i], frame.height * (frame.width + 1));
        ASSERT_EQ(rows.size(), frame.height * (frame.width + 1));
        EXPECT_EQ(unfiltered(rows, frame.width, frame.height), frame.indices);
    }

    QTemporaryDir dir;
    const QString out = saved(dir, "out.png", rewritten.file);
    const QString tags = runProcess("exiftool", { "-a", "-G1", "-s", out }).standardOutput;
    for (const char* tag : { "Comment", "Description", "Author", "EXIF", "IFD0" })
        EXPECT_FALSE(tags.contains(tag)) << tag << "\n" << tags.toStdString();
    EXPECT_EQ(runProcess("identify", { out }).exitCode, 0);
}

TEST(AnimatedPng, WritesTheProfileAndResolutionItIsGiven)
{
    PngWriteOptions options;
    options.dpiX = 300.0;
    options.dpiY = 300.0;
    const ApngRewrite rewritten = rewriteApng(plantedApng(), options, kMaxDecodedPixels);
    ASSERT_EQ(rewritten.result, ApngResult::Rewritten);
    QTemporaryDir dir;
    const QString out = saved(dir, "out.png", rewritten.file);
    EXPECT_EQ(
        runProcess("identify", { "-units", "PixelsPerInch", "-format", "%x", out }).standardOutput, "300");
}

struct DamagedPng
{
    const char* name;
    QByteArray png;
    ApngResult expected;
};

void checkDamagedAnimatedPngs(const DamagedPng& param)
{
    const ApngRewrite result = rewriteApng(param.png, PngWriteOptions {}, kMaxDecodedPixels);
    EXPECT_EQ(result.result, param.expected) << result.reason.toStdString();
    if (result.result != ApngResult::Rewritten) {
        EXPECT_TRUE(result.file.isEmpty());
    }
}

/// plantedApng() with the chunk of \a type (its \a nth) replaced by \a replacement.
QByteArray replacingChunk(const char* type, int nth, const QByteArray& replacement)
{
    QByteArray png = plantedApng();
    qsizetype at = -1;
    for (int i = 0; i <= nth; ++i)
        at = png.indexOf(type, at + 1);
    const qsizetype start = at - 4;
    const quint32 length = qFromBigEndian<quint32>(png.constData() + start);
    return png.left(start) + replacement + png.mid(start + 12 + qsizetype(length));
}

QList<DamagedPng> damagedPngs()
{
    QByteArray badCrc = plantedApng();
    badCrc[badCrc.indexOf("fcTL") + 10]
        = char(badCrc[badCrc.indexOf("fcTL") + 10] ^ 1); // its CRC no longer matches
    const QByteArray png = plantedApng();
    const QList<DamagedPng> cases = {
        { "frame-count-mismatch",
            replacingChunk("acTL", 0, pngChunk("acTL", QByteArray("\0\0\0\x04\0\0\0\x02", 8))),
            ApngResult::Refused },
        { "no-animation-control", replacingChunk("acTL", 0, {}), ApngResult::NotAnimated },
        { "frame-data-missing", replacingChunk("fdAT", 2, {}), ApngResult::Refused },
        { "frame-data-cut",
            replacingChunk("fdAT", 2, pngChunk("fdAT", QByteArray("\0\0\0\x05\x78\x9C\x63", 7))),
            ApngResult::Refused },
        { "damaged-crc", badCrc, ApngResult::Refused },
        { "cut-short", png.left(png.indexOf("IEND") - 30), ApngResult::Refused },
    };
    return cases;
}

TEST(DamagedAnimatedPngs, AreRefusedOrLeftToTheSingleFramePath)
{
    for (const DamagedPng& param : damagedPngs()) {
        SCOPED_TRACE(param.name);
        checkDamagedAnimatedPngs(param);
    }
}

} // namespace
