// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window without the main window: its placement, the progress it shows, cancelling, and
// the end of a run from another thread, also before the window's loop has begun.
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "tests/ui/ModalTestSupport.h"
#include "ui/StatusWindowController.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

struct Placement
{
    const char* name;
    double parentX, parentY, parentWidth, parentHeight;
    double sheetWidth, sheetHeight;
    double x, y; ///< expected origin, lower-left coordinates
};

void PrintTo(const Placement& c, std::ostream* os)
{
    *os << c.name;
}

class SheetPlacement : public ::testing::TestWithParam<Placement>
{
};

TEST_P(SheetPlacement, CentresAcrossTruncatingTowardZeroAndHangsEightyBelowTheTop)
{
    const Placement& c = GetParam();
    const QPointF origin = sheetOriginFromBottom(
        QRectF(c.parentX, c.parentY, c.parentWidth, c.parentHeight), QSizeF(c.sheetWidth, c.sheetHeight));
    EXPECT_EQ(origin, QPointF(c.x, c.y));

    // The same frames on a screen 2000 high, in top-down coordinates.
    const int screenHeight = 2000;
    const QRect parentTopDown(int(c.parentX), int(screenHeight - c.parentY - c.parentHeight),
        int(c.parentWidth), int(c.parentHeight));
    const QPoint topLeft = sheetTopLeft(parentTopDown, QSize(int(c.sheetWidth), int(c.sheetHeight)));
    EXPECT_EQ(topLeft.x(), int(c.x));
    EXPECT_EQ(screenHeight - topLeft.y() - int(c.sheetHeight), int(c.y));
}

INSTANTIATE_TEST_SUITE_P(Figures, SheetPlacement,
    ::testing::Values(Placement { "centred", 100, 100, 1000, 700, 400, 120, 400, 600 },
        Placement { "halfPointDropped", 0, 100, 1001, 700, 400, 120, 300, 600 },
        Placement { "negativeTruncatesUpwards", -1001, 100, 1000, 700, 401, 120, -701, 600 },
        Placement { "sheetWiderThanParent", 50, 0, 300, 200, 401, 120, 0, 0 }),
    [](const ::testing::TestParamInfo<Placement>& param) { return std::string(param.param.name); });

// A progress window like the layout's, a parent window, and a stand-in for the run: it counts cancel
// requests and ends the run from a thread of its own when asked.
class ProgressSheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        parent = std::make_unique<QWidget>();
        parent->setGeometry(200, 150, 900, 600);
        parent->show();

        window = std::make_unique<QDialog>();
        window->resize(420, 120);
        auto* layout = new QVBoxLayout(window.get());
        auto* label = new QLabel(window.get());
        auto* bar = new QProgressBar(window.get());
        cancelButton = new QPushButton(QStringLiteral("Cancel"), window.get());
        layout->addWidget(label);
        layout->addWidget(bar);
        layout->addWidget(cancelButton);

        controller = std::make_unique<StatusWindowController>();
        controller->setWindow(window.get());
        controller->txtInfo = label;
        controller->progress = bar;
        QObject::connect(cancelButton, &QPushButton::clicked, controller.get(),
            [this] { controller->OnCancel(cancelButton); });
        controller->awakeFromNib();

        NotificationCenter* center = NotificationCenter::defaultCenter();
        m_ids.push_back(center->addObserver(kMsgStartProgress, [this](const Notification&) {
            ++starts;
            if (onStart)
                onStart();
        }));
        m_ids.push_back(center->addObserver(kMsgCancelProgress, [this](const Notification&) { ++cancels; }));
    }
    void TearDown() override
    {
        for (const auto id : m_ids)
            NotificationCenter::defaultCenter()->removeObserver(id);
        controller.reset();
        window.reset();
        parent.reset();
    }

    /// Posts a notice as the run's worker does: from another thread, waiting for its observers.
    static void postFromWorker(const QString& name, const QVariantMap& info = {})
    {
        std::thread worker(
            [&] { NotificationCenter::defaultCenter()->postNotificationName(name, nullptr, info); });
        worker.join();
    }

    static QVariantMap progressMap(int current, int total)
    {
        return { { kProgressMessageKey,
                     QStringLiteral("Removing EXIF for %1 of %2 ...").arg(current + 1).arg(total) },
            { kProgressTotalKey, total }, { kProgressCurrentKey, current } };
    }

    std::unique_ptr<QWidget> parent;
    std::unique_ptr<QDialog> window;
    QPushButton* cancelButton = nullptr;
    std::unique_ptr<StatusWindowController> controller;
    std::function<void()> onStart;
    int starts = 0;
    int cancels = 0;

