// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct RunReport;

/// The sentences the main window says about adding files and about a finished run, gathered in one
/// place so that a translation pass finds them together. Each returns a new string; any thread.
namespace WindowTexts {

// ---- Adding files ----

/// Add Folder or a drop of one folder found no image: "No images found in holiday", with
/// "; subfolders are not searched" when the folder has subfolders.
[[nodiscard]] QString noImagesFoundIn(const QString& folderName, bool hasSubfolders);
/// A drop of one file that is not an image by its name.
[[nodiscard]] QString notAnImage(const QString& fileName);
/// A drop of several items that held no image.
[[nodiscard]] QString noImagesFoundAmong(int items, bool hasSubfolders);
/// Every image found is in the list already.
[[nodiscard]] QString alreadyListed(int found);

// ---- The end of a run ----

[[nodiscard]] QString summaryTitle();
/// The summary's first line: how many copies were written and that each was checked ("14 copies written,
/// each checked: nothing personal; 2 files skipped"), or how far a cancelled run got.
[[nodiscard]] QString summaryHeadline(const RunReport& report);
/// The summary's second line: where the copies are and what became of the rest.
[[nodiscard]] QString summaryText(const RunReport& report);
/// The title of the list of files that were not written and of written files with a note.
[[nodiscard]] QString summaryListTitle(int notWritten, int noted);
[[nodiscard]] QString fileColumnTitle();
[[nodiscard]] QString resultColumnTitle();
/// A skipped file's reason as the list shows it: "Not found".
[[nodiscard]] QString skippedResult(const QString& reason);
/// A written file's note as the list shows it: "Written; first of 3 pages".
[[nodiscard]] QString notedResult(const QString& note);
[[nodiscard]] QString openFolderButton();
[[nodiscard]] QString closeButton();
/// What the status bar keeps saying after the summary has been closed.
[[nodiscard]] QString statusAfterRun(const RunReport& report);
/// The desktop could not show the output folder.
[[nodiscard]] QString folderNotOpened(const QString& folder);

} // namespace WindowTexts
