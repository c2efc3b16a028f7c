// SPDX-License-Identifier: GPL-3.0-or-later
// A worker program for the tests only: it serves requests that try, from inside the worker, what a
// compromised decoder would try (open a file by its path, connect to a socket, start a program, signal
// its parent, write where it was given nothing), or fail the way a decoder fails (crash, abort, hang,
// allocate without end, answer out of turn). Each reply starts with the errno of the attempt (0 when it
// worked); the tests judge by what they see outside the worker.
//
//   morvane_test_worker [--unconfined | --landlock-only | --seccomp-only] [--memory-limit=BYTES]
//                       [--landlock-abi=N] [--preload-pool-thread | --preload-lasting-thread]
#include "tests/worker/RawSend.h"
#include "worker/Record.h"
#include "worker/SharedMemory.h"
#include "worker/WorkerMain.h"
#include "worker/WorkerProcess.h"

#include <QByteArray>
#include <QString>
#include <QThreadPool>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

WorkerReply answer(int error, const QByteArray& data = {})
{
    WorkerReply reply;
    reply.payload = RecordWriter().putI32(error).putBytes(data).take();
    return reply;
}

int lastError(int result)
{
    return result < 0 ? errno : 0;
}

/// Connects a new unix stream socket to \a address; the errno of the first step that failed.
int connectTo(const sockaddr_un& address, socklen_t length)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    const int error = lastError(::connect(fd, reinterpret_cast<const sockaddr*>(&address), length));
    ::close(fd);
    return error;
}

WorkerReply openAndRead(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return answer(errno);
    QByteArray data(4096, '\0');
    const ssize_t got = ::read(fd, data.data(), std::size_t(data.size()));
    ::close(fd);
    data.resize(got > 0 ? qsizetype(got) : 0);
    return answer(0, data);
}

WorkerReply createBeside(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return answer(errno);
    const int error = lastError(int(::write(fd, "planted", 7)));
    ::close(fd);
    return answer(error);
}

/// Opens the handed read-only source again through /proc, for writing, and writes into it.
WorkerReply reopenForWriting(const WorkerRequest& request)
{
    if (request.descriptors.empty())
        return answer(EBADF);
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(request.descriptors.front().get());
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return answer(errno);
    const int error = lastError(int(::pwrite(fd, "planted", 7, 0)));
    ::close(fd);
    return answer(error);
}

WorkerReply connectToPath(const QByteArray& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(
        address.sun_path, path.constData(), std::min(std::size_t(path.size()), sizeof address.sun_path - 1));
    return answer(connectTo(address, sizeof address));
}

WorkerReply connectToAbstract(const QByteArray& name)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::size_t size = std::min(std::size_t(name.size()), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.constData(), size); // a leading NUL: the abstract namespace
    return answer(connectTo(address, socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size)));
}

WorkerReply startProgram(const QByteArray& marker)
{
    const QByteArray command = "touch '" + marker + "'";
    const char* argv[] = { "sh", "-c", command.constData(), nullptr };
    ::execve("/bin/sh", const_cast<char**>(argv), environ);
    return answer(errno); // only when the program could not be started
}

/// Starts a child process, which writes a byte into the descriptor handed over, if any, and ends.
WorkerReply startProcess(const WorkerRequest& request)
{
    const int told = request.descriptors.empty() ? -1 : request.descriptors.front().get();
    const pid_t child = ::fork();
    if (child < 0)
        return answer(errno);
    if (child == 0) {
        if (told >= 0)
            (void)!::write(told, "c", 1);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return answer(0);
}

WorkerReply openDescriptors()
{
    QByteArray list;
    for (int fd = 0; fd < 1024; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0)
            list += QByteArray::number(fd) + ' ';
    }
    return answer(0, list.trimmed());
}

/// Fills a block of shared memory with \a width x \a height pixels of 4 bytes, (x, y, x ^ y, 255), and
/// hands it over sealed, or unsealed when \a sealed is false (as a hostile worker might).
WorkerReply sharePixels(std::uint32_t width, std::uint32_t height, bool sealed)
{
    auto block = SharedMemoryWriter::create(std::size_t(width) * height * 4);
    if (!block)
        return answer(errno);
    std::span<std::byte> bytes = block->bytes();
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::byte* pixel = bytes.data() + (std::size_t(y) * width + x) * 4;
            pixel[0] = std::byte(x & 0xff);
            pixel[1] = std::byte(y & 0xff);
            pixel[2] = std::byte((x ^ y) & 0xff);
            pixel[3] = std::byte(0xff);
        }
    }
    WorkerReply reply = answer(0);
    if (sealed) {
        reply.descriptors.push_back(block->finish());
    } else {
        // A hostile worker's block: no seals, so it could change or shrink under the reader.
        Descriptor copy(::memfd_create("unsealed", MFD_CLOEXEC));
        if (::ftruncate(copy.get(), off_t(bytes.size())) != 0
            || ::pwrite(copy.get(), bytes.data(), bytes.size(), 0) != ssize_t(bytes.size()))
            return answer(errno);
        reply.descriptors.push_back(std::move(copy));
    }
    if (!reply.descriptors.back().isValid())
        return answer(errno);
    return reply;
}

