// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/OutputNaming.h"

#include "batch/Converter.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/NativePath.h"
#include "engine/core/WorkFile.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace {

/// The longest prefix of \a text of at most \a maxBytes bytes that ends on a character boundary.
QByteArray truncateUtf8(const QByteArray& text, qsizetype maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    qsizetype end = maxBytes < 0 ? 0 : maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.left(end);
}

const QByteArray kNumberedPrefix = QByteArrayLiteral("photo-");

/// The highest number that a name "photo-N" or "photo-N.anything" holds in \a folder; 0 for none (or
/// for a folder that cannot be listed, where linking finds what is taken).
int highestNumberIn(const QString& folder)
{
    int highest = 0;
    DIR* listing = ::opendir(encodePath(folder).constData());
    if (!listing)
        return highest;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArrayView name(entry->d_name);
        if (!name.startsWith(kNumberedPrefix))
            continue;
        const QByteArrayView rest = name.sliced(kNumberedPrefix.size());
        const qsizetype dot = rest.indexOf('.');
        const QByteArrayView digits = dot < 0 ? rest : rest.first(dot);
        if (digits.isEmpty()
            || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        bool ok = false;
        const qlonglong number = digits.toLongLong(&ok);
        // A number past what a run can count to cannot collide with any name it gives.
        if (ok && number < INT_MAX)
            highest = std::max(highest, int(number));
    }
    ::closedir(listing);
    return highest;
}

} // namespace

int TakenNames::firstUnknown(const QByteArray& name) const
{
    std::lock_guard lock(m_mutex);
    return m_next.value(name, 0);
}

void TakenNames::remember(const QByteArray& name, int next)
{
    std::lock_guard lock(m_mutex);
    int& known = m_next[name];
    known = std::max(known, next);
}

QString nameOutputFile(const QString& file, const QString& atPath, WorkFile& content, TakenNames* taken,
    QString* error, int folderFd)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return QString();
    };
    QString source = file;
    while (source.size() > 1 && source.endsWith(u'/'))
        source.chop(1);
    const QString name = source.mid(source.lastIndexOf(u'/') + 1);
    if (name.isEmpty() || name == u"." || name == u".." || atPath.isEmpty())
        return fail(QCoreApplication::translate("SkipReasons", "no name for the output"));

    // B and E of "B (k).E", split at the last dot that does not open the name.
    const QString extension = Converter::pathExtension(name);
    const bool hasDot = name.lastIndexOf(u'.') > 0;
    const QByteArray base = encodePath(hasDot ? name.left(name.lastIndexOf(u'.')) : name);
    const QByteArray tail = hasDot ? QByteArray(".") + encodePath(extension) : QByteArray();
    const QByteArray folder = encodePath(atPath.endsWith(u'/') ? atPath : atPath + u'/');
    // Names are taken per folder: the key holds the folder, which no file name can be mistaken for.
    const QByteArray key = folder + base + tail;

    long limit = folderFd >= 0 ? ::fpathconf(folderFd, _PC_NAME_MAX)
                               : ::pathconf(encodePath(atPath).constData(), _PC_NAME_MAX);
    if (limit <= 0)
        limit = NAME_MAX;
    qsizetype nameBudget = limit;

    for (int k = taken ? taken->firstUnknown(key) : 0; k < INT_MAX;) {
        const QByteArray suffix = (k == 0 ? QByteArray() : " (" + QByteArray::number(k) + ")") + tail;
        // The base is shortened only as far as needed, never to nothing: a name must keep some of it.
        const QByteArray shortBase = truncateUtf8(base, nameBudget - suffix.size());
        if (shortBase.isEmpty())
            return fail(QCoreApplication::translate("SkipReasons", "no free name in the output folder"));
        const QByteArray candidate = shortBase + suffix;
        switch (folderFd >= 0 ? content.linkAt(folderFd, candidate) : content.linkAs(folder + candidate)) {
        case WorkFile::Link::Done:
            if (taken)
                taken->remember(key, k + 1);
            return decodePath(folder + candidate);
        case WorkFile::Link::Taken:
            ++k;
            break;
        case WorkFile::Link::TooLong:
            // The file system (or the whole path) allows less than assumed: try again one byte shorter.
            nameBudget = candidate.size() - 1;
            break;
        case WorkFile::Link::Failed:
            return fail(systemErrorText(errno));
        }
    }
    return fail(QCoreApplication::translate("SkipReasons", "no free name in the output folder"));
}

QString nameNumberedOutputFile(const QString& extension, const QString& atPath, WorkFile& content,
    TakenNames* taken, QString* error, int folderFd)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return QString();
    };
    if (atPath.isEmpty())
        return fail(QCoreApplication::translate("SkipReasons", "no name for the output"));
    const QByteArray folder = encodePath(atPath.endsWith(u'/') ? atPath : atPath + u'/');
    const QByteArray tail = extension.isEmpty() ? QByteArray() : QByteArray(".") + encodePath(extension);
    // No file name holds a slash: the key cannot meet one of nameOutputFile's.
    const QByteArray key = folder + QByteArrayLiteral("/numbered");

    int k = taken ? taken->firstUnknown(key) : 0;
    if (k == 0)
        k = highestNumberIn(atPath) + 1;
    for (; k < INT_MAX; ++k) {
        const QByteArray candidate = kNumberedPrefix + QByteArray::number(k).rightJustified(4, '0') + tail;
        switch (folderFd >= 0 ? content.linkAt(folderFd, candidate) : content.linkAs(folder + candidate)) {
        case WorkFile::Link::Done:
            if (taken)
                taken->remember(key, k + 1);
            return decodePath(folder + candidate);
        case WorkFile::Link::Taken:
            break;
        case WorkFile::Link::TooLong:
            return fail(systemErrorText(ENAMETOOLONG));
        case WorkFile::Link::Failed:
            return fail(systemErrorText(errno));
        }
    }
    return fail(QCoreApplication::translate("SkipReasons", "no free name in the output folder"));
}
