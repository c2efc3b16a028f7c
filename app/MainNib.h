// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QMainWindow>

#include <memory>

namespace Ui {
class MainWindow;
class ProgressWindow;
} // namespace Ui

class AppController;
class MorvaneAppDelegate;
class StatusWindowController;

/// The main layout, loaded: the main window and the progress window built from their Designer layouts
/// (resources/*.ui), the application delegate and the two window controllers. Owns all of them for as
/// long as it lives, which in the program is until the event loop has ended; a conversion run still
/// going then is cancelled and waited for first. Main thread only.
///
/// Loading goes in fixed steps, each its own call so that tests can stop between them:
///   1. the constructor creates every object; nothing is connected, nothing is shown;
///   2. connectOutlets() sets the delegate's and the controllers' members to the layout's widgets;
///   3. connectActions() wires each control to its action, and makes the delegate the main window's
///      delegate (it filters the window's events and learns when the window closes);
///   4. awakeFromNib() wakes each object, in this order: the delegate (which records the toolkit
///      version), the custom views, the main window controller (which observes the run's start and
///      cancel notices), the progress window's controller (which observes the run's progress and end);
///   5. showWindows() shows the main window on its "home" page, the toolbar hidden.
/// load() runs steps 2 to 5. The start-up then calls applicationDidFinishLaunching() and runs the
/// event loop. A new controller or custom view is created in the constructor and added to each step.
class MainNib
{
public:
    MainNib();
    ~MainNib();
    MainNib(const MainNib&) = delete;
    MainNib& operator=(const MainNib&) = delete;

    void connectOutlets();
    void connectActions();
    void awakeFromNib();
    void showWindows();
    /// Steps 2 to 5 in order.
    void load();
    /// The delegate's launch handler: restores the preference controls.
    void applicationDidFinishLaunching();

    [[nodiscard]] QMainWindow* mainWindow() const { return m_mainWindow.get(); }
    [[nodiscard]] QDialog* progressWindow() const { return m_progressWindow.get(); }
    [[nodiscard]] MorvaneAppDelegate* delegate() const { return m_delegate.get(); }
    [[nodiscard]] AppController* appController() const { return m_appController.get(); }
    [[nodiscard]] StatusWindowController* statusWindowController() const
    {
        return m_statusWindowController.get();
    }

private:
    std::unique_ptr<Ui::MainWindow> m_mainUi;
    std::unique_ptr<Ui::ProgressWindow> m_progressUi;
    std::unique_ptr<QMainWindow> m_mainWindow;
    std::unique_ptr<QDialog> m_progressWindow;
    std::unique_ptr<MorvaneAppDelegate> m_delegate;
    std::unique_ptr<AppController> m_appController;
    std::unique_ptr<StatusWindowController> m_statusWindowController;
};
