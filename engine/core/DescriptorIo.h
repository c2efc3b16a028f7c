// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>
#include <sys/types.h>

/// How far a transfer to or from a file descriptor got: the bytes moved and, when it stopped short of
/// what was asked, the system's error number (0 when a read met the end of the file).
struct DescriptorTransfer
{
    std::size_t bytes = 0;
    int error = 0;
};

/// Reads \a size bytes from \a fd into \a data, at \a offset or, when it is negative, at the file
/// position; through short reads and interrupted calls, up to the end of the file. Any thread.
[[nodiscard]] DescriptorTransfer readFully(int fd, void* data, std::size_t size, off_t offset = -1);

/// Writes \a size bytes of \a data to \a fd, at \a offset or, when it is negative, at the file
/// position; through short writes and interrupted calls. Short only with an error: EIO when the system
/// wrote nothing and said nothing. Any thread.
[[nodiscard]] DescriptorTransfer writeFully(int fd, const void* data, std::size_t size, off_t offset = -1);

/// The system's words for the error number \a error ("No space left on device").
[[nodiscard]] QString systemErrorText(int error);
