// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/NativePath.h"

#include <QString>

#include <sys/stat.h>

/// Size and modification time (nanoseconds) of the regular file \a path leads to; false when it leads to
/// none. What the list's caches remember a file by: a file that changes is read again.
inline bool fileStamp(const QString& path, qint64& size, qint64& modifiedNs)
{
    struct stat status
    {
    };
    if (::stat(encodePath(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    size = qint64(status.st_size);
    modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return true;
}
