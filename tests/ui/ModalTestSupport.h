// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <gtest/gtest.h>

/// Ends every running event loop of the main thread if a modal call has not returned in time, so that a
/// loop that fails to end makes its test fail instead of hanging.
class ModalWatchdog
{
public:
    explicit ModalWatchdog(int timeoutMs = 30000)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_fired = true;
            QCoreApplication::exit(1);
        });
        m_timer.start(timeoutMs);
    }
    ~ModalWatchdog() { EXPECT_FALSE(m_fired) << "a modal loop did not end by itself"; }
    ModalWatchdog(const ModalWatchdog&) = delete;
    ModalWatchdog& operator=(const ModalWatchdog&) = delete;

private:
    QTimer m_timer;
    bool m_fired = false;
};

/// Calls \a answer with the application's modal widget as soon as one is up (from inside its loop).
class ModalAnswerer
{
public:
    explicit ModalAnswerer(std::function<void(QWidget*)> answer)
        : m_answer(std::move(answer))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
                m_timer.stop();
                m_answer(modal);
            }
        });
        m_timer.start(10);
    }
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

private:
    std::function<void(QWidget*)> m_answer;
    QTimer m_timer;
};
