// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/WorkFile.h"

#include "engine/core/DescriptorIo.h"
#include "engine/core/NativePath.h"

#include <QList>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kHiddenPrefix[] = ".morvane-work-";

std::atomic<bool> unnamedAllowed { true };

} // namespace

// The hidden work files of the process, for a signal handler to remove. A handler may neither lock nor
// free, so entries are never freed: a released one is marked free and taken again by the next file.
struct WorkFileRegistration
{
    enum State { Free, Filling, Live };

    std::atomic<int> state { Filling };
    char path[PATH_MAX] = {};
    WorkFileRegistration* next = nullptr;
};

namespace {

std::atomic<WorkFileRegistration*> registrations { nullptr };

WorkFileRegistration* registerPath(const QByteArray& path)
{
    using Registration = WorkFileRegistration;
    if (path.size() >= PATH_MAX)
        return nullptr;
    Registration* entry = nullptr;
    for (Registration* r = registrations.load(); r && !entry; r = r->next) {
        int expected = Registration::Free;
        if (r->state.compare_exchange_strong(expected, Registration::Filling))
            entry = r;
    }
    if (!entry) {
        entry = new Registration;
        entry->next = registrations.load();
        while (!registrations.compare_exchange_weak(entry->next, entry)) { }
    }
    std::memcpy(entry->path, path.constData(), size_t(path.size()) + 1);
    entry->state.store(Registration::Live);
    return entry;
}

void unregisterPath(WorkFileRegistration* entry)
{
    if (entry)
        entry->state.store(WorkFileRegistration::Free);
}

void removeAndEnd(int signal)
{
    removeWorkFilesNow();
    // The handler was installed to run once: the signal now does what it would have done.
    ::raise(signal);
}

// Installs removeAndEnd for the signals that end a process, where nobody has a handler of their own.
void installDefaultHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : { SIGINT, SIGTERM, SIGHUP }) {
            struct sigaction current = {};
            if (::sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO)
                || current.sa_handler != SIG_DFL)
                continue;
            struct sigaction action = {};
            action.sa_handler = removeAndEnd;
            action.sa_flags = int(SA_RESETHAND);
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
    });
}

bool procUsable()
{
    // linkat through /proc/self/fd is how an unnamed file gets a name without a capability.
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}

QByteArray randomPart()
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[12];
    if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != ssize_t(sizeof bytes)) {
        static std::atomic<unsigned> counter { 0 };
        unsigned seed = unsigned(std::time(nullptr)) ^ (unsigned(::getpid()) << 16) ^ counter++ * 2654435761u;
        for (unsigned char& b : bytes) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<unsigned char>(seed >> 16);
        }
    }
    QByteArray text;
    for (const unsigned char b : bytes)
        text.append(kAlphabet[b % (sizeof kAlphabet - 1)]);
    return text;
}

} // namespace

WorkFile::WorkFile(int fd, QByteArray hiddenPath)
    : m_fd(fd)
    , m_hiddenPath(std::move(hiddenPath))
{
    if (!m_hiddenPath.isEmpty())
        m_registration = registerPath(m_hiddenPath);
}

WorkFile::~WorkFile()
{
    // Removed while still locked, so no later run can mistake it for an abandoned one meanwhile.
    if (!m_hiddenPath.isEmpty())
        ::unlink(m_hiddenPath.constData());
    unregisterPath(m_registration);
    ::close(m_fd);
}

std::unique_ptr<WorkFile> WorkFile::create(const QString& folder, QString* error)
{
    const QByteArray native = encodePath(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (unnamedAllowed.load() && procUsable()) {
        const int fd = ::open(native.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0)
            return std::unique_ptr<WorkFile>(new WorkFile(fd, {}));
        // These say the file system (or the kernel) has no unnamed files; anything else is the folder's
        // fault.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            if (error)
                *error = systemErrorText(errno);
            return nullptr;
        }
    }

    const QByteArray stem = native + (native.endsWith('/') ? "" : "/") + kHiddenPrefix
        + QByteArray::number(qint64(::getpid())) + '-';
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray path = stem + randomPart();
        const int fd
            = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR)
                continue;
            if (error)
                *error = systemErrorText(errno);
            return nullptr;
        }
        // The lock tells a later run that this file is in use; where the file system has no locks,
        // the process id in the name still does.
        (void)::flock(fd, LOCK_EX | LOCK_NB);
        installDefaultHandlers();
        return std::unique_ptr<WorkFile>(new WorkFile(fd, std::move(path)));
    }
    if (error)
        *error = systemErrorText(EEXIST);
    return nullptr;
}

std::unique_ptr<WorkFile> WorkFile::adopt(int descriptor)
{
    if (::ftruncate(descriptor, 0) != 0 || ::lseek(descriptor, 0, SEEK_SET) != 0) {
        ::close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<WorkFile>(new WorkFile(descriptor, {}));
}

QString WorkFile::path() const
{
    if (!m_hiddenPath.isEmpty())
        return decodePath(m_hiddenPath);
    return QStringLiteral("/proc/self/fd/%1").arg(m_fd);
}

WorkFile::Link WorkFile::linkAs(const QByteArray& target)
{
    return linkAt(AT_FDCWD, target);
}

WorkFile::Link WorkFile::linkAt(int folderFd, const QByteArray& name)
{
    int result = -1;
    if (m_hiddenPath.isEmpty()) {
        char proc[40];
        std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", m_fd);
        result = ::linkat(AT_FDCWD, proc, folderFd, name.constData(), AT_SYMLINK_FOLLOW);
    } else {
        result = ::linkat(AT_FDCWD, m_hiddenPath.constData(), folderFd, name.constData(), 0);
        if (result != 0 && (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK || errno == ENOSYS)) {
            // A file system without hard links may still rename without replacing.
            result = ::renameat2(
                AT_FDCWD, m_hiddenPath.constData(), folderFd, name.constData(), RENAME_NOREPLACE);
            if (result == 0)
                m_hiddenPath.clear();
        }
        if (result == 0 && !m_hiddenPath.isEmpty()) {
            ::unlink(m_hiddenPath.constData());
            m_hiddenPath.clear();
        }
        if (result == 0) {
            unregisterPath(m_registration);
            m_registration = nullptr;
        }
    }
    if (result == 0)
        return Link::Done;
    switch (errno) {
    case EEXIST:
        return Link::Taken;
    case ENAMETOOLONG:
        return Link::TooLong;
    default:
        return Link::Failed;
    }
}

void setUnnamedWorkFilesAllowed(bool allowed)
{
    unnamedAllowed.store(allowed);
}

void removeWorkFilesNow() noexcept
{
    for (WorkFileRegistration* r = registrations.load(); r; r = r->next) {
        if (r->state.load() == WorkFileRegistration::Live)
            ::unlink(r->path);
    }
}

bool isWorkFileName(const QByteArray& name)
{
    return name.startsWith(kHiddenPrefix);
}

int removeAbandonedWorkFiles(const QString& folder)
{
    DIR* dir = ::opendir(encodePath(folder).constData());
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!isWorkFileName(name))
            continue;
        bool ok = false;
        const qint64 pid = name.mid(qsizetype(sizeof kHiddenPrefix) - 1).split('-').value(0).toLongLong(&ok);
        if (!ok || pid <= 0 || pid > INT_MAX || pid == ::getpid())
            continue;
        // A process of that number still runs (perhaps another user's): it may be the owner.
        if (::kill(pid_t(pid), 0) == 0 || errno == EPERM)
            continue;
        const int fd
            = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat status = {};
        // The owner holds the lock for as long as the file is in use, also from another pid namespace.
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}
