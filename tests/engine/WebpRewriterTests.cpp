// SPDX-License-Identifier: GPL-3.0-or-later
// WebP copies made by rewriting the chunks: files made with libwebp and dirtied by hand (EXIF with a GPS
// position, XMP, unknown chunks, a profile with personal texts, chunks inside animation frames, bytes
// after the RIFF structure). Judged by libwebp's animation decoder (every frame and its timing, bit for
// bit against the source), exiftool, the tests' own byte walk and a search for every planted text.
#include "engine/core/DescriptorIo.h"
#include "engine/core/WorkFile.h"
#include "engine/formats/webp/WebpRewriter.h"
#include "engine/inspect/CopyCheck.h"
#include "engine/pipeline/ContainerSaving.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/ProfileCrafting.h"
#include "tests/engine/WebpFixtures.h"

#include <QFile>
#include <QHash>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// A profile lcms makes, with a person's texts in its text tags and a private tag holding a place.
QByteArray personalProfile()
{
    static const QByteArray profile = personalised(tabulatedMatrixProfile(4.3));
    return profile;
}

const QList<QByteArray>& plantedTexts()
{
    static const QList<QByteArray> texts = { kExifMarker, kXmpMarker, kUnknownMarker, kFrameMarker,
        kTrailingMarker, kPersonalDescription, kPersonalCopyright, kPrivatePayload };
    return texts;
}

WebpSink sinkInto(QByteArray& out)
{
    return [&out](QByteArrayView bytes) {
        out.append(bytes);
        return true;
    };
}

QByteArray rewritten(const QByteArray& file, QString* reason = nullptr)
{
    QByteArray out;
    return rewriteWebp(file, sinkInto(out), reason) == WebpRewriteResult::Written ? out : QByteArray();
}

QByteArray stillLossy()
{
    return encodeWebpStill(webpTestPicture(96, 64, false, 1), false);
}

QByteArray stillLossless()
{
    return encodeWebpStill(webpTestPicture(96, 64, true, 4), true);
}

QByteArray stillLossyAlpha()
{
    return encodeWebpStill(webpTestPicture(96, 64, true, 5), false);
}

QByteArray vp8x(quint8 flags, int width, int height)
{
    QByteArray payload(10, '\0');
    payload[0] = char(flags);
    for (int i = 0; i < 3; ++i) {
        payload[4 + i] = char(((width - 1) >> (8 * i)) & 0xFF);
        payload[7 + i] = char(((height - 1) >> (8 * i)) & 0xFF);
    }
    return webpChunk("VP8X", payload);
}

QByteArray chunksOf(const QList<WebpChunk>& chunks)
{
    QByteArray body;
    for (const WebpChunk& chunk : chunks) {
        if (chunk.id == "ANMF")
            body += webpChunk(chunk.id, chunk.frameHeader + chunksOf(chunk.inner));
        else
            body += webpChunk(chunk.id, chunk.payload);
    }
    return body;
}

/// The animation's top-level chunks, to be changed by a case and put together again.
QList<WebpChunk> animationChunks()
{
    return walkWebpFile(encodeWebpAnimation()).chunks;
}

/// The animation with its first frame's 'ANMF' chunk holding \a payload.
QByteArray withFirstFramePayload(const QByteArray& payload)
{
    const QList<WebpChunk> chunks = animationChunks();
    return webpRiff(chunksOf(chunks.mid(0, 3)) + webpChunk("ANMF", payload) + chunksOf(chunks.mid(4)));
}

/// The image chunk of a still file of libwebp's (its last chunk).
WebpChunk imageOf(const QByteArray& still)
{
    return walkWebpFile(still).chunks.last();
}

void setLE32(QByteArray& data, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        data[at + i] = char((value >> (8 * i)) & 0xFF);
}

/// The offset of the last top-level chunk of \a file.
qsizetype lastChunkOffset(const QByteArray& file)
{
    qsizetype at = 12;
    qsizetype last = 12;
    const quint64 end = walkWebpFile(file).riffSize + 8;
    while (quint64(at) + 8 <= end) {
        last = at;
        const auto size = qsizetype(quint32(uchar(file[at + 4])) | quint32(uchar(file[at + 5])) << 8
            | quint32(uchar(file[at + 6])) << 16 | quint32(uchar(file[at + 7])) << 24);
        at += 8 + size + (size & 1);
    }
    return last;
}

