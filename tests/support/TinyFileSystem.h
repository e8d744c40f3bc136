// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A tmpfs of a few kilobytes mounted in a private mount namespace that a holder process keeps,
// so a test fills a disk for real without touching the machine's mounts. The test reaches the
// namespace's files through /proc/<holder>/root, and runs programs in it through nsenter.
// Mounting needs root, as CI has; isReady() is false without.
class TinyFileSystem final {
public:
    TinyFileSystem(const QString& mountPoint, qint64 bytes);
    ~TinyFileSystem();

    TinyFileSystem(const TinyFileSystem&) = delete;
    TinyFileSystem& operator=(const TinyFileSystem&) = delete;

    bool isReady() const { return m_ready; }
    // An absolute path of the namespace, as the test reaches it.
    QString reach(const QString& path) const;
    // Leaves at most spare bytes free.
    void fill(qint64 spare = 0) const;
    void makeRoom() const;
    // Starts program inside the namespace.
    void start(QProcess& process, const QString& program, const QStringList& arguments) const;

private:
    QString m_mountPoint;
    QProcess m_holder;
    bool m_ready = false;
};
