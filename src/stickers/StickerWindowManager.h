// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/MediaCache.h"
#include "stickers/StickerWindow.h"
#include "store/StickerWindowSyncing.h"

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>

class NotificationHub;
class StickerStore;
class WindowingServices;

// Keeps the desktop in step with the store: one window per sticker id, shown or ordered out,
// updated, torn down, and stacked by zIndex within each level after every sync and click.
class StickerWindowManager final : public QObject, public StickerWindowSyncing {
    Q_OBJECT

public:
    // budget bounds the decoded media of the sticker windows, shared with the program's other
    // decoded media.
    StickerWindowManager(StickerStore& store, WindowingServices& windowing, NotificationHub& hub,
                         FrameTimerFactory timers = {},
                         std::shared_ptr<FrameBudget> budget = std::make_shared<FrameBudget>());
    ~StickerWindowManager() override;

    // Applied on the next turn of the event loop, with the list as it was passed.
    void syncWindows(const QList<Sticker>& stickers) override;
    void removeWindow(const QUuid& id) override;
    void restackWindows();

    StickerWindow* window(const QUuid& id) const;
    qsizetype windowCount() const { return static_cast<qsizetype>(m_windows.size()); }
    MediaCache& mediaCache() { return m_cache; }

private:
    enum class Restack { always, whenChanged };

    void sync(const QList<Sticker>& stickers);
    // Brings existing up to sticker; true when that may change the stacking.
    bool apply(StickerWindow& existing, const Sticker& sticker);
    void restack(Restack when);
    void createWindow(const Sticker& sticker);
    StickerNSView::Services viewServices();

    QPointer<StickerStore> m_store;
    WindowingServices& m_windowing;
    QPointer<NotificationHub> m_hub;
    FrameTimerFactory m_timers;
    // Declared before the windows so that their views still find it while they go.
    MediaCache m_cache;
    std::map<QUuid, std::unique_ptr<StickerWindow>> m_windows;
    QList<QUuid> m_lastStacking;
    // The windows of the last sync, in the places of their stickers.
    QList<StickerWindow*> m_synced;
};
