// SPDX-License-Identifier: GPL-3.0-or-later
// The custom views: the drop view and the vertically centred text cell (the table that hides its header
// while empty is seen through the main window's tests); and the thumbnails against ImageMagick's
// pictures, decoded in the background.
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/BackgroundCache.h"
#include "ui/ThumbnailCache.h"
#include "ui/widgets/DropView.h"
#include "ui/widgets/MiddleAlignedTextFieldCell.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>

namespace {

// ---- DropView ----

struct DragCase
{
    const char* name;
    QStringList files; ///< in the temporary folder; empty: a text selection
    Qt::DropActions offered;
    bool accepted;
};

class DropViewDrag : public ::testing::TestWithParam<DragCase>
{
protected:
    /// photo.png is a real picture, fake.jpg a text file, gone.png nothing; "" stands for the folder itself.
    std::unique_ptr<QMimeData> dragData(const QStringList& files)
    {
        EXPECT_TRUE(writePng(dir.filePath(QStringLiteral("photo.png"))));
        EXPECT_TRUE(writeFile(dir.filePath(QStringLiteral("fake.jpg")), "not a picture\n"));
        QStringList paths;
        for (const QString& file : files)
            paths << (file.isEmpty() ? dir.path() : dir.filePath(file));
        if (!paths.isEmpty())
            return fileDrag(paths);
        auto data = std::make_unique<QMimeData>();
        data->setText(QStringLiteral("a selection of text"));
        return data;
    }

