// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MorvaneApplication.h"

#include "app/InstanceLink.h"
#include "app/MainNib.h"
#include "app/OpenedPaths.h"
#include "app/Translations.h"
#include "engine/core/LibraryMessages.h"
#include "ui/BackgroundCache.h"
#include "ui/NamedImage.h"
#include "ui/widgets/FocusRingStyle.h"

#include <QApplication>
#include <QLocale>

#include <csignal>
#include <cstdio>
#include <cstdlib>

void configureApplication(QApplication& app)
{
    QApplication::setOrganizationName(QStringLiteral("Morvane"));
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    // Names the desktop entry, so that docks and task bars show the program's own name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvane.Morvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MORVANE_VERSION));
    QApplication::setWindowIcon(imageNamed(QStringLiteral("morvane.png")));
    app.setQuitOnLastWindowClosed(false);
    // The keyboard's place shows plainly in every control, whatever the look.
    FocusRingStyle::install();
}

namespace {

/// The program's window from start to end; the exit code.
int runWindow(int& count, char** argv)
{
    QApplication app(count, argv);
    configureApplication(app);
    // The window speaks the user's language (LC_ALL, LC_MESSAGES, LANG, LANGUAGE); the command line does not.
    installTranslations(QLocale::system());
    // What the image libraries say about a broken file is no news for the terminal.
    routeQtImageMessages();

    // What is left of the arguments once Qt took its own: files and folders to open.
    const QStringList paths = pathArguments(count, argv);
    // One window per session: a program already running takes the paths, and this one ends.
    InstanceLink link;
    switch (link.start(paths)) {
    case InstanceLink::Role::Handed:
        if (link.handedCount() < paths.size()) {
            std::fprintf(stderr,
                "morvane: the running window took the first %d of %d paths; the others did not fit "
                "into one hand-over\n",
                link.handedCount(), int(paths.size()));
            return 1;
        }
        return 0;
    case InstanceLink::Role::Unanswered:
        std::fprintf(stderr, "morvane: Morvane is running but did not take the paths in time\n");
        return 1;
    case InstanceLink::Role::First:
    case InstanceLink::Role::Alone:
        break;
    }

    // The layout's objects go before the application object does.
    MainNib nib;
    nib.load();
    nib.applicationDidFinishLaunching();
    OpenedPaths opened(nib.mainWindow());
    QObject::connect(&link, &InstanceLink::pathsArrived, &opened, &OpenedPaths::open);
    if (!paths.isEmpty())
        opened.open(paths);
    return QApplication::exec();
}

} // namespace

int MorvaneApplicationMain(int argc, char** argv)
{
    // A file-size limit must make a write fail with its reason, not end the program during a run.
    std::signal(SIGXFSZ, SIG_IGN);
    // QApplication keeps a reference to the count: it must outlive the application object.
    int& count = argc;
    const int code = runWindow(count, argv);
    // The window has gone, a run's worker with it, and every setting is on disk. A thumbnail still being
    // decoded writes nothing and is not waited for: the program ends without the static destructors the
    // decode might still be using.
    if (BackgroundThreads::running() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
