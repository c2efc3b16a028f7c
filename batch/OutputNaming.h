// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <mutex>
#include <utility>

class WorkFile;

/// What one run has learnt about the names in its output folder: for each output name, the first number
/// that is not yet known to be taken (0 for the name itself). A run that names thousands of files alike
/// then tries each number once instead of every number for every file. Any thread.
class TakenNames
{
public:
    [[nodiscard]] int firstUnknown(const QByteArray& name) const;
    /// Notes that every number below \a next is taken for \a name.
    void remember(const QByteArray& name, int next);

private:
    mutable std::mutex m_mutex;
    QHash<QByteArray, int> m_next;
};

/// Where one run writes: the output folder and what the run has learnt about the names taken in it.
/// One per run, shared by all its threads.
struct OutputFolder
{
    explicit OutputFolder(QString folder)
        : path(std::move(folder))
    { }

    const QString path;
    TakenNames taken;
};

/// Naming: gives the finished output \a content its name in the folder \a atPath and returns its path
/// (paths in decodePath's spelling: a name is written with exactly the bytes of the source's):
/// the source \a file's name while it is free, else "B (k).E" with the first free k from 1 (B the name
/// without its last extension, E that extension as written; "B (k)" for a name without extension).
/// The name is taken by linking the complete file there, which fails rather than replace anything:
/// whatever exists or appears at a name is left alone, and two callers never get the same name. A name
/// too long for the file system is shortened in its B part, keeping " (k)" and the extension.
/// \a taken, when given, holds what this run has seen taken already (the names come out the same).
/// With \a folderFd, the folder \a atPath open (openOutputSubfolder), the name is taken in the folder that
/// descriptor holds. Returns "" when no name can be had, with the reason in \a error. Any thread, several
/// at once.
[[nodiscard]] QString nameOutputFile(const QString& file, const QString& atPath, WorkFile& content,
    TakenNames* taken = nullptr, QString* error = nullptr, int folderFd = -1);

/// Numbered naming: as nameOutputFile, with the name "photo-N.E" instead of the source's (N the number
/// with at least four digits, E \a extension as given; "photo-N" without one). N follows the highest
/// number that a name "photo-N" or "photo-N.anything" in the folder holds (from 1 in a folder without
/// one), so that a second run into the folder goes on where the first stopped, and skips a number whose
/// name is taken meanwhile. \a taken, when given, keeps the folder from being listed more than once
/// per run (numbers are counted per folder). \a folderFd as for nameOutputFile. Any thread, several at
/// once.
[[nodiscard]] QString nameNumberedOutputFile(const QString& extension, const QString& atPath,
    WorkFile& content, TakenNames* taken = nullptr, QString* error = nullptr, int folderFd = -1);
