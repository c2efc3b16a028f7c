// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileManagerHelpers.h"

#include "engine/core/NativePath.h"

#include <sys/stat.h>

namespace {

/// The type bits of the item itself, or 0 when its status cannot be read.
mode_t itemType(const QString& path)
{
    if (path.isEmpty())
        return 0;
    struct stat status
    {
    };
    if (::lstat(encodePath(path).constData(), &status) != 0)
        return 0;
    return status.st_mode & S_IFMT;
}

} // namespace

bool FileManagerHelpers::IsValidFileAtPath(const QString& path)
{
    return itemType(path) == S_IFREG;
}

bool FileManagerHelpers::IsFolderAtPath(const QString& path)
{
    return itemType(path) == S_IFDIR;
}

bool FileManagerHelpers::IsSymbolLinkAtPath(const QString& path)
{
    return itemType(path) == S_IFLNK;
}

QString FileManagerHelpers::RealPathForSymbolLink(const QString& path)
{
    if (path.isEmpty())
        return path;
    const QString resolved = canonicalPath(path);
    return resolved.isEmpty() ? path : resolved;
}
