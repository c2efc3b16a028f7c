// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// File-type tests and symbolic-link resolution for the file list. The three type tests look at the item
/// itself (lstat): a symbolic link is neither a regular file nor a folder for them, and an item whose
/// status cannot be read (missing, no permission) is none of the three. The window's add commands use
/// IsValidFileAtPath; the other three are kept as the list's file tests for whoever needs one by itself,
/// the walk (gatherFiles) telling links and folders apart from the status it reads once. Stateless; any
/// thread may call.
class FileManagerHelpers
{
public:
    FileManagerHelpers() = delete;

    /// True when the item at \a path is a regular file (a final link is not followed).
    [[nodiscard]] static bool IsValidFileAtPath(const QString& path);
    /// True when the item at \a path is a directory (a final link is not followed).
    [[nodiscard]] static bool IsFolderAtPath(const QString& path);
    /// True when the item at \a path is a symbolic link.
    [[nodiscard]] static bool IsSymbolLinkAtPath(const QString& path);
    /// \a path as an absolute path with every symbolic link in it resolved and "." and ".." removed.
    /// When that cannot be done (a dangling link, a missing component) \a path comes back unchanged.
    [[nodiscard]] static QString RealPathForSymbolLink(const QString& path);
};
