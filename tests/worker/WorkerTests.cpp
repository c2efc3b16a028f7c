// SPDX-License-Identifier: GPL-3.0-or-later
// Worker processes from the parent's side, with the test worker (TestWorker.cpp): what a confined worker
// cannot reach, how a failing worker is reported and replaced, and what crosses between them. Effects
// are judged from outside the worker: the files, sockets, signals and /proc entries the test sees.
#include "tests/common/TestSupport.h"
#include "worker/Confinement.h"
#include "worker/Record.h"
#include "worker/SharedMemory.h"
#include "worker/WorkerPool.h"
#include "worker/WorkerProcess.h"
#include "worker/WorkerProtocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <set>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define MORVANE_TEST_ASAN 1
#endif

using namespace std::chrono_literals;

namespace {

constexpr auto kAnswerTime = 30s; // generous: sanitizer builds on a loaded machine

enum class Mode { Unconfined, LandlockOnly, SeccompOnly, Full };

/// Each mode's name, and the test worker's argument for it (none: confined in full).
constexpr std::pair<const char*, const char*> kModes[] = { { "Unconfined", "--unconfined" },
    { "LandlockOnly", "--landlock-only" }, { "SeccompOnly", "--seccomp-only" }, { "Full", nullptr } };

const char* modeName(Mode mode)
{
    return kModes[int(mode)].first;
}

QStringList argumentsFor(Mode mode)
{
    const char* argument = kModes[int(mode)].second;
    return argument ? QStringList { QString::fromLatin1(argument) } : QStringList();
}

WorkerOptions workerOptions(const QStringList& arguments = {})
{
    WorkerOptions options;
    options.program = QStringLiteral(MORVANE_TEST_WORKER);
    options.arguments = arguments;
    options.startTimeout = kAnswerTime;
    return options;
}

/// The test worker's answer: the errno of its attempt and what it read.
struct Answer
{
    int error = -1;
    QByteArray data;
};

std::optional<Answer> answerOf(const WorkerResult& result)
{
    if (!result.ok())
        return std::nullopt;
    RecordReader record(result.payload);
    Answer answer;
    answer.error = record.getI32();
    answer.data = record.getBytes(1 << 20);
    return record.ok() ? std::optional<Answer>(answer) : std::nullopt;
}

RecordWriter op(const char* name)
{
    RecordWriter record;
    record.putString(QString::fromLatin1(name));
    return record;
}

/// True when \a fd becomes readable within \a timeout.
bool readableWithin(int fd, std::chrono::milliseconds timeout)
{
    pollfd entry { fd, POLLIN, 0 };
    int ready;
    do
        ready = ::poll(&entry, 1, int(timeout.count()));
    while (ready < 0 && errno == EINTR);
    return ready > 0;
}

/// True when process \a pid (not a child of this one) ends within \a timeout.
bool endsWithin(pid_t pid, std::chrono::milliseconds timeout)
{
    Descriptor pidfd(int(::syscall(SYS_pidfd_open, pid, 0)));
    if (!pidfd.isValid())
        return errno == ESRCH;
    return readableWithin(pidfd.get(), timeout);
}

/// True when \a pid is no child of this process any more: it was reaped.
bool reaped(pid_t pid)
{
    return ::waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

// SIGUSR1 that reaches this process is written into a pipe, so a test can wait for it.
int signalPipe[2] = { -1, -1 };

void onUserSignal(int)
{
    const char byte = 's';
    (void)!::write(signalPipe[1], &byte, 1);
}

/// A unix stream socket that listens, at a path in \a folder or at an abstract name.
struct Listener
{
    Descriptor socket;
    QByteArray address;

    static Listener open(const QByteArray& address, bool abstract)
    {
        Listener listener;
        listener.address = address;
        listener.socket.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        sockaddr_un where {};
        where.sun_family = AF_UNIX;
        std::memcpy(where.sun_path + (abstract ? 1 : 0), address.constData(), std::size_t(address.size()));
        const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + (abstract ? 1 : 0)
            + std::size_t(address.size()) + (abstract ? 0 : 1));
        if (::bind(listener.socket.get(), reinterpret_cast<sockaddr*>(&where), length) != 0
            || ::listen(listener.socket.get(), 4) != 0)
            listener.socket.reset();
        return listener;
    }

    /// True when a connection is waiting (and takes it).
    bool connected() const
    {
        Descriptor accepted(::accept4(socket.get(), nullptr, nullptr, SOCK_CLOEXEC));
        return accepted.isValid();
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// What a confined worker cannot reach. Each attempt runs in four workers: unconfined (the control: it
// must work there, or the test proves nothing), with Landlock alone, with the filter alone, and with both.

enum class Reach {
    ReadSystemFile,
    ReadFileInHome,
    CreateFileBesideSource,
    ReopenSourceForWriting,
    ConnectToNamedSocket,
    ConnectToAbstractSocket,
    StartProgram,
    StartProcess,
    SignalParent,
};

struct ReachCase
{
    const char* name;
    Reach reach;
    int landlockAbi; ///< the first Landlock ABI that stops it on its own; 0 when Landlock does not cover it
};

void PrintTo(const ReachCase& reach, std::ostream* os)
{
    *os << reach.name;
}

/// What an attempt came to, seen from outside.
struct Attempt
{
    bool answered = false; ///< the worker replied (a program that replaced it does not)
    int error = -1; ///< the worker's errno of the attempt
    bool effectSeen = false; ///< the test saw the attempt's effect
    QString failure;
};

class ConfinedWorker : public ::testing::TestWithParam<std::tuple<ReachCase, Mode>>
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK), 0);
        struct sigaction action
        {
        };
        action.sa_handler = onUserSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGUSR1, &action, nullptr);
    }
    static void TearDownTestSuite()
    {
        ::signal(SIGUSR1, SIG_DFL);
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
    }

    Attempt attempt(WorkerProcess& worker, Reach reach);

    QTemporaryDir m_folder;
};

