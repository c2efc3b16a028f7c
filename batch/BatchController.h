// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/RunReport.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

struct Notification;
class TakenNames;
class WorkFile;

/// An input that addFiles leaves out, as the file system spells it, and why, in words for the user.
using SkippedInput = std::function<void(const QByteArray& path, const QString& reason)>;

/// The batch side of the main window's controller: turning dropped paths into entries of the shared
/// file list, and naming the finished outputs of a run. The window's AppController derives
/// from it and adds what needs widgets; this class links Qt Core only.
///
/// It also runs the conversion: on "msgStartProgress" a worker thread of its own takes every file of the
/// list in order into exportPath, posting "msgUpdateProgress" before each file and "msgProgressCanceled"
/// at the end of every run; "msgCancelProgress" stops it before its next file. What became of each file
/// is kept as the run's report (lastRun()), complete before the end notice is posted.
///
/// addFiles changes the shared Converter and so belongs to the main thread, as do the run's handlers;
/// GetNewFile only touches the file system and may be called from any thread at once.
/// Owns the worker thread of the latest run and waits for it when destroyed.
class BatchController
{
public:
    BatchController() = default;
    virtual ~BatchController();
    BatchController(const BatchController&) = delete;
    BatchController& operator=(const BatchController&) = delete;

    /// What one call of addFiles found.
    struct AddedFiles
    {
        int found = 0; ///< images among the paths, whether new to the list or already in it
        int added = 0; ///< of those, the ones that were not listed before
        int subfoldersSkipped = 0; ///< subfolders left out because the call was not recursive
    };

    /// Adds the images among \a paths to the shared file list, in order, each under its canonical path
    /// (absolute, every link resolved), so that one file named in several ways is listed once. A path
    /// named here is followed wherever its links lead; a missing item is skipped; an item that is not a
    /// folder is added when its extension is supported; a folder adds the supported regular files among
    /// its entries (hidden ones included, in listing order, work files of an interrupted run left out)
    /// and, with \a recursive, walks its subfolders, never a linked one (a link inside a folder may lead
    /// anywhere on the machine). A link inside a folder to a file is added under its target.
    /// What is left out for a reason the user should hear of goes to \a skipped: a folder that cannot be
    /// listed, a name that is not valid UTF-8, a link to a missing item, to a folder (when walking) or to
    /// a file without an image extension, and, named here, a missing item or one that is no image.
    /// Opens no file: only folders are listed.
    AddedFiles addFiles(const QStringList& paths, bool recursive, const SkippedInput& skipped = {});

    /// True when the item at \a path is a regular file (a final link is not followed).
    [[nodiscard]] bool IsValidFileAtPath(const QString& path) const;

    /// Gives the finished output \a content its name in the folder \a atPath and returns its path: the
    /// source \a file's name while it is free, else "B (k).E" with the first free k from 1 (B the name
    /// without its last extension, E that extension as written; "B (k)" for a name without extension).
    /// The name is taken by linking the complete file there, which fails rather than replace anything:
    /// whatever exists or appears at a name is left alone, and two callers never get the same name. A name
    /// too long for the file system is shortened in its B part, keeping " (k)" and the extension.
    /// \a taken, when given, holds what this run has seen taken already (the names come out the same).
    /// Returns "" when no name can be had, with the reason in \a error.
    [[nodiscard]] static QString GetNewFile(const QString& file, const QString& atPath, WorkFile& content,
        TakenNames* taken = nullptr, QString* error = nullptr);

    /// Handler of "msgStartProgress": clears the cancel flag and starts the run's worker thread.
    void OnStartProgress(const Notification& notice);
    /// Handler of "msgCancelProgress": asks the running worker to stop before its next file.
    void OnCancelProgress(const Notification& notice);
    /// The body of the worker thread: the whole list, one file after another, into exportPath.
    void ConvertThread();
    /// Waits until the worker of the latest run has ended.
    void waitForRun();
    /// The report of the latest run that has ended; empty before the first. Any thread.
    [[nodiscard]] RunReport lastRun() const;

    /// Set to ask the running worker to stop; cleared when a run starts. Read by the worker.
    std::atomic<bool> canceled { false };
    /// The output folder of the latest run. Written before the worker starts, read once by it.
    QString exportPath;

private:
    std::thread m_worker;
    mutable std::mutex m_reportMutex;
    RunReport m_lastRun;
};
