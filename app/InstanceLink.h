// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QSocketNotifier;

/// One window per user session. The first program started takes a lock in the session's runtime folder
/// (XDG_RUNTIME_DIR) and listens on a local socket beside it for as long as it runs; a program started
/// later hands its paths to that one and ends.
///
/// The lock (flock on "org.morvane.Morvane.lock") tells a live program from a dead one without waiting
/// for an answer: the kernel lets it go when its holder ends, however it ends. So a program that cannot
/// take it knows that a live one listens, even one too busy to answer for a while, hands over and never
/// replaces its socket; one that can take it knows that a socket left there is stale and replaces it.
/// The socket is reached through a descriptor of the folder (/proc/self/fd/N/name), so a runtime folder
/// whose path is too long for a socket address still has its program; it is made for the user only.
///
/// A hand-over weighs at most kMostBytes: a program with more paths hands over those that fit, and the
/// window refuses a larger one unread. The window reads a hand-over piece by piece as it arrives, each
/// byte once, never waiting for the rest. Main thread only.
class InstanceLink : public QObject
{
    Q_OBJECT

public:
    /// What one hand-over may weigh: the paths' bytes and four bytes per path.
    static constexpr qint64 kMostBytes = 4 << 20;

    /// \a runtimeFolder is where the socket lives: by default the session's runtime folder.
    explicit InstanceLink(QString runtimeFolder = {}, QObject* parent = nullptr);
    ~InstanceLink() override;
    InstanceLink(const InstanceLink&) = delete;
    InstanceLink& operator=(const InstanceLink&) = delete;

    enum class Role {
        First, ///< no program was running: this one listens now
        Handed, ///< a running program took the paths (handedCount() of them); this one ends
        Unanswered, ///< a program runs but did not take the paths in time; this one ends all the same
        Alone ///< no link could be made (no runtime folder): this one runs without one
    };

    /// Hands \a paths to a running program, or becomes the one that listens. Paths that are relative
    /// are made absolute first, since the running program has another working folder. The paths are in
    /// decodePath's spelling and reach the other program with every byte.
    Role start(const QStringList& paths);

    /// After Handed: how many of the paths the running program took, from the first; fewer than given
    /// only when they weighed more than kMostBytes.
    [[nodiscard]] int handedCount() const { return m_handedCount; }

    /// The socket's path in the runtime folder.
    [[nodiscard]] QString socketPath() const { return m_socketPath; }

    /// How long a later program waits for a busy one to take its paths (a minute unless set), or for the
    /// one that holds the lock to listen.
    void setAnswerWaitMs(int milliseconds) { m_answerWaitMs = milliseconds; }

signals:
    /// A program started later handed over these absolute paths (possibly none: then it only asks
    /// for the window).
    void pathsArrived(const QStringList& paths);

private:
    class Connection;

    /// The address of the socket: through the folder's descriptor, or the path itself without /proc.
    [[nodiscard]] QByteArray socketAddress() const;
    bool listen();
    enum class HandOver { Taken, Refused, NoAnswer, NobodyListens };
    HandOver handOver(const QByteArray& message);
    void acceptConnections();
    void received(const QStringList& paths);

    QString m_socketPath;
    int m_folderFd = -1;
    int m_lockFd = -1;
    int m_listenFd = -1;
    int m_handedCount = 0;
    int m_answerWaitMs = 60000;
    std::unique_ptr<QSocketNotifier> m_listening;
};
