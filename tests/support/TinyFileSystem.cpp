// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TinyFileSystem.h"

#include <QDir>
#include <QFile>

TinyFileSystem::TinyFileSystem(const QString& mountPoint, qint64 bytes)
    : m_mountPoint(mountPoint) {
    QDir().mkpath(mountPoint);
    m_holder.start(QStringLiteral("unshare"),
                   {QStringLiteral("--mount"), QStringLiteral("--propagation"),
                    QStringLiteral("private"), QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("mount -t tmpfs -o size=\"$1\" tmpfs \"$2\" && echo ready && "
                                   "exec sleep infinity"),
                    QStringLiteral("sh"), QString::number(bytes), mountPoint});
    m_ready = m_holder.waitForStarted() && m_holder.waitForReadyRead(10000) &&
              m_holder.readAllStandardOutput() == "ready\n";
}

TinyFileSystem::~TinyFileSystem() {
    // The namespace, and the file system with it, goes with its last process.
    m_holder.kill();
    m_holder.waitForFinished();
}

QString TinyFileSystem::reach(const QString& path) const {
    return QStringLiteral("/proc/%1/root%2").arg(m_holder.processId()).arg(path);
}

void TinyFileSystem::fill(qint64 spare) const {
    QFile reserve(reach(m_mountPoint + QStringLiteral("/.reserve")));
    if (spare > 0 && reserve.open(QIODevice::WriteOnly)) {
        reserve.write(QByteArray(spare, 'r'));
        reserve.close();
    }
    QFile filler(reach(m_mountPoint + QStringLiteral("/.filler")));
    if (filler.open(QIODevice::Append | QIODevice::Unbuffered)) {
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
    }
    reserve.remove();
}

void TinyFileSystem::makeRoom() const {
    QFile::remove(reach(m_mountPoint + QStringLiteral("/.filler")));
}

void TinyFileSystem::start(QProcess& process, const QString& program,
                           const QStringList& arguments) const {
    process.start(QStringLiteral("nsenter"),
                  QStringList{QStringLiteral("--target"), QString::number(m_holder.processId()),
                              QStringLiteral("--mount"), QStringLiteral("--"), program} +
                      arguments);
}
