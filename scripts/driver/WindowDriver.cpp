// SPDX-License-Identifier: GPL-3.0-or-later
// A test-only driver of the real main window for scripts/screenshots: it loads the program's layout as
// the program does, steers it as a person would (a drop on the home page, a click on the thumbnail
// style, the Convert command with its folder question answered) and saves a PNG of the screen at each
// stop into OUTDIR:
//   home.png           the empty window, ready for drops
//   content-list.png   the dropped photos in the list style, with what each gives away
//   details.png        the first photo selected: the details of what it gives away
//   focus.png          the keyboard in the list, two rows below the selected photo
//   content-icons.png  the same list with thumbnails
//   progress.png       the progress window during the run, on its ninth file, with the time left
//   summary.png        the summary the run ends with, listing the files that were not written
//   about.png          the About box, with the confinement of the image workers
// Run it on a real display (Xvfb, QT_QPA_PLATFORM=xcb) with a preferences folder of its own:
//   morvane_window_driver [--size=WIDTHxHEIGHT] OUTDIR OUTPUT_FOLDER IMAGE...
// The window has the layout's own size unless --size gives another.
#include "app/MainNib.h"
#include "app/MorvaneApplication.h"
#include "app/Translations.h"
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "engine/core/LibraryMessages.h"
#include "ui/AppController.h"
#include "ui/FileTableModel.h"
#include "ui/RunDialogs.h"
#include "ui/RunSummaryDialog.h"
#include "ui/widgets/DropView.h"
#include "ui/widgets/SegmentedControl.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

#include <cstdio>
#include <memory>

