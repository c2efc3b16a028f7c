// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/Descriptor.h"

#include <unistd.h>

void Descriptor::reset(int fd)
{
    // close() may report EINTR, but the descriptor is gone either way on Linux: never retry.
    if (m_fd >= 0 && m_fd != fd)
        ::close(m_fd);
    m_fd = fd;
}