Attempt ConfinedWorker::attempt(WorkerProcess& worker, Reach reach)
{
    Attempt seen;
    auto ask = [&](const QByteArray& request, std::span<const int> descriptors = {}) {
        const WorkerResult result = worker.request(request, descriptors, kAnswerTime);
        if (const auto answer = answerOf(result)) {
            seen.answered = true;
            seen.error = answer->error;
            return answer->data;
        }
        seen.failure = result.failure ? result.failure->describe() : QStringLiteral("unreadable answer");
        return QByteArray();
    };
    const QString source = m_folder.filePath(QStringLiteral("photo.jpg"));
    const QByteArray original("original bytes");
    if (!QFile::exists(source)) {
        QFile file(source);
        (void)file.open(QIODevice::WriteOnly);
        file.write(original);
    }
    const Descriptor sourceFd(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    const int handed[] = { sourceFd.get() };

    switch (reach) {
    case Reach::ReadSystemFile: {
        const QByteArray got = ask(op("open-read").putBytes("/etc/passwd").take());
        seen.effectSeen = !got.isEmpty() && got == fileBytes(QStringLiteral("/etc/passwd")).left(4096);
        break;
    }
    case Reach::ReadFileInHome: {
        QTemporaryFile secret(QDir::home().filePath(QStringLiteral("morvane-worker-secret-XXXXXX")));
        if (!secret.open()) {
            seen.failure = QStringLiteral("no file could be made in HOME");
            break;
        }
        const QByteArray words = "the secret of " + secret.fileName().toUtf8();
        secret.write(words);
        secret.flush();
        seen.effectSeen = ask(op("open-read").putBytes(QFile::encodeName(secret.fileName())).take()) == words;
        break;
    }
    case Reach::CreateFileBesideSource: {
        const QString planted = m_folder.filePath(QStringLiteral("planted.jpg"));
        ask(op("create").putBytes(QFile::encodeName(planted)).take(), handed);
        seen.effectSeen = QFileInfo::exists(planted);
        break;
    }
    case Reach::ReopenSourceForWriting:
        ask(op("reopen-for-writing").take(), handed);
        seen.effectSeen = fileBytes(source) != original;
        break;
    case Reach::ConnectToNamedSocket:
    case Reach::ConnectToAbstractSocket: {
        const bool abstract = reach == Reach::ConnectToAbstractSocket;
        const Listener listener = abstract
            ? Listener::open(
                "morvane-test-" + QByteArray::number(::getpid()) + "-" + QByteArray::number(quintptr(this)),
                true)
            : Listener::open(QFile::encodeName(m_folder.filePath(QStringLiteral("socket"))), false);
        if (!listener.socket.isValid()) {
            seen.failure = QStringLiteral("no socket to listen on");
            break;
        }
        ask(op(abstract ? "connect-abstract" : "connect-path").putBytes(listener.address).take());
        seen.effectSeen = listener.connected();
        break;
    }
    case Reach::StartProgram: {
        const QString marker = m_folder.filePath(QStringLiteral("started"));
        ask(op("exec").putBytes(QFile::encodeName(marker)).take());
        // A program that started replaced the worker: no answer, and the worker is reaped by then.
        seen.effectSeen = QFileInfo::exists(marker);
        break;
    }
    case Reach::StartProcess: {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            break;
        const Descriptor readEnd(pipe[0]);
        const Descriptor writeEnd(pipe[1]);
        const int ends[] = { writeEnd.get() };
        ask(op("fork").take(), ends);
        seen.effectSeen = readableWithin(readEnd.get(), 0ms);
        break;
    }
    case Reach::SignalParent: {
        char drained[16];
        while (::read(signalPipe[0], drained, sizeof drained) > 0) { }
        ask(op("signal-parent").take());
        // The signal, sent before the answer, is handled by the time the answer is read; the control
        // waits for it all the same.
        seen.effectSeen = readableWithin(signalPipe[0], seen.error == 0 ? kAnswerTime : 0s);
        break;
    }
    }
    return seen;
}

TEST_P(ConfinedWorker, CannotReachBeyondItsDescriptors)
{
    const auto [reach, mode] = GetParam();
    const int kernelAbi = kernelLandlockAbi();
    if (mode == Mode::LandlockOnly) {
        if (kernelAbi == 0)
            GTEST_SKIP() << "no Landlock in this kernel: only the filter confines here";
        if (reach.landlockAbi == 0)
            GTEST_SKIP() << "Landlock does not cover this; the filter does";
        if (kernelAbi < reach.landlockAbi)
            GTEST_SKIP() << "Landlock covers this from ABI " << reach.landlockAbi << "; the kernel offers "
                         << kernelAbi;
    }

    WorkerProcess worker(workerOptions(argumentsFor(mode)));
    WorkerFailure failure;
    ASSERT_TRUE(worker.start(&failure)) << failure.describe().toStdString();
    const Attempt seen = attempt(worker, reach.reach);

    if (mode == Mode::Unconfined) {
        EXPECT_TRUE(seen.effectSeen) << "the control: unconfined, the attempt must work (error " << seen.error
                                     << ", " << seen.failure.toStdString() << ")";
        return;
    }
    EXPECT_FALSE(seen.effectSeen);
    EXPECT_TRUE(seen.answered) << seen.failure.toStdString();
    EXPECT_TRUE(seen.error == EPERM || seen.error == EACCES)
        << "refused by the confinement, not by chance: " << std::strerror(seen.error);
}

INSTANTIATE_TEST_SUITE_P(Attempts, ConfinedWorker,
    ::testing::Combine(::testing::Values(ReachCase { "ReadSystemFile", Reach::ReadSystemFile, 1 },
                           ReachCase { "ReadFileInHome", Reach::ReadFileInHome, 1 },
                           ReachCase { "CreateFileBesideSource", Reach::CreateFileBesideSource, 1 },
                           ReachCase { "ReopenSourceForWriting", Reach::ReopenSourceForWriting, 1 },
                           ReachCase { "ConnectToNamedSocket", Reach::ConnectToNamedSocket, 0 },
                           ReachCase { "ConnectToAbstractSocket", Reach::ConnectToAbstractSocket, 6 },
                           ReachCase { "StartProgram", Reach::StartProgram, 1 },
                           ReachCase { "StartProcess", Reach::StartProcess, 0 },
                           ReachCase { "SignalParent", Reach::SignalParent, 6 }),
        ::testing::Values(Mode::Unconfined, Mode::LandlockOnly, Mode::SeccompOnly, Mode::Full)),
    [](const ::testing::TestParamInfo<std::tuple<ReachCase, Mode>>& param) {
        return std::string(std::get<0>(param.param).name) + "_" + modeName(std::get<1>(param.param));
    });

// Landlock as older kernels apply it (Debian 12's own kernel offers an older ABI than this machine's):
// the ruleset of each ABI is accepted, files are out of reach with every one, abstract sockets from 6.
class LandlockOfAbi : public ::testing::TestWithParam<int>
{
};

TEST_P(LandlockOfAbi, KeepsFilesAndProgramsOutOfReach)
{
    const int abi = GetParam();
    if (kernelLandlockAbi() < abi)
        GTEST_SKIP() << "the kernel offers Landlock ABI " << kernelLandlockAbi();
    WorkerProcess worker(
        workerOptions({ QStringLiteral("--landlock-only"), QStringLiteral("--landlock-abi=%1").arg(abi) }));
    WorkerFailure failure;
    ASSERT_TRUE(worker.start(&failure)) << failure.describe().toStdString();
    EXPECT_EQ(worker.confinement()->landlockAbi, abi);

    QTemporaryDir folder;
    const auto read
        = answerOf(worker.request(op("open-read").putBytes("/etc/passwd").take(), {}, kAnswerTime));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->error, EACCES);
    const QString marker = folder.filePath(QStringLiteral("started"));
    const auto exec
        = answerOf(worker.request(op("exec").putBytes(QFile::encodeName(marker)).take(), {}, kAnswerTime));
    ASSERT_TRUE(exec);
    EXPECT_EQ(exec->error, EACCES);
    EXPECT_FALSE(QFileInfo::exists(marker));

    const Listener listener = Listener::open(
        "morvane-test-abi-" + QByteArray::number(::getpid()) + "-" + QByteArray::number(abi), true);
    ASSERT_TRUE(listener.socket.isValid());
    const auto connect
        = answerOf(worker.request(op("connect-abstract").putBytes(listener.address).take(), {}, kAnswerTime));
    ASSERT_TRUE(connect);
    EXPECT_EQ(listener.connected(), abi < 6);
    EXPECT_EQ(connect->error, abi < 6 ? 0 : EPERM);
}

