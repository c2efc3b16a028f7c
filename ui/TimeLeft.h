// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

/// The estimate of a run's time left that the progress window shows beside its text. Fed with the
/// number of files done and the time since the run started, it keeps a smoothed time per file and a
/// shown figure that counts down steadily: a slower file raises it only when the new estimate is clearly
/// above it, so that the window does not jump between "About 2 minutes" and "About 3 minutes" with
/// every file. Says nothing until a few files and a few seconds have passed. A plain value; one thread.
class TimeLeft
{
public:
    /// Files done and seconds passed before the first estimate is shown.
    static constexpr int kFirstAfterFiles = 3;
    static constexpr qint64 kFirstAfterMs = 2000;

    /// \a done of \a total files finished \a elapsedMs after the start.
    void update(int done, int total, qint64 elapsedMs);
    /// The seconds left as shown; none before the first estimate or after the last file.
    [[nodiscard]] std::optional<qint64> secondsLeft() const { return m_shown; }

    /// "About 2 minutes left", "About 40 seconds left", "A few seconds left"; \a seconds rounded as a
    /// person says it.
    [[nodiscard]] static QString text(qint64 seconds);

private:
    double m_msPerFile = 0;
    int m_lastDone = 0;
    qint64 m_lastElapsedMs = 0;
    std::optional<qint64> m_shown;
};
