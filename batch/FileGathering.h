// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class Converter;

/// An input that gatherFiles leaves out, as the file system spells it, and why, in words for the user.
using SkippedInput = std::function<void(const QByteArray& path, const QString& reason)>;

/// What one call of gatherFiles found.
struct AddedFiles
{
    int found = 0; ///< images among the paths, whether new to the list or already in it
    int added = 0; ///< of those, the ones that were not listed before
    int subfoldersSkipped = 0; ///< subfolders left out because the call was not recursive
};

/// Gathering: adds the images among \a paths (in decodePath's spelling, so any bytes) to \a list, in
/// order, each under its canonical path (absolute, every link resolved), so that one file named in
/// several ways is listed once, and with the name the user gave or saw: the last component of the path
/// named, or of the entry in a walked folder, never that of a link's target; and with the folder it was
/// found in below the folder named (FileRecord::folder), for runs that keep the folders.
///
/// A path named here is followed wherever its links lead; a missing item is skipped; an item that is not
/// a folder is added when its extension (and its target's) is supported; a folder is the root of a walk,
/// which adds the supported regular files among its entries (hidden ones included, in listing order, work
/// files of an interrupted run left out) and, with \a recursive, walks its subfolders, never a linked one.
/// A link among a walk's entries is taken only while its target, every link resolved, lies inside the
/// walk's root: a folder received from someone else may hold links into its receiver's private files,
/// and its images are meant to be copied, not what its links lead to.
///
/// What is left out for a reason the user should hear of goes to \a skipped: a folder that cannot be
/// listed, a link to a missing item, to a folder (when walking), to a file outside the walked folder or to
/// a file without an image extension, and, named here, a missing item or one that is no image.
/// Opens no file: only folders are listed. The window's commands and the command line all call it, on
/// the thread that owns \a list.
AddedFiles gatherFiles(
    Converter& list, const QStringList& paths, bool recursive, const SkippedInput& skipped = {});
