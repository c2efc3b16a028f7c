// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/WorkerMain.h"

#include "worker/Channel.h"
#include "worker/WorkerProtocol.h"

#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

/// Forks a worker for each of the \a count sockets the parent handed over after \a own, now that the
/// libraries are loaded: a fork shares what took this process tens of milliseconds to load and relocate.
/// Each fork goes through a middle process that ends at once, so that the sibling becomes the child of
/// the parent, which reaps orphans (a subreaper): the parent waits on it, reaps it and learns how it
/// ended as for a worker it started itself. Returns the socket this process serves, moved to \a own in
/// a sibling.
int forkSiblings(int own, int count)
{
    for (int i = 1; i <= count; ++i) {
        const int socket = own + i;
        const pid_t middle = ::fork();
        if (middle == 0) {
            const pid_t self = ::getpid();
            if (::fork() != 0)
                ::_exit(0);
            for (int other = own; other <= own + count; ++other) {
                if (other != socket)
                    ::close(other);
            }
            if (::dup2(socket, own) != own)
                ::_exit(1);
            ::close(socket);
            ::fcntl(own, F_SETFD, FD_CLOEXEC);
            // Not the parent's child until the middle process has ended: it would not know our greeting.
            while (::getppid() == self)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            return own;
        }
        if (middle > 0) {
            while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) { }
        }
        // The sibling has its own copy; where the fork failed, the parent sees this socket hang up.
        ::close(socket);
    }
    return own;
}

} // namespace

int siblingsFromArgument(QByteArrayView argument)
{
    const QByteArrayView option(WorkerProtocol::kSiblingsOption);
    if (!argument.startsWith(option))
        return -1;
    bool ok = false;
    const int count = argument.sliced(option.size()).toInt(&ok);
    return ok ? std::clamp(count, 0, 63) : -1;
}

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
    if (setup.siblings > 0)
        socketFd = forkSiblings(socketFd, setup.siblings);
    ConfinementLimits limits = setup.limits;
    limits.channelDescriptor = socketFd;
    const ConfinementReport report = confineThisProcess(limits);

    Channel channel(Descriptor(socketFd), setup.maxMessageBytes);
    watchForHangUp(socketFd);
    if (channel.send(
            WorkerProtocol::seal(WorkerProtocol::Kind::Hello, std::uint64_t(::getpid()), report.toRecord()))
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
