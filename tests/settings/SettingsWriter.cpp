// SPDX-License-Identifier: GPL-3.0-or-later
// A second process for the settings tests: writes one preference through Settings into the store of a
// given configuration folder, the way the command-line tool or a second window of the program would.
//   morvane_settings_writer CONFIG_DIR KEY VALUE
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QSettings>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: morvane_settings_writer CONFIG_DIR KEY VALUE\n");
        return 2;
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, args.at(1));
    Settings* settings = Settings::settings();
    const QString& key = args.at(2);
    const QString& value = args.at(3);
    bool ok = true;
    if (key == Settings::kImageQuality)
        settings->setQuality(value.toFloat(&ok));
    else if (key == Settings::kFixOrientation)
        settings->setFixOrientation(value == QLatin1String("true"));
    else if (key == Settings::kKeepJpegQuality)
        settings->setKeepJpegQuality(value == QLatin1String("true"));
    else if (key == Settings::kIgnoreWarning)
        settings->setIgnoreWarning(value == QLatin1String("true"));
    else if (key == Settings::kIsFirstRun)
        settings->setIsFirstRun(value == QLatin1String("true"));
    else
        ok = false;
    return ok ? 0 : 2;
}
