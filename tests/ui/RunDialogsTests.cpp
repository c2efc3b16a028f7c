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

TEST(QtRunDialogs, FolderChooserAsksForOneFolderAndReturnsItOrNothing)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(folder);
    QtRunDialogs dialogs;
    for (const bool confirm : { true, false }) {
        SCOPED_TRACE(confirm);
        bool asked = false;
        ModalAnswerer answerer([&](QWidget* modalWidget) {
            auto* chooser = qobject_cast<QFileDialog*>(modalWidget);
            ASSERT_NE(chooser, nullptr);
            asked = true;
            EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Choose a folder"));
            EXPECT_EQ(chooser->labelText(QFileDialog::Accept), QStringLiteral("Save"));
            EXPECT_TRUE(chooser->fileMode() == QFileDialog::Directory
                && chooser->testOption(QFileDialog::ShowDirsOnly)
                && !chooser->testOption(QFileDialog::ReadOnly));
            EXPECT_EQ(chooser->windowModality(), Qt::ApplicationModal);
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
        EXPECT_EQ(dialogs.chooseOutputFolder(nullptr), confirm ? folder : QString());
        EXPECT_TRUE(asked);
    }
}

// The overwrite warning's three answers (and Escape), and the error with its one button.
TEST(QtRunDialogs, MessageBoxesShowTheirTextAndButtonsAndGiveThePressedAnswer)
{
    const QString warning
        = QStringLiteral("Existing files in selected path may be overwritten, are you sure to continue?");
    const QString error = QStringLiteral("Error to create '/x/100%'.\r\n[File exists]");
    using Answer = RunDialogs::OverwriteAnswer;
    const struct
    {
        const char* press; ///< a button's text, or null for Escape
        Answer answer;
        QString text;
        QStringList buttons;
    } cases[] = { { "Continue", Answer::Continue, warning, { "Cancel", "Continue", "Never show again" } },
        { "Cancel", Answer::Cancel, warning, { "Cancel", "Continue", "Never show again" } },
        { "Never show again", Answer::NeverShowAgain, warning, { "Cancel", "Continue", "Never show again" } },
        { nullptr, Answer::Cancel, warning, { "Cancel", "Continue", "Never show again" } },
        { "Okay", Answer::Continue, error, { "Okay" } } };
    QtRunDialogs dialogs;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.press ? c.press : "Escape");
        QString text;
        QStringList buttons;
        ModalAnswerer answerer([&](QWidget* modalWidget) {
            auto* box = qobject_cast<QMessageBox*>(modalWidget);
            ASSERT_NE(box, nullptr);
            text = box->text();
            QAbstractButton* pressed = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                buttons << button->text();
                if (c.press && button->text() == QLatin1String(c.press))
                    pressed = button;
            }
            buttons.sort();
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            if (pressed)
                pressed->click();
            else
                QApplication::sendEvent(box, &escape);
        });
        ModalWatchdog watchdog;
        if (c.text == error)
            dialogs.showError(nullptr, error);
        else
            EXPECT_EQ(dialogs.confirmOverwrite(nullptr), c.answer);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(buttons, c.buttons);
    }
}

} // namespace
