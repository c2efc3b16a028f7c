// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceLink.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

constexpr int kWaitMs = 5000;
constexpr char kAccepted = 'A';
constexpr qint64 kMostBytes = 64 * 1024 * 1024; // what a hand-over may weigh

} // namespace

InstanceLink::InstanceLink(QString runtimeFolder, QObject* parent)
    : QObject(parent)
{
    if (runtimeFolder.isEmpty())
        runtimeFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtimeFolder.isEmpty())
        m_socketPath = QDir(runtimeFolder).filePath(QStringLiteral("org.morvane.Morvane.socket"));
}

InstanceLink::~InstanceLink() = default;

InstanceLink::Role InstanceLink::start(const QStringList& paths)
{
    if (m_socketPath.isEmpty())
        return Role::Alone;
    // Two programs started at once must not both listen: the check and the listening go under a lock.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(kWaitMs * 2);
    if (!lock.tryLock(kWaitMs))
        return Role::Alone;
    if (handOver(paths))
        return Role::Handed;
    // Nobody answers: a socket file left behind belongs to a program that is gone.
    QLocalServer::removeServer(m_socketPath);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        m_server.reset();
        return Role::Alone;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &InstanceLink::receive);
    return Role::First;
}

bool InstanceLink::handOver(const QStringList& paths)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(kWaitMs))
        return false;
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << quint32(paths.size());
    for (const QString& path : paths)
        out << QFile::encodeName(QFileInfo(path).absoluteFilePath());
    QByteArray framed;
    QDataStream frame(&framed, QIODevice::WriteOnly);
    frame << message;
    socket.write(framed);
    if (!socket.waitForBytesWritten(kWaitMs))
        return false;
    // The running program says when it has the paths; a program that hangs does not take them.
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(kWaitMs))
            return false;
    }
    return socket.read(1) == QByteArray(1, kAccepted);
}

void InstanceLink::receive()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The message arrives in pieces: it is read when whole (a length, then the paths).
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QByteArray message;
            in >> message;
            if (!in.commitTransaction()) {
                if (socket->bytesAvailable() > kMostBytes)
                    socket->abort();
                return;
            }
            QDataStream fields(message);
            quint32 count = 0;
            fields >> count;
            QStringList paths;
            for (quint32 i = 0; i < count && fields.status() == QDataStream::Ok; ++i) {
                QByteArray path;
                fields >> path;
                if (fields.status() == QDataStream::Ok && path.startsWith('/'))
                    paths << QFile::decodeName(path);
            }
            socket->write(QByteArray(1, kAccepted));
            socket->flush();
            emit pathsArrived(paths);
        });
    }
}
