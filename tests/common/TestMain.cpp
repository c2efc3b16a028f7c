// SPDX-License-Identifier: GPL-3.0-or-later
// The main of every test executable: offscreen Qt, one QApplication, a settings store in a temporary
// folder so that no test ever reads or writes the real user's preferences, and no session bus.
#include "ui/BackgroundCache.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Test discovery runs the binary without ctest's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // No test announces anything on the desktop of the person running it.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/morvane-tests");

    QTemporaryDir configDir;
    if (!configDir.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configDir.path());
    QStandardPaths::setTestModeEnabled(true);

    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    // Thumbnails and readings the window left behind end before the statics they may be using.
    BackgroundThreads::waitUntilNoneRuns(std::chrono::minutes(1));
    return result;
}
