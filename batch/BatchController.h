// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/RunReport.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <thread>

struct Notification;

/// The batch side of the main window's controller: turning dropped paths into entries of the shared
/// file list, and choosing and reserving output names for a run. The window's AppController derives
/// from it and adds what needs widgets; this class links Qt Core only.
///
/// It also runs the conversion: on "msgStartProgress" a worker thread of its own takes every file of the
/// list in order into exportPath, posting "msgUpdateProgress" before each file and "msgProgressCanceled"
/// at the end of every run; "msgCancelProgress" stops it before its next file. What became of each file
/// is kept as the run's report (lastRun()), complete before the end notice is posted.
///
/// addFiles changes the shared Converter and so belongs to the main thread, as do the run's handlers;
/// GetNewFile and ReleaseNewFile only touch the file system and may be called from any thread at once.
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

    /// Adds the images among \a paths to the shared file list, in order. A symbolic link is replaced by
    /// the path it resolves to; a missing item is skipped; an item that is not a folder is added when its
    /// extension is supported; a folder adds the supported regular files among its entries (hidden ones
    /// included, in listing order) and, with \a recursive, walks its subfolders. No folder is walked twice
    /// in one call, so a link back to an ancestor ends the walk. Opens no file: only folders are listed.
    AddedFiles addFiles(const QStringList& paths, bool recursive);

    /// True when the item at \a path is a regular file (a final link is not followed).
    [[nodiscard]] bool IsValidFileAtPath(const QString& path) const;

    /// Chooses the output path for the source \a file in the folder \a atPath and reserves it by creating
    /// an empty file there exclusively, so that nothing created meanwhile is ever replaced and two callers
    /// never get the same path. The source's name is used while it is free, else "B (k).E" with the first
    /// free k from 1 (B the name without its last extension, E that extension as written; "B (k)" for a name
    /// without extension). A name too long for the file system is shortened in its B part, keeping " (k)"
    /// and the extension. Returns "" when no name can be reserved (the folder is missing or not writable):
    /// the caller skips the file. Whoever does not write the reserved path must call ReleaseNewFile.
    [[nodiscard]] QString GetNewFile(const QString& file, const QString& atPath) const;

    /// Gives back a reservation of GetNewFile that was not written: removes \a path if it is still an empty
    /// regular file. Anything else there (written content, a link, a folder) is left alone. True when
    /// the reservation was removed.
    static bool ReleaseNewFile(const QString& path);

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
    void addFilesWalking(
        const QStringList& paths, bool recursive, QSet<QString>& walkedFolders, AddedFiles& added);

    std::thread m_worker;
    mutable std::mutex m_reportMutex;
    RunReport m_lastRun;
};
