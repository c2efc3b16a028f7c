// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MorvaneApplication.h"

#include "app/InstanceLink.h"
#include "app/MainNib.h"
#include "app/Translations.h"
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "engine/core/LibraryMessages.h"
#include "ui/NamedImage.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QMainWindow>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <csignal>

namespace {

// Files and folders named on the command line or handed over by a second program go into the list as a
// drop of them would. While a modal window is open (a run's progress, a dialog) they wait for it to
// close: the list does not change under a run.
class OpenedPaths : public QObject
{
public:
    explicit OpenedPaths(QMainWindow* window)
        : m_window(window)
    {
        m_retry.setInterval(250);
        connect(&m_retry, &QTimer::timeout, this, &OpenedPaths::deliver);
    }

    void open(const QStringList& paths)
    {
        m_waiting += paths;
        if (m_window) {
            m_window->show();
            m_window->raise();
            m_window->activateWindow();
        }
        deliver();
    }

private:
    void deliver()
    {
        if (QApplication::activeModalWidget()) {
            m_retry.start();
            return;
        }
        m_retry.stop();
        if (m_waiting.isEmpty())
            return;
        QMimeData drop;
        QList<QUrl> urls;
        for (const QString& path : std::as_const(m_waiting))
            urls << QUrl::fromLocalFile(path);
        m_waiting.clear();
        drop.setUrls(urls);
        const QVariantMap info { { kDraggingInfoKey, QVariant::fromValue(&drop) } };
        NotificationCenter::defaultCenter()->postNotificationName(msgAcceptFileDropped, nullptr, info);
    }

    QMainWindow* m_window;
    QStringList m_waiting;
    QTimer m_retry;
};

} // namespace

void configureApplication(QApplication& app)
{
    QApplication::setOrganizationName(QStringLiteral("Morvane"));
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    // Names the desktop entry, so that docks and task bars show the program's own name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvane.Morvane"));
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
    // The window speaks the user's language (LC_ALL, LC_MESSAGES, LANG, LANGUAGE); the command line does not.
    installTranslations(QLocale::system());
    // What the image libraries say about a broken file is no news for the terminal.
    routeQtImageMessages();

    // What is left of the arguments once Qt took its own: files and folders to open.
    QStringList paths;
    for (int i = 1; i < count; ++i)
        paths << QFile::decodeName(argv[i]);
    // One window per session: a program already running takes the paths, and this one ends.
    InstanceLink link;
    if (link.start(paths) == InstanceLink::Role::Handed)
        return 0;

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
