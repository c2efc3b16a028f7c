// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FolderCreation.h"

#include "engine/core/DescriptorIo.h"
#include "engine/core/NativePath.h"

#include <cerrno>
#include <climits>
#include <cstring>
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
