// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct WorkFileRegistration;

/// A new output file while it is being written. It lies in its output folder but has no name there
/// until it is complete, so a process that is interrupted or killed leaves nothing half-written behind,
/// and linkAs() gives the finished file its name without ever replacing anything.
///
/// Where the file system allows it, the file is created unnamed (O_TMPFILE) and simply vanishes with its
/// descriptor. Elsewhere it is a hidden work file, ".morvane-work-<pid>-<random>", which holds an
/// exclusive lock while it is open, is removed when the object goes (or by removeWorkFilesNow() from a
/// signal handler) and, if its process was killed, by removeAbandonedWorkFiles() in a later run.
/// Either way it is created like any new file: mode 0666 minus the umask.
///
/// Owns its descriptor. One thread at a time; different work files may be used on different threads.
class WorkFile
{
public:
    enum class Link {
        Done, ///< the file has its name
        Taken, ///< something exists at the name; nothing was changed
        TooLong, ///< the name is too long for the file system
        Failed, ///< any other failure; errno says why
    };

    /// A new, empty work file in \a folder. Null when the folder cannot take a file, with the system's
    /// reason ("Permission denied", "Read-only file system") in \a error.
    [[nodiscard]] static std::unique_ptr<WorkFile> create(const QString& folder, QString* error = nullptr);
    /// Takes \a descriptor, an unnamed work file that another process made and handed over (the
    /// parent's, in a worker), emptied and read and written from its start. Such a file is never named
    /// here: the process that made it names it.
    [[nodiscard]] static std::unique_ptr<WorkFile> adopt(int descriptor);

    ~WorkFile();
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    /// The open descriptor, for reading and writing.
    [[nodiscard]] int descriptor() const { return m_fd; }
    /// A path under which a library that wants a file name can open this very file.
    [[nodiscard]] QString path() const;

    /// Gives the complete file the name \a target (a path in the file's folder, in the file system's
    /// bytes). Never replaces: Taken when anything exists there, a dangling link included. After Done
    /// the file stays where it is when this object goes.
    [[nodiscard]] Link linkAs(const QByteArray& target);
    /// The same for the name \a name in the folder open as \a folderFd (on the file's file system): the
    /// folder is the one that descriptor holds, whatever its path leads to meanwhile.
    [[nodiscard]] Link linkAt(int folderFd, const QByteArray& name);

private:
    WorkFile(int fd, QByteArray hiddenPath);

    int m_fd;
    QByteArray m_hiddenPath; ///< empty for an unnamed file and once the hidden file has its name
    WorkFileRegistration* m_registration = nullptr;
};

/// For tests: false makes every new work file a hidden one, as on a file system without O_TMPFILE.
void setUnnamedWorkFilesAllowed(bool allowed);

/// Removes the hidden work files that this process has open. Async-signal-safe: for signal handlers
/// of a process that is about to end. Until one is installed, the engine installs its own for SIGINT,
/// SIGTERM and SIGHUP when it creates its first hidden work file (it removes them and ends the process
/// as the signal would have).
void removeWorkFilesNow() noexcept;

/// Removes from \a folder the hidden work files left behind by processes that were killed: only those
/// whose lock is free and whose process no longer runs, never a live run's. Returns how many it removed.
int removeAbandonedWorkFiles(const QString& folder);

/// True when \a name (a last path component) is the name of a hidden work file.
[[nodiscard]] bool isWorkFileName(const QByteArray& name);
