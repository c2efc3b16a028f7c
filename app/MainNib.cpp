// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainNib.h"

#include "batch/ImageWorkers.h"
#include "ui/AppController.h"
#include "ui/MorvaneAppDelegate.h"
#include "ui/NamedImage.h"
#include "ui/StatusWindowController.h"
#include "ui/widgets/BlankTableView.h"
#include "ui/widgets/DropView.h"
#include "ui_MainWindow.h"
#include "ui_ProgressWindow.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QToolButton>

namespace {

/// The program's name and version, and how its image workers are confined on this system.
void showAboutBox(QWidget* window)
{
    const QString confinement = imageWorkerConfinement().describe();
    QMessageBox::about(window, QCoreApplication::translate("MainNib", "About Morvane"),
        QCoreApplication::translate("MainNib",
            "<p><b>Morvane %1</b></p><p>Removes what photos give away about the people behind "
            "them.</p><p>Every image is read in a separate worker process that can reach no file, "
            "network or program: %2.</p><p>GNU General Public License, version 3 or later.</p>")
            .arg(QCoreApplication::applicationVersion().toHtmlEscaped(), confinement.toHtmlEscaped()));
}

} // namespace

MainNib::MainNib()
    : m_mainUi(std::make_unique<Ui::MainWindow>())
    , m_progressUi(std::make_unique<Ui::ProgressWindow>())
    , m_mainWindow(std::make_unique<QMainWindow>())
    , m_progressWindow(std::make_unique<QDialog>())
    , m_delegate(std::make_unique<MorvaneAppDelegate>())
    , m_appController(std::make_unique<AppController>())
    , m_statusWindowController(std::make_unique<StatusWindowController>())
{
    // The layouts name images of the compiled resources.
    initMorvaneResources();
    m_mainUi->setupUi(m_mainWindow.get());
    m_progressUi->setupUi(m_progressWindow.get());
}

MainNib::~MainNib()
{
    // A run's worker posts to both controllers: it must be over before either goes.
    m_appController->OnCancelProgress({});
    m_appController->waitForRun();
}

void MainNib::connectOutlets()
{
    const Ui::MainWindow& ui = *m_mainUi;

    m_delegate->setWindow(m_mainWindow.get());
    m_delegate->chkOrientation = ui.chkOrientation;
    m_delegate->chkKeepJpegQuality = ui.chkKeepJpegQuality;
    m_delegate->cmbOutputFormat = ui.cmbOutputFormat;
    m_delegate->sldQuality = ui.sldQuality;
    m_delegate->labelQuality = ui.labelQuality;

    m_appController->tableImages = ui.tableImages;
    m_appController->scListStyle = ui.scListStyle;
    m_appController->statusWinController = m_statusWindowController.get();
    m_appController->mainWindow = m_mainWindow.get();
    m_appController->toolbar = ui.toolbar;
    m_appController->tabSwitcher = ui.tabSwitcher;
    m_appController->statusBar = ui.statusBar;
    m_appController->inspectionPanel = ui.inspectionPanel;
    m_appController->actionRemove = ui.actionRemove;
    m_appController->actionClear = ui.actionClear;
    m_appController->listSplitter = ui.listSplitter;
    // The list takes most of what the window gains, the details a fifth; the user's own split is restored
    // at wake-up.
    ui.listSplitter->setStretchFactor(0, 4);
    ui.listSplitter->setStretchFactor(1, 1);
    ui.listSplitter->setSizes({ 720, 260 });

    // The toolbar's commands are on the keyboard's path too, not only in the menus.
    for (QToolButton* button : ui.toolbar->findChildren<QToolButton*>())
        button->setFocusPolicy(Qt::TabFocus);
    // The two segments show pictures: their names are said in words.
    if (QToolButton* list = ui.scListStyle->segmentButton(0))
        list->setAccessibleName(QCoreApplication::translate("MainWindow", "List"));
    if (QToolButton* thumbnails = ui.scListStyle->segmentButton(1))
        thumbnails->setAccessibleName(QCoreApplication::translate("MainWindow", "Thumbnails"));

    m_statusWindowController->setWindow(m_progressWindow.get());
    m_statusWindowController->txtInfo = m_progressUi->txtInfo;
    m_statusWindowController->txtTimeLeft = m_progressUi->txtTimeLeft;
    m_statusWindowController->progress = m_progressUi->progress;
}