/// \a clean with one more chunk inside its second frame, after the frame's image.
QByteArray withFrameChunk(const QByteArray& clean, const QByteArray& id, const QByteArray& payload)
{
    QList<WebpChunk> chunks = walkWebpFile(clean).chunks;
    int frame = 0;
    for (WebpChunk& chunk : chunks) {
        if (chunk.id == "ANMF" && ++frame == 2)
            chunk.inner.append({ id, payload, {}, {} });
    }
    return webpRiff(chunksOf(chunks));
}

// ---------------------------------------------------------------------------------------------------------
// What a copy keeps

struct RewriteCase
{
    const char* name;
    QByteArray (*source)();
    bool profile;
    QStringList expected; ///< the copy's chunks
    int flags; ///< the copy's VP8X flags; -1 when it has no VP8X
};

const QStringList kAnimationChunks
    = { "VP8X", "ICCP", "ANIM", "ANMF[VP8 ]", "ANMF[VP8L]", "ANMF[ALPH VP8 ]" };

const RewriteCase kRewriteCases[] = {
    { "LossyWithProfile", stillLossy, true, { "VP8X", "ICCP", "VP8 " }, 0x20 },
    { "LossyAlone", stillLossy, false, { "VP8 " }, -1 },
    { "LosslessWithProfile", stillLossless, true, { "VP8X", "ICCP", "VP8L" }, 0x30 },
    { "LosslessAlone", stillLossless, false, { "VP8L" }, -1 },
    { "LossyAlphaWithProfile", stillLossyAlpha, true, { "VP8X", "ICCP", "ALPH", "VP8 " }, 0x30 },
    { "LossyAlphaAlone", stillLossyAlpha, false, { "VP8X", "ALPH", "VP8 " }, 0x10 },
    { "AnimationWithProfile", encodeWebpAnimation, true, kAnimationChunks, 0x32 },
    { "AnimationAlone", encodeWebpAnimation, false,
        { "VP8X", "ANIM", "ANMF[VP8 ]", "ANMF[VP8L]", "ANMF[ALPH VP8 ]" }, 0x12 },
};

