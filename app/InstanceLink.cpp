// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceLink.h"

#include "engine/core/NativePath.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char kSocketName[] = "org.morvane.Morvane.socket";
constexpr char kLockName[] = "org.morvane.Morvane.lock";
constexpr char kAccepted = 'A';
constexpr char kRefused = 'R';
/// How long a program that found the lock held waits before it looks again for the socket of the one
/// that holds it (which is between taking the lock and listening, or ending).
constexpr int kLookAgainMs = 50;

bool procUsable()
{
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}

void appendBigEndian(QByteArray& bytes, quint32 value)
{
    for (const int shift : { 24, 16, 8, 0 })
        bytes.append(char((value >> shift) & 0xFF));
}

quint32 bigEndianAt(const QByteArray& bytes, qsizetype at)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | quint32(uchar(bytes.at(at + i)));
    return value;
}

/// The hand-over of \a paths: the length of what follows, then each path's length and bytes, all
/// lengths as four bytes, most significant first. Only the paths that keep it within \a most bytes go
/// in, from the first; \a count says how many.
QByteArray handOverMessage(const QStringList& paths, qint64 most, int& count)
{
    QByteArray body;
    count = 0;
    for (const QString& path : paths) {
        const QByteArray native = encodePath(absolutePath(path));
        if (body.size() + 4 + native.size() > most)
            break;
        appendBigEndian(body, quint32(native.size()));
        body += native;
        ++count;
    }
    QByteArray message;
    message.reserve(body.size() + 4);
    appendBigEndian(message, quint32(body.size()));
    return message + body;
}

/// The absolute paths of a hand-over's body; null when it is not made as handOverMessage makes it.
std::optional<QStringList> handedPaths(const QByteArray& body)
{
    QStringList paths;
    for (qsizetype at = 0; at < body.size();) {
        if (body.size() - at < 4)
            return std::nullopt;
        const qsizetype length = qsizetype(bigEndianAt(body, at));
        at += 4;
        if (length > body.size() - at)
            return std::nullopt;
        const QByteArray path = body.mid(at, length);
        at += length;
        if (path.startsWith('/'))
            paths << decodePath(path);
    }
    return paths;
}

bool setAddress(sockaddr_un& address, const QByteArray& path)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::copy(path.begin(), path.end(), address.sun_path);
    return true;
}

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(std::min<qint64>(deadline.remainingTime(), 1 << 30));
}