INSTANTIATE_TEST_SUITE_P(Abis, LandlockOfAbi, ::testing::Range(1, 8));

// A confined worker still starts threads (a sanitizer's runtime asks the filter about each one it starts).
TEST(ConfinedWorker, HoldsOnlyItsSocketAndTheDescriptorsHandedToItAndStillStartsThreads)
{
    // A descriptor this process holds without close-on-exec, as a careless library might leave one.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("leaked"));
    const Descriptor leaked(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT, 0600));
    ASSERT_TRUE(leaked.isValid());

    for (Mode mode : { Mode::Unconfined, Mode::Full }) {
        SCOPED_TRACE(modeName(mode));
        WorkerProcess worker(workerOptions(argumentsFor(mode)));
        ASSERT_TRUE(worker.start());

        const auto written
            = answerOf(worker.request(op("write-fd").putI32(leaked.get()).take(), {}, kAnswerTime));
        ASSERT_TRUE(written);
        EXPECT_EQ(written->error, EBADF);
        EXPECT_EQ(QFileInfo(path).size(), 0);

        const auto thread = answerOf(worker.request(op("thread").take(), {}, kAnswerTime));
        ASSERT_TRUE(thread);
        EXPECT_EQ(thread->error, 0);

        const auto listed = answerOf(worker.request(op("list-fds").take(), {}, kAnswerTime));
        ASSERT_TRUE(listed);
        EXPECT_EQ(listed->data.toStdString(), "0 1 2 3");
        EXPECT_EQ(::getpgid(worker.pid()), worker.pid())
            << "a process group of its own: Ctrl-C reaches the parent only";
        const QString fds = QStringLiteral("/proc/%1/fd/").arg(worker.pid());
        EXPECT_EQ(QFileInfo(fds + QStringLiteral("0")).symLinkTarget(), QStringLiteral("/dev/null"));
        EXPECT_EQ(QFileInfo(fds + QStringLiteral("1")).symLinkTarget(), QStringLiteral("/dev/null"));
        EXPECT_TRUE(QFileInfo(fds + QStringLiteral("3")).symLinkTarget().contains(QStringLiteral("socket:")));
    }
}

