// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerWindowManager.h"

#include "platform/WindowingServices.h"
#include "stickers/NotificationHub.h"
#include "store/StickerStore.h"

#include <QSet>
#include <algorithm>

StickerWindowManager::StickerWindowManager(StickerStore& store, WindowingServices& windowing,
                                           NotificationHub& hub, FrameTimerFactory timers,
                                           std::shared_ptr<FrameBudget> budget)
    : m_store(&store)
    , m_windowing(windowing)
    , m_hub(&hub)
    , m_timers(std::move(timers))
    , m_cache(std::move(budget), FrameStore::Coding::compressed) {
    store.setWindowSync(this);
    for (const Sticker& sticker : store.stickers()) {
        if (!m_windows.contains(sticker.id))
            createWindow(sticker);
    }
    restackWindows();
    connect(&hub, &NotificationHub::stickerInteractionEnded, this,
            &StickerWindowManager::restackWindows);
    m_windowing.onCompositingChanged([this] {
        for (const auto& [id, window] : m_windows) {
            if (StickerNSView* view = window->stickerView())
                view->compositingChanged();
        }
    });
}

StickerWindowManager::~StickerWindowManager() {
    m_windowing.onCompositingChanged({});
    if (m_store && m_store->windowSync() == this)
        m_store->setWindowSync(nullptr);
}

StickerNSView::Services StickerWindowManager::viewServices() {
    return {&m_cache, m_hub, &m_windowing, m_timers};
}

void StickerWindowManager::createWindow(const Sticker& sticker) {
    auto window = std::make_unique<StickerWindow>(sticker, m_store.data(), viewServices());
    if (!sticker.isHidden)
        window->orderFront();
    m_windows.emplace(sticker.id, std::move(window));
}

StickerWindow* StickerWindowManager::window(const QUuid& id) const {
    const auto it = m_windows.find(id);
    return it == m_windows.end() ? nullptr : it->second.get();
}

void StickerWindowManager::syncWindows(const QList<Sticker>& stickers) {
    QMetaObject::invokeMethod(
        this, [this, stickers] { sync(stickers); }, Qt::QueuedConnection);
}

void StickerWindowManager::sync(const QList<Sticker>& stickers) {
    // A step of a drag or a slider leaves the ids where the last sync found them: each window is
    // then known by its place, and none can have gone.
    if (stickers.size() == m_synced.size() &&
        std::equal(stickers.cbegin(), stickers.cend(), m_synced.cbegin(),
                   [](const Sticker& sticker, const StickerWindow* window) {
                       return sticker.id == window->sticker().id;
                   })) {
        bool stackingMayChange = false;
        for (qsizetype i = 0; i < stickers.size(); ++i)
            stackingMayChange = apply(*m_synced[i], stickers[i]) || stackingMayChange;
        if (stackingMayChange)
            restack(Restack::whenChanged);
        return;
    }
    QSet<QUuid> ids;
    for (const Sticker& sticker : stickers)
        ids.insert(sticker.id);
    // Only a new, gone, hidden, shown or reordered sticker can change the stacking.
    bool stackingMayChange = ids.size() != static_cast<qsizetype>(m_windows.size());
    for (const Sticker& sticker : stickers) {
        if (StickerWindow* existing = window(sticker.id)) {
            stackingMayChange = apply(*existing, sticker) || stackingMayChange;
        } else if (m_store) {
            createWindow(sticker);
            stackingMayChange = true;
        }
    }
    for (auto it = m_windows.begin(); it != m_windows.end();) {
        if (ids.contains(it->first)) {
            ++it;
            continue;
        }
        std::unique_ptr<StickerWindow> gone = std::move(it->second);
        it = m_windows.erase(it);
        gone->teardown();
        gone->orderOut();
    }
    m_synced.clear();
    for (const Sticker& sticker : stickers) {
        if (StickerWindow* shown = window(sticker.id))
            m_synced.append(shown);
    }
    // A sticker left without a window (no store to make one for) keeps every sync on the
    // lookup by id.
    if (m_synced.size() != stickers.size())
        m_synced.clear();
    if (stackingMayChange)
        restack(Restack::whenChanged);
}

bool StickerWindowManager::apply(StickerWindow& existing, const Sticker& sticker) {
    // A step of one sticker's slider leaves every other window as it is.
    if (existing.sticker() == sticker)
        return false;
    const bool stackingMayChange = existing.sticker().zIndex != sticker.zIndex ||
                                   existing.sticker().isHidden != sticker.isHidden;
    existing.applySticker(sticker);
    if (sticker.isHidden)
        existing.orderOut();
    return stackingMayChange;
}

void StickerWindowManager::removeWindow(const QUuid& id) {
    const auto it = m_windows.find(id);
    if (it == m_windows.end())
        return;
    std::unique_ptr<StickerWindow> gone = std::move(it->second);
    m_windows.erase(it);
    m_synced.clear();
    gone->teardown();
    gone->orderOut();
}

void StickerWindowManager::restackWindows() {
    restack(Restack::always);
}

void StickerWindowManager::restack(Restack when) {
    if (!m_store)
        return;
    QList<Sticker> sorted = m_store->stickers();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Sticker& a, const Sticker& b) { return a.zIndex < b.zIndex; });
    QList<QWidget*> bottomToTop;
    QList<QUuid> stackedIds;
    QSet<QUuid> placed;
    for (const Sticker& sticker : std::as_const(sorted)) {
        StickerWindow* shown = window(sticker.id);
        // Records sharing an id share a window, which is placed once.
        if (!shown || sticker.isHidden || placed.contains(sticker.id))
            continue;
        placed.insert(sticker.id);
        // A restack is what brings a shown-again sticker back on screen.
        if (!shown->isVisible())
            shown->orderFront();
        bottomToTop.append(shown);
        stackedIds.append(sticker.id);
    }
    // The order among stickers changes only by a restack or a click, which always restacks:
    // a sync that leaves it as it was sends the window manager nothing.
    if (when == Restack::whenChanged && stackedIds == m_lastStacking)
        return;
    m_lastStacking = stackedIds;
    m_windowing.restack(bottomToTop);
}
