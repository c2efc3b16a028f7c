// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/NotificationCenter.h"
#include "ui/TimeLeft.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QProgressBar>

#include <atomic>
#include <vector>

class QEventLoop;

/// The controller of the progress window that accompanies a conversion run: its text line, the time
/// left beside it (TimeLeft), its bar (0 to 100) and its Cancel button. The main layout creates it with the
/// window and sets its outlets; it owns none of them.
///
/// showModal() shows the window application-modal over the main window, attached so that it follows the
/// parent's moves, starts the run with "msgStartProgress" and returns when the run has ended. The run's
/// "msgUpdateProgress" and "msgProgressCanceled" arrive on the worker thread: their handlers only read
/// the notice and queue the change to the main thread. Everything else, and the widgets, belong to the
/// main thread; inCanceling is shared by both.
class StatusWindowController : public QObject
{
    Q_OBJECT

public:
    explicit StatusWindowController(QObject* parent = nullptr);
    ~StatusWindowController() override;

    [[nodiscard]] QDialog* window() const { return m_window; }
    void setWindow(QDialog* window) { m_window = window; }

    // Outlets, set by the layout.
    QPointer<QLabel> txtInfo;
    QPointer<QLabel> txtTimeLeft;
    QPointer<QProgressBar> progress;

    /// True from the user's cancel request until the run has ended.
    std::atomic<bool> inCanceling { false };

    /// Called once, after the layout has created and connected every object.
    void awakeFromNib();

    /// Shows the window over \a parent (may be null), posts "msgStartProgress" and runs the window
    /// application-modal until the run's end notice has closed it.
    void showModal(QWidget* parent);

    /// Whether the latest run ended while none of the program's windows was active: the user was looking
    /// elsewhere and learns of the end from the desktop.
    [[nodiscard]] bool endedUnseen() const { return m_endedUnseen; }

    /// The Cancel button's action: posts "msgCancelProgress" once per run.
    void OnCancel(QObject* sender);
    /// Handler of "msgUpdateProgress"; called on the worker thread.
    void OnUpdateProgress(const Notification& notice);
    /// Handler of "msgProgressCanceled"; called on the worker thread.
    void OnProgressCanceled(const Notification& notice);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showProgress(const QString& message, int current, int total);
    void endRun();
    void attach(QWidget* parent);
    void detach();

    QPointer<QDialog> m_window;
    QPointer<QWidget> m_parent;
    QPoint m_parentPos;
    QEventLoop* m_loop = nullptr;
    bool m_running = false;
    bool m_endedUnseen = false;
    QElapsedTimer m_runTime;
    TimeLeft m_timeLeft;
    std::vector<NotificationCenter::ObserverId> m_observers;
};
