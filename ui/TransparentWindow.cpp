// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TransparentWindow.h"

#include <QMouseEvent>

TransparentWindow::TransparentWindow(QWidget* parent, Qt::WindowFlags)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowOpacity(1.0);
    setAttribute(Qt::WA_TranslucentBackground);
    // A frameless window is still offered the keyboard by the window system; make sure Qt does too.
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    setFocusPolicy(Qt::StrongFocus);
}

void TransparentWindow::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void TransparentWindow::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
}
