// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/BatchController.h"
#include "batch/NotificationCenter.h"
#include "ui/RunDialogs.h"
#include "ui/SegmentedControl.h"

#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QStackedWidget>
#include <QTableView>
#include <QToolBar>

#include <memory>
#include <vector>

class StatusWindowController;

/// The controller of the main window: the file table, the list-style chooser, the two pages and the
/// toolbar, and the window's commands. The main layout creates it and sets its outlets; it owns none of
/// them (they are guarded pointers, null while unconnected). Main thread only.
///
/// The batch side of the controller (adding files, naming outputs, the conversion run's worker) is
/// BatchController; this class adds what needs the window.
class AppController : public QObject, public BatchController
{
    Q_OBJECT

public:
    explicit AppController(QObject* parent = nullptr);

    // Outlets, set by the layout.
    QPointer<QTableView> tableImages;
    QPointer<SegmentedControl> scListStyle;
    QPointer<StatusWindowController> statusWinController;
    QPointer<QMainWindow> mainWindow;
    QPointer<QToolBar> toolbar;
    QPointer<QStackedWidget> tabSwitcher;

    /// Called once, after the layout has created and connected every object.
    void awakeFromNib();

    void OnAddImages(QObject* sender);
    void OnAddFolder(QObject* sender);
    void OnRemove(QObject* sender);
    void OnClear(QObject* sender);
    void OnConvert(QObject* sender);
    void OnSwitchListviewStyle(QObject* sender);

    /// Shows each segment's named image ("alter" while selected) and the table's row height for the style.
    void updateSegment();

    // The conversion run (AppControllerRun.cpp).
    ~AppController() override;
    /// Replaces the dialogs OnConvert asks through (QtRunDialogs until then); the controller owns them.
    void setRunDialogs(std::unique_ptr<RunDialogs> dialogs);
    [[nodiscard]] RunDialogs& runDialogs();

private:
    // The conversion run (AppControllerRun.cpp).
    void observeRunNotices();
    std::unique_ptr<RunDialogs> m_runDialogs;
    std::vector<NotificationCenter::ObserverId> m_runObservers;
};
