// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

/// The display texts of the file list: a file's size, its time of last change and its kind.
/// Stateless; every operation returns a new string and any thread may call them.
class Utility
{
public:
    Utility() = delete;

    /// "0", "N Bytes" below 1024, else the size in KB, MB or GB (powers of 1024) with two decimals.
    /// The unit follows the byte range, not the rounded number: 1048575 is "1024.00 KB".
    [[nodiscard]] static QString GetCapacityString(quint64 size);

    /// The medium date style with the short time style in the user's locale (LC_ALL, LC_TIME, LANG),
    /// its calendar, and the system time zone. An invalid date gives "".
    [[nodiscard]] static QString GetDateString(const QDateTime& date);
    /// The same text for the locale \a localeName ("en_US", "de_DE.UTF-8") and the IANA time zone
    /// \a timeZoneId ("Europe/Berlin"; empty for the system zone).
    [[nodiscard]] static QString GetDateString(
        const QDateTime& date, const QString& localeName, const QByteArray& timeZoneId = {});

    /// The localised kind of the item at \a path ("JPEG image"), after a leading tilde is expanded.
    /// "" when nothing exists at the path or no kind is known.
    [[nodiscard]] static QString GetReadableFileType(const QString& path);

    /// \a path with a leading "~" or "~user" replaced by that user's home folder.
    [[nodiscard]] static QString ExpandTilde(const QString& path);
    /// The name of the user's locale for dates: the first of LC_ALL, LC_TIME and LANG that is set,
    /// without its code set and modifier ("de_DE.UTF-8@euro" gives "de_DE"); "en_US_POSIX" for C/POSIX.
    [[nodiscard]] static QString UserDateLocaleName();
};
