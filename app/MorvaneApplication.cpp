// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MorvaneApplication.h"

#include "app/MainNib.h"
#include "engine/LibraryMessages.h"
#include "ui/NamedImage.h"

#include <QApplication>

#include <csignal>

void configureApplication(QApplication& app)
{
    QApplication::setOrganizationName(QStringLiteral("Morvane"));
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    QApplication::setWindowIcon(imageNamed(QStringLiteral("morvane.png")));
    app.setQuitOnLastWindowClosed(false);
}

int MorvaneApplicationMain(int argc, char** argv)
{
    // A file-size limit must make a write fail with its reason, not end the program during a run.
    std::signal(SIGXFSZ, SIG_IGN);
    // QApplication keeps a reference to the count: it must outlive the application object.
    int& count = argc;
    QApplication app(count, argv);
    configureApplication(app);
    // What the image libraries say about a broken file is no news for the terminal.
    routeQtImageMessages();

    // The layout's objects go before the application object does.
    MainNib nib;
    nib.load();
    nib.applicationDidFinishLaunching();
    return QApplication::exec();
}
