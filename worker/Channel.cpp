// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/Channel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

using Clock = std::chrono::steady_clock;

std::optional<std::pair<Descriptor, Descriptor>> Channel::createSocketPair()
{
    int ends[2] = { -1, -1 };
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return std::nullopt;
    return std::pair { Descriptor(ends[0]), Descriptor(ends[1]) };
}

Channel::Channel(Descriptor socket, qsizetype maxPayload)
    : m_socket(std::move(socket))
    , m_maxPayload(std::max<qsizetype>(maxPayload, 1))
{ }

bool Channel::waitFor(short events, Clock::time_point deadline, bool unbounded)
{
    for (;;) {
        int wait = -1;
        if (!unbounded) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = int(std::clamp<decltype(left)>(left, 0, 24 * 3600 * 1000));
        }
        pollfd entry { m_socket.get(), events, 0 };
        const int ready = ::poll(&entry, 1, wait);
        if (ready > 0)
            return true; // ready, hung up or in error: the call that follows tells which
        if (ready == 0 && (unbounded || Clock::now() >= deadline))
            return false;
        if (ready < 0 && errno != EINTR)
            return true; // let the call itself report the error
    }
}

ChannelStatus Channel::send(
    QByteArrayView payload, std::span<const int> descriptors, std::chrono::milliseconds timeout)
{
    if (payload.isEmpty() || descriptors.size() > std::size_t(kMaxDescriptors))
        return ChannelStatus::Malformed;
    if (payload.size() > m_maxPayload)
        return ChannelStatus::TooLarge;

    iovec part { const_cast<char*>(payload.data()), std::size_t(payload.size()) };
    msghdr header {};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxDescriptors)] = {};
    if (!descriptors.empty()) {
        const std::size_t bytes = sizeof(int) * descriptors.size();
        header.msg_control = control;
        header.msg_controllen = CMSG_SPACE(bytes);
        cmsghdr* attached = CMSG_FIRSTHDR(&header);
        attached->cmsg_level = SOL_SOCKET;
        attached->cmsg_type = SCM_RIGHTS;
        attached->cmsg_len = CMSG_LEN(bytes);
        std::memcpy(CMSG_DATA(attached), descriptors.data(), bytes);
    }

    const bool unbounded = timeout < std::chrono::milliseconds::zero();
    const Clock::time_point deadline = unbounded ? Clock::time_point::max() : Clock::now() + timeout;
    for (;;) {
        const ssize_t sent = ::sendmsg(m_socket.get(), &header, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0)
            return ChannelStatus::Ok; // a packet socket sends all or nothing
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error == EAGAIN) {
            if (!waitFor(POLLOUT, deadline, unbounded))
                return ChannelStatus::Timeout;
            continue;
        }
        if (error == EPIPE || error == ECONNRESET || error == ENOTCONN)
            return ChannelStatus::PeerGone;
        if (error == EMSGSIZE)
            return ChannelStatus::TooLarge;
        m_lastError = error;
        return ChannelStatus::Failed;
    }
}

ChannelStatus Channel::receive(ChannelMessage& message, std::chrono::milliseconds timeout)
{
    message.payload.clear();
    message.descriptors.clear();
    if (!m_buffer)
        m_buffer.reset(new char[std::size_t(m_maxPayload)]);

    const bool unbounded = timeout < std::chrono::milliseconds::zero();
    const Clock::time_point now = Clock::now();
    const Clock::time_point deadline = unbounded ? Clock::time_point::max() : now + timeout;
    // A spinning receive asks before it waits; one that does not spin sleeps in poll() at once.
    const Clock::time_point spinEnd = std::min(deadline, now + m_spin);
    bool wait = m_spin.count() <= 0;
    for (;;) {
        if (wait && !waitFor(POLLIN, deadline, unbounded))
            return ChannelStatus::Timeout;

        iovec part { m_buffer.get(), std::size_t(m_maxPayload) };
        // Room for more descriptors than allowed, so that a message with a few too many is still read
        // whole and its descriptors closed, rather than cut short by the kernel.
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxDescriptors * 4)];
        msghdr header {};
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        // MSG_TRUNC: the call returns the packet's real length, so a packet above the bound is seen as
        // such (and dropped whole) instead of arriving cut.
        const ssize_t received
            = ::recvmsg(m_socket.get(), &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC | MSG_TRUNC);
        if (received < 0) {
            const int error = errno;
            if (error == EAGAIN) {
                wait = Clock::now() >= spinEnd;
                continue;
            }
            if (error == EINTR)
                continue;
            if (error == ECONNRESET || error == ENOTCONN)
                return ChannelStatus::PeerGone;
            m_lastError = error;
            return ChannelStatus::Failed;
        }

        // Take ownership of every descriptor that came, whatever else is wrong with the message.
        bool wellFormed = (header.msg_flags & MSG_CTRUNC) == 0;
        for (cmsghdr* attached = CMSG_FIRSTHDR(&header); attached;
             attached = CMSG_NXTHDR(&header, attached)) {
            if (attached->cmsg_level != SOL_SOCKET || attached->cmsg_type != SCM_RIGHTS) {
                wellFormed = false;
                continue;
            }
            const std::size_t count = (attached->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int fd = -1;
                std::memcpy(&fd, CMSG_DATA(attached) + i * sizeof(int), sizeof fd);
                message.descriptors.emplace_back(fd);
            }
        }
        if (received == 0 && message.descriptors.empty())
            return ChannelStatus::PeerGone; // the only empty read is the end of the stream
        if (received > m_maxPayload || (header.msg_flags & MSG_TRUNC) != 0) {
            message.descriptors.clear();
            return ChannelStatus::TooLarge;
        }
        if (!wellFormed || received == 0 || message.descriptors.size() > std::size_t(kMaxDescriptors)) {
            message.descriptors.clear();
            return ChannelStatus::Malformed;
        }
        message.payload = QByteArray(m_buffer.get(), qsizetype(received));
        return ChannelStatus::Ok;
    }
}

const char* channelStatusName(ChannelStatus status)
{
    switch (status) {
    case ChannelStatus::Ok:
        return "ok";
    case ChannelStatus::Timeout:
        return "timed out";
    case ChannelStatus::PeerGone:
        return "peer gone";
    case ChannelStatus::TooLarge:
        return "message too large";
    case ChannelStatus::Malformed:
        return "malformed message";
    case ChannelStatus::Failed:
        return "failed";
    }
    return "unknown";
}
