// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/WorkerMain.h"

#include "worker/Channel.h"
#include "worker/WorkerProtocol.h"

#include <QThreadPool>

#include <cstdio>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

/// Exit status of a worker whose handler answered with more than a message may carry.
constexpr int kReplyRefused = 3;
/// Exit status of a worker that received something its parent would never send.
constexpr int kParentMisunderstood = 2;

/// Ends the process as soon as the parent's end of \a socketFd closes, even while the main thread is
/// busy with a request: the parent died, or gave up on this worker.
void watchForHangUp(int socketFd)
{
    std::thread([socketFd] {
        for (;;) {
            // No events asked for: poll returns only for a hang-up or an error on the socket.
            pollfd entry { socketFd, 0, 0 };
            if (::poll(&entry, 1, -1) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
                ::_exit(0);
        }
    }).detach();
}

} // namespace

int runWorker(int socketFd, const WorkerSetup& setup)
{
    struct stat status
    {
    };
    if (::fstat(socketFd, &status) != 0 || !S_ISSOCK(status.st_mode)) {
        std::fprintf(stderr, "morvane worker: descriptor %d is not the socket to a parent\n", socketFd);
        return 1;
    }
    // Whatever the process might start gets no way to the parent.
    ::fcntl(socketFd, F_SETFD, FD_CLOEXEC);

    if (setup.preload)
        setup.preload();
    // Landlock confines only the thread that applies it: the threads that preloading left in Qt's pool
    // (image conversions run there) are ended first.
    QThreadPool::globalInstance()->waitForDone();
    ConfinementLimits limits = setup.limits;
    limits.channelDescriptor = socketFd;
    const ConfinementReport report = confineThisProcess(limits);

    Channel channel(Descriptor(socketFd), setup.maxMessageBytes);
    watchForHangUp(socketFd);
    if (channel.send(WorkerProtocol::seal(WorkerProtocol::Kind::Hello, 0, report.toRecord()))
        != ChannelStatus::Ok)
        ::_exit(0);

    channel.setSpin(setup.spin);
    ChannelMessage message;
    for (;;) {
        const ChannelStatus received = channel.receive(message);
        if (received == ChannelStatus::PeerGone)
            ::_exit(0);
        const auto envelope
            = received == ChannelStatus::Ok ? WorkerProtocol::open(message.payload) : std::nullopt;
        if (!envelope || envelope->kind != WorkerProtocol::Kind::Request)
            ::_exit(kParentMisunderstood);

        WorkerReply reply;
        {
            WorkerRequest request { envelope->body.toByteArray(), std::move(message.descriptors) };
            try {
                reply = setup.handler(request);
            } catch (const std::bad_alloc&) {
                reply = WorkerReply();
                reply.outOfMemory = true;
            }
        }

        QByteArray packet;
        std::vector<int> descriptors;
        if (reply.outOfMemory) {
            packet = WorkerProtocol::seal(WorkerProtocol::Kind::OutOfMemory, envelope->sequence, {});
        } else {
            packet = WorkerProtocol::seal(WorkerProtocol::Kind::Reply, envelope->sequence, reply.payload);
            for (const Descriptor& attached : reply.descriptors)
                descriptors.push_back(attached.get());
        }
        const ChannelStatus sent = channel.send(packet, descriptors);
        if (sent == ChannelStatus::PeerGone)
            ::_exit(0);
        if (sent != ChannelStatus::Ok) {
            std::fprintf(
                stderr, "morvane worker: the reply could not be sent (%s)\n", channelStatusName(sent));
            ::_exit(kReplyRefused);
        }
    }
}