// ---------------------------------------------------------------------------------------------------
// What the worker says of its confinement, against what the kernel shows of it in /proc.

TEST(ConfinementReport, AgreesWithTheProbeAndWithWhatTheKernelShowsOfTheWorker)
{
    WorkerProcess worker(workerOptions({ QStringLiteral("--memory-limit=1073741824") }));
    WorkerFailure failure;
    ASSERT_TRUE(worker.start(&failure)) << failure.describe().toStdString();
    ASSERT_TRUE(worker.confinement());
    const ConfinementReport& report = *worker.confinement();

    EXPECT_EQ(report.describe(), probeConfinement().describe());
    EXPECT_TRUE(report.seccomp);
    EXPECT_EQ(report.landlockAbi, kernelLandlockAbi());

    const QString status
        = QString::fromLatin1(fileBytes(QStringLiteral("/proc/%1/status").arg(worker.pid())));
    EXPECT_TRUE(status.contains(QStringLiteral("\nNoNewPrivs:\t1\n"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("\nSeccomp:\t2\n")));
    EXPECT_TRUE(status.contains(QStringLiteral("\nCapEff:\t0000000000000000\n")));
    const QString limits
        = QString::fromLatin1(fileBytes(QStringLiteral("/proc/%1/limits").arg(worker.pid())));
    EXPECT_TRUE(limits.contains(QRegularExpression(QStringLiteral("Max core file size +0 +0 "))));
    EXPECT_TRUE(limits.contains(QRegularExpression(QStringLiteral("Max open files +64 +64 "))));
#ifdef MORVANE_TEST_ASAN
    EXPECT_EQ(report.addressSpaceBytes, 0u) << "no address-space limit beside AddressSanitizer's shadow";
#else
    EXPECT_EQ(report.addressSpaceBytes, 1073741824u);
    EXPECT_TRUE(
        limits.contains(QRegularExpression(QStringLiteral("Max address space +1073741824 +1073741824 "))));
#endif
}

TEST(ConfinementReport, SaysWhatIsMissing)
{
    struct Case
    {
        const char* name;
        QStringList arguments;
        QString expected;
    };
    const int abi = kernelLandlockAbi();
    const QString full = abi > 0 ? QStringLiteral("confined: Landlock ABI %1, seccomp").arg(abi)
                                 : QStringLiteral("confined: seccomp (no Landlock in this kernel)");
    const Case cases[] = {
        { "Unconfined", argumentsFor(Mode::Unconfined),
            QStringLiteral("not confined: Landlock not asked for; seccomp not asked for") },
        { "SeccompOnly", argumentsFor(Mode::SeccompOnly),
            QStringLiteral("confined: seccomp (Landlock not asked for)") },
        { "LandlockOnly", argumentsFor(Mode::LandlockOnly),
            abi > 0 ? QStringLiteral("confined: Landlock ABI %1 (seccomp not asked for)").arg(abi)
                    : QStringLiteral("not confined: no Landlock in this kernel; seccomp not asked for") },
        // Threads that preloading left in Qt's pool are ended before Landlock is applied.
        { "PoolThreadBeforeConfining", { QStringLiteral("--preload-pool-thread") }, full },
        // Landlock would confine only the calling thread: it is left out and the report says so.
        { "LastingThreadBeforeConfining", { QStringLiteral("--preload-lasting-thread") },
            abi > 0
                ? QStringLiteral("confined: seccomp (Landlock skipped: other threads were already running)")
                : full },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorkerProcess worker(workerOptions(c.arguments));
        ASSERT_TRUE(worker.start());
        ASSERT_TRUE(worker.confinement());
        EXPECT_EQ(worker.confinement()->describe(), c.expected);
    }
}

// ---------------------------------------------------------------------------------------------------
// A failing worker costs one request: the failure says why, the worker is reaped, the next request gets
// a fresh one.

/// A request that has the test worker send \a packet out of the protocol, padded with 'x' to \a padTo
/// bytes, with \a descriptors copies of standard error attached.
QByteArray raw(const QByteArray& packet, int descriptors = 0, quint32 padTo = 0)
{
    return op("raw").putBytes(packet).putI32(descriptors).putU32(padTo).take();
}

QByteArray replyNumbered(quint32 id)
{
    return WorkerProtocol::seal(WorkerProtocol::Kind::Reply, id, "x");
}

struct FailureCase
{
    const char* name;
    QByteArray request;
    WorkerFailure::Kind kind;
    const char* reason; ///< describe(); empty: not checked word for word
    std::chrono::milliseconds timeout = kAnswerTime;
};

void PrintTo(const FailureCase& failure, std::ostream* os)
{
    *os << failure.name;
}

class FailingWorker : public ::testing::TestWithParam<FailureCase>
{
};

TEST_P(FailingWorker, IsReportedWithItsReasonReapedAndReplaced)
{
    const FailureCase c = GetParam();
    QStringList arguments;
    if (c.kind == WorkerFailure::Kind::OutOfMemory) {
#ifdef MORVANE_TEST_ASAN
        GTEST_SKIP() << "no address-space limit beside AddressSanitizer's shadow memory";
#endif
        arguments << QStringLiteral("--memory-limit=%1").arg(512 << 20);
    }
    WorkerProcess worker(workerOptions(arguments));
    ASSERT_TRUE(worker.start());
    const pid_t first = worker.pid();
    const int descriptorsBefore = openDescriptorCount();

    const WorkerResult result = worker.request(c.request, {}, c.timeout);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure->kind, c.kind) << result.failure->describe().toStdString();
    if (*c.reason) {
        EXPECT_EQ(result.failure->describe(), QString::fromLatin1(c.reason));
    }
    EXPECT_FALSE(worker.isRunning());
    EXPECT_TRUE(reaped(first)) << "no zombie left";
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore - 2)
        << "the socket and pidfd are closed, nothing came in";

    const WorkerResult next = worker.request(op("echo").putBytes("again").take(), {}, kAnswerTime);
    ASSERT_TRUE(next.ok()) << next.failure->describe().toStdString();
    EXPECT_NE(worker.pid(), first);
}

