// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchController.h"

#include "batch/Converter.h"
#include "batch/FileManagerHelpers.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The names in the folder \a path in the order the listing gives them, "." and ".." left out.
/// Read in full before returning, so a deep walk holds no open descriptor per level.
QStringList folderEntries(const QString& path)
{
    QStringList names;
    DIR* folder = ::opendir(QFile::encodeName(path).constData());
    if (!folder)
        return names;
    while (const dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        names.append(QFile::decodeName(name));
    }
    ::closedir(folder);
    return names;
}

QString joinPath(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

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

enum class Reservation { Made, Taken, TooLong, Interrupted, Failed };

Reservation reserve(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd >= 0) {
        ::close(fd);
        return Reservation::Made;
    }
    switch (errno) {
    case EEXIST:
        return Reservation::Taken;
    case ENAMETOOLONG:
        return Reservation::TooLong;
    case EINTR:
        return Reservation::Interrupted;
    default:
        return Reservation::Failed;
    }
}

} // namespace

BatchController::AddedFiles BatchController::addFiles(const QStringList& paths, bool recursive)
{
    const qsizetype before = Converter::converter()->allFilePaths().size();
    QSet<QString> walkedFolders;
    AddedFiles added;
    addFilesWalking(paths, recursive, walkedFolders, added);
    added.added = int(Converter::converter()->allFilePaths().size() - before);
    return added;
}

void BatchController::addFilesWalking(
    const QStringList& paths, bool recursive, QSet<QString>& walkedFolders, AddedFiles& added)
{
    Converter* const model = Converter::converter();
    for (QString path : paths) {
        if (FileManagerHelpers::IsSymbolLinkAtPath(path))
            path = FileManagerHelpers::RealPathForSymbolLink(path);

        struct stat status
        {
        };
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            continue;
        if (!S_ISDIR(status.st_mode)) {
            // Dropped by itself, anything with a supported extension is taken, even a pipe: the run
            // will find out whether it can be read.
            if (model->isSupportedPath(path)) {
                ++added.found;
                model->addFile(path);
            }
            continue;
        }

        // Symbolic links and "." or ".." aside, the same folder can be reached by two spellings.
        const QString folder = FileManagerHelpers::RealPathForSymbolLink(path);
        if (walkedFolders.contains(folder))
            continue;
        walkedFolders.insert(folder);

        for (const QString& name : folderEntries(path)) {
            QString entryPath = joinPath(path, name);
            if (FileManagerHelpers::IsSymbolLinkAtPath(entryPath))
                entryPath = FileManagerHelpers::RealPathForSymbolLink(entryPath);
            if (FileManagerHelpers::IsFolderAtPath(entryPath)) {
                if (recursive)
                    addFilesWalking({ entryPath }, true, walkedFolders, added);
                else
                    ++added.subfoldersSkipped;
            } else if (FileManagerHelpers::IsValidFileAtPath(entryPath)
                && model->isSupportedPath(entryPath)) {
                ++added.found;
                model->addFile(entryPath);
            }
        }
    }
}

bool BatchController::IsValidFileAtPath(const QString& path) const
{
    return FileManagerHelpers::IsValidFileAtPath(path);
}

QString BatchController::GetNewFile(const QString& file, const QString& atPath) const
{
    QString source = file;
    while (source.size() > 1 && source.endsWith(u'/'))
        source.chop(1);
    const QString name = source.mid(source.lastIndexOf(u'/') + 1);
    if (name.isEmpty() || name == u"." || name == u".." || atPath.isEmpty())
        return {};

    // B and E of "B (k).E", split at the last dot that does not open the name.
    const QString extension = Converter::pathExtension(name);
    const bool hasDot = name.lastIndexOf(u'.') > 0;
    const QByteArray base = QFile::encodeName(hasDot ? name.left(name.lastIndexOf(u'.')) : name);
    const QByteArray tail = hasDot ? QByteArray(".") + QFile::encodeName(extension) : QByteArray();
    const QByteArray folder = QFile::encodeName(joinPath(atPath, QString()));

    long limit = ::pathconf(QFile::encodeName(atPath).constData(), _PC_NAME_MAX);
    if (limit <= 0)
        limit = NAME_MAX;
    qsizetype nameBudget = limit;

    for (int k = 0; k < INT_MAX;) {
        const QByteArray suffix = (k == 0 ? QByteArray() : " (" + QByteArray::number(k) + ")") + tail;
        // The base is shortened only as far as needed, never to nothing: a name must keep some of it.
        const QByteArray shortBase = truncateUtf8(base, nameBudget - suffix.size());
        if (shortBase.isEmpty())
            return {};
        const QByteArray candidate = shortBase + suffix;
        switch (reserve(folder + candidate)) {
        case Reservation::Made:
            return QFile::decodeName(folder + candidate);
        case Reservation::Taken:
            ++k;
            break;
        case Reservation::TooLong:
            // The file system (or the whole path) allows less than assumed: try again one byte shorter.
            nameBudget = candidate.size() - 1;
            break;
        case Reservation::Interrupted:
            break;
        case Reservation::Failed:
            return {};
        }
    }
    return {};
}

bool BatchController::ReleaseNewFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status
    {
    };
    if (path.isEmpty() || ::lstat(native.constData(), &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_size != 0)
        return false;
    return ::unlink(native.constData()) == 0;
}
