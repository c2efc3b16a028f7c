// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/HandedFiles.h"

#include "engine/core/NativePath.h"

#include <QHash>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex handedMutex;
QHash<QString, int>& handed()
{
    static QHash<QString, int> files;
    return files;
}
std::atomic<bool> pathsClosed { false };

/// The descriptor handed over for \a path; -1 when there is none.
int handedDescriptor(const QString& path)
{
    std::lock_guard lock(handedMutex);
    return handed().value(path, -1);
}

} // namespace

int openSourcePath(const QString& path)
{
    if (const int descriptor = handedDescriptor(path); descriptor >= 0) {
        // A duplicate shares its offset with the handed descriptor and every other duplicate.
        return ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    }
    if (pathsClosed.load()) {
        errno = EACCES;
        return -1;
    }
    return ::open(encodePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

int statSourcePath(const QString& path, struct stat* status)
{
    if (const int descriptor = handedDescriptor(path); descriptor >= 0)
        return ::fstat(descriptor, status);
    if (pathsClosed.load()) {
        errno = EACCES;
        return -1;
    }
    return ::stat(encodePath(path).constData(), status);
}

void closePaths()
{
    pathsClosed.store(true);
}

HandedFile::HandedFile(const QString& path, int descriptor)
    : m_path(path)
{
    std::lock_guard lock(handedMutex);
    handed().insert(path, descriptor);
}

HandedFile::~HandedFile()
{
    std::lock_guard lock(handedMutex);
    handed().remove(m_path);
}