INSTANTIATE_TEST_SUITE_P(Failures, FailingWorker,
    ::testing::Values(FailureCase { "Crash", op("crash").take(), WorkerFailure::Kind::Crashed,
                          "the decoder crashed (SIGSEGV)" },
        FailureCase {
            "Abort", op("abort").take(), WorkerFailure::Kind::Aborted, "the decoder stopped (SIGABRT)" },
        FailureCase {
            "Hang", op("hang").take(), WorkerFailure::Kind::TimedOut, "took longer than 0.5 s", 500ms },
        FailureCase { "EndlessAllocation", op("allocate").take(), WorkerFailure::Kind::OutOfMemory,
            "needed more memory than the limit allows" },
        FailureCase { "Exit", op("exit").take(), WorkerFailure::Kind::Exited,
            "the decoder ended unexpectedly (exit status 7)" },
        FailureCase {
            "Garbage", raw("not a message of the protocol"), WorkerFailure::Kind::ProtocolError, "" },
        FailureCase { "AboveTheBound", raw(replyNumbered(1), 0, Channel::kDefaultMaxPayload + 1),
            WorkerFailure::Kind::ProtocolError, "" },
        FailureCase { "TooManyDescriptors", raw(replyNumbered(1), Channel::kMaxDescriptors + 1),
            WorkerFailure::Kind::ProtocolError, "" },
        FailureCase { "ReplyOutOfTurn", raw(replyNumbered(99)), WorkerFailure::Kind::ProtocolError, "" }),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return std::string(param.param.name); });