namespace {

/// Answers the Convert command's questions: the given folder, and go on.
class AnsweringDialogs : public RunDialogs
{
public:
    explicit AnsweringDialogs(QString folder)
        : m_folder(std::move(folder))
    { }
    QString chooseOutputFolder(QWidget*, const QString&) override { return m_folder; }
    OverwriteAnswer confirmOverwrite(QWidget*) override { return OverwriteAnswer::Continue; }
    void showError(QWidget*, const QString& message) override
    {
        std::fprintf(stderr, "the Convert command failed: %s\n", qPrintable(message));
    }

private:
    QString m_folder;
};

/// Handles events for \a ms milliseconds, so that what was changed is drawn and reaches the screen.
void settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

/// Waits until \a widget's window is on screen and drawn.
bool waitUntilShown(QWidget* widget)
{
    QElapsedTimer clock;
    clock.start();
    while (!(widget->windowHandle() && widget->windowHandle()->isExposed())) {
        if (clock.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    settle(400);
    return true;
}

/// Saves the part of the screen that the program's visible windows cover.
bool shoot(const QDir& outDir, const QString& name)
{
    QRect covered;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            covered = covered.united(window->frameGeometry());
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap picture
        = screen->grabWindow(0, covered.x(), covered.y(), covered.width(), covered.height());
    const QString path = outDir.filePath(name);
    if (picture.isNull() || !picture.save(path, "PNG")) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
        return false;
    }
    std::printf("saved %s\n", qPrintable(path));
    return true;
}

/// Drags \a paths onto \a target and lets them go, as a file manager's drag does.
void dropFiles(QWidget* target, const QStringList& paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    configureApplication(app);
    // As the program does: the window in the language of the locale scripts/screenshots was given.
    installTranslations(QLocale::system());
    routeQtImageMessages();
    QStringList arguments = QCoreApplication::arguments();
    QSize size;
    if (arguments.size() > 1 && arguments.at(1).startsWith(QLatin1String("--size="))) {
        const QStringList sides = arguments.takeAt(1).mid(7).split(QLatin1Char('x'));
        if (sides.size() == 2)
            size = QSize(sides.at(0).toInt(), sides.at(1).toInt());
        if (size.isEmpty()) {
            std::fprintf(stderr, "--size is WIDTHxHEIGHT, such as 1600x1000\n");
            return 2;
        }
    }
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: %s [--size=WIDTHxHEIGHT] OUTDIR OUTPUT_FOLDER IMAGE...\n", argv[0]);
        return 2;
    }
    const QDir outDir(arguments.at(1));
    const QString outputFolder = arguments.at(2);
    const QStringList images = arguments.mid(3);

    MainNib nib;
    nib.load();
    nib.applicationDidFinishLaunching();
    QMainWindow* window = nib.mainWindow();
    window->move(24, 24);
    if (size.isValid())
        window->resize(size);
    AppController* controller = nib.appController();
    controller->setRunDialogs(std::make_unique<AnsweringDialogs>(outputFolder));
    if (!waitUntilShown(window))
        return 1;
    bool saved = shoot(outDir, QStringLiteral("home.png"));

    dropFiles(window->findChild<DropView*>(QStringLiteral("dropView")), images);
    settle(400);
    // What each photo gives away is read in the background; the picture waits for it.
    QElapsedTimer reading;
    reading.start();
    while (!controller->dataSource()->inspections().isIdle() && reading.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    settle(200);
    saved = shoot(outDir, QStringLiteral("content-list.png")) && saved;
    auto* table = window->findChild<QTableView*>(QStringLiteral("tableImages"));
    table->selectRow(0);
    settle(300);
    saved = shoot(outDir, QStringLiteral("details.png")) && saved;
    // The keyboard arrives in the list and moves two rows down, the selection staying where it was.
    window->activateWindow();
    QElapsedTimer activating;
    activating.start();
    while (!window->isActiveWindow() && activating.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    table->setFocus(Qt::TabFocusReason);
    table->selectionModel()->setCurrentIndex(
        table->model()->index(2, table->currentIndex().column()), QItemSelectionModel::NoUpdate);
    settle(300);
    saved = shoot(outDir, QStringLiteral("focus.png")) && saved;
    table->clearFocus();
    table->clearSelection();

    window->findChild<SegmentedControl*>(QStringLiteral("scListStyle"))->segmentButton(1)->click();
    settle(200);
    // The thumbnails decode in the background; the picture waits for them.
    QElapsedTimer decoding;
    decoding.start();
    while (!controller->dataSource()->thumbnails().isIdle() && decoding.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    settle(400);
    saved = shoot(outDir, QStringLiteral("content-icons.png")) && saved;

    // The worker waits at its ninth file while the main thread, in the progress window's loop, shoots: by
    // then enough files are done for the window to say how long is left.
    QDialog* progressWindow = nib.progressWindow();
    bool progressShot = false;
    const auto observer = NotificationCenter::defaultCenter()->addObserver(
        kMsgUpdateProgress, [&](const Notification& notice) {
            if (notice.userInfo.value(kProgressCurrentKey).toInt() != 8)
                return;
            QMetaObject::invokeMethod(
                progressWindow,
                [&] { progressShot = waitUntilShown(progressWindow) && shoot(outDir, "progress.png"); },
                Qt::BlockingQueuedConnection);
        });
    window->findChild<QAction*>(QStringLiteral("actionConvert"))->trigger();
    NotificationCenter::defaultCenter()->removeObserver(observer);
    saved = progressShot && saved;

    RunSummaryDialog* summary = controller->runSummary();
    if (!summary || !waitUntilShown(summary))
        return 1;
    saved = shoot(outDir, QStringLiteral("summary.png")) && saved;
    summary->close();

    // The About box, opened from the Help menu, names the workers' confinement on this system.
    bool aboutShot = false;
    QTimer::singleShot(0, window, [&] {
        QMessageBox* about = nullptr;
        QElapsedTimer opening;
        opening.start();
        while (!about && opening.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            about = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        }
        if (about && waitUntilShown(about)) {
            settle(200);
            aboutShot = shoot(outDir, QStringLiteral("about.png"));
        }
        if (about)
            about->accept();
    });
    window->findChild<QAction*>(QStringLiteral("actionAbout"))->trigger();
    return saved && aboutShot ? 0 : 1;
}