/// Waits for \a events on \a fd until \a deadline; false when it passed first or the wait failed.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd item { fd, events, 0 };
        const int ready = ::poll(&item, 1, remainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

/// One hand-over being received: read piece by piece as it arrives (each byte once), refused unread
/// when it says it weighs more than kMostBytes, answered and closed once whole.
class InstanceLink::Connection : public QObject
{
public:
    Connection(int fd, InstanceLink* link)
        : QObject(link)
        , m_fd(fd)
        , m_link(link)
        , m_readable(fd, QSocketNotifier::Read)
    {
        connect(&m_readable, &QSocketNotifier::activated, this, &Connection::readSome);
    }
    ~Connection() override { close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

private:
    void readSome()
    {
        char chunk[64 * 1024];
        for (;;) {
            const qint64 wanted = m_length < 0 ? 4 - m_header.size() : m_length - m_body.size();
            const ssize_t got = ::read(m_fd, chunk, size_t(std::min<qint64>(wanted, qint64(sizeof chunk))));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN))
                return;
            if (got <= 0) {
                // The other program went away before its hand-over was whole: nothing arrived.
                finish();
                return;
            }
            if (m_length < 0) {
                m_header.append(chunk, got);
                if (m_header.size() < 4)
                    continue;
                m_length = qint64(bigEndianAt(m_header, 0));
                if (m_length > kMostBytes) {
                    answer(kRefused);
                    return;
                }
            } else {
                m_body.append(chunk, got);
            }
            if (m_length >= 0 && m_body.size() == m_length) {
                const std::optional<QStringList> paths = handedPaths(m_body);
                answer(paths ? kAccepted : kRefused);
                if (paths)
                    m_link->received(*paths);
                return;
            }
        }
    }

    void answer(char word)
    {
        // The answer fits into an empty socket buffer: this write does not wait.
        (void)::send(m_fd, &word, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        finish();
    }

    void finish()
    {
        close();
        deleteLater();
    }

    void close()
    {
        m_readable.setEnabled(false);
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    int m_fd;
    InstanceLink* m_link;
    QSocketNotifier m_readable;
    QByteArray m_header;
    qint64 m_length = -1;
    QByteArray m_body;
};

InstanceLink::InstanceLink(QString runtimeFolder, QObject* parent)
    : QObject(parent)
{
    if (runtimeFolder.isEmpty())
        runtimeFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtimeFolder.isEmpty()) {
        m_socketPath = runtimeFolder + (runtimeFolder.endsWith(u'/') ? QString() : QStringLiteral("/"))
            + QLatin1String(kSocketName);
    }
}

InstanceLink::~InstanceLink()
{
    m_listening.reset();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        // Still under the lock: the socket is this program's own.
        ::unlinkat(m_folderFd, kSocketName, 0);
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    if (m_folderFd >= 0)
        ::close(m_folderFd);
}

QByteArray InstanceLink::socketAddress() const
{
    if (procUsable())
        return "/proc/self/fd/" + QByteArray::number(m_folderFd) + '/' + kSocketName;
    return encodePath(m_socketPath);
}

InstanceLink::Role InstanceLink::start(const QStringList& paths)
{
    if (m_socketPath.isEmpty() || m_lockFd >= 0)
        return Role::Alone;
    const QString folder = m_socketPath.left(m_socketPath.lastIndexOf(u'/') + 1);
    m_folderFd = ::open(encodePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folderFd < 0)
        return Role::Alone;
    m_lockFd = ::openat(m_folderFd, kLockName, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (m_lockFd < 0)
        return Role::Alone;
    // The sticky bit keeps the file from a clean-up of the runtime folder that would let a second
    // program take a new lock beside a live one.
    (void)::fchmod(m_lockFd, S_IRUSR | S_IWUSR | S_ISVTX);

    const QByteArray message = handOverMessage(paths, kMostBytes, m_handedCount);
    const QDeadlineTimer deadline(m_answerWaitMs);
    for (;;) {
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0)
            return listen() ? Role::First : Role::Alone;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return Role::Alone; // a file system without locks
        // A live program holds the lock, however busy it is: it gets the paths, and its socket stays.
        switch (handOver(message)) {
        case HandOver::Taken:
            return Role::Handed;
        case HandOver::Refused:
        case HandOver::NoAnswer:
            return Role::Unanswered;
        case HandOver::NobodyListens:
            break;
        }
        if (deadline.hasExpired())
            return Role::Unanswered;
        (void)::poll(nullptr, 0, std::min(kLookAgainMs, remainingMs(deadline)));
    }
}

bool InstanceLink::listen()
{
    // Bound under a name of its own, made the user's only and then moved into place, so that nobody
    // else can connect in between; a stale socket at the name is replaced by the move.
    const QByteArray temporary = QByteArray(".") + kSocketName + '-' + QByteArray::number(qint64(::getpid()));
    const QByteArray address = socketAddress();
    const QByteArray temporaryAddress = address.left(address.lastIndexOf('/') + 1) + temporary;
    sockaddr_un bound = {};
    if (!setAddress(bound, temporaryAddress))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    (void)::unlinkat(m_folderFd, temporary.constData(), 0);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0
        || ::fchmodat(m_folderFd, temporary.constData(), S_IRUSR | S_IWUSR, 0) != 0
        || ::renameat(m_folderFd, temporary.constData(), m_folderFd, kSocketName) != 0
        || ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        (void)::unlinkat(m_folderFd, temporary.constData(), 0);
        return false;
    }
    m_listenFd = fd;
    m_listening = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_listening.get(), &QSocketNotifier::activated, this, &InstanceLink::acceptConnections);
    return true;
}

InstanceLink::HandOver InstanceLink::handOver(const QByteArray& message)
{
    sockaddr_un address = {};
    if (!setAddress(address, socketAddress()))
        return HandOver::NoAnswer;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return HandOver::NoAnswer;
    const auto result = [fd](HandOver outcome) {
        ::close(fd);
        return outcome;
    };
    // A local connection is made at once, busy or not; no socket, a stale one or a full queue says that
    // the program that holds the lock is not listening yet (or is ending).
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return result(HandOver::NobodyListens);

    const QDeadlineTimer deadline(m_answerWaitMs);
    for (qsizetype sent = 0; sent < message.size();) {
        const ssize_t n = ::send(fd, message.constData() + sent, size_t(message.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && (errno == EAGAIN)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return result(HandOver::NoAnswer);
        } else if (n < 0 && errno != EINTR) {
            return result(HandOver::NobodyListens);
        }
    }
    // The running program says when it has the paths.
    for (;;) {
        char word = 0;
        const ssize_t n = ::recv(fd, &word, 1, 0);
        if (n == 1)
            return result(word == kAccepted ? HandOver::Taken : HandOver::Refused);
        if (n == 0)
            return result(HandOver::NobodyListens);
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return result(HandOver::NobodyListens);
        if (!waitFor(fd, POLLIN, deadline))
            return result(HandOver::NoAnswer);
    }
}

void InstanceLink::acceptConnections()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        // The socket is the user's only; a program of another user is not heard even so.
        ucred peer = {};
        socklen_t size = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::geteuid()) {
            ::close(fd);
            continue;
        }
        new Connection(fd, this);
    }
}

void InstanceLink::received(const QStringList& paths)
{
    emit pathsArrived(paths);
}
