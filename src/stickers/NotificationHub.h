// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QUuid>

// The in-process notifications, as typed signals on one object that the application creates
// and hands to whoever posts or observes them.
class NotificationHub final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    void postStickerInteractionEnded() { Q_EMIT stickerInteractionEnded(); }
    void postStickerRename(const QUuid& id, const QString& name) { Q_EMIT stickerRename(id, name); }

Q_SIGNALS:
    // A press on an unlocked sticker or any release on a sticker.
    void stickerInteractionEnded();
    void stickerRename(const QUuid& id, const QString& name);
};
