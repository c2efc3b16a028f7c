// SPDX-License-Identifier: GPL-3.0-or-later
// The Convert command's real dialogs, answered from inside their own modal loops.
#include "tests/ui/ModalTestSupport.h"
#include "ui/RunDialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList buttonTexts(const QMessageBox* box)
{
    QStringList texts;
    for (const QAbstractButton* button : box->buttons())
        texts << button->text();
    texts.sort();
    return texts;
}

QAbstractButton* buttonNamed(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* button : box->buttons())
        if (button->text() == text)
            return button;
    return nullptr;
}

TEST(QtRunDialogs, FolderChooserAsksForOneFolderAndReturnsItOrNothing)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(folder);
    QtRunDialogs dialogs;
    for (const bool confirm : { true, false }) {
        SCOPED_TRACE(confirm);
        QString title;
        QString acceptText;
        bool foldersOnly = false;
        bool modal = false;
        ModalAnswerer answerer([&](QWidget* modalWidget) {
            auto* chooser = qobject_cast<QFileDialog*>(modalWidget);
            ASSERT_NE(chooser, nullptr);
            title = chooser->windowTitle();
            acceptText = chooser->labelText(QFileDialog::Accept);
            foldersOnly = chooser->fileMode() == QFileDialog::Directory
                && chooser->testOption(QFileDialog::ShowDirsOnly)
                && !chooser->testOption(QFileDialog::ReadOnly);
            modal = chooser->windowModality() == Qt::ApplicationModal;
            if (confirm) {
                auto* edit = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(edit, nullptr);
                edit->setText(folder);
                static_cast<QDialog*>(chooser)->accept();
            } else {
                chooser->reject();
            }
        });
        ModalWatchdog watchdog;
        const QString chosen = dialogs.chooseOutputFolder(nullptr);
        EXPECT_EQ(title, QStringLiteral("Choose a folder"));
        EXPECT_EQ(acceptText, QStringLiteral("Save"));
        EXPECT_TRUE(foldersOnly);
        EXPECT_TRUE(modal);
        EXPECT_EQ(chosen, confirm ? folder : QString());
    }
}

TEST(QtRunDialogs, OverwriteWarningOffersThreeAnswers)
{
    const struct
    {
        const char* press; ///< a button's text, or null for Escape
        RunDialogs::OverwriteAnswer answer;
    } cases[] = { { "Continue", RunDialogs::OverwriteAnswer::Continue },
        { "Cancel", RunDialogs::OverwriteAnswer::Cancel },
        { "Never show again", RunDialogs::OverwriteAnswer::NeverShowAgain },
        { nullptr, RunDialogs::OverwriteAnswer::Cancel } };
    QtRunDialogs dialogs;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.press ? c.press : "Escape");
        QString text;
        QStringList buttons;
        ModalAnswerer answerer([&](QWidget* modalWidget) {
            auto* box = qobject_cast<QMessageBox*>(modalWidget);
            ASSERT_NE(box, nullptr);
            text = box->text();
            buttons = buttonTexts(box);
            if (c.press) {
                QAbstractButton* button = buttonNamed(box, QString::fromUtf8(c.press));
                ASSERT_NE(button, nullptr);
                button->click();
            } else {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(box, &escape);
            }
        });
        ModalWatchdog watchdog;
        EXPECT_EQ(dialogs.confirmOverwrite(nullptr), c.answer);
        EXPECT_EQ(text,
            QStringLiteral("Existing files in selected path may be overwritten, are you sure to continue?"));
        EXPECT_EQ(buttons, (QStringList { "Cancel", "Continue", "Never show again" }));
    }
}

TEST(QtRunDialogs, ErrorShowsTheMessageWithOneOkayButton)
{
    const QString message = QStringLiteral("Error to create '/x/100%'.\r\n[File exists]");
    QString text;
    QStringList buttons;
    ModalAnswerer answerer([&](QWidget* modalWidget) {
        auto* box = qobject_cast<QMessageBox*>(modalWidget);
        ASSERT_NE(box, nullptr);
        text = box->text();
        buttons = buttonTexts(box);
        box->buttons().constFirst()->click();
    });
    ModalWatchdog watchdog;
    QtRunDialogs().showError(nullptr, message);
    EXPECT_EQ(text, message);
    EXPECT_EQ(buttons, QStringList { "Okay" });
}

} // namespace
