// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileManagerHelpers.h"

#include <QFile>

#include <cstdlib>
#include <memory>
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
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
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
    // realpath(3) with a null buffer allocates one of the right size.
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(QFile::encodeName(path).constData(), nullptr), &std::free);
    if (!resolved)
        return path;
    return QFile::decodeName(resolved.get());
}
