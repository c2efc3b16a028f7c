// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/RunReport.h"

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

/// The sheet that says what a finished conversion run did: how many clean copies were written and where
/// (with a button that opens that folder in the desktop's file manager), how far a cancelled run got,
/// and a list of every file that was not written with its reason, and of written files that come with
/// a note. Shows one report, given at construction. Owns its child widgets. Main thread only.
///
/// Object names for tests: "summaryHeadline", "summaryText", "summaryListTitle", "summaryFiles" (two
/// columns: the file's name, with its path as tooltip, and its result), "openFolderButton",
/// "closeButton".
class RunSummaryDialog : public QDialog
{
    Q_OBJECT

public:
    /// Opens a folder in the desktop's file manager; false when that could not be done.
    using FolderOpener = std::function<bool(const QUrl& folder)>;

    RunSummaryDialog(const RunReport& report, FolderOpener openFolder, QWidget* parent = nullptr);

signals:
    /// The folder could not be opened.
    void folderNotOpened(const QString& folder);

private:
    void openFolder();

    QString m_folder;
    FolderOpener m_openFolder;
};
