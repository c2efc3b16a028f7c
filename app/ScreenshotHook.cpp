// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScreenshotHook.h"

#include "app/MainNib.h"
#include "ui/AppController.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

/// Answers whichever modal dialog is up: a file dialog with \a folder, a message box with its default.
void answerDialogs(const QString& folder)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        files->setDirectory(folder);
        if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(folder);
        static_cast<QDialog*>(files)->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (QPushButton* button = box->defaultButton())
            button->click();
        else
            static_cast<QDialog*>(box)->accept();
    }
}

} // namespace

void applyScreenshotEnvironment(MainNib& nib)
{
    AppController* controller = nib.appController();
    const QString files = qEnvironmentVariable("MORVANE_SCREENSHOT_FILES");
    if (!files.isEmpty()) {
        controller->addFiles(files.split(QLatin1Char(':'), Qt::SkipEmptyParts), false);
        controller->switchUI();
        controller->reloadImageData();
    }
    if (qEnvironmentVariable("MORVANE_SCREENSHOT_STYLE") == QLatin1String("icon")
        && controller->scListStyle) {
        controller->scListStyle->setSelectedSegment(1);
        controller->OnSwitchListviewStyle(controller->scListStyle);
    }
    const QString folder = qEnvironmentVariable("MORVANE_SCREENSHOT_CONVERT_TO");
    if (!folder.isEmpty()) {
        auto* answerer = new QTimer(controller);
        QObject::connect(answerer, &QTimer::timeout, controller, [folder] { answerDialogs(folder); });
        answerer->start(100);
        QTimer::singleShot(300, controller, [controller] { controller->OnConvert(nullptr); });
    }
}
