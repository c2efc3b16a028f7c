// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

/// A window without title bar or frame whatever flags it is created with, whose areas that its content
/// leaves transparent show what lies behind it, which can still take keyboard focus, and which swallows
/// presses and drags that reach the window itself (they neither move it nor travel further). Owns
/// nothing beyond QWidget. Main thread only.
class TransparentWindow : public QWidget
{
    Q_OBJECT

public:
    /// \a flags are ignored: the window is always a frameless top-level window.
    explicit TransparentWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    /// Always true: text fields and keyboard commands in the window work.
    [[nodiscard]] bool canBecomeKeyWindow() const { return true; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};
