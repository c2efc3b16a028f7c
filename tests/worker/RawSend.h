// SPDX-License-Identifier: GPL-3.0-or-later
// A message past the Channel: what any process at the other end of the socket could send.
#pragma once

#include <QByteArray>

#include <cstring>
#include <sys/socket.h>
#include <vector>

/// Sends \a bytes with \a descriptors on \a socket with a plain sendmsg, as any process could.
inline ssize_t sendRaw(int socket, const QByteArray& bytes, const std::vector<int>& descriptors)
{
    iovec part { const_cast<char*>(bytes.constData()), std::size_t(bytes.size()) };
    msghdr header {};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    std::vector<char> control(CMSG_SPACE(sizeof(int) * descriptors.size()));
    if (!descriptors.empty()) {
        header.msg_control = control.data();
        header.msg_controllen = control.size();
        cmsghdr* attached = CMSG_FIRSTHDR(&header);
        attached->cmsg_level = SOL_SOCKET;
        attached->cmsg_type = SCM_RIGHTS;
        attached->cmsg_len = CMSG_LEN(sizeof(int) * descriptors.size());
        std::memcpy(CMSG_DATA(attached), descriptors.data(), sizeof(int) * descriptors.size());
    }
    return ::sendmsg(socket, &header, MSG_NOSIGNAL);
}
