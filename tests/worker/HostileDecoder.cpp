// SPDX-License-Identifier: GPL-3.0-or-later
// A compromised JPEG decoder, for the tests only: preloaded (LD_PRELOAD) into the real programs, it
// stands in for libjpeg's jpeg_mem_src(), which the engine calls with the whole file in memory. When that
// memory holds "MORVANE-HOSTILE:<action>" (the tests put it into a comment segment), it does what an
// exploited decoder would do from there, tells each attempt on standard error in one line
//   hostile: <attempt>: refused: <the system's reason>      or      hostile: <attempt>: SUCCEEDED
// and then goes on into libjpeg or fails as asked. Any other file goes straight to libjpeg.
//
//   attempts  reads /etc/passwd and the file $MORVANE_HOSTILE_SECRET names; creates a file in the folder
//             $MORVANE_HOSTILE_DIR; connects to the unix socket $MORVANE_HOSTILE_UNIX and to 127.0.0.1
//             on port $MORVANE_HOSTILE_PORT; starts /bin/sh; sends SIGTERM to its parent; writes to every
//             descriptor below 1024 it was not given; then decodes as usual
//   crash     writes through a null pointer (SIGSEGV)
//   abort     abort() (SIGABRT)
//   hang      never returns
//   memory    allocates without end, until an allocation fails (std::bad_alloc)
//
// Not built with the sanitizers: it is no code under test, and the sanitizer runtime that the programs
// bring along must not be asked to judge a crash this library makes on purpose.
#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <new>
#include <string>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

struct jpeg_decompress_struct;

namespace {

constexpr int kDescriptors = 1024;
constexpr char kMarker[] = "MORVANE-HOSTILE:";

/// One line on standard error, in one write: lines of two workers at once stay whole.
void say(const std::string& line)
{
    const std::string text = "hostile: " + line + '\n';
    (void)!::write(STDERR_FILENO, text.data(), text.size());
}

/// Tells the outcome of \a attempt: \a result below 0 is a refusal, with errno's reason.
void tell(const std::string& attempt, long result)
{
    const int error = errno;
    if (result < 0)
        say(attempt + ": refused: " + std::strerror(error));
    else
        say(attempt + ": SUCCEEDED");
}

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// What the process was given: the descriptors open when it started (its parent left them), and those
// that came with the last message it received (a request's files).
std::mutex givenMutex;
std::array<bool, kDescriptors> openAtStart {};
std::vector<std::pair<dev_t, ino_t>> lastHanded;

__attribute__((constructor)) void noteDescriptorsAtStart()
{
    for (int fd = 0; fd < kDescriptors; ++fd)
        openAtStart[std::size_t(fd)] = ::fcntl(fd, F_GETFD) >= 0;
}

bool wasHanded(const struct stat& status)
{
    std::lock_guard lock(givenMutex);
    return std::find(lastHanded.begin(), lastHanded.end(), std::make_pair(status.st_dev, status.st_ino))
        != lastHanded.end();
}

void readFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        tell("open " + path, -1);
        return;
    }
    char bytes[4096];
    const ssize_t got = ::read(fd, bytes, sizeof bytes);
    ::close(fd);
    // What an exploit would carry off: here it goes to standard error, where the test looks for it.
    tell("open " + path, 0);
    if (got > 0)
        say("read from " + path + ": " + std::string(bytes, std::size_t(got)));
}

void createFile(const std::string& folder)
{
    const std::string path = folder + "/planted-by-decoder";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    tell("create " + path, fd);
    if (fd >= 0)
        ::close(fd);
}

void connectTo(const std::string& attempt, int family, const sockaddr* address, socklen_t length)
{
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        tell(attempt + " (socket)", -1);
        return;
    }
    tell(attempt, ::connect(fd, address, length));
    ::close(fd);
}

void connectToUnix(const std::string& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    connectTo("connect to unix socket " + path, AF_UNIX, reinterpret_cast<const sockaddr*>(&address),
        sizeof address);
}

void connectToPort(const std::string& port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(std::atoi(port.c_str())));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connectTo(
        "connect to 127.0.0.1:" + port, AF_INET, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

void startShell(const std::string& folder)
{
    // Should the shell start, it says so itself and leaves a file behind.
    const std::string command
        = "echo 'hostile: execve /bin/sh: SUCCEEDED' >&2; touch '" + folder + "/started-by-decoder'";
    const char* argv[] = { "sh", "-c", command.c_str(), nullptr };
    tell("execve /bin/sh", ::execve("/bin/sh", const_cast<char**>(argv), environ));
}

void signalParent()
{
    const pid_t parent = ::getppid();
    tell("kill " + std::to_string(parent) + " (the parent) with SIGTERM", ::kill(parent, SIGTERM));
}

/// The device of anonymous descriptors (event counters, polling sets, timers): that of a new event counter.
dev_t anonymousDevice()
{
    static const dev_t device = [] {
        struct stat status
        {
        };
        const int fd = ::eventfd(0, EFD_CLOEXEC);
        const bool known = fd >= 0 && ::fstat(fd, &status) == 0;
        if (fd >= 0)
            ::close(fd);
        return known ? status.st_dev : dev_t(-1);
    }();
    return device;
}

/// What descriptor \a fd is, when it is one the process was given or made itself; empty for any other.
std::string givenOrOwn(int fd, const struct stat& status)
{
    if (fd == STDERR_FILENO)
        return "standard error";
    if (S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3))
        return "/dev/null";
    if (fd == 3 && openAtStart[3] && S_ISSOCK(status.st_mode))
        return "the socket to the parent";
    if (wasHanded(status))
        return "handed with the request";
    // Event counters, polling sets and the like that the process made itself: anonymous, they lead
    // nowhere outside it.
    if (!openAtStart[std::size_t(fd)] && status.st_dev == anonymousDevice())
        return "made by this process";
    return {};
}

