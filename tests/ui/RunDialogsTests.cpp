// SPDX-License-Identifier: GPL-3.0-or-later
// The Convert command's real dialogs, answered from inside their own modal loops.
#include "tests/ui/ModalTestSupport.h"
#include "ui/RunDialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The chooser opens where the user last saved, and takes a typed folder whether or not it exists yet:
// a new one is returned for the run to create, not refused and not made by the dialog itself.
TEST(QtRunDialogs, FolderChooserOpensAtTheStartFolderAndReturnsOneFolderNewOrNot)
{
    QTemporaryDir dir;
    const QString start = dir.filePath(QStringLiteral("last"));
    const QString existing = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(start) && QDir().mkpath(existing));
    const struct
    {
        QString typed; ///< null to cancel
        QString answer;
    } cases[] = { { existing, existing }, { QStringLiteral(""), start },
        { QStringLiteral("new/deeper"), start + QStringLiteral("/new/deeper") },
        { QStringLiteral("../brand new"), dir.filePath(QStringLiteral("brand new")) },
        { QString(), QString() } };
    QtRunDialogs dialogs;
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.typed.isNull() ? QStringLiteral("cancel") : c.typed));
        bool asked = false;
        QString openedAt;
        ModalAnswerer answerer([&](QWidget* modalWidget) {
            auto* chooser = qobject_cast<QFileDialog*>(modalWidget);
            ASSERT_NE(chooser, nullptr);
            asked = true;
            openedAt = chooser->directory().absolutePath();
            EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Choose a folder"));
            EXPECT_EQ(chooser->labelText(QFileDialog::Accept), QStringLiteral("Save"));
            EXPECT_TRUE(chooser->fileMode() == QFileDialog::Directory
                && chooser->testOption(QFileDialog::ShowDirsOnly)
                && !chooser->testOption(QFileDialog::ReadOnly));
            EXPECT_EQ(chooser->windowModality(), Qt::ApplicationModal);
            if (c.typed.isNull()) {
                chooser->reject();
                return;
            }
            auto* edit = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(edit, nullptr);
            // A relative name is taken in the folder the dialog shows, as the user sees it.
            edit->setText(c.typed);
            static_cast<QDialog*>(chooser)->accept();
            // Qt's own refusal would be a message box over the chooser, left open.
            EXPECT_FALSE(chooser->isVisible()) << "the chooser closes";
        });
        ModalWatchdog watchdog;
        const QString answer = dialogs.chooseOutputFolder(nullptr, start);
        EXPECT_EQ(QDir::cleanPath(answer), QDir::cleanPath(c.answer));
        EXPECT_TRUE(asked);
        EXPECT_EQ(openedAt, start);
        EXPECT_FALSE(QFileInfo::exists(start + QStringLiteral("/new")));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("brand new"))));
    }
}

// Where the chooser opens: the last output folder while it is one, else the pictures folder, else home;
// never the working folder the program happened to start in.
TEST(QtRunDialogs, StartFolderIsTheLastOutputThenPicturesThenHome)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray oldHome = qgetenv("HOME");
    const auto restore = qScopeGuard([&] { qputenv("HOME", oldHome); });
    qputenv("HOME", QFile::encodeName(home.path()));
    const QString last = home.filePath(QStringLiteral("saved"));
    const QString pictures = home.filePath(QStringLiteral("Pictures"));
    const QString aFile = home.filePath(QStringLiteral("file"));
    ASSERT_TRUE(QDir().mkpath(last));
    {
        QFile file(aFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const struct
    {
        QString lastFolder;
        bool picturesExist;
        QString expected;
    } cases[] = { { last, false, last }, { last, true, last }, { QString(), false, home.path() },
        { QString(), true, pictures }, { home.filePath(QStringLiteral("gone")), true, pictures },
        { aFile, false, home.path() } };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.lastFolder + (c.picturesExist ? " with Pictures" : " without Pictures")));
        if (c.picturesExist)
            ASSERT_TRUE(QDir().mkpath(pictures));
        else
            ASSERT_TRUE(QDir(pictures).removeRecursively());
        EXPECT_EQ(
            QDir(RunDialogs::startFolder(c.lastFolder)).canonicalPath(), QDir(c.expected).canonicalPath());
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
