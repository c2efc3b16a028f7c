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

/// Gathering: adds the images among \a paths to \a list, in order, each under its canonical path
/// (absolute, every link resolved), so that one file named in several ways is listed once. A path
/// named here is followed wherever its links lead; a missing item is skipped; an item that is not a
/// folder is added when its extension is supported; a folder adds the supported regular files among
/// its entries (hidden ones included, in listing order, work files of an interrupted run left out)
/// and, with \a recursive, walks its subfolders, never a linked one (a link inside a folder may lead
/// anywhere on the machine). A link inside a folder to a file is added under its target.
/// What is left out for a reason the user should hear of goes to \a skipped: a folder that cannot be
/// listed, a name that is not valid UTF-8, a link to a missing item, to a folder (when walking) or to
/// a file without an image extension, and, named here, a missing item or one that is no image.
/// Opens no file: only folders are listed. The window's addFiles and the command line both call it,
/// on the thread that owns \a list.
AddedFiles gatherFiles(
    Converter& list, const QStringList& paths, bool recursive, const SkippedInput& skipped = {});
