// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/WorkerProcess.h"

#include "worker/WorkerProtocol.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

/// How long a worker that hung up may take to finish ending before it is killed.
constexpr auto kEndGrace = 5s;

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// posix_spawn's settings, released however the start ends.
struct SpawnSettings
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

    SpawnSettings()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSettings()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
};

/// A descriptor to wait on process \a pid with; -1 on a kernel without pidfds (before 5.3).
int pidfdOf(pid_t pid)
{
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

} // namespace

QString signalName(int signal)
{
    if (const char* abbreviation = ::sigabbrev_np(signal))
        return QStringLiteral("SIG") + QString::fromLatin1(abbreviation);
    return QStringLiteral("signal %1").arg(signal);
}

QString WorkerFailure::describe() const
{
    switch (kind) {
    case Kind::StartFailed:
        return QCoreApplication::translate("WorkerFailure", "the decoder could not be started: %1")
            .arg(detail);
    case Kind::Crashed:
        return QCoreApplication::translate("WorkerFailure", "the decoder crashed (%1)")
            .arg(signalName(signal));
    case Kind::Aborted:
        return QCoreApplication::translate("WorkerFailure", "the decoder stopped (%1)")
            .arg(signalName(signal));
    case Kind::Killed:
        return QCoreApplication::translate("WorkerFailure", "the decoder was ended by a signal (%1)")
            .arg(signalName(signal));
    case Kind::TimedOut:
        return QCoreApplication::translate("WorkerFailure", "took longer than %1 s")
            .arg(QString::number(double(timeout.count()) / 1000.0));
    case Kind::OutOfMemory:
        return QCoreApplication::translate("WorkerFailure", "needed more memory than the limit allows");
    case Kind::Exited:
        if (exitStatus < 0)
            return QCoreApplication::translate("WorkerFailure", "the decoder ended unexpectedly");
        return QCoreApplication::translate("WorkerFailure", "the decoder ended unexpectedly (exit status %1)")
            .arg(exitStatus);
    case Kind::ProtocolError:
        return QCoreApplication::translate("WorkerFailure", "the decoder broke off the exchange (%1)")
            .arg(detail);
    }
    return {};
}

WorkerFailure failureFromWaitStatus(int waitStatus)
{
    WorkerFailure failure;
    if (WIFEXITED(waitStatus)) {
        failure.kind = WorkerFailure::Kind::Exited;
        failure.exitStatus = WEXITSTATUS(waitStatus);
        return failure;
    }
    if (!WIFSIGNALED(waitStatus)) {
        failure.kind = WorkerFailure::Kind::Exited;
        return failure;
    }
    failure.signal = WTERMSIG(waitStatus);
    switch (failure.signal) {
    case SIGSEGV:
    case SIGBUS:
    case SIGILL:
    case SIGFPE:
    case SIGSYS:
    case SIGTRAP:
        failure.kind = WorkerFailure::Kind::Crashed;
        break;
    case SIGABRT:
        failure.kind = WorkerFailure::Kind::Aborted;
        break;
    case SIGKILL:
        // Nobody here sent it (a worker killed for its time is reported as such): the kernel's
        // out-of-memory killer is what ends a process this way.
        failure.kind = WorkerFailure::Kind::OutOfMemory;
        break;
    default:
        failure.kind = WorkerFailure::Kind::Killed;
        break;
    }
    return failure;
}

WorkerProcess::WorkerProcess(WorkerOptions options)
    : m_options(std::move(options))
{ }

WorkerProcess::~WorkerProcess()
{
    stop();
}

WorkerFailure WorkerProcess::fail(WorkerFailure::Kind kind, QString detail)
{
    WorkerFailure failure;
    failure.kind = kind;
    failure.detail = std::move(detail);
    return failure;
}

bool WorkerProcess::start(WorkerFailure* failure)
{
    if (isRunning() && !m_greetingDue)
        return true;
    return (isRunning() || launch(failure)) && awaitGreeting(failure);
}

