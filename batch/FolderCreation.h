// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// Why an output folder could not be made ready, level by level from the root.
struct FolderCreation
{
    enum class Failure {
        None, ///< the folder is there
        NotCreated, ///< a missing level could not be made; \a error says why
        NotAFolder, ///< a level is something other than a folder
        BrokenLink, ///< a level is a link to \a linkTarget, which does not exist
        NotUsable, ///< a level exists but cannot be looked at; \a error says why
    };

    Failure failure = Failure::None;
    QString level; ///< the path up to the level that failed
    QString linkTarget;
    int error = 0; ///< the errno value of the failing call
    bool lastLevel = false; ///< the level that failed is the folder itself, not one of its parents

    [[nodiscard]] bool ok() const { return failure == Failure::None; }
    /// The system's description of the reason, as a file manager would give it: what stopped a level's
    /// creation, or, for a level that is there but no folder, "Not a directory" on the way and "File
    /// exists" for the folder itself.
    [[nodiscard]] QString systemReason() const;
};

/// Makes the folder at \a path (made absolute and clean) with every missing parent, one level after the
/// other with default permissions, so that a failure names the level and its reason. A folder that
/// another process makes meanwhile is as good as one made here. Any thread.
[[nodiscard]] FolderCreation createFolderWithParents(const QString& path);

/// Opens the folder \a relative ("a/b", in decodePath's spelling) below the folder open as \a baseFd,
/// making each missing level with default permissions, never following a link: each level is made and
/// opened relative to the one above it, so that a link put in the way meanwhile is found, not followed.
/// Returns the open descriptor of the last level (the caller closes it), or -1 with the reason in words
/// for the user in \a reason: a level that is a link or a file, or what stopped a level's creation.
/// Any thread.
[[nodiscard]] int openOutputSubfolder(int baseFd, const QString& relative, QString* reason);
