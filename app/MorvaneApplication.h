// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

/// The program's start-up: creates the application object, loads the main layout (MainNib: create,
/// connect outlets and actions, wake, show), calls the delegate's launch handler and runs the event loop
/// until the main window closes. Returns the event loop's exit code. Call once, from main, on the main
/// thread.
int MorvaneApplicationMain(int argc, char** argv);

/// What the start-up sets on the application object: names, icon, and that only the main window's
/// closing ends the program (through its delegate), not the closing of whichever window is last.
void configureApplication(QApplication& app);
