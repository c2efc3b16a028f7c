// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/DescriptorIo.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

/// Moves \a size bytes with \a call (one read or write of at most the bytes left, at the position given)
/// until all have moved, the call moves nothing, or it fails other than by an interruption.
template<typename Call> DescriptorTransfer transfer(std::size_t size, off_t offset, Call call)
{
    DescriptorTransfer done;
    while (done.bytes < size) {
        const ssize_t moved
            = call(done.bytes, size - done.bytes, offset < 0 ? -1 : offset + off_t(done.bytes));
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0) {
            done.error = errno;
            break;
        }
        if (moved == 0)
            break;
        done.bytes += std::size_t(moved);
    }
    return done;
}

} // namespace

DescriptorTransfer readFully(int fd, void* data, std::size_t size, off_t offset)
{
    auto* bytes = static_cast<char*>(data);
    return transfer(size, offset, [&](std::size_t done, std::size_t left, off_t at) {
        return at < 0 ? ::read(fd, bytes + done, left) : ::pread(fd, bytes + done, left, at);
    });
}

DescriptorTransfer writeFully(int fd, const void* data, std::size_t size, off_t offset)
{
    const auto* bytes = static_cast<const char*>(data);
    DescriptorTransfer done = transfer(size, offset, [&](std::size_t written, std::size_t left, off_t at) {
        return at < 0 ? ::write(fd, bytes + written, left) : ::pwrite(fd, bytes + written, left, at);
    });
    if (done.bytes < size && done.error == 0)
        done.error = EIO;
    return done;
}

// The system's English words for the errors a person meets when reading and writing photos, as the C
// library gives them where no language is set: the window shows them in its language. The command line
// loads no translation and prints them as they are.
[[maybe_unused]] constexpr const char* kCommonErrors[] = {
    QT_TRANSLATE_NOOP("SystemErrors", "No such file or directory"),
    QT_TRANSLATE_NOOP("SystemErrors", "Permission denied"),
    QT_TRANSLATE_NOOP("SystemErrors", "Operation not permitted"),
    QT_TRANSLATE_NOOP("SystemErrors", "No space left on device"),
    QT_TRANSLATE_NOOP("SystemErrors", "Disk quota exceeded"),
    QT_TRANSLATE_NOOP("SystemErrors", "Read-only file system"),
    QT_TRANSLATE_NOOP("SystemErrors", "Input/output error"),
    QT_TRANSLATE_NOOP("SystemErrors", "Is a directory"),
    QT_TRANSLATE_NOOP("SystemErrors", "Not a directory"),
    QT_TRANSLATE_NOOP("SystemErrors", "File name too long"),
    QT_TRANSLATE_NOOP("SystemErrors", "File exists"),
    QT_TRANSLATE_NOOP("SystemErrors", "Too many open files"),
    QT_TRANSLATE_NOOP("SystemErrors", "Cannot allocate memory"),
    QT_TRANSLATE_NOOP("SystemErrors", "File too large"),
    QT_TRANSLATE_NOOP("SystemErrors", "Too many levels of symbolic links"),
    QT_TRANSLATE_NOOP("SystemErrors", "Stale file handle"),
};

QString systemErrorText(int error)
{
    // A text in another language (a system set to German) is not found and stays as it is.
    const QByteArray text = std::strerror(error);
    const QString translated = QCoreApplication::translate("SystemErrors", text.constData());
    return translated == QLatin1String(text) ? QString::fromLocal8Bit(text) : translated;
}