TEST(FailingWorker, RequestAboveTheBoundIsRefusedUnsentAndTheWorkerStays)
{
    WorkerProcess worker(workerOptions());
    ASSERT_TRUE(worker.start());
    const pid_t first = worker.pid();
    const WorkerResult refused = worker.request(
        op("echo").putBytes(QByteArray(Channel::kDefaultMaxPayload, 'x')).take(), {}, kAnswerTime);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.failure->kind, WorkerFailure::Kind::ProtocolError);
    EXPECT_TRUE(answerOf(worker.request(op("echo").putBytes("x").take(), {}, kAnswerTime)));
    EXPECT_EQ(worker.pid(), first);
}

TEST(FailingWorker, KilledByTheSystemDuringARequestIsReportedAsOutOfMemory)
{
    WorkerProcess worker(workerOptions());
    ASSERT_TRUE(worker.start());
    const pid_t first = worker.pid();
    int ready[2];
    ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    const Descriptor readEnd(ready[0]);
    const Descriptor writeEnd(ready[1]);

    // As the kernel's out-of-memory killer would: SIGKILL once the worker is busy with the request.
    std::thread killer([&] {
        if (readableWithin(readEnd.get(), kAnswerTime))
            ::kill(first, SIGKILL);
    });
    const int handed[] = { writeEnd.get() };
    const WorkerResult result = worker.request(op("hang").take(), handed, kAnswerTime);
    killer.join();
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure->describe(), QStringLiteral("needed more memory than the limit allows"));
    EXPECT_TRUE(reaped(first));
}

TEST(FailingWorker, EndsWhenItsParentDiesEvenDuringARequest)
{
    // This process adopts the orphaned worker, so that it can reap it.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const auto restore = qScopeGuard([] { ::prctl(PR_SET_CHILD_SUBREAPER, 0); });

    // The parent: an unconfined test worker that starts a worker of its own and keeps it busy.
    WorkerProcess parent(workerOptions(argumentsFor(Mode::Unconfined)));
    const auto started = answerOf(parent.request(
        op("start-busy-worker").putString(QStringLiteral(MORVANE_TEST_WORKER)).take(), {}, kAnswerTime));
    ASSERT_TRUE(started);
    ASSERT_EQ(started->error, 0) << started->data.toStdString();
    const pid_t orphan = pid_t(started->data.toInt());
    ASSERT_GT(orphan, 0);

    parent.stop(); // SIGKILL: the parent gets no chance to end its worker itself
    const bool ended = endsWithin(orphan, kAnswerTime);
    EXPECT_TRUE(ended);
    if (!ended)
        ::kill(orphan, SIGKILL);
    ::waitpid(orphan, nullptr, 0);
}

// ---------------------------------------------------------------------------------------------------
// Pixels in shared memory.