bool WorkerProcess::launch(WorkerFailure* failure, std::span<WorkerProcess* const> siblings)
{
    if (isRunning())
        return true;
    auto report = [&](QString detail) {
        if (failure)
            *failure = fail(WorkerFailure::Kind::StartFailed, std::move(detail));
        return false;
    };

    std::vector<WorkerProcess*> forked;
    for (WorkerProcess* sibling : siblings) {
        if (sibling != this && !sibling->isRunning())
            forked.push_back(sibling);
    }
    // The worker's socket becomes descriptor 3 and its siblings' 4 onwards. dup2 onto the same number
    // would leave a descriptor close-on-exec, and one onto another's number would replace it: every
    // child's end first moves above them all.
    const int firstFree = 4 + int(forked.size());
    std::vector<Descriptor> childEnds;
    std::vector<Descriptor> parentEnds;
    for (size_t i = 0; i <= forked.size(); ++i) {
        auto ends = Channel::createSocketPair();
        if (!ends)
            return report(systemText(errno));
        Descriptor moved(::fcntl(ends->second.get(), F_DUPFD_CLOEXEC, firstFree));
        if (!moved.isValid())
            return report(systemText(errno));
        parentEnds.push_back(std::move(ends->first));
        childEnds.push_back(std::move(moved));
    }

    SpawnSettings settings;
    for (size_t i = 0; i < childEnds.size(); ++i)
        posix_spawn_file_actions_adddup2(&settings.actions, childEnds[i].get(), 3 + int(i));
    posix_spawn_file_actions_addopen(&settings.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&settings.actions, 1, "/dev/null", O_WRONLY, 0);
    // Nothing else the parent holds reaches the worker, whether or not it was opened close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&settings.actions, firstFree);
    sigset_t mask;
    sigemptyset(&mask);
    posix_spawnattr_setsigmask(&settings.attributes, &mask);
    sigfillset(&mask);
    posix_spawnattr_setsigdefault(&settings.attributes, &mask);
    posix_spawnattr_setpgroup(&settings.attributes, 0);
    posix_spawnattr_setflags(
        &settings.attributes, short(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP));

    std::vector<QByteArray> words { QFile::encodeName(m_options.program) };
    for (const QString& argument : m_options.arguments)
        words.push_back(argument.toLocal8Bit());
    if (!forked.empty())
        words.push_back(WorkerProtocol::kSiblingsOption + QByteArray::number(qsizetype(forked.size())));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned
        = ::posix_spawn(&pid, argv[0], &settings.actions, &settings.attributes, argv.data(), environ);
    if (spawned != 0)
        return report(systemText(spawned));
    childEnds.clear();
    m_pid = pid;
    m_pidfd.reset(pidfdOf(pid));
    adopt(std::move(parentEnds.front()));
    for (size_t i = 0; i < forked.size(); ++i)
        forked[i]->adopt(std::move(parentEnds[i + 1]));
    return true;
}

