// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RunDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace {

QString text(const char* english)
{
    return QCoreApplication::translate("RunDialogs", english);
}

/// Qt's folder dialog answers a typed name of a folder that does not exist with "Directory not found".
/// An output folder is often a new one: such a name is taken as it is, and the run creates the folder.
class FolderChooser : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

protected:
    void accept() override
    {
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text().trimmed() : QString();
        const QStringList chosen = selectedFiles();
        if (!typed.isEmpty() && chosen.size() == 1 && !QFileInfo(chosen.first()).exists()
            && !QFileInfo(chosen.first()).isSymLink()) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

QString RunDialogs::startFolder(const QString& lastFolder)
{
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir())
        return lastFolder;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

QString QtRunDialogs::chooseOutputFolder(QWidget* parent, const QString& startFolder)
{
    FolderChooser dialog(parent, text(kChooseFolderTitle), startFolder);
    dialog.setObjectName(QStringLiteral("chooseFolderDialog"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Directory mode selects exactly one folder; the dialog is not read-only, so new folders can be made.
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, text(kChooseFolderAccept));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

RunDialogs::OverwriteAnswer QtRunDialogs::confirmOverwrite(QWidget* parent)
{
    QMessageBox box(QMessageBox::Warning, QString(), text(kOverwriteMessage), QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("overwriteWarning"));
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* continueButton = box.addButton(text(kContinueButton), QMessageBox::AcceptRole);
    QPushButton* cancelButton = box.addButton(text(kCancelButton), QMessageBox::RejectRole);
    QPushButton* neverButton = box.addButton(text(kNeverShowAgainButton), QMessageBox::ActionRole);
    box.setDefaultButton(continueButton);
    box.setEscapeButton(cancelButton);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    if (clicked == continueButton)
        return OverwriteAnswer::Continue;
    if (clicked == neverButton)
        return OverwriteAnswer::NeverShowAgain;
    return OverwriteAnswer::Cancel;
}

void QtRunDialogs::showError(QWidget* parent, const QString& message)
{
    QMessageBox box(QMessageBox::Warning, QString(), message, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("createFolderError"));
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* okay = box.addButton(text(kOkayButton), QMessageBox::AcceptRole);
    box.setDefaultButton(okay);
    box.setEscapeButton(okay);
    box.exec();
}