TEST(SharedPixels, ComeBackSealedAndReadableAndAreRefusedOtherwise)
{
    WorkerProcess worker(workerOptions());
    constexpr std::uint32_t kWidth = 300, kHeight = 200;
    const WorkerResult result
        = worker.request(op("pixels").putU32(kWidth).putU32(kHeight).putU8(1).take(), {}, kAnswerTime);
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result.descriptors.size(), 1u);
    const int fd = result.descriptors.front().get();

    // Sealed: nobody, the worker included, can change or shrink it any more.
    const int seals = ::fcntl(fd, F_GET_SEALS);
    EXPECT_EQ(
        seals & (F_SEAL_WRITE | F_SEAL_SHRINK | F_SEAL_GROW), F_SEAL_WRITE | F_SEAL_SHRINK | F_SEAL_GROW);
    EXPECT_LT(::pwrite(fd, "x", 1, 0), 0);
    EXPECT_NE(::ftruncate(fd, 0), 0);

    const auto view = SharedMemoryView::map(result.descriptors.front(), std::size_t(kWidth) * kHeight * 4);
    ASSERT_TRUE(view);
    int wrong = 0;
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            const auto* pixel
                = reinterpret_cast<const unsigned char*>(view->bytes().data()) + (y * kWidth + x) * 4;
            wrong += pixel[0] != (x & 0xff) || pixel[1] != (y & 0xff) || pixel[2] != ((x ^ y) & 0xff)
                || pixel[3] != 0xff;
        }
    }
    EXPECT_EQ(wrong, 0);

    // A hostile worker's block is refused unless sealed and of the stated size.
    const WorkerResult unsealed
        = worker.request(op("pixels").putU32(8).putU32(8).putU8(0).take(), {}, kAnswerTime);
    ASSERT_TRUE(unsealed.ok());
    ASSERT_EQ(unsealed.descriptors.size(), 1u);
    EXPECT_FALSE(SharedMemoryView::map(unsealed.descriptors.front(), 8 * 8 * 4));

    const WorkerResult sealed
        = worker.request(op("pixels").putU32(8).putU32(8).putU8(1).take(), {}, kAnswerTime);
    ASSERT_TRUE(sealed.ok());
    EXPECT_FALSE(SharedMemoryView::map(sealed.descriptors.front(), 8 * 8 * 4 + 1));
    EXPECT_FALSE(SharedMemoryView::map(sealed.descriptors.front(), 8 * 8 * 4 - 1));
    EXPECT_TRUE(SharedMemoryView::map(sealed.descriptors.front(), 8 * 8 * 4));

    FILE* plain = std::tmpfile();
    ASSERT_TRUE(plain);
    std::fwrite(QByteArray(256, 'x').constData(), 1, 256, plain);
    std::fflush(plain);
    const Descriptor plainFd(::dup(::fileno(plain)));
    std::fclose(plain);
    EXPECT_FALSE(SharedMemoryView::map(plainFd, 256)) << "a plain file can change under the reader";
}

// ---------------------------------------------------------------------------------------------------
// The pool.

