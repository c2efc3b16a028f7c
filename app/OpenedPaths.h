// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

/// The files and folders named on the command line, argv[1] to argv[argc - 1], in decodePath's spelling:
/// a name that is no UTF-8 keeps its bytes (QCoreApplication::arguments() would not).
[[nodiscard]] QStringList pathArguments(int argc, char** argv);

/// Files and folders named on the command line or handed over by a second program go into the list as a
/// drop of them would (a "text/uri-list" with their bytes, see uriListOf), and the window comes forward.
/// While a modal window is open (a run's progress, a dialog) they wait for it to close: the list does not
/// change under a run. Main thread only.
class OpenedPaths : public QObject
{
    Q_OBJECT

public:
    explicit OpenedPaths(QMainWindow* window, QObject* parent = nullptr);

    /// Shows the window and adds \a paths to the list now, or once no modal window is open.
    void open(const QStringList& paths);

private:
    void deliver();

    QPointer<QMainWindow> m_window;
    QStringList m_waiting;
    QTimer m_retry;
};
