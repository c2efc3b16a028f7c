// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/DescriptorIo.h"

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

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