TEST(WorkerPool, LendsEachWorkerToOneThreadAtATimeAndStartsOnlyWhatIsUsed)
{
    WorkerPool pool(workerOptions(), 2);
    EXPECT_FALSE(pool.confinement());

    constexpr int kThreads = 4;
    constexpr int kRequests = 20;
    std::mutex mutex;
    std::set<pid_t> pids;
    std::set<WorkerProcess*> inUse;
    std::atomic<int> wrong { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRequests; ++i) {
                WorkerPool::Lease lease = pool.take();
                {
                    std::lock_guard lock(mutex);
                    wrong += !inUse.insert(&lease.worker()).second;
                }
                const QByteArray mine = QByteArray::number(t) + "/" + QByteArray::number(i);
                const auto answer
                    = answerOf(lease->request(op("echo").putBytes(mine).take(), {}, kAnswerTime));
                wrong += !answer || answer->data != mine;
                std::lock_guard lock(mutex);
                pids.insert(lease->pid());
                inUse.erase(&lease.worker());
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_LE(pids.size(), 2u) << "workers are kept, not started per request";
    ASSERT_TRUE(pool.confinement());
    EXPECT_TRUE(pool.confinement()->seccomp);

    // A worker that crashes is replaced; the pool goes on.
    {
        WorkerPool::Lease lease = pool.take();
        EXPECT_FALSE(lease->request(op("crash").take(), {}, kAnswerTime).ok());
    }
    for (int i = 0; i < 3; ++i) {
        WorkerPool::Lease lease = pool.take();
        EXPECT_TRUE(answerOf(lease->request(op("echo").putBytes("x").take(), {}, kAnswerTime)));
    }
}

// Where this process reaps orphans, as the command line does, the first worker forks the others. They
// must be this process's own children, as apart from each other as started ones, and a crash in one is
// told and costs only that one.
TEST(WorkerPool, ForksItsWorkersFromTheFirstAsThisProcesssChildrenEachWithOnlyItsOwnSocket)
{
    {
        // Without reaping orphans a fork is nobody's child here: its greeting is refused, and the
        // worker is started alone.
        WorkerProcess first(workerOptions());
        WorkerProcess second(workerOptions());
        WorkerProcess* const siblings[] = { &second };
        ASSERT_TRUE(first.launch(nullptr, siblings));
        WorkerFailure failure;
        EXPECT_FALSE(second.awaitGreeting(&failure));
        EXPECT_TRUE(failure.detail.contains(QStringLiteral("not a child"))) << failure.detail.toStdString();
        EXPECT_TRUE(first.awaitGreeting());
        EXPECT_TRUE(second.start());
        EXPECT_NE(first.pid(), second.pid());
    }

    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const auto restore = qScopeGuard([] { ::prctl(PR_SET_CHILD_SUBREAPER, 0); });
    WorkerPool pool(workerOptions(), 3);
    pool.launchAll();
    ASSERT_EQ(pool.startAll(), 3);
    std::vector<WorkerPool::Lease> leases;
    std::set<pid_t> pids;
    for (int i = 0; i < 3; ++i) {
        leases.push_back(pool.take());
        const pid_t pid = leases.back()->pid();
        pids.insert(pid);
        SCOPED_TRACE(pid);
        siginfo_t info {};
        EXPECT_EQ(::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT), 0) << "a child of ours";
        EXPECT_TRUE(fileBytes(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains("--siblings=2"))
            << "forked from the first";
        EXPECT_NE(::getpgid(pid), ::getpgid(0));
        const auto listed = answerOf(leases.back()->request(op("list-fds").take(), {}, kAnswerTime));
        ASSERT_TRUE(listed);
        EXPECT_EQ(listed->data.toStdString(), "0 1 2 3") << "no sibling's socket";
    }
    EXPECT_EQ(pids.size(), 3u);
    EXPECT_TRUE(pool.confinement() && pool.confinement()->confined());

    WorkerProcess& forked = leases.back().worker();
    const pid_t crashed = forked.pid();
    const WorkerResult result = forked.request(op("crash").take(), {}, kAnswerTime);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.failure->describe(), QStringLiteral("the decoder crashed (SIGSEGV)"));
    EXPECT_TRUE(reaped(crashed));
    for (WorkerPool::Lease& lease : leases)
        EXPECT_TRUE(answerOf(lease->request(op("echo").putBytes("x").take(), {}, kAnswerTime)));
}

TEST(WorkerPool, StartsEveryWorkerAtOnceAndKeepsOnlyThoseThatRun)
{
    for (const bool launchedFirst : { false, true }) {
        SCOPED_TRACE(launchedFirst);
        WorkerPool pool(workerOptions(), 3);
        if (launchedFirst)
            pool.launchAll();
        EXPECT_EQ(pool.startAll(), 3);
        EXPECT_EQ(pool.size(), 3);
        ASSERT_TRUE(pool.confinement());
        std::set<pid_t> pids;
        std::vector<WorkerPool::Lease> leases;
        for (int i = 0; i < 3; ++i) {
            leases.push_back(pool.take());
            pids.insert(leases.back()->pid());
            EXPECT_TRUE(answerOf(leases.back()->request(op("echo").putBytes("x").take(), {}, kAnswerTime)));
        }
        EXPECT_EQ(pids.size(), 3u) << "each slot has a worker of its own, started before any request";
    }
    // None can start: one slot stays, so that each file is told why.
    WorkerOptions options = workerOptions();
    options.program = QStringLiteral("/nonexistent/morvane-worker");
    WorkerPool pool(options, 3);
    pool.launchAll();
    WorkerFailure failure;
    EXPECT_EQ(pool.startAll(&failure), 0);
    EXPECT_EQ(pool.size(), 1);
    EXPECT_EQ(failure.kind, WorkerFailure::Kind::StartFailed);
    WorkerPool::Lease lease = pool.take();
    for (int i = 0; i < 2; ++i) { // each request tries again, and tells why it failed
        const WorkerResult result = lease->request(op("echo").putBytes("x").take(), {}, kAnswerTime);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.failure->kind, WorkerFailure::Kind::StartFailed);
        EXPECT_TRUE(result.failure->describe().contains(QStringLiteral("No such file")))
            << result.failure->describe().toStdString();
    }
}
