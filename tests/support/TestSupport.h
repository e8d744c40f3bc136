// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/StickerWindowSyncing.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>

// Runs the event loop until predicate holds; false if it never does within the bound.
bool waitUntil(const std::function<bool()>& predicate, int boundMs = 10000);

// Lets queued and zero-delay work run.
void processPendingEvents();

// Points HOME, the XDG directories and a private runtime directory into home.
void isolateHome(QProcessEnvironment& environment, const QString& home);

void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// The owner, group and other permissions of path, as ls shows them.
QFile::Permissions permissionsOf(const QString& path);

// Every file below directory, relative to it, sorted.
QStringList filesBelow(const QString& directory);

// Records the calls of the store, in order.
class RecordingWindowSync final : public StickerWindowSyncing {
public:
    struct Call {
        QString operation;
        QList<Sticker> stickers;
        QUuid id;
    };

    void syncWindows(const QList<Sticker>& stickers) override;
    void removeWindow(const QUuid& id) override;

    QStringList operations() const;

    QList<Call> calls;
};