bool WorkerProcess::takeForkedProcess(std::uint64_t claimed)
{
    const auto pid = pid_t(claimed);
    siginfo_t info {};
    if (pid <= 0 || std::uint64_t(pid) != claimed
        || ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return false;
    m_pid = pid;
    m_pidfd.reset(pidfdOf(pid));
    return true;
}

void WorkerProcess::adopt(Descriptor socket)
{
    m_channel = std::make_unique<Channel>(std::move(socket), m_options.maxMessageBytes);
    m_channel->setSpin(m_options.spin);
    m_sequence = 0;
    m_greetingDue = true;
}

bool WorkerProcess::awaitGreeting(WorkerFailure* failure)
{
    if (!isRunning())
        return start(failure);
    if (!m_greetingDue)
        return true;
    m_greetingDue = false;
    auto report = [&](QString detail) {
        if (failure)
            *failure = fail(WorkerFailure::Kind::StartFailed, std::move(detail));
        return false;
    };
    ChannelMessage hello;
    const ChannelStatus received = m_channel->receive(hello, m_options.startTimeout);
    if (received == ChannelStatus::Ok) {
        const auto envelope = WorkerProtocol::open(hello.payload);
        auto confinement
            = envelope && envelope->kind == WorkerProtocol::Kind::Hello && hello.descriptors.empty()
            ? ConfinementReport::fromRecord(envelope->body)
            : std::nullopt;
        if (confinement && m_pid == 0 && !takeForkedProcess(envelope->sequence)) {
            forget();
            return report(QStringLiteral("it is not a child of this process"));
        }
        if (confinement && envelope->sequence == std::uint64_t(m_pid)) {
            m_confinement = std::move(confinement);
            return true;
        }
        killWith({});
        return report(QStringLiteral("its greeting was not understood"));
    }
    if (received == ChannelStatus::PeerGone)
        return report(reapAfterHangUp().describe());
    if (received == ChannelStatus::Timeout) {
        killWith({});
        return report(QStringLiteral("no greeting within %1 s")
                          .arg(QString::number(double(m_options.startTimeout.count()) / 1000.0)));
    }
    killWith({});
    return report(QString::fromLatin1(channelStatusName(received)));
}

WorkerResult WorkerProcess::request(
    QByteArrayView payload, std::span<const int> descriptors, std::chrono::milliseconds timeout)
{
    WorkerResult result;
    WorkerFailure failure;
    if (!start(&failure)) {
        result.failure = std::move(failure);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto timedOut = [&] {
        WorkerFailure late;
        late.kind = WorkerFailure::Kind::TimedOut;
        late.timeout = timeout;
        return killWith(std::move(late));
    };

    const std::uint64_t sequence = ++m_sequence;
    const ChannelStatus sent = m_channel->send(
        WorkerProtocol::seal(WorkerProtocol::Kind::Request, sequence, payload), descriptors, timeout);
    switch (sent) {
    case ChannelStatus::Ok:
        break;
    case ChannelStatus::Timeout:
        result.failure = timedOut();
        return result;
    case ChannelStatus::PeerGone:
        result.failure = reapAfterHangUp();
        return result;
    case ChannelStatus::TooLarge:
    case ChannelStatus::Malformed:
        // The request itself is at fault; the worker never saw it and stays.
        result.failure
            = fail(WorkerFailure::Kind::ProtocolError, QStringLiteral("a request beyond the message bounds"));
        return result;
    case ChannelStatus::Failed:
        result.failure
            = killWith(fail(WorkerFailure::Kind::ProtocolError, systemText(m_channel->lastError())));
        return result;
    }

    const auto left = std::max(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()),
        std::chrono::milliseconds::zero());
    ChannelMessage reply;
    const ChannelStatus received = m_channel->receive(reply, left);
    switch (received) {
    case ChannelStatus::Ok:
        break;
    case ChannelStatus::Timeout:
        result.failure = timedOut();
        return result;
    case ChannelStatus::PeerGone:
        result.failure = reapAfterHangUp();
        return result;
    case ChannelStatus::TooLarge:
        result.failure
            = killWith(fail(WorkerFailure::Kind::ProtocolError, QStringLiteral("a reply too large")));
        return result;
    case ChannelStatus::Malformed:
        result.failure
            = killWith(fail(WorkerFailure::Kind::ProtocolError, QStringLiteral("a malformed reply")));
        return result;
    case ChannelStatus::Failed:
        result.failure
            = killWith(fail(WorkerFailure::Kind::ProtocolError, systemText(m_channel->lastError())));
        return result;
    }

    const auto envelope = WorkerProtocol::open(reply.payload);
    if (!envelope || envelope->sequence != sequence
        || (envelope->kind != WorkerProtocol::Kind::Reply
            && envelope->kind != WorkerProtocol::Kind::OutOfMemory)) {
        result.failure = killWith(
            fail(WorkerFailure::Kind::ProtocolError, QStringLiteral("a message that is not the reply")));
        return result;
    }
    if (envelope->kind == WorkerProtocol::Kind::OutOfMemory) {
        // Whatever the worker holds after a failed allocation goes with it.
        result.failure = killWith(fail(WorkerFailure::Kind::OutOfMemory));
        return result;
    }
    result.payload = envelope->body.toByteArray();
    result.descriptors = std::move(reply.descriptors);
    return result;
}

void WorkerProcess::stop()
{
    if (isRunning())
        killWith({});
}

WorkerFailure WorkerProcess::killWith(WorkerFailure failure)
{
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
    reap();
    return failure;
}

WorkerFailure WorkerProcess::reapAfterHangUp()
{
    if (m_pid == 0) {
        // A sibling that was never forked, or ended before it said which process it is.
        forget();
        return fail(WorkerFailure::Kind::Exited);
    }
    if (!waitForEnd(kEndGrace)) {
        // It closed its socket but lives on: not a worker that can be trusted with another file.
        return killWith(
            fail(WorkerFailure::Kind::ProtocolError, QStringLiteral("it hung up without ending")));
    }
    const std::optional<int> status = reap();
    return status ? failureFromWaitStatus(*status) : fail(WorkerFailure::Kind::Exited);
}

bool WorkerProcess::waitForEnd(std::chrono::milliseconds timeout)
{
    if (!m_pidfd.isValid()) {
        // A kernel without pidfds (before 5.3): only a look, no wait.
        siginfo_t info {};
        return ::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == m_pid;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left
            = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry { m_pidfd.get(), POLLIN, 0 };
        const int ready = ::poll(&entry, 1, int(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        if (ready >= 0 || errno != EINTR)
            return ready > 0;
    }
}

std::optional<int> WorkerProcess::reap()
{
    if (m_pid == 0) {
        // A forked sibling that never said which process it is: it ends by itself once its socket
        // closes, and is reaped with this process.
        forget();
        return std::nullopt;
    }
    int status = 0;
    pid_t reaped;
    do
        reaped = ::waitpid(m_pid, &status, 0);
    while (reaped < 0 && errno == EINTR);
    forget();
    // ECHILD: the parent lets the system reap its children (SIGCHLD ignored); the status is lost.
    return reaped > 0 ? std::optional<int>(status) : std::nullopt;
}

void WorkerProcess::forget()
{
    m_pid = 0;
    m_greetingDue = false;
    m_pidfd.reset();
    m_channel.reset();
}
