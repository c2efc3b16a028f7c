// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;

/// The three questions the Convert command may ask before a run: the output folder, the overwrite
/// warning and the folder-creation error. The command asks through this interface so that another
/// implementation can answer them (the tests script their answers); QtRunDialogs is the one the window
/// uses. Main thread only.
class RunDialogs
{
public:
    enum class OverwriteAnswer { Continue, Cancel, NeverShowAgain };

    // The English texts; the dialogs show their translations (context "RunDialogs").
    static constexpr const char* kChooseFolderTitle = QT_TRANSLATE_NOOP("RunDialogs", "Choose a folder");
    static constexpr const char* kChooseFolderAccept = QT_TRANSLATE_NOOP("RunDialogs", "Save");
    static constexpr const char* kOverwriteMessage = QT_TRANSLATE_NOOP(
        "RunDialogs", "Existing files in selected path may be overwritten, are you sure to continue?");
    static constexpr const char* kContinueButton = QT_TRANSLATE_NOOP("RunDialogs", "Continue");
    static constexpr const char* kCancelButton = QT_TRANSLATE_NOOP("RunDialogs", "Cancel");
    static constexpr const char* kNeverShowAgainButton = QT_TRANSLATE_NOOP("RunDialogs", "Never show again");
    static constexpr const char* kOkayButton = QT_TRANSLATE_NOOP("RunDialogs", "Okay");

    RunDialogs() = default;
    virtual ~RunDialogs() = default;
    RunDialogs(const RunDialogs&) = delete;
    RunDialogs& operator=(const RunDialogs&) = delete;

    /// Asks for one folder, which may be a new one that does not exist yet, opening at \a startFolder.
    /// Returns its path, or "" when the user does not confirm.
    [[nodiscard]] virtual QString chooseOutputFolder(QWidget* parent, const QString& startFolder) = 0;
    /// Warns that files in the chosen folder may be overwritten and returns the user's choice.
    [[nodiscard]] virtual OverwriteAnswer confirmOverwrite(QWidget* parent) = 0;
    /// Shows \a message with a single "Okay" button and waits until it is dismissed.
    virtual void showError(QWidget* parent, const QString& message) = 0;

    /// Where the folder chooser opens: \a lastFolder (the previous run's output) while it is a folder,
    /// else the user's pictures folder, else the home folder; never the process's working folder.
    [[nodiscard]] static QString startFolder(const QString& lastFolder);
};

/// The application-modal Qt dialogs of RunDialogs: a QFileDialog for folders and two QMessageBoxes. The
/// folder dialog takes the name of a folder that does not exist yet (Qt's own would refuse it); the run
/// creates it.
class QtRunDialogs : public RunDialogs
{
public:
    [[nodiscard]] QString chooseOutputFolder(QWidget* parent, const QString& startFolder) override;
    [[nodiscard]] OverwriteAnswer confirmOverwrite(QWidget* parent) override;
    void showError(QWidget* parent, const QString& message) override;
};
