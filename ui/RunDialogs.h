// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

    static inline const QString kChooseFolderTitle = QStringLiteral("Choose a folder");
    static inline const QString kChooseFolderAccept = QStringLiteral("Save");
    static inline const QString kOverwriteMessage
        = QStringLiteral("Existing files in selected path may be overwritten, are you sure to continue?");
    static inline const QString kContinueButton = QStringLiteral("Continue");
    static inline const QString kCancelButton = QStringLiteral("Cancel");
    static inline const QString kNeverShowAgainButton = QStringLiteral("Never show again");
    static inline const QString kOkayButton = QStringLiteral("Okay");

    RunDialogs() = default;
    virtual ~RunDialogs() = default;
    RunDialogs(const RunDialogs&) = delete;
    RunDialogs& operator=(const RunDialogs&) = delete;

    /// Asks for one folder, which may be a new one. Returns its path, or "" when the user does not confirm.
    [[nodiscard]] virtual QString chooseOutputFolder(QWidget* parent) = 0;
    /// Warns that files in the chosen folder may be overwritten and returns the user's choice.
    [[nodiscard]] virtual OverwriteAnswer confirmOverwrite(QWidget* parent) = 0;
    /// Shows \a message with a single "Okay" button and waits until it is dismissed.
    virtual void showError(QWidget* parent, const QString& message) = 0;
};

/// The application-modal Qt dialogs of RunDialogs: a QFileDialog for folders and two QMessageBoxes.
class QtRunDialogs : public RunDialogs
{
public:
    [[nodiscard]] QString chooseOutputFolder(QWidget* parent) override;
    [[nodiscard]] OverwriteAnswer confirmOverwrite(QWidget* parent) override;
    void showError(QWidget* parent, const QString& message) override;
};