private:
    std::vector<NotificationCenter::ObserverId> m_ids;
};

TEST_F(ProgressSheet, EndBeforeTheLoopBeginsStillClosesAndReturns)
{
    QPoint placedAt;
    int sheetWidth = 0;
    bool modalAtStart = false;
    onStart = [&] {
        placedAt = window->frameGeometry().topLeft();
        sheetWidth = window->frameGeometry().width();
        modalAtStart = QApplication::activeModalWidget() == window.get();
        // The worker of an empty list: its end notice is posted before showModal reaches its loop.
        postFromWorker(kMsgProgressCanceled);
    };
    {
        ModalWatchdog watchdog;
        controller->showModal(parent.get());
    }
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(modalAtStart);
    const QRect p = parent->frameGeometry();
    EXPECT_EQ(placedAt, QPoint(p.x() + (p.width() - sheetWidth) / 2, p.y() + 80));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(controller->isRunning());
    EXPECT_EQ(window->parentWidget(), nullptr) << "detached from the main window at the end";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ProgressSheet, ShowsEachUpdateAsTextAndShareDone)
{
    const struct
    {
        int current;
        int total;
        double value;
        int bar;
    } updates[]
        = { { 0, 3, 0.0, 0 }, { 1, 3, 100.0 / 3.0, 33 }, { 3, 8, 37.5, 38 }, { 2, 3, 200.0 / 3.0, 67 } };
    for (const auto& u : updates) {
        SCOPED_TRACE(u.current);
        postFromWorker(kMsgUpdateProgress, progressMap(u.current, u.total));
        ASSERT_TRUE(waitUntil([&] {
            return controller->txtInfo->text().startsWith(
                QStringLiteral("Removing EXIF for %1 of").arg(u.current + 1));
        }));
        EXPECT_EQ(controller->txtInfo->text(),
            QStringLiteral("Removing EXIF for %1 of %2 ...").arg(u.current + 1).arg(u.total));
        EXPECT_DOUBLE_EQ(controller->progressValue(), u.value);
        EXPECT_EQ(controller->progress->value(), u.bar);
    }
}

TEST_F(ProgressSheet, CancelEscapeAndCloseAskOnceAndKeepTheWindowUpUntilTheEnd)
{
    bool stillUp = false;
    QPoint sheetMovedBy;
    onStart = [&] {
        QTimer::singleShot(0, controller.get(), [&] {
            cancelButton->click();
            cancelButton->click();
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(cancelButton, &escape);
            window->close();
            stillUp = window->isVisible() && controller->isRunning();

            const QPoint before = window->pos();
            parent->move(parent->pos() + QPoint(30, 40));
            sheetMovedBy = window->pos() - before;
            postFromWorker(kMsgProgressCanceled);
        });
    };
    {
        ModalWatchdog watchdog;
        controller->showModal(parent.get());
    }
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(stillUp);
    EXPECT_EQ(sheetMovedBy, QPoint(30, 40)) << "the attached window follows its parent";
    EXPECT_FALSE(window->isVisible());

    // The next run may be cancelled again; Escape alone is enough.
    onStart = [&] {
        QTimer::singleShot(0, controller.get(), [&] {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &escape);
            stillUp = window->isVisible();
            postFromWorker(kMsgProgressCanceled);
        });
    };
    {
        ModalWatchdog watchdog;
        controller->showModal(parent.get());
    }
    EXPECT_EQ(cancels, 2);
    EXPECT_TRUE(stillUp);
}

TEST_F(ProgressSheet, WithoutAParentItIsStillModalUntilTheEnd)
{
    bool modal = false;
    onStart = [&] {
        QTimer::singleShot(0, controller.get(), [&] {
            modal = QApplication::activeModalWidget() == window.get();
            postFromWorker(kMsgProgressCanceled);
        });
    };
    {
        ModalWatchdog watchdog;
        controller->showModal(nullptr);
    }
    EXPECT_TRUE(modal);
    EXPECT_FALSE(window->isVisible());
}

} // namespace
