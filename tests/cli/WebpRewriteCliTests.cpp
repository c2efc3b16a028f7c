// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli on WebP files: their chunks rewritten around the compressed pictures, every frame of an
// animation kept; re-encoded, with a note, only where the pixels must be turned or the structure cannot
// be carried over. Judged by the tests' byte walk, libwebp's animation decoder and the independent
// metadata checker.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/ProfileCrafting.h"
#include "tests/engine/WebpFixtures.h"

#include <QJsonObject>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

namespace {

/// The first frame as libwebp decodes it, as an image.
QImage firstFrame(const QByteArray& file)
{
    const std::optional<DecodedWebp> decoded = decodeWebpFrames(file);
    if (!decoded || decoded->frames.isEmpty())
        return {};
    return QImage(reinterpret_cast<const uchar*>(decoded->frames.first().constData()), decoded->width,
        decoded->height, QImage::Format_RGBA8888)
        .copy();
}

class WebpCommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        const QByteArray profile = personalised(tabulatedMatrixProfile(4.3));
        still = dirtyWebp(encodeWebpStill(webpTestPicture(96, 64, false, 1), false),
            Planting { 1, profile, true, false, true });
        animation = dirtyWebp(encodeWebpAnimation(), Planting { 1, profile, true, true, true });
        turned = dirtyWebp(encodeWebpStill(webpTestPicture(96, 64, true, 4), true),
            Planting { 6, profile, true, false, true });
        ASSERT_FALSE(still.isEmpty() || animation.isEmpty() || turned.isEmpty());
        ASSERT_TRUE(writeFile(work.filePath("in/still.webp"), still));
        ASSERT_TRUE(writeFile(work.filePath("in/animation.webp"), animation));
        ASSERT_TRUE(writeFile(work.filePath("in/turned.webp"), turned));
        // The animation with its second frame stating a width other than its image's.
        QList<WebpChunk> chunks = walkWebpFile(animation).chunks;
        QByteArray body;
        int frame = 0;
        for (WebpChunk& chunk : chunks) {
            if (chunk.id == "ANMF" && ++frame == 2)
                chunk.frameHeader[6] = char(uchar(chunk.frameHeader[6]) - 2);
            QByteArray payload = chunk.id == "ANMF" ? chunk.frameHeader : chunk.payload;
            for (const WebpChunk& sub : chunk.inner)
                payload += webpChunk(sub.id, sub.payload);
            body += webpChunk(chunk.id, payload);
        }
        ASSERT_TRUE(writeFile(work.filePath("in/odd.webp"), webpRiff(body)));
    }

    QTemporaryDir work;
    QByteArray still;
    QByteArray animation;
    QByteArray turned;
};

} // namespace

TEST_F(
    WebpCommandLine, RewritesStillsAndAnimationsAndReencodesToTurnUprightOrWhereTheStructureCannotBeCarried)
{
    const QString out = work.filePath("out");
    const ProcessResult run
        = runCli({ "--json", "--fix-orientation", "-o", out, work.filePath("in") }, work.filePath("config"));
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QHash<QString, QJsonObject> outcomes = jsonBySource(run.standardOutput);

    for (const char* name : { "still.webp", "animation.webp", "turned.webp", "odd.webp" }) {
        SCOPED_TRACE(name);
        EXPECT_EQ(outcomes.value(name).value("status").toString(), QStringLiteral("written"));
    }
    // Kept as they were compressed: the same picture chunks, nothing else beside them, no note.
    const QByteArray stillCopy = fileBytes(out + "/still.webp");
    EXPECT_EQ(webpChunkList(stillCopy), QStringList({ "VP8X", "ICCP", "VP8 " }));
    EXPECT_EQ(webpPictureBytes(stillCopy), webpPictureBytes(still));
    EXPECT_TRUE(outcomes.value("still.webp").value("note").isNull());

    const QByteArray animationCopy = fileBytes(out + "/animation.webp");
    EXPECT_EQ(webpChunkList(animationCopy),
        QStringList({ "VP8X", "ICCP", "ANIM", "ANMF[VP8 ]", "ANMF[VP8L]", "ANMF[ALPH VP8 ]" }));
    EXPECT_EQ(webpPictureBytes(animationCopy), webpPictureBytes(animation));
    EXPECT_TRUE(outcomes.value("animation.webp").value("note").isNull());
    const std::optional<DecodedWebp> frames = decodeWebpFrames(animationCopy);
    const std::optional<DecodedWebp> sourceFrames = decodeWebpFrames(animation);
    ASSERT_TRUE(frames && sourceFrames);
    EXPECT_EQ(frames->timestamps, sourceFrames->timestamps);
    EXPECT_TRUE(frames->frames == sourceFrames->frames);

    // Orientation 6 turned: re-encoded, and a lossless source stays lossless: the pixels are the source's
    // turned a quarter clockwise.
    const QByteArray turnedCopy = fileBytes(out + "/turned.webp");
    EXPECT_TRUE(outcomes.value("turned.webp")
                    .value("note")
                    .toString()
                    .contains(QLatin1String("re-encoded: turned upright")))
        << outcomes.value("turned.webp").value("note").toString().toStdString();
    EXPECT_EQ(webpChunkList(turnedCopy), QStringList({ "VP8X", "ICCP", "VP8L" }));
    const QImage upright = firstFrame(turnedCopy);
    EXPECT_EQ(upright.size(), QSize(64, 96));
    // The turn is drawn with premultiplied alpha: colour may move by the rounding of that (at most 3 levels
    // where alpha is 40 or more, as here), alpha not at all.
    const QImage expected = firstFrame(turned).transformed(QTransform().rotate(90));
    ASSERT_EQ(upright.size(), expected.size());
    int worstColour = 0;
    int worstAlpha = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = upright.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            worstColour = std::max({ worstColour, std::abs(qRed(a) - qRed(b)),
                std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)) });
            worstAlpha = std::max(worstAlpha, std::abs(qAlpha(a) - qAlpha(b)));
        }
    }
    EXPECT_LE(worstColour, 3);
    EXPECT_EQ(worstAlpha, 0);

    // The second frame of odd.webp states a width other than its image's: libwebp goes by the image, the
    // rewrite refuses to guess, and the usual re-encode writes the first frame alone, said so in the note.
    const QString oddNote = outcomes.value("odd.webp").value("note").toString();
    EXPECT_TRUE(oddNote.contains(QLatin1String("re-encoded: a frame whose image is not of its stated size")))
        << oddNote.toStdString();
    EXPECT_TRUE(oddNote.contains(QLatin1String("first of 3 frames")));
    EXPECT_EQ(webpChunkList(fileBytes(out + "/odd.webp")).filter(QStringLiteral("ANMF")), QStringList());

    for (const QString& file : filesUnder(out)) {
        const QByteArray bytes = fileBytes(out + u'/' + file);
        for (const QByteArray& text : { kExifMarker, kXmpMarker, kUnknownMarker, kFrameMarker,
                 kTrailingMarker, kPersonalDescription, kPrivatePayload })
            EXPECT_FALSE(bytes.contains(text)) << qPrintable(file) << ": " << text.toStdString();
    }
    const ProcessResult check = checkClean(out);
    EXPECT_EQ(check.exitCode, 0) << check.standardOutput.toStdString() << check.standardError.toStdString();
}
