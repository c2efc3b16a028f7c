// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

/// One window per user session. The first program started opens a local socket in the session's
/// runtime folder (XDG_RUNTIME_DIR) and listens on it; a program started later hands its paths to that
/// one and ends. The socket is the user's only; a socket left by a program that died is replaced.
class InstanceLink : public QObject
{
    Q_OBJECT

public:
    /// \a runtimeFolder is where the socket lives: by default the session's runtime folder.
    explicit InstanceLink(QString runtimeFolder = {}, QObject* parent = nullptr);
    ~InstanceLink() override;

    enum class Role {
        First, ///< no program was running: this one listens now
        Handed, ///< a running program took the paths; this one ends
        Alone ///< neither worked (no runtime folder): this one runs without a link
    };

    /// Hands \a paths to a running program, or becomes the one that listens. Paths that are relative
    /// are made absolute first, since the running program has another working folder.
    Role start(const QStringList& paths);

    /// The socket's path.
    [[nodiscard]] QString socketPath() const { return m_socketPath; }

signals:
    /// A program started later handed over these absolute paths (possibly none: then it only asks
    /// for the window).
    void pathsArrived(const QStringList& paths);

private:
    bool handOver(const QStringList& paths);
    void receive();

    QString m_socketPath;
    std::unique_ptr<QLocalServer> m_server;
};
