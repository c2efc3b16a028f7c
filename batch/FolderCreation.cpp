// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FolderCreation.h"

#include "batch/SkipReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/NativePath.h"

#include <QByteArrayList>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString FolderCreation::systemReason() const
{
    int reason = error;
    if (failure == Failure::NotAFolder || failure == Failure::BrokenLink || failure == Failure::NotUsable)
        reason = lastLevel ? EEXIST : ENOTDIR;
    return systemErrorText(reason);
}

FolderCreation createFolderWithParents(const QString& path)
{
    const QByteArray native = encodePath(absolutePath(path));
    FolderCreation result;
    for (qsizetype end = native.indexOf('/', 1);; end = native.indexOf('/', end + 1)) {
        const QByteArray level = end < 0 ? native : native.left(end);
        result.level = decodePath(level);
        result.lastLevel = end < 0;
        struct stat status = {};
        // Another process may make a level meanwhile: a folder there is what was wanted.
        if (::stat(level.constData(), &status) != 0 && ::mkdir(level.constData(), 0777) != 0
            && errno != EEXIST) {
            result.failure = FolderCreation::Failure::NotCreated;
            result.error = errno;
            return result;
        }
        if (::stat(level.constData(), &status) != 0) {
            result.error = errno;
            char target[PATH_MAX];
            const ssize_t length = ::readlink(level.constData(), target, sizeof target - 1);
            if (length >= 0) {
                result.failure = FolderCreation::Failure::BrokenLink;
                result.linkTarget = decodePath(QByteArray(target, length));
            } else {
                result.failure = FolderCreation::Failure::NotUsable;
            }
            return result;
        }
        if (!S_ISDIR(status.st_mode)) {
            result.failure = FolderCreation::Failure::NotAFolder;
            return result;
        }
        if (end < 0)
            return {};
    }
}

int openOutputSubfolder(int baseFd, const QString& relative, QString* reason)
{
    const QList<QByteArray> levels = encodePath(relative).split('/');
    int fd = ::fcntl(baseFd, F_DUPFD_CLOEXEC, 0);
    QByteArray reached;
    for (const QByteArray& level : levels) {
        if (fd < 0)
            break;
        if (level.isEmpty() || level == "." || level == "..")
            continue;
        reached += reached.isEmpty() ? level : '/' + level;
        // Another run may make a level meanwhile: a folder there is what was wanted.
        const bool made = ::mkdirat(fd, level.constData(), 0777) == 0 || errno == EEXIST;
        const int error = errno;
        const int next
            = made ? ::openat(fd, level.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
        const int openError = errno;
        ::close(fd);
        fd = next;
        if (fd >= 0)
            continue;
        if (reason) {
            const QString where = decodePath(reached);
            const int cause = made ? openError : error;
            *reason = made && (cause == ELOOP || cause == ENOTDIR)
                ? SkipReasons::outputLevelNotAFolder(where)
                : SkipReasons::couldNotBeWritten(
                    QStringLiteral("%1: %2").arg(where, QString::fromLocal8Bit(std::strerror(cause))));
        }
        return -1;
    }
    if (fd < 0 && reason && reason->isEmpty())
        *reason = SkipReasons::couldNotBeWritten(QString::fromLocal8Bit(std::strerror(errno)));
    return fd;
}
