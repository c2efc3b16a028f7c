// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "worker/Channel.h"
#include "worker/Confinement.h"
#include "worker/Descriptor.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <vector>

/// One request as a worker's handler receives it: the parent's bytes and the descriptors it handed over
/// (the source to read, the unnamed output to write...), owned by the request.
struct WorkerRequest
{
    QByteArray payload;
    std::vector<Descriptor> descriptors;
};

/// What a handler answers: bytes and descriptors for the parent (a sealed memory file with pixels), or
/// outOfMemory when the work could not get the memory it needed.
struct WorkerReply
{
    QByteArray payload;
    std::vector<Descriptor> descriptors;
    bool outOfMemory = false;
};

/// How a worker program sets itself up and serves.
struct WorkerSetup
{
    /// Runs before the worker confines itself: loads what libraries would otherwise load lazily from
    /// the disk (image plugins, codec modules, locale data), which a confined process can no longer open.
    std::function<void()> preload;
    /// The limits of the confinement; the channel descriptor is filled in by runWorker().
    ConfinementLimits limits;
    /// Serves one request. Runs on the worker's main thread, confined, one request at a time.
    std::function<WorkerReply(WorkerRequest&)> handler;
    /// The largest message in either direction, in bytes (envelope included).
    qsizetype maxMessageBytes = Channel::kDefaultMaxPayload;
    /// How long the worker keeps asking for the next request before it sleeps (Channel::setSpin).
    std::chrono::microseconds spin {};
    /// How many more workers to fork once preloading is done, each for one of the sockets the parent
    /// handed over after the worker's own (WorkerProcess::launch with siblings); from the option
    /// "--siblings=N" (siblingsFromArgument).
    int siblings = 0;
};

/// N of the argument "--siblings=N" that a parent adds for a worker that is to fork siblings; -1 for any
/// other argument.
[[nodiscard]] int siblingsFromArgument(QByteArrayView argument);

/// The worker's side of the exchange, for a worker program's main(): takes \a socketFd (the socket the
/// parent handed over, usually 3), runs the preloading hook, forks the siblings asked for, confines the
/// process, says hello with its confinement report and process id, then serves requests until the parent
/// goes, replying to each with what the handler returns. A handler that throws std::bad_alloc is answered
/// "out of memory"; any other exception ends the process (the parent reports the abort). When the socket
/// closes, even during a request, the process ends at once with _exit(0): no atexit handlers and no leak
/// check run in a confined process. Returns (with 1) only when \a socketFd is not a socket.
int runWorker(int socketFd, const WorkerSetup& setup);
