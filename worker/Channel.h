// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "worker/Descriptor.h"

#include <QByteArray>
#include <QByteArrayView>

#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

/// How a send or a receive ended.
enum class ChannelStatus {
    Ok,
    Timeout, ///< nothing came (or nothing could be sent) in the time given
    PeerGone, ///< the other end is closed: its process ended or closed the socket
    TooLarge, ///< the message was above the size bound; a received one was dropped unread
    Malformed, ///< not a message of this channel: empty, too many or the wrong kind of attachments
    Failed, ///< the system refused for another reason (see Channel::lastError)
};

/// Waits without limit.
inline constexpr std::chrono::milliseconds kNoTimeout { -1 };

/// One message: bytes and the descriptors attached to them, owned by the message.
struct ChannelMessage
{
    QByteArray payload;
    std::vector<Descriptor> descriptors;
};

/// One end of a worker's socket: AF_UNIX, SOCK_SEQPACKET, so every send arrives as one message with its
/// boundaries. A message is a non-empty byte payload of at most maxPayload() bytes plus at most
/// kMaxDescriptors descriptors (SCM_RIGHTS). What comes in is held to the same bounds whatever the other
/// end sends: a message above the bound is dropped without being allocated, descriptors beyond the
/// bound or in any other form are closed, and every received descriptor is close-on-exec. Interrupted
/// calls are retried; sends never raise SIGPIPE. Owns its socket and a receive buffer of maxPayload()
/// bytes. One thread at a time.
class Channel
{
public:
    static constexpr qsizetype kDefaultMaxPayload = 64 * 1024;
    /// Enough for a source and a work file each of a conversion's sixteen files.
    static constexpr int kMaxDescriptors = 32;

    /// A connected pair of sockets, both close-on-exec; nullopt with errno set when the system refuses.
    [[nodiscard]] static std::optional<std::pair<Descriptor, Descriptor>> createSocketPair();

    explicit Channel(Descriptor socket, qsizetype maxPayload = kDefaultMaxPayload);

    [[nodiscard]] int socket() const { return m_socket.get(); }
    [[nodiscard]] qsizetype maxPayload() const { return m_maxPayload; }
    /// The system's error number of the last Failed result.
    [[nodiscard]] int lastError() const { return m_lastError; }

    /// Sends \a payload with \a descriptors (which stay the caller's), waiting at most \a timeout for
    /// room in the socket. An empty payload is Malformed; one above the bound is TooLarge; neither is sent.
    [[nodiscard]] ChannelStatus send(QByteArrayView payload, std::span<const int> descriptors = {},
        std::chrono::milliseconds timeout = kNoTimeout);
    /// Receives the next message into \a message, waiting at most \a timeout for it.
    [[nodiscard]] ChannelStatus receive(
        ChannelMessage& message, std::chrono::milliseconds timeout = kNoTimeout);
    /// How long receive() keeps asking for a message that has not come yet before it sleeps (none by
    /// default). Where the answer is due within microseconds, this saves a sleep and a wake-up, which on
    /// a virtual machine cost more than the conversation itself.
    void setSpin(std::chrono::microseconds spin) { m_spin = spin; }

private:
    /// Waits until the socket is ready for \a events or the deadline passes. False on timeout.
    bool waitFor(short events, std::chrono::steady_clock::time_point deadline, bool unbounded);

    Descriptor m_socket;
    qsizetype m_maxPayload;
    /// Left uninitialised: only the pages a message fills are ever touched.
    std::unique_ptr<char[]> m_buffer;
    int m_lastError = 0;
    std::chrono::microseconds m_spin {};
};

/// A short English name of \a status, for diagnostics.
[[nodiscard]] const char* channelStatusName(ChannelStatus status);
