// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"

#include <QList>

// How the store tells the window side of changes. The receiver may defer syncWindows to a
// later turn of the event loop; removeWindow closes the window at once.
class StickerWindowSyncing {
public:
    virtual ~StickerWindowSyncing() = default;

    virtual void syncWindows(const QList<Sticker>& stickers) = 0;
    virtual void removeWindow(const QUuid& id) = 0;
};
