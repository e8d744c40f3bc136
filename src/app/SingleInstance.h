// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

// One Vantrel per user: the first process holds a lock and listens on a user-only local socket
// in a runtime directory private to the user; a later one hands it "show" and leaves. A lock
// left by a crashed run is stale and never blocks a start.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    enum class Role { primary, handedOver, failed };

    static constexpr QStringView socketName = u"vantrel.socket";

    explicit SingleInstance(const QString& runtimeDirectory, QObject* parent = nullptr);

    Role claim();

Q_SIGNALS:
    // Another launch asked this one to show itself.
    void showRequested();

private:
    bool handOver();

    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};