/// Writes to each descriptor below 1024 that the process was not given and did not make, standard
/// error aside. Refusals are told once for each reason, with how many descriptors refused so.
void writeEverywhere()
{
    std::string leftAlone;
    std::map<int, int> refusals; // errno, and how many descriptors gave it
    for (int fd = 0; fd < kDescriptors; ++fd) {
        struct stat status
        {
        };
        if (::fstat(fd, &status) == 0) {
            if (const std::string kind = givenOrOwn(fd, status); !kind.empty()) {
                leftAlone += (leftAlone.empty() ? "" : ", ") + std::to_string(fd) + " (" + kind + ")";
                continue;
            }
        }
        constexpr char kPlanted[] = "planted by a decoder\n";
        if (::write(fd, kPlanted, sizeof kPlanted - 1) >= 0)
            tell("write to descriptor " + std::to_string(fd), 0);
        else
            ++refusals[errno];
    }
    for (const auto& [error, count] : refusals) {
        errno = error;
        tell("write to descriptors, " + std::to_string(count) + " of them", -1);
    }
    say("left alone: " + leftAlone);
}

void attemptEverything()
{
    readFile("/etc/passwd");
    if (const std::string secret = environment("MORVANE_HOSTILE_SECRET"); !secret.empty())
        readFile(secret);
    const std::string folder = environment("MORVANE_HOSTILE_DIR");
    if (!folder.empty())
        createFile(folder);
    if (const std::string path = environment("MORVANE_HOSTILE_UNIX"); !path.empty())
        connectToUnix(path);
    if (const std::string port = environment("MORVANE_HOSTILE_PORT"); !port.empty())
        connectToPort(port);
    startShell(folder.empty() ? "/tmp" : folder);
    signalParent();
    writeEverywhere();
}

[[noreturn]] void crash()
{
    // The default action, whatever handler a sanitizer's runtime installed: the process ends by the
    // signal, as it would in a build without one.
    ::signal(SIGSEGV, SIG_DFL);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    std::abort(); // not reached
}

[[noreturn]] void hang()
{
    for (;;) {
        const timespec pause { 1, 0 };
        ::nanosleep(&pause, nullptr);
    }
}

[[noreturn]] void allocateWithoutEnd()
{
    // Each block is written to at every megabyte, so that it is taken and not only reserved; filling
    // every page of gigabytes would take seconds. The blocks are never freed.
    constexpr std::size_t kBlock = std::size_t(64) << 20;
    for (;;) {
        auto* block = static_cast<volatile char*>(std::malloc(kBlock));
        if (!block)
            throw std::bad_alloc();
        for (std::size_t at = 0; at < kBlock; at += std::size_t(1) << 20)
            block[at] = 1;
    }
}

/// The action the file asks for, if any.
std::string actionIn(const unsigned char* buffer, unsigned long size)
{
    const auto* begin = reinterpret_cast<const char*>(buffer);
    const char* end = begin + size;
    const char* found = std::search(begin, end, kMarker, kMarker + sizeof kMarker - 1);
    if (found == end)
        return {};
    std::string action;
    for (const char* c = found + sizeof kMarker - 1; c < end && *c >= 'a' && *c <= 'z'; ++c)
        action += *c;
    return action;
}

template<typename Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name): libjpeg's own names
void jpeg_mem_src(jpeg_decompress_struct* cinfo, const unsigned char* buffer, unsigned long size)
{
    using Original = void (*)(jpeg_decompress_struct*, const unsigned char*, unsigned long);
    static const auto original = next<Original>("jpeg_mem_src");

    const std::string action = actionIn(buffer, size);
    if (action == "attempts") {
        attemptEverything();
    } else if (action == "crash") {
        crash();
    } else if (action == "abort") {
        std::abort();
    } else if (action == "hang") {
        hang();
    } else if (action == "memory") {
        allocateWithoutEnd();
    } else if (!action.empty()) {
        say("unknown action " + action);
    }
    original(cinfo, buffer, size);
}

// Notes which descriptors come with each message: those are the ones a request hands over.
ssize_t recvmsg(int socket, msghdr* message, int flags)
{
    using Original = ssize_t (*)(int, msghdr*, int);
    static const auto original = next<Original>("recvmsg");
    const ssize_t received = original(socket, message, flags);
    if (received < 0)
        return received;
    const int error = errno;
    std::vector<std::pair<dev_t, ino_t>> handed;
    for (cmsghdr* part = CMSG_FIRSTHDR(message); part; part = CMSG_NXTHDR(message, part)) {
        if (part->cmsg_level != SOL_SOCKET || part->cmsg_type != SCM_RIGHTS)
            continue;
        const std::size_t count = (part->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(part) + i * sizeof(int), sizeof fd);
            struct stat status
            {
            };
            if (::fstat(fd, &status) == 0)
                handed.emplace_back(status.st_dev, status.st_ino);
        }
    }
    {
        std::lock_guard lock(givenMutex);
        lastHanded = std::move(handed);
    }
    errno = error;
    return received;
}
}
