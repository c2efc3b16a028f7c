// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct stat;

/// Where the engine opens a source by its path. In a confined worker process no path can be opened at
/// all: the parent opens the source itself and hands the descriptor over with the path it stands for,
/// and while a HandedFile lives that path opens the handed descriptor. Once closePaths() was called,
/// every other path fails with EACCES without reaching the system. Elsewhere paths open as usual.
///
/// Thread-safe.

/// Opens \a path for reading without waiting (a named pipe with no writer does not block): a new
/// descriptor, or -1 with errno set. A handed file's descriptors share one offset: read them with
/// pread(), or through one stream at a time (openForReading()), which starts at the start.
[[nodiscard]] int openSourcePath(const QString& path);

/// stat() of \a path, or of the descriptor handed over for it.
[[nodiscard]] int statSourcePath(const QString& path, struct stat* status);

/// From now on, a path opens only when a descriptor was handed over for it. For worker processes, which
/// could not open it anyway: a plain refusal is clearer than a confined system call's.
void closePaths();

/// While it lives, \a path opens \a descriptor (which stays the caller's) in this process.
class HandedFile
{
public:
    HandedFile(const QString& path, int descriptor);
    ~HandedFile();
    HandedFile(const HandedFile&) = delete;
    HandedFile& operator=(const HandedFile&) = delete;

private:
    QString m_path;
};
