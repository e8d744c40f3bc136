// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

namespace {

constexpr QByteArrayView showRequest = "show\n";
// Requests are one short line: a client that sends more without ending it is cut off,
// so that it cannot fill the memory.
constexpr qint64 longestRequest = 64;
constexpr int handOverBoundMs = 3000;

} // namespace

SingleInstance::SingleInstance(const QString& runtimeDirectory, QObject* parent)
    : QObject(parent)
    , m_lockPath(QDir(runtimeDirectory).filePath(QStringLiteral("vantrel.lock")))
    , m_socketPath(QDir(runtimeDirectory).filePath(socketName.toString())) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    if (socket->readLine() == showRequest)
                        Q_EMIT showRequested();
                }
                if (socket->bytesAvailable() > longestRequest) {
                    socket->abort();
                    socket->deleteLater();
                }
            });
        }
    });
}

SingleInstance::Role SingleInstance::claim() {
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // QLockFile takes over a lock whose process is gone.
    if (m_lock->tryLock(0)) {
        QLocalServer::removeServer(m_socketPath);
        m_server.setSocketOptions(QLocalServer::UserAccessOption);
        return m_server.listen(m_socketPath) ? Role::primary : Role::failed;
    }
    m_lock.reset();
    return handOver() ? Role::handedOver : Role::failed;
}

bool SingleInstance::handOver() {
    // The first instance may still be starting: give it a moment to listen.
    const QDeadlineTimer deadline(handOverBoundMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(500)) {
            socket.write(showRequest.data(), showRequest.size());
            const bool written = socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return written;
        }
        QThread::msleep(50);
    }
    return false;
}
