// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMimeData>
#include <QString>
#include <QStringList>

#include <memory>

/// Writes a small solid PNG at \a path with Qt (a fixture, not an oracle); false when it failed.
bool writePng(const QString& path, QColor colour = Qt::darkCyan);
/// Creates an empty file at \a path; false when it failed.
bool touchFile(const QString& path);
/// A drag's data naming the local files \a paths.
[[nodiscard]] std::unique_ptr<QMimeData> fileDrag(const QStringList& paths);

/// Processes events until \a done holds or a long timeout passes; what \a done says at the end.
template<typename Condition> bool waitFor(Condition done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}