    QTemporaryDir dir;
};

/// The colour of the view's pixel at (x, y) as drawn now.
QColor pixel(DropView& view, int x, int y)
{
    return view.grab().toImage().pixelColor(x, y);
}

TEST_P(DropViewDrag, AcceptsImagesAndFoldersOfferedForCopyFramesItselfMeanwhileAndPostsOneNotice)
{
    const DragCase& c = GetParam();
    DropView view;
    view.resize(200, 120);
    const auto data = dragData(c.files);
    QList<std::tuple<bool, const void*, QMimeData*>> seen; // highlight, sender, drag
    const auto observer = NotificationCenter::defaultCenter()->addObserver(
        msgAcceptFileDropped, [&](const Notification& notice) {
            seen << std::tuple { view.highlight(), notice.object,
                qvariant_cast<QMimeData*>(notice.userInfo.value(QStringLiteral("NSDraggingInfo"))) };
        });

    QDragEnterEvent enter(QPoint(50, 50), c.offered, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&view, &enter);
    EXPECT_EQ(enter.isAccepted(), c.accepted);
    EXPECT_EQ(view.highlight(), c.accepted);
    if (c.accepted) {
        EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    }
    const QColor grey(128, 128, 128);
    EXPECT_EQ(pixel(view, 0, 60) == grey, c.accepted);
    EXPECT_EQ(pixel(view, 1, 60) == grey, c.accepted) << "the inner half of the line lies inside";
    EXPECT_NE(pixel(view, 100, 60), grey);

    QDragLeaveEvent leave;
    QApplication::sendEvent(&view, &leave);
    EXPECT_FALSE(view.highlight());
    EXPECT_NE(pixel(view, 0, 60), grey);

    // A release announces the drag once, after taking the border away, and only after an accepted entry.
    QDragEnterEvent again(QPoint(50, 50), c.offered, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&view, &again);
    QDropEvent drop(QPointF(50, 50), c.offered, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(&view, &drop);
    NotificationCenter::defaultCenter()->removeObserver(observer);
    ASSERT_EQ(seen.size(), c.accepted ? 1 : 0);
    if (c.accepted) {
        EXPECT_TRUE(drop.isAccepted());
        EXPECT_EQ(seen[0], std::tuple(false, static_cast<const void*>(&view), data.get()));
        EXPECT_NE(pixel(view, 0, 60), grey);
    }
}

INSTANTIATE_TEST_SUITE_P(Drags, DropViewDrag,
    ::testing::Values(DragCase { "imageForCopy", { "photo.png" }, Qt::CopyAction | Qt::MoveAction, true },
        DragCase { "imageAfterOtherFile", { "fake.jpg", "photo.png" }, Qt::CopyAction, true },
        DragCase { "textSelection", {}, Qt::CopyAction, false },
        DragCase { "textFileNamedJpg", { "fake.jpg" }, Qt::CopyAction, false },
        DragCase { "folderOnly", { "" }, Qt::CopyAction, true },
        DragCase { "missingFile", { "gone.png" }, Qt::CopyAction, false },
        DragCase { "imageMoveOrLinkOnly", { "photo.png" }, Qt::MoveAction | Qt::LinkAction, false }),
    [](const ::testing::TestParamInfo<DragCase>& param) { return std::string(param.param.name); });

// ---- MiddleAlignedTextFieldCell ----

TEST(MiddleAlignedTextFieldCell, WrapsWordsInTallRowsOnlyAndNeverCutsAWordInTwo)
{
    const QFontMetricsF metrics(QApplication::font());
    const QString findings = QStringLiteral("Lieu, Appareil, Date, Personnes");
    const qreal width = metrics.horizontalAdvance(findings) * 0.6;
    const auto wrapped = [&](qreal height, const QString& text) {
        return MiddleAlignedTextFieldCell::wrappedRect(
            QRectF(0, 10, width, height), QRectF(0, 10, width, height), metrics, text);
    };
    // A thumbnail's row: two lines, centred.
    const QRectF two = wrapped(64, findings);
    ASSERT_FALSE(two.isEmpty());
    EXPECT_NEAR(two.height(), 2 * metrics.lineSpacing(), 2);
    EXPECT_NEAR(two.center().y(), 10 + 32, 1);
    // A row of one line, a text that fits, a name without spaces and more lines than the row holds: one line.
    EXPECT_TRUE(wrapped(metrics.lineSpacing() + 4, findings).isEmpty());
    EXPECT_TRUE(wrapped(64, QStringLiteral("Date")).isEmpty());
    EXPECT_TRUE(wrapped(64, QStringLiteral("PXL_20260621_194733_with_a_long_tail.jpg")).isEmpty());
    EXPECT_TRUE(wrapped(2.5 * metrics.lineSpacing(), findings + u' ' + findings + u' ' + findings).isEmpty());
}

// ---- Thumbnails ----

TEST(Thumbnails, FitTheBoxUprightAndMatchImageMagicksPicture)
{
    QTemporaryDir dir;
    const auto convert = [](const QStringList& arguments) {
        const ProcessResult result = runProcess(QStringLiteral("convert"), arguments);
        EXPECT_EQ(result.exitCode, 0) << qPrintable(result.standardError);
    };
    // Left half red, right half blue, stored 1200 × 800; the second file says "turn 90° clockwise".
    const QString plain = dir.filePath(QStringLiteral("plain.jpg"));
    const QString turned = dir.filePath(QStringLiteral("orient6.jpg"));
    convert(
        { "-size", "600x800", "xc:red", "-size", "600x800", "xc:blue", "+append", "-quality", "95", plain });
    convert({ plain, "-orient", "RightTop", turned });

    for (const auto& [path, box] : { std::pair { plain, QSize(104, 72) },
             std::pair { turned, QSize(104, 72) }, std::pair { plain, QSize(60, 60) } }) {
        SCOPED_TRACE(qPrintable(QFileInfo(path).fileName() + QString::number(box.height())));
        const QImage thumbnail = ThumbnailCache().decode(path, box);
        const QString reference = dir.filePath(QStringLiteral("reference.png"));
        convert({ path, "-auto-orient", "-resize", QStringLiteral("%1x%2").arg(box.width()).arg(box.height()),
            reference });
        const QImage expected(reference);
        ASSERT_FALSE(thumbnail.isNull() || expected.isNull());
        EXPECT_LE(std::abs(thumbnail.width() - expected.width()), 1);
        EXPECT_LE(std::abs(thumbnail.height() - expected.height()), 1);
        EXPECT_TRUE(thumbnail.width() <= box.width() && thumbnail.height() <= box.height());
        // The colour a quarter in from each end of the long side of the upright picture.
        const bool wide = expected.width() > expected.height();
        for (const qreal at : { 0.25, 0.75 }) {
            const auto sample = [&](const QImage& image) {
                return image.pixelColor(wide ? int(image.width() * at) : image.width() / 2,
                    wide ? image.height() / 2 : int(image.height() * at));
            };
            const QColor got = sample(thumbnail), want = sample(expected);
            EXPECT_LE(std::abs(got.red() - want.red()) + std::abs(got.blue() - want.blue()), 24)
                << "at " << at << ": " << qPrintable(got.name()) << " vs " << qPrintable(want.name());
        }
    }
}

// The background decodes: what was asked for arrives once, a queue dropped when the view moved costs
// nothing more, what is asked for again comes back, and a file that changed is decoded anew.
TEST(Thumbnails, HeifAndWebpFilesComeUprightFromTheEngine)
{
    // Stored turned, with 'irot'/'imir' saying how to show them (and an EXIF orientation that must not
    // turn them again), or a WebP's EXIF orientation 6, which Qt's reader ignores; the reference is the
    // upright picture scaled by ImageMagick.
    QTemporaryDir dir;
    const QString reference = dir.filePath(QStringLiteral("reference.png"));
    const ProcessResult scaled = runProcess(QStringLiteral("convert"),
        { dirtyReferenceDir() + QStringLiteral("/upright_640x480.png"), "-resize", "104x72", reference });
    ASSERT_EQ(scaled.exitCode, 0) << qPrintable(scaled.standardError);
    const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
    for (const char* name : { "heif/orient/irot_6.heic", "heif/orient/irot_7.heic",
             "heif/orient/irot_6_exif_8.heic", "heif/orient/irot_6.avif", "webp/02_orient6.webp" }) {
        SCOPED_TRACE(name);
        const QImage thumbnail
            = ThumbnailCache().decode(dirtyCorpusDir() + u'/' + QLatin1String(name), QSize(104, 72));
        ASSERT_EQ(thumbnail.size(), expected.size());
        EXPECT_LT(meanAbsoluteDifference(thumbnail.convertToFormat(QImage::Format_RGB32), expected), 12.0);
    }
}

TEST(Thumbnails, DecodeInTheBackgroundAndDropWhatTheViewLeft)
{
    QTemporaryDir dir;
    // Grainy photos of 1 MP: each decode takes long enough that the queue is still full when dropped.
    QImage grain(1200, 900, QImage::Format_RGB32);
    QRandomGenerator random(3);
    for (int y = 0; y < grain.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(grain.scanLine(y));
        for (int x = 0; x < grain.width(); ++x)
            row[x] = qRgb(x / 8, y / 6, int(random.bounded(256)));
    }
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(grain.save(photo, "JPEG", 90));
    QStringList paths;
    for (int i = 0; i < 16; ++i) {
        paths << dir.filePath(QStringLiteral("%1.jpg").arg(i));
        ASSERT_TRUE(QFile::copy(photo, paths.last()));
    }
    ThumbnailCache cache;
    const QSize box(20, 20);
    const auto waitIdle = [&cache] {
        QElapsedTimer clock;
        clock.start();
        while (!cache.isIdle() && clock.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return cache.isIdle();
    };
    QStringList arrived;
    QObject::connect(&cache, &ThumbnailCache::thumbnailReady, &cache,
        [&arrived](const QString& path) { arrived << path; });

    ThumbnailCache::State state = ThumbnailCache::State::Ready;
    for (const QString& path : paths) {
        EXPECT_TRUE(cache.thumbnail(path, box, &state).isNull());
        EXPECT_EQ(state, ThumbnailCache::State::Pending);
    }
    cache.dropQueued();
    ASSERT_TRUE(waitIdle());
    EXPECT_LT(cache.decodeCount(), paths.size()) << "dropped decodes ran anyway";
    EXPECT_EQ(arrived.size(), cache.decodeCount());

    // Asked again, every picture arrives once, the same as a decode on this thread.
    for (const QString& path : paths)
        (void)cache.thumbnail(path, box);
    (void)cache.thumbnail(paths.first(), box); // a second request of a queued one adds nothing
    ASSERT_TRUE(waitIdle());
    arrived.sort();
    arrived.removeDuplicates();
    EXPECT_EQ(arrived.size(), paths.size());
    for (const QString& path : paths) {
        const QImage image = cache.thumbnail(path, box, &state);
        EXPECT_EQ(state, ThumbnailCache::State::Ready);
        EXPECT_EQ(image, cache.decode(path, box));
    }

    // A file that changed is decoded again; one that is no image is unreadable, and stays so.
    const int decoded = cache.decodeCount();
    QImage black(300, 200, QImage::Format_RGB32);
    black.fill(Qt::black);
    ASSERT_TRUE(QFile::remove(paths.first()) && black.save(paths.first(), "JPEG"));
    ASSERT_TRUE(touchFile(dir.filePath(QStringLiteral("empty.png"))));
    (void)cache.thumbnail(paths.first(), box, &state);
    EXPECT_EQ(state, ThumbnailCache::State::Pending);
    (void)cache.thumbnail(dir.filePath(QStringLiteral("empty.png")), box);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(cache.decodeCount(), decoded + 2);
    EXPECT_LT(cache.thumbnail(paths.first(), box).pixelColor(10, 5).lightness(), 8);
    EXPECT_TRUE(cache.thumbnail(dir.filePath(QStringLiteral("empty.png")), box, &state).isNull());
    EXPECT_EQ(state, ThumbnailCache::State::Unreadable);
    EXPECT_TRUE(cache.isIdle());
}

TEST(Thumbnails, ACacheThatGoesLeavesTheDecodeUnderWayWithoutWaitingAndDropsTheRest)
{
    // A decode that ends only when the test lets it: a cache that waited for it would wait out the
    // gate's ten seconds and then find itself still there.
    QSemaphore started;
    QSemaphore gate;
    QSemaphore ended;
    std::atomic<bool> cacheGone = false;
    std::atomic<bool> sawCacheGone = false;
    std::atomic<int> laterRan = 0;
    int delivered = 0;
    {
        QObject owner;
        BackgroundCache<int> cache(
            &owner, 1, 10, [&delivered](const QString&, const QString&) { ++delivered; });
        cache.request(QStringLiteral("slow"), QStringLiteral("slow.png"), 1, 1, [&] {
            started.release();
            (void)gate.tryAcquire(1, 10000);
            sawCacheGone = cacheGone.load();
            ended.release();
            return 1;
        });
        ASSERT_TRUE(started.tryAcquire(1, 10000));
        cache.request(QStringLiteral("later"), QStringLiteral("later.png"), 1, 1, [&] { return ++laterRan; });
    }
    cacheGone = true;
    gate.release();
    ASSERT_TRUE(ended.tryAcquire(1, 10000));
    EXPECT_TRUE(sawCacheGone) << "the cache waited for the decode under way";
    ASSERT_TRUE(BackgroundThreads::waitUntilNoneRuns(std::chrono::seconds(10)));
    QCoreApplication::processEvents();
    EXPECT_EQ(laterRan, 0) << "queued work ran after its cache went";
    EXPECT_EQ(delivered, 0);
}

} // namespace
