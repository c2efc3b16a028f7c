// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OpenedPaths.h"

#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "engine/core/NativePath.h"
#include "ui/DroppedPaths.h"

#include <QApplication>
#include <QMainWindow>
#include <QMimeData>

QStringList pathArguments(int argc, char** argv)
{
    QStringList paths;
    for (int i = 1; i < argc; ++i)
        paths << decodePath(QByteArray(argv[i]));
    return paths;
}

OpenedPaths::OpenedPaths(QMainWindow* window, QObject* parent)
    : QObject(parent)
    , m_window(window)
{
    m_retry.setInterval(250);
    connect(&m_retry, &QTimer::timeout, this, &OpenedPaths::deliver);
}

void OpenedPaths::open(const QStringList& paths)
{
    m_waiting += paths;
    if (m_window) {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
    // A run's progress or a dialog stays in front of the window it belongs to, with the keyboard.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
        modal->raise();
        modal->activateWindow();
    }
    deliver();
}

void OpenedPaths::deliver()
{
    if (QApplication::activeModalWidget()) {
        m_retry.start();
        return;
    }
    m_retry.stop();
    if (m_waiting.isEmpty())
        return;
    QMimeData drop;
    drop.setData(QStringLiteral("text/uri-list"), uriListOf(m_waiting));
    m_waiting.clear();
    const QVariantMap info { { kDraggingInfoKey, QVariant::fromValue(&drop) } };
    NotificationCenter::defaultCenter()->postNotificationName(msgAcceptFileDropped, nullptr, info);
}