void MainNib::connectActions()
{
    const Ui::MainWindow& ui = *m_mainUi;
    MorvaneAppDelegate* delegate = m_delegate.get();
    AppController* controller = m_appController.get();
    StatusWindowController* status = m_statusWindowController.get();

    m_mainWindow->installEventFilter(delegate);
    QObject::connect(ui.sldQuality, &QSlider::valueChanged, delegate,
        [delegate, slider = ui.sldQuality] { delegate->OnQualityChanged(slider); });
    // Only a user's click is the check box's action; restoring its state from the preferences is not.
    QObject::connect(ui.chkOrientation, &QCheckBox::clicked, delegate,
        [delegate, box = ui.chkOrientation] { delegate->OnOrientation(box); });
    QObject::connect(ui.chkKeepJpegQuality, &QCheckBox::clicked, delegate,
        [delegate, box = ui.chkKeepJpegQuality] { delegate->OnKeepJpegQuality(box); });
    QObject::connect(ui.cmbOutputFormat, &QComboBox::activated, delegate,
        [delegate, box = ui.cmbOutputFormat] { delegate->OnOutputFormat(box); });

    // Each command has a toolbar and menu action; the home page has buttons for the two that fill the list.
    const auto wire = [controller](auto* sender, auto signal, void (AppController::*command)(QObject*)) {
        QObject::connect(
            sender, signal, controller, [controller, sender, command] { (controller->*command)(sender); });
    };
    wire(ui.actionAddImages, &QAction::triggered, &AppController::OnAddImages);
    wire(ui.addImagesButton, &QPushButton::clicked, &AppController::OnAddImages);
    wire(ui.actionAddFolder, &QAction::triggered, &AppController::OnAddFolder);
    wire(ui.addFolderButton, &QPushButton::clicked, &AppController::OnAddFolder);
    wire(ui.actionRemove, &QAction::triggered, &AppController::OnRemove);
    wire(ui.actionClear, &QAction::triggered, &AppController::OnClear);
    wire(ui.actionConvert, &QAction::triggered, &AppController::OnConvert);
    wire(ui.scListStyle, &SegmentedControl::activated, &AppController::OnSwitchListviewStyle);

    QObject::connect(ui.actionAbout, &QAction::triggered, m_mainWindow.get(),
        [window = m_mainWindow.get()] { showAboutBox(window); });

    // Quitting from the menu closes the main window, which quits through its delegate.
    QObject::connect(ui.actionQuit, &QAction::triggered, m_mainWindow.get(), &QWidget::close);

    QObject::connect(m_progressUi->cancelButton, &QPushButton::clicked, status,
        [status, button = m_progressUi->cancelButton] { status->OnCancel(button); });
}

void MainNib::awakeFromNib()
{
    m_delegate->awakeFromNib();
    // The custom views: the file table takes its header away until the list has files.
    m_mainUi->tableImages->awakeFromNib();
    m_appController->awakeFromNib();
    m_statusWindowController->awakeFromNib();
}

void MainNib::showWindows()
{
    m_mainUi->tabSwitcher->setCurrentWidget(m_mainUi->home);
    m_mainWindow->show();
}

void MainNib::load()
{
    connectOutlets();
    connectActions();
    awakeFromNib();
    showWindows();
}

void MainNib::applicationDidFinishLaunching()
{
    m_delegate->applicationDidFinishLaunching();
}