// Every still and animation kind, with a profile and without; exiftool reads all sources and copies in
// one run.
TEST(WebpRewrite, KeepsEveryPictureByteForByteAndNothingPersonal)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList sources;
    QStringList copies;
    for (const RewriteCase& c : kRewriteCases) {
        SCOPED_TRACE(c.name);
        const QByteArray clean = c.source();
        ASSERT_FALSE(clean.isEmpty());
        Planting planting;
        planting.profile = c.profile ? personalProfile() : QByteArray();
        const QByteArray dirty = dirtyWebp(clean, planting);
        ASSERT_FALSE(dirty.isEmpty());
        sources << dir.filePath(QStringLiteral("%1-source.webp").arg(c.name));
        ASSERT_TRUE(writeFile(sources.last(), dirty));

        copies << dir.filePath(QStringLiteral("%1-copy.webp").arg(c.name));
        const int fd
            = ::open(QFile::encodeName(copies.last()).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        QString reason;
        const WebpRewriteResult result = rewriteWebp(dirty, fd, &reason);
        ASSERT_EQ(::close(fd), 0);
        ASSERT_EQ(result, WebpRewriteResult::Written) << reason.toStdString();
        const QByteArray copy = fileBytes(copies.last());

        // Exactly the expected chunks, whole, padded with zeros, nothing after the RIFF structure.
        EXPECT_EQ(webpChunkList(copy), c.expected);
        const WebpWalk walk = walkWebpFile(copy);
        EXPECT_TRUE(walk.error.isEmpty()) << walk.error.toStdString();
        EXPECT_EQ(walk.trailing, 0);
        EXPECT_TRUE(walk.paddingZero);
        if (c.flags >= 0) {
            ASSERT_FALSE(walk.chunks.isEmpty());
            const QByteArray& header = walk.chunks.first().payload;
            EXPECT_EQ(int(uchar(header[0])), c.flags);
            EXPECT_EQ(header.mid(1), walkWebpFile(dirty).chunks.first().payload.mid(1)) << "the canvas";
        }
        EXPECT_EQ(webpPictureBytes(copy), webpPictureBytes(clean));

        // libwebp decodes the same frames at the same times from both.
        const std::optional<DecodedWebp> before = decodeWebpFrames(dirty);
        const std::optional<DecodedWebp> after = decodeWebpFrames(copy);
        ASSERT_TRUE(before && after);
        EXPECT_EQ(after->width, before->width);
        EXPECT_EQ(after->height, before->height);
        EXPECT_EQ(after->loopCount, before->loopCount);
        EXPECT_EQ(after->background, before->background);
        EXPECT_EQ(after->timestamps, before->timestamps);
        ASSERT_EQ(after->frames.size(), before->frames.size());
        for (qsizetype i = 0; i < after->frames.size(); ++i)
            EXPECT_TRUE(after->frames[i] == before->frames[i]) << "frame " << i;

        for (const QByteArray& text : plantedTexts())
            EXPECT_FALSE(copy.contains(text)) << text.toStdString();
    }

    const QHash<QString, QJsonObject> tags
        = exiftoolJson({ "-a", "-G1", "-b", "-all", "-ICC_Profile" }, sources + copies);
    for (qsizetype i = 0; i < copies.size(); ++i) {
        const RewriteCase& c = kRewriteCases[i];
        SCOPED_TRACE(c.name);
        // The planting is real: exiftool reads the GPS position and the XMP of the source.
        const QStringList planted = metadataTags(tags.value(sources[i]));
        EXPECT_TRUE(!planted.filter(QRegularExpression("^GPS:")).isEmpty()
            && !planted.filter(QRegularExpression("^XMP")).isEmpty())
            << planted.join(u' ').toStdString();
        const QJsonObject copy = tags.value(copies[i]);
        EXPECT_EQ(metadataTags(copy), QStringList());
        if (c.profile) {
            // The profile is there, cleaned: exiftool reads it, and none of its texts.
            EXPECT_GT(exiftoolBytes(copy, QStringLiteral("ICC_Profile:ICC_Profile")).size(), 128);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// What is refused

struct HostileCase
{
    const char* name;
    std::function<QByteArray()> make;
};

void checkRefusal(const HostileCase& c)
{
    const QByteArray hostile = c.make();
    ASSERT_FALSE(hostile.isEmpty());
    QByteArray out;
    QString reason;
    EXPECT_EQ(rewriteWebp(hostile, sinkInto(out), &reason), WebpRewriteResult::Refused);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(out.isEmpty()) << "a copy of " << out.size() << " bytes, reason: " << reason.toStdString();
}

QByteArray dirtyAnimation()
{
    return dirtyWebp(encodeWebpAnimation(), Planting {});
}

const HostileCase kHostile[] = {
    { "RiffSizePastTheEnd",
        [] {
            QByteArray file = dirtyAnimation();
            setLE32(file, 4, quint32(file.size() - 8 + 2));
            return file;
        } },
    { "OddRiffSize",
        [] {
            QByteArray file = dirtyAnimation();
            setLE32(file, 4, quint32(walkWebpFile(file).riffSize + 1));
            return file;
        } },
    { "CutInTheMiddle", [] { return dirtyAnimation().left(dirtyAnimation().size() / 2); } },
    { "ChunkPastTheEnd",
        [] {
            QByteArray file = dirtyWebp(stillLossy(), Planting { 1, {}, true, false, false });
            const qsizetype last = lastChunkOffset(file);
            setLE32(file, last + 4, quint32(file.size()));
            return file;
        } },
    { "ChunkPastTheRiffIntoTrailingBytes",
        [] {
            QByteArray file = dirtyAnimation();
            const qsizetype last = lastChunkOffset(file);
            setLE32(file, last + 4, quint32(kUnknownMarker.size() + 4));
            return file;
        } },
    { "FrameOfGarbage",
        [] {
            QByteArray garbage = animationChunks()[3].frameHeader;
            for (int i = 0; i < 300; ++i)
                garbage.append(char((i * 73 + 41) & 0xFF));
            return withFirstFramePayload(garbage);
        } },
    { "FrameSubChunkPastTheFrame",
        [] {
            const WebpChunk first = animationChunks()[3];
            QByteArray frame = first.frameHeader + chunksOf(first.inner);
            setLE32(frame, 16 + 4, quint32(frame.size()));
            return withFirstFramePayload(frame);
        } },
    { "FrameHeaderCutShort", [] { return withFirstFramePayload(QByteArray(10, '\0')); } },
    { "FrameWithoutAnImage",
        [] {
            QList<WebpChunk> chunks = animationChunks();
            chunks[3].inner = { { "EXIF", exifWithGps(1), {}, {} } };
            return webpRiff(chunksOf(chunks));
        } },
    { "FrameOutsideTheCanvas",
        [] {
            QList<WebpChunk> chunks = animationChunks();
            chunks[4].frameHeader[0] = char(40); // x = 80: 80 + 50 > 96
            return webpRiff(chunksOf(chunks));
        } },
    { "FrameNotOfItsStatedSize",
        [] {
            QList<WebpChunk> chunks = animationChunks();
            chunks[4].frameHeader[6] = char(uchar(chunks[4].frameHeader[6]) - 2);
            return webpRiff(chunksOf(chunks));
        } },
    { "FrameBeforeTheAnimationHeader",
        [] {
            QList<WebpChunk> chunks = animationChunks();
            chunks.removeAt(1);
            return webpRiff(chunksOf(chunks));
        } },
    { "AnimationWithoutFrames",
        [] {
            const QList<WebpChunk> chunks = animationChunks();
            return webpRiff(chunksOf(chunks.mid(0, 2)));
        } },
    { "StillImageChunkInAnimation",
        [] {
            return webpRiff(chunksOf(animationChunks()) + webpChunk("VP8 ", imageOf(stillLossy()).payload));
        } },
    { "FramesInAFileNotMarkedAsAnimation",
        [] {
            QList<WebpChunk> chunks = animationChunks();
            chunks[0].payload[0] = char(0x10);
            return webpRiff(chunksOf(chunks));
        } },
    { "NoImage",
        [] {
            return webpRiff(
                vp8x(0x0C, 96, 64) + webpChunk("EXIF", exifWithGps(1)) + webpChunk("XMP ", xmpPacket()));
        } },
    { "NothingAfterTheHeader", [] { return webpRiff({}); } },
    { "TwoImages",
        [] {
            const QByteArray image = webpChunk("VP8 ", imageOf(stillLossy()).payload);
            return webpRiff(vp8x(0, 96, 64) + image + image);
        } },
    { "AlphaBesideALosslessImage",
        [] {
            return webpRiff(vp8x(0x10, 96, 64) + webpChunk("ALPH", QByteArray(40, '\x01'))
                + webpChunk("VP8L", imageOf(stillLossless()).payload));
        } },
    { "ImageNotOfTheCanvasSize",
        [] { return webpRiff(vp8x(0, 98, 64) + webpChunk("VP8 ", imageOf(stillLossy()).payload)); } },
    { "ImageHeaderUnreadable",
        [] {
            QByteArray payload = imageOf(stillLossy()).payload;
            payload[3] = '\0'; // the key frame's start code
            return webpRiff(webpChunk("VP8 ", payload));
        } },
    { "MetadataFirstWithoutVp8x",
        [] {
            return webpRiff(
                webpChunk("EXIF", exifWithGps(1)) + webpChunk("VP8 ", imageOf(stillLossy()).payload));
        } },
    { "SecondVp8x",
        [] {
            return webpRiff(
                vp8x(0, 96, 64) + vp8x(0, 96, 64) + webpChunk("VP8 ", imageOf(stillLossy()).payload));
        } },
    { "NotAWebpFile", [] { return QByteArray("\x89PNG\r\n\x1a\n and more bytes than a header"); } },
};

TEST(WebpRewriteRefusal, WritesNothingAndSaysWhy)
{
    for (const HostileCase& c : kHostile) {
        SCOPED_TRACE(c.name);
        checkRefusal(c);
    }
}

TEST(WebpRewriteOutput, AWriteErrorIsAFailureWithTheSystemsWords)
{
    const QByteArray dirty = dirtyAnimation();
    QString reason;
    EXPECT_EQ(rewriteWebp(dirty, -1, &reason), WebpRewriteResult::Failed);
    EXPECT_EQ(reason, QString::fromLocal8Bit(std::strerror(EBADF)));

    // A destination that refuses the bytes stops the copy at once.
    int calls = 0;
    reason.clear();
    const WebpSink refusing = [&calls](QByteArrayView) {
        ++calls;
        return false;
    };
    EXPECT_EQ(rewriteWebp(dirty, refusing, &reason), WebpRewriteResult::Failed);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(reason.isEmpty());
}

// ---------------------------------------------------------------------------------------------------------
// The pipeline's entry

struct ContainerCase
{
    const char* name;
    std::function<QByteArray()> make;
    bool fixOrientation;
    std::optional<ContainerRewriteResult> expected;
    const char* reason; ///< a part of the reason; empty for Written and null results
};

void checkContainerSaving(const ContainerCase& param)
{
    const ContainerCase& c = param;
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.webp"));
    const QByteArray sourceBytes = c.make();
    ASSERT_TRUE(writeFile(source, sourceBytes));
    const std::unique_ptr<WorkFile> file = WorkFile::create(dir.path());
    ASSERT_TRUE(file);
    QString reason;
    const std::optional<ContainerRewriteResult> result
        = saveRewrittenContainer(source, c.fixOrientation, *file, &reason);
    EXPECT_EQ(result, c.expected) << reason.toStdString();
    struct stat info = {};
    ASSERT_EQ(::fstat(file->descriptor(), &info), 0);
    if (result == ContainerRewriteResult::Written) {
        QByteArray copy(qsizetype(info.st_size), '\0');
        ASSERT_EQ(readFully(file->descriptor(), copy.data(), std::size_t(copy.size()), 0).bytes,
            std::size_t(copy.size()));
        EXPECT_TRUE(walkWebpFile(copy).error.isEmpty());
        EXPECT_EQ(webpPictureBytes(copy), webpPictureBytes(sourceBytes));
        for (const QByteArray& text : plantedTexts())
            EXPECT_FALSE(copy.contains(text)) << text.toStdString();
        EXPECT_EQ(refusalOfCopy(*file), QString());
    } else {
        EXPECT_EQ(info.st_size, 0) << "nothing is written unless the copy is made";
        EXPECT_TRUE(reason.contains(QLatin1String(c.reason))) << reason.toStdString();
    }
}

QByteArray turnedLossless()
{
    return dirtyWebp(stillLossless(), Planting { 6, personalProfile(), true, false, true });
}

/// A still image cut short with its chunk and RIFF sizes made to fit: whole to the walk, not to a decoder.
QByteArray fittedCut()
{
    const QByteArray image = imageOf(stillLossy()).payload;
    return webpRiff(webpChunk("VP8 ", image.left(image.size() * 2 / 3)));
}

TEST(ContainerSaving, RewritesAWebpUnlessItMustBeTurnedOrCannotBeCarriedOver)
{
    const ContainerCase cases[] = { ContainerCase { "TurnedAndToBeTurned", turnedLossless, true,
                                        ContainerRewriteResult::NeedsReencode, "turned upright" },
        ContainerCase { "TurnedButKeptAsStored", turnedLossless, false, ContainerRewriteResult::Written, "" },
        ContainerCase { "Animation", dirtyAnimation, true, ContainerRewriteResult::Written, "" },
        ContainerCase {
            "DamagedBitstream", fittedCut, true, ContainerRewriteResult::NeedsReencode, "does not decode" },
        ContainerCase { "StructureLibwebpRefuses", [] { return webpRiff(vp8x(0x0C, 96, 64)); }, true,
            ContainerRewriteResult::NeedsReencode, "could not be read" },
        ContainerCase { "NotAWebp", [] { return QByteArray("\xFF\xD8\xFF\xE0 not a webp at all"); }, true,
            std::nullopt, "" } };
    for (const ContainerCase& param : cases) {
        SCOPED_TRACE(param.name);
        checkContainerSaving(param);
    }
}

// ---------------------------------------------------------------------------------------------------------
// The check of every copy reads animation frames and what follows the RIFF structure

struct LeakCase
{
    const char* name;
    std::function<QByteArray()> make;
    bool refused;
};

void checkWebpCopyCheck(const LeakCase& param)
{
    QTemporaryDir dir;
    const QByteArray bytes = param.make();
    ASSERT_FALSE(bytes.isEmpty());
    const std::unique_ptr<WorkFile> file = WorkFile::create(dir.path());
    ASSERT_TRUE(file);
    ASSERT_EQ(writeFully(file->descriptor(), bytes.constData(), std::size_t(bytes.size())).error, 0);
    const QString refusal = refusalOfCopy(*file);
    EXPECT_EQ(!refusal.isEmpty(), param.refused) << refusal.toStdString();
}

TEST(WebpCopyCheck, RefusesAnAnimationThatStillHoldsSomethingAnywhere)
{
    const LeakCase cases[] = {
        LeakCase { "RewrittenAnimation", [] { return rewritten(dirtyAnimation()); }, false },
        LeakCase { "ExifInsideAFrame",
            [] { return withFrameChunk(encodeWebpAnimation(), "EXIF", exifWithGps(1)); }, true },
        LeakCase { "XmpInsideAFrame",
            [] { return withFrameChunk(encodeWebpAnimation(), "XMP ", xmpPacket()); }, true },
        LeakCase { "UnknownChunkInsideAFrame",
            [] { return withFrameChunk(encodeWebpAnimation(), "ZZZZ", kFrameMarker); }, true },
        LeakCase { "UnknownChunkBesideTheFrames",
            [] { return webpRiff(chunksOf(animationChunks()) + webpChunk("ABCD", kUnknownMarker)); }, true },
        LeakCase { "BytesAfterTheRiff", [] { return rewritten(dirtyAnimation()) + kTrailingMarker; }, true }
    };
    for (const LeakCase& param : cases) {
        SCOPED_TRACE(param.name);
        checkWebpCopyCheck(param);
    }
}

} // namespace