/// Starts a worker of its own (\a program) and keeps it busy with an endless request on another
/// thread; answers with that worker's process id.
WorkerReply startBusyWorker(const QString& program)
{
    WorkerOptions options;
    options.program = program;
    auto* grandchild = new WorkerProcess(options); // lives until this process is killed
    WorkerFailure failure;
    if (!grandchild->start(&failure))
        return answer(ECHILD, failure.describe().toUtf8());
    const pid_t pid = grandchild->pid();
    std::thread([grandchild] {
        const QByteArray hang = RecordWriter().putString(QStringLiteral("hang")).take();
        (void)grandchild->request(hang, {}, std::chrono::hours(1));
    }).detach();
    return answer(0, QByteArray::number(pid));
}

WorkerReply serve(WorkerRequest& request)
{
    RecordReader record(request.payload);
    const QString op = record.getString(64);
    if (op == QLatin1String("echo"))
        return answer(0, record.getBytes(1 << 20));
    if (op == QLatin1String("open-read"))
        return openAndRead(record.getBytes(4096));
    if (op == QLatin1String("create"))
        return createBeside(record.getBytes(4096));
    if (op == QLatin1String("reopen-for-writing"))
        return reopenForWriting(request);
    if (op == QLatin1String("connect-path"))
        return connectToPath(record.getBytes(4096));
    if (op == QLatin1String("connect-abstract"))
        return connectToAbstract(record.getBytes(4096));
    if (op == QLatin1String("exec"))
        return startProgram(record.getBytes(4096));
    if (op == QLatin1String("fork"))
        return startProcess(request);
    if (op == QLatin1String("signal-parent"))
        return answer(lastError(::kill(::getppid(), SIGUSR1)));
    if (op == QLatin1String("write-fd")) {
        const int fd = record.getI32();
        return answer(lastError(int(::write(fd, "planted", 7))));
    }
    if (op == QLatin1String("list-fds"))
        return openDescriptors();
    if (op == QLatin1String("thread")) {
        int seen = 0;
        std::thread([&seen] { seen = 1; }).join();
        return answer(seen == 1 ? 0 : EAGAIN);
    }
    if (op == QLatin1String("pixels")) {
        const std::uint32_t width = record.getU32();
        const std::uint32_t height = record.getU32();
        return sharePixels(width, height, record.getU8() != 0);
    }
    if (op == QLatin1String("raw")) {
        QByteArray packet = record.getBytes(1 << 20);
        const int descriptors = record.getI32();
        const qsizetype padTo = qsizetype(record.getU32());
        if (packet.size() < padTo && padTo <= (1 << 20))
            packet.append(padTo - packet.size(), 'x');
        const std::vector<int> copies(std::size_t(std::max(descriptors, 0)), 2); // of standard error
        return answer(lastError(int(sendRaw(3, packet, copies))));
    }
    if (op == QLatin1String("start-busy-worker"))
        return startBusyWorker(record.getString(4096));
    if (op == QLatin1String("crash")) {
        // The default action, whatever a sanitizer's runtime installed: the process ends by the signal.
        ::signal(SIGSEGV, SIG_DFL);
        ::raise(SIGSEGV);
    }
    if (op == QLatin1String("abort"))
        std::abort();
    if (op == QLatin1String("exit"))
        ::_exit(7);
    if (op == QLatin1String("hang")) {
        // Says it is about to hang on the descriptor handed over, if any, then never answers.
        if (!request.descriptors.empty())
            (void)!::write(request.descriptors.front().get(), "h", 1);
        for (;;)
            ::pause();
    }
    if (op == QLatin1String("allocate")) {
        std::vector<std::unique_ptr<char[]>> blocks;
        for (;;) {
            blocks.push_back(std::make_unique<char[]>(std::size_t(16) << 20));
            std::memset(blocks.back().get(), 1, std::size_t(16) << 20);
        }
    }
    return answer(ENOSYS);
}

} // namespace

int main(int argc, char** argv)
{
    WorkerSetup setup;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--unconfined") {
            setup.limits.useLandlock = false;
            setup.limits.useSeccomp = false;
        } else if (argument == "--landlock-only") {
            setup.limits.useSeccomp = false;
        } else if (argument == "--seccomp-only") {
            setup.limits.useLandlock = false;
        } else if (argument == "--preload-pool-thread") {
            // Preloading that leaves an idle thread in Qt's pool, as an image conversion does.
            setup.preload = [] { QThreadPool::globalInstance()->start([] {}); };
        } else if (argument == "--preload-lasting-thread") {
            // Preloading that leaves a thread running for good.
            setup.preload = [] {
                std::thread([] {
                    for (;;)
                        ::pause();
                }).detach();
            };
        } else if (argument.startsWith("--landlock-abi=")) {
            setup.limits.maxLandlockAbi = argument.mid(15).toInt();
        } else if (argument.startsWith("--memory-limit=")) {
            setup.limits.addressSpaceBytes = argument.mid(15).toULongLong();
        } else if (const int siblings = siblingsFromArgument(argument); siblings >= 0) {
            setup.siblings = siblings;
        }
    }
    setup.handler = serve;
    return runWorker(3, setup);
}
