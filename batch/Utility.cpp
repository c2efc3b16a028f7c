// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/Utility.h"

#include "engine/core/NativePath.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>

#include <algorithm>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <unistd.h>
#include <vector>

QString Utility::GetCapacityString(quint64 size)
{
    constexpr quint64 kKilo = 1024;
    constexpr quint64 kMega = kKilo * 1024;
    constexpr quint64 kGiga = kMega * 1024;
    const double bytes = static_cast<double>(size);

    // Fixed notation with a point, as printf's "%.2f" in the C locale (QString::number ignores QLocale).
    if (size == 0)
        return QStringLiteral("0");
    if (size < kKilo)
        return QStringLiteral("%1 Bytes").arg(size);
    if (size < kMega)
        return QString::number(bytes / static_cast<double>(kKilo), 'f', 2) + QStringLiteral(" KB");
    if (size < kGiga)
        return QString::number(bytes / static_cast<double>(kMega), 'f', 2) + QStringLiteral(" MB");
    return QString::number(bytes / static_cast<double>(kGiga), 'f', 2) + QStringLiteral(" GB");
}

QString Utility::UserDateLocaleName()
{
    QString name;
    for (const char* variable : { "LC_ALL", "LC_TIME", "LANG" }) {
        name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            break;
    }
    // POSIX names carry a code set and a modifier ICU has no use for: language_TERRITORY.codeset@modifier.
    const auto cut = std::find_if(name.cbegin(), name.cend(), [](QChar c) { return c == u'.' || c == u'@'; });
    name.truncate(cut - name.cbegin());
    if (name.isEmpty() || name == u"C" || name == u"POSIX")
        return QStringLiteral("en_US_POSIX");
    return name;
}

QString Utility::GetDateString(const QDateTime& date)
{
    if (!date.isValid())
        return {};
    // A list shows hundreds of dates at each layout: one formatter per thread and locale, not one per date.
    thread_local QString formatLocale;
    thread_local std::unique_ptr<icu::DateFormat> format;
    const QString localeName = UserDateLocaleName();
    if (!format || localeName != formatLocale) {
        const icu::Locale locale(localeName.toUtf8().constData());
        format.reset(icu::DateFormat::createDateTimeInstance(
            icu::DateFormat::kMedium, icu::DateFormat::kShort, locale));
        formatLocale = localeName;
        if (!format)
            return {};
    }
    icu::UnicodeString text;
    format->format(static_cast<UDate>(date.toMSecsSinceEpoch()), text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

QString Utility::GetDateString(const QDateTime& date, const QString& localeName, const QByteArray& timeZoneId)
{
    if (!date.isValid())
        return {};
    const icu::Locale locale(localeName.toUtf8().constData());
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort, locale));
    if (!format)
        return {};
    if (!timeZoneId.isEmpty()) {
        const icu::UnicodeString zoneId = icu::UnicodeString::fromUTF8(timeZoneId.constData());
        std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(zoneId));
        // An unknown id gives ICU's "Etc/Unknown" zone (which behaves as UTC); a wrong text is worse
        // than the system zone, so that one is kept.
        if (zone && *zone != icu::TimeZone::getUnknown())
            format->adoptTimeZone(zone.release());
    }
    icu::UnicodeString text;
    format->format(static_cast<UDate>(date.toMSecsSinceEpoch()), text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

QString Utility::ExpandTilde(const QString& path)
{
    if (!path.startsWith(u'~'))
        return path;
    const qsizetype slash = path.indexOf(u'/');
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    const QString rest = slash < 0 ? QString() : path.mid(slash);
    if (user.isEmpty())
        return QDir::homePath() + rest;

    struct passwd entry
    {
    };
    struct passwd* found = nullptr;
    const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 16384);
    if (::getpwnam_r(encodePath(user).constData(), &entry, buffer.data(), buffer.size(), &found) != 0
        || !found || !found->pw_dir)
        return path;
    return decodePath(QByteArray(found->pw_dir)) + rest;
}

QString Utility::GetReadableFileType(const QString& path)
{
    const QString expanded = ExpandTilde(path);
    struct stat status
    {
    };
    if (expanded.isEmpty() || ::lstat(encodePath(expanded).constData(), &status) != 0)
        return {};
    // Special files (pipes, devices) get an inode/* type from their status; their content is never read.
    static const QMimeDatabase database;
    QMimeType type;
    QFile file;
    // Qt opens a path through its own encoding of the name, which has no bytes for one that is no UTF-8.
    if (hasUndecodedBytes(expanded) && openForReading(file, expanded))
        type = database.mimeTypeForFileNameAndData(expanded, &file);
    else
        type = database.mimeTypeForFile(expanded);
    // The fallback type (application/octet-stream) means no kind is known.
    if (!type.isValid() || type.isDefault())
        return {};
    return type.comment();
}
