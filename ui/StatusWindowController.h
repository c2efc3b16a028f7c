// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>

/// The controller of the progress window that accompanies a conversion run: its text line, its bar
/// (0 to 100) and its Cancel button. The main layout creates it with the window and sets its outlets;
/// it owns none of them. Main thread only.
///
/// Showing the window for a run and the run's notices come with the batch subsystem.
class StatusWindowController : public QObject
{
    Q_OBJECT

public:
    explicit StatusWindowController(QObject* parent = nullptr);

    [[nodiscard]] QDialog* window() const { return m_window; }
    void setWindow(QDialog* window) { m_window = window; }

    // Outlets, set by the layout.
    QPointer<QLabel> txtInfo;
    QPointer<QProgressBar> progress;

    /// Called once, after the layout has created and connected every object.
    void awakeFromNib();

    /// The Cancel button's action.
    void OnCancel(QObject* sender);

private:
    QPointer<QDialog> m_window;
};
