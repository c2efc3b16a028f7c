// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include <QSettings>

Settings* Settings::settings()
{
    // Created on first use and deliberately never destroyed: readers on other threads may outlive main.
    static Settings* const instance = new Settings;
    return instance;
}

std::unique_ptr<QSettings> Settings::defaults() const
{
    return std::make_unique<QSettings>(
        QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Morvane"), QStringLiteral("Morvane"));
}

QVariant Settings::read(const QString& key) const
{
    const auto store = defaults();
    // Picks up changes that another process or a hand edit made to the file since it was last read.
    store->sync();
    return store->value(key);
}

void Settings::write(const QString& key, const QVariant& value)
{
    const auto store = defaults();
    store->setValue(key, value);
    store->sync();
}

float Settings::quality() const
{
    const QVariant value = read(kImageQuality);
    return value.isValid() ? value.toFloat() : 70.0f;
}

void Settings::setQuality(float quality)
{
    // Stored as a plain number so that the INI file stays readable and editable by hand.
    write(kImageQuality, double(quality));
}

bool Settings::fixOrientation() const
{
    const QVariant value = read(kFixOrientation);
    return value.isValid() ? value.toBool() : true;
}

void Settings::setFixOrientation(bool fixOrientation)
{
    write(kFixOrientation, fixOrientation);
}

bool Settings::keepJpegQuality() const
{
    const QVariant value = read(kKeepJpegQuality);
    return value.isValid() ? value.toBool() : false;
}

void Settings::setKeepJpegQuality(bool keepJpegQuality)
{
    write(kKeepJpegQuality, keepJpegQuality);
}

int Settings::timeLimitSeconds() const
{
    bool ok = false;
    const int seconds = read(kTimeLimit).toInt(&ok);
    return ok && seconds >= 1 ? seconds : kDefaultTimeLimitSeconds;
}

void Settings::setTimeLimitSeconds(int seconds)
{
    write(kTimeLimit, seconds);
}

OutputFormatChoice Settings::outputFormat() const
{
    return read(kOutputFormat).toString() == QLatin1String("jpeg") ? OutputFormatChoice::Jpeg
                                                                   : OutputFormatChoice::SameAsSource;
}

void Settings::setOutputFormat(OutputFormatChoice format)
{
    write(
        kOutputFormat, format == OutputFormatChoice::Jpeg ? QStringLiteral("jpeg") : QStringLiteral("same"));
}

bool Settings::ignoreWarning() const
{
    const QVariant value = read(kIgnoreWarning);
    return value.isValid() ? value.toBool() : false;
}

void Settings::setIgnoreWarning(bool ignoreWarning)
{
    write(kIgnoreWarning, ignoreWarning);
}

bool Settings::isFirstRun() const
{
    const QVariant value = read(kIsFirstRun);
    return value.isValid() ? value.toBool() : true;
}

void Settings::setIsFirstRun(bool isFirstRun)
{
    write(kIsFirstRun, isFirstRun);
}

QByteArray Settings::lastOutputFolder() const
{
    return read(kLastOutputFolder).toByteArray();
}

void Settings::setLastOutputFolder(const QByteArray& folder)
{
    write(kLastOutputFolder, folder);
}

QByteArray Settings::listSplitterState() const
{
    return read(kListSplitterState).toByteArray();
}

void Settings::setListSplitterState(const QByteArray& state)
{
    write(kListSplitterState, state);
}
