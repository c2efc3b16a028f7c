// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TimeLeft.h"

#include <QCoreApplication>

#include <cmath>

namespace {

/// How much of each new measurement goes into the time per file.
constexpr double kSmoothing = 0.25;

} // namespace

void TimeLeft::update(int done, int total, qint64 elapsedMs)
{
    if (done <= 0 || done < m_lastDone || elapsedMs <= 0) {
        *this = TimeLeft();
        return;
    }
    if (done == m_lastDone)
        return;
    // Files of one run differ a lot in size: the average so far is the start, each later stretch of
    // files moves it a little.
    const double stretch = double(elapsedMs - m_lastElapsedMs) / double(done - m_lastDone);
    m_msPerFile
        = m_lastDone == 0 ? double(elapsedMs) / done : m_msPerFile + kSmoothing * (stretch - m_msPerFile);
    m_lastDone = done;
    m_lastElapsedMs = elapsedMs;
    if (done >= total) {
        m_shown.reset();
        return;
    }
    if (done < kFirstAfterFiles || elapsedMs < kFirstAfterMs)
        return;
    const auto estimate = qint64(std::llround(m_msPerFile * double(total - done) / 1000.0));
    // Counting down is what a person expects; going up only for a clear change.
    if (!m_shown || estimate < *m_shown || double(estimate) > double(*m_shown) * 1.2 + 5.0)
        m_shown = estimate;
}

QString TimeLeft::text(qint64 seconds)
{
    if (seconds < 10)
        return QCoreApplication::translate("TimeLeft", "A few seconds left");
    if (seconds < 55) {
        // In steps of five seconds, rounded up: a figure that changes with every file is not read.
        const int rounded = int((seconds + 4) / 5 * 5);
        return QCoreApplication::translate("TimeLeft", "About %n seconds left", nullptr, rounded);
    }
    if (seconds < 90)
        return QCoreApplication::translate("TimeLeft", "About a minute left");
    const auto minutes = qint64(std::llround(double(seconds) / 60.0));
    if (minutes < 60)
        return QCoreApplication::translate("TimeLeft", "About %n minutes left", nullptr, int(minutes));
    const qint64 hours = minutes / 60;
    // Past an hour a quarter is as near as anyone can tell.
    const qint64 rest = (minutes % 60 + 7) / 15 * 15;
    if (rest == 0 || rest == 60) {
        const int whole = int(hours + (rest == 60 ? 1 : 0));
        // English's singular as a text of its own; the plural takes %n for languages that count otherwise.
        return whole == 1 ? QCoreApplication::translate("TimeLeft", "About an hour left")
                          : QCoreApplication::translate("TimeLeft", "About %n hours left", nullptr, whole);
    }
    return QCoreApplication::translate("TimeLeft", "About %1 h %2 min left").arg(hours).arg(rest);
}
