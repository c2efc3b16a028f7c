// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "worker/Channel.h"
#include "worker/Confinement.h"
#include "worker/Descriptor.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <sys/types.h>
#include <vector>

/// Why a request to a worker got no answer. The file it was about fails with describe() as its reason;
/// the worker is gone by then (reaped) and the next request starts a fresh one.
struct WorkerFailure
{
    enum class Kind {
        StartFailed, ///< the worker could not be started or did not say hello (detail says why)
        Crashed, ///< ended by SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGSYS or SIGTRAP
        Aborted, ///< ended by SIGABRT (a failed assertion, abort())
        Killed, ///< ended by another signal from outside
        TimedOut, ///< took longer than the request's time limit and was killed
        OutOfMemory, ///< said it ran out of memory, or was killed with SIGKILL (the kernel's OOM killer)
        Exited, ///< ended with an exit status without answering
        ProtocolError, ///< sent something that is not an answer to the request (detail says what)
    };

    Kind kind = Kind::StartFailed;
    int signal = 0; ///< Crashed, Aborted, Killed
    int exitStatus = -1; ///< Exited; -1 when the status could not be learnt
    std::chrono::milliseconds timeout {}; ///< TimedOut
    QString detail; ///< StartFailed and ProtocolError: what went wrong, in a few words

    /// The reason shown for the file: "the decoder crashed (SIGSEGV)", "took longer than 120 s",
    /// "needed more memory than the limit allows".
    [[nodiscard]] QString describe() const;
};

/// The answer to a request: the worker's bytes and descriptors (owned by the result), or the failure.
struct WorkerResult
{
    std::optional<WorkerFailure> failure;
    QByteArray payload;
    std::vector<Descriptor> descriptors;

    [[nodiscard]] bool ok() const { return !failure; }
};

/// How to start a worker.
struct WorkerOptions
{
    /// The worker program and its arguments. It is started with its socket as descriptor 3, /dev/null as
    /// standard input and output, the parent's standard error, and no other descriptor.
    QString program;
    QStringList arguments;
    /// How long a new worker may take to confine itself and say hello.
    std::chrono::milliseconds startTimeout { 10000 };
    /// The largest message in either direction, in bytes (envelope included).
    qsizetype maxMessageBytes = Channel::kDefaultMaxPayload;
    /// How long the parent keeps asking for a reply before it sleeps (Channel::setSpin).
    std::chrono::microseconds spin {};
};

/// The parent's side of one worker process: starts it (posix_spawn: safe in a multi-threaded program),
/// in a process group of its own so that a Ctrl-C at the terminal reaches the parent only, waits for
/// its hello and confinement report, and passes requests and replies. Everything a worker sends is
/// checked as coming from a hostile process. When a request fails (the worker died, hung past the time
/// limit, ran out of memory or broke the protocol), the worker is killed if needed and reaped, the
/// failure says why, and the next request starts a fresh worker. A worker whose parent dies ends by
/// itself: it notices that its socket hung up.
///
/// Owns the process, its socket and a pidfd to wait on it. One thread at a time.
class WorkerProcess
{
public:
    explicit WorkerProcess(WorkerOptions options);
    /// Kills and reaps the worker, if one runs.
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    /// Starts a worker now unless one runs, and waits for its greeting. False with the reason in
    /// \a failure when it cannot.
    bool start(WorkerFailure* failure = nullptr);
    /// start() in two halves, so that several workers confine and greet at once: launch() starts the
    /// process without waiting, awaitGreeting() waits for what it says (and launches one if none runs).
    ///
    /// With \a siblings, the new worker forks one worker for each of them that is not running, once it
    /// has loaded its libraries, and each sibling awaits its greeting as if it had launched it. Only for
    /// a parent that reaps orphans (PR_SET_CHILD_SUBREAPER): that is how the forks become its children.
    /// A sibling whose fork fails says so when its greeting is awaited, and is then started alone.
    bool launch(WorkerFailure* failure = nullptr, std::span<WorkerProcess* const> siblings = {});
    bool awaitGreeting(WorkerFailure* failure = nullptr);
    /// Whether a worker runs or is on its way (launched, or to be forked by a sibling).
    [[nodiscard]] bool isRunning() const { return m_channel != nullptr; }
    /// The running worker's process id; 0 when none runs, or while a forked one has not said hello.
    [[nodiscard]] pid_t pid() const { return m_pid; }
    /// What the last worker that said hello got when it confined itself.
    [[nodiscard]] const std::optional<ConfinementReport>& confinement() const { return m_confinement; }

    /// Sends \a payload with \a descriptors (which stay the caller's) to the worker, starting one when
    /// none runs, and waits at most \a timeout for its reply.
    [[nodiscard]] WorkerResult request(
        QByteArrayView payload, std::span<const int> descriptors, std::chrono::milliseconds timeout);

    /// Kills and reaps the worker, if one runs; the next request starts a fresh one.
    void stop();

private:
    WorkerFailure fail(WorkerFailure::Kind kind, QString detail = {});
    /// Kills the worker, reaps it and returns \a failure.
    WorkerFailure killWith(WorkerFailure failure);
    /// The worker hung up: waits briefly for it to end, reaps it and says how it ended.
    WorkerFailure reapAfterHangUp();
    /// Waits until the worker has ended or \a timeout passed; true when it has ended.
    bool waitForEnd(std::chrono::milliseconds timeout);
    /// Reaps the ended worker; its wait status, or nullopt when it could not be learnt.
    std::optional<int> reap();
    void forget();
    /// Takes \a socket as the parent's end to a worker that a sibling forks.
    void adopt(Descriptor socket);
    /// Takes the process a forked worker names as its own in its greeting, when it is a child of this
    /// process; false otherwise.
    bool takeForkedProcess(std::uint64_t claimed);

    WorkerOptions m_options;
    pid_t m_pid = 0;
    Descriptor m_pidfd;
    std::unique_ptr<Channel> m_channel;
    std::optional<ConfinementReport> m_confinement;
    std::uint64_t m_sequence = 0;
    bool m_greetingDue = false; ///< launched, its greeting not yet read
};

/// The failure that the wait status \a waitStatus of an ended worker stands for.
[[nodiscard]] WorkerFailure failureFromWaitStatus(int waitStatus);

/// "SIGSEGV" for SIGSEGV; "signal 42" for a number without a name.
[[nodiscard]] QString signalName(int signal);
