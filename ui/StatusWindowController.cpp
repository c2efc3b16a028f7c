// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusWindowController.h"

#include "batch/Notices.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLayout>

#include <cmath>

namespace {

constexpr int kSheetDrop = 80; ///< points between the parent's top edge and the sheet's

/// The top-left corner of the progress window's frame over the parent's frame: centred across
/// (truncated toward zero), its top edge 80 points below the parent's.
QPoint sheetTopLeft(const QRect& parentFrame, const QSize& sheetSize)
{
    const double x = parentFrame.x() + (double(parentFrame.width()) - sheetSize.width()) * 0.5;
    return { int(std::trunc(x)), parentFrame.y() + kSheetDrop };
}

} // namespace

StatusWindowController::StatusWindowController(QObject* parent)
    : QObject(parent)
{ }

StatusWindowController::~StatusWindowController()
{
    for (const NotificationCenter::ObserverId id : m_observers)
        NotificationCenter::defaultCenter()->removeObserver(id);
}

void StatusWindowController::awakeFromNib()
{
    NotificationCenter* center = NotificationCenter::defaultCenter();
    m_observers.push_back(center->addObserver(
        kMsgProgressCanceled, [this](const Notification& notice) { OnProgressCanceled(notice); }));
    m_observers.push_back(center->addObserver(
        kMsgUpdateProgress, [this](const Notification& notice) { OnUpdateProgress(notice); }));
    // Escape and the window's close button would only hide the window while the run goes on.
    if (m_window)
        m_window->installEventFilter(this);
}

void StatusWindowController::showModal(QWidget* parent)
{
    inCanceling = false;
    m_running = true;
    m_endedUnseen = false;
    m_timeLeft = TimeLeft();
    if (txtTimeLeft)
        txtTimeLeft->clear();
    m_runTime.start();
    if (parent)
        attach(parent->window());
    if (m_window) {
        m_window->setWindowModality(Qt::ApplicationModal);
        m_window->show();
        // Shown is not yet in front: after the main window was brought forward (a second program
        // handed files over) the window manager may keep the focus there and this window behind it.
        m_window->raise();
        m_window->activateWindow();
    }
    NotificationCenter::defaultCenter()->postNotificationName(kMsgStartProgress);
    // The run's end reaches this thread as a queued call, so even a run that has already ended is seen
    // inside the loop, which then returns at once. Nothing between the post and exec() handles events.
    if (!m_running)
        return;
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
}

void StatusWindowController::OnCancel(QObject*)
{
    if (inCanceling.exchange(true))
        return;
    NotificationCenter::defaultCenter()->postNotificationName(kMsgCancelProgress);
}

void StatusWindowController::OnUpdateProgress(const Notification& notice)
{
    const QString message = notice.userInfo.value(kProgressMessageKey).toString();
    const int total = notice.userInfo.value(kProgressTotalKey).toInt();
    const int current = notice.userInfo.value(kProgressCurrentKey).toInt();
    QMetaObject::invokeMethod(
        this, [this, message, current, total] { showProgress(message, current, total); },
        Qt::QueuedConnection);
}

void StatusWindowController::OnProgressCanceled(const Notification&)
{
    QMetaObject::invokeMethod(
        this, [this] { endRun(); }, Qt::QueuedConnection);
}

void StatusWindowController::showProgress(const QString& message, int current, int total)
{
    if (txtInfo)
        txtInfo->setText(message);
    const double value = total != 0 ? double(current) / double(total) * 100.0 : 0.0;
    if (progress)
        progress->setValue(int(std::lround(value)));
    // The notice comes as a file starts: the files before it are done.
    m_timeLeft.update(current, total, m_runTime.elapsed());
    if (txtTimeLeft) {
        const std::optional<qint64> left = m_timeLeft.secondsLeft();
        txtTimeLeft->setText(left ? TimeLeft::text(*left) : QString());
    }
}

void StatusWindowController::endRun()
{
    inCanceling = false;
    m_running = false;
    // Asked before the window goes: hiding the active window moves the activation about.
    m_endedUnseen = QApplication::activeWindow() == nullptr;
    if (m_window)
        m_window->hide();
    detach();
    if (m_loop)
        m_loop->exit();
}

void StatusWindowController::attach(QWidget* parent)
{
    if (m_window) {
        // A dialog with a parent widget is its transient window, kept above it by the window manager;
        // the move filter below makes it follow.
        m_window->setParent(parent, m_window->windowFlags() | Qt::Dialog);
        // The layout may still grow the window to its contents when shown: settle its size first.
        m_window->ensurePolished();
        if (QLayout* layout = m_window->layout())
            layout->activate();
        // The placement is between frames. Until the window has been shown its frame is not known;
        // it gets the same decoration as its parent.
        const QRect parentFrame = parent->frameGeometry();
        const QSize sheetFrame = m_window->size() + (parentFrame.size() - parent->size());
        m_window->move(sheetTopLeft(parentFrame, sheetFrame));
    }
    m_parent = parent;
    m_parentPos = parent->pos();
    parent->installEventFilter(this);
}

void StatusWindowController::detach()
{
    if (m_parent)
        m_parent->removeEventFilter(this);
    if (m_window && m_window->parentWidget())
        m_window->setParent(nullptr, m_window->windowFlags());
    m_parent = nullptr;
}

bool StatusWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_parent && event->type() == QEvent::Move) {
        const QPoint delta = m_parent->pos() - m_parentPos;
        m_parentPos = m_parent->pos();
        if (m_window)
            m_window->move(m_window->pos() + delta);
        return false;
    }
    if (watched == m_window && m_running) {
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) {
            OnCancel(m_window);
            return true;
        }
        if (event->type() == QEvent::Close) {
            OnCancel(m_window);
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
