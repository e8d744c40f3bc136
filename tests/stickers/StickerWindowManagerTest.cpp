// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerWindowManager.h"

#include "model/StickerJson.h"
#include "stickers/NotificationHub.h"
#include "stickers/RecordingWindowingServices.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class StickerWindowManagerTest : public testing::Test {
protected:
    // Builds a store of named stickers (name:zIndex[:hidden]) and its manager.
    void build(const QStringList& layout) {
        m_store = std::make_unique<StickerStore>(m_preferences, m_root.filePath("data"));
        for (const QString& entry : layout)
            m_store->addSticker(media(), entry.section(u':', 0, 0));
        // Adding renumbers; the wanted numbers are set afterwards.
        for (const QString& entry : layout)
            update(entry.section(u':', 0, 0), [&entry](Sticker& s) {
                s.zIndex = entry.section(u':', 1, 1).toLongLong();
                s.isHidden = entry.count(u':') > 1;
            });
        m_manager = std::make_unique<StickerWindowManager>(*m_store, m_windowing, m_hub);
        processPendingEvents();
        m_windowing.restacks.clear();
    }

    QString media() const {
        const QString path = m_root.filePath("data/Vantrel/Media/m.gif");
        if (!QFileInfo::exists(path))
            writeFile(path, "GIF89a");
        return path;
    }

    Sticker named(const QString& name) const {
        const QList<Sticker> all = m_store->stickers();
        return *std::ranges::find(all, name, &Sticker::name);
    }

    void update(const QString& name, const std::function<void(Sticker&)>& change) {
        Sticker s = named(name);
        change(s);
        m_store->updateSticker(s);
    }

    StickerWindow* windowOf(const QString& name) const { return m_manager->window(named(name).id); }

    QTemporaryDir m_root;
    Preferences m_preferences{std::make_shared<MemoryPreferencesBackend>()};
    RecordingWindowingServices m_windowing;
    NotificationHub m_hub;
    std::unique_ptr<StickerStore> m_store;
    std::unique_ptr<StickerWindowManager> m_manager;
};

} // namespace

// Equal numbers keep the records' order; showing and hiding reuse a window after the queued sync.
TEST_F(StickerWindowManagerTest, StacksByZIndexAndReusesTheWindowsOfHiddenStickers) {
    build({"A:2", "B:0", "C:1", "D:1", "H:0:hidden"});
    m_manager->restackWindows();
    ASSERT_EQ(m_windowing.restacks, (QList<QStringList>{{"B", "C", "D", "A"}}));
    for (const QString& name : m_windowing.restacks[0]) {
        EXPECT_TRUE(windowOf(name)->isVisible());
        EXPECT_TRUE(m_windowing.states.contains(name + ":floating"));
    }
    StickerWindow* hidden = windowOf("H");
    StickerWindow* shown = windowOf("A");
    EXPECT_FALSE(hidden->isVisible());
    update("H", [](Sticker& s) { s.isHidden = false; });
    processPendingEvents();
    EXPECT_EQ(windowOf("H"), hidden);
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_EQ(m_windowing.restacks.last(), QStringList({"B", "H", "C", "D", "A"}));
    update("A", [](Sticker& s) { s.isHidden = true; });
    processPendingEvents();
    EXPECT_EQ(windowOf("A"), shown);
    EXPECT_FALSE(shown->isVisible());
    EXPECT_EQ(m_windowing.restacks.last(), QStringList({"B", "H", "C", "D"}));
}

// A sync lands on the next turn; the window manager hears of the order only when it changes or a
// click may have changed it, and not at all once the store is gone.
TEST_F(StickerWindowManagerTest, SyncsOnTheNextTurnAndRestacksOnlyOnAReorderOrAClick) {
    build({"A:1", "B:0"});
    const QUuid a = named("A").id;
    m_manager->syncWindows(m_store->stickers().mid(1));
    EXPECT_NE(m_manager->window(a), nullptr);
    processPendingEvents();
    EXPECT_EQ(m_manager->window(a), nullptr);
    for (int round = 0; round < 2; ++round) {
        m_manager->syncWindows(m_store->stickers());
        processPendingEvents();
        ASSERT_NE(m_manager->window(a), nullptr);
        m_manager->removeWindow(a);
        m_manager->removeWindow(a);
        EXPECT_EQ(m_manager->window(a), nullptr);
    }
    m_manager->syncWindows(m_store->stickers());
    processPendingEvents();
    m_windowing.restacks.clear();

    update("A", [](Sticker& s) { s.size = 150; });
    processPendingEvents();
    EXPECT_EQ(windowOf("A")->width(), 150);
    EXPECT_TRUE(m_windowing.restacks.isEmpty());
    m_store->moveSticker(1, 0);
    processPendingEvents();
    EXPECT_EQ(m_windowing.restacks.size(), 1);
    m_hub.postStickerInteractionEnded();
    EXPECT_EQ(m_windowing.restacks.size(), 2);

    QList<Sticker> list = m_store->stickers();
    list.append(Sticker::withMedia(media()));
    m_manager->syncWindows(list);
    m_store.reset();
    processPendingEvents();
    EXPECT_EQ(m_manager->windowCount(), 2);
    m_hub.postStickerInteractionEnded();
    EXPECT_EQ(m_windowing.restacks.size(), 2);
}

TEST_F(StickerWindowManagerTest, DuplicateIdsShareOneWindow) {
    const Sticker twin = Sticker::withMedia(media());
    m_preferences.setValue(StickerStore::saveKey, *StickerJson::encode({twin, twin}));
    m_store = std::make_unique<StickerStore>(m_preferences, m_root.filePath("data"));
    m_manager = std::make_unique<StickerWindowManager>(*m_store, m_windowing, m_hub);
    EXPECT_EQ(m_manager->windowCount(), 1);
    m_manager->restackWindows();
    EXPECT_EQ(m_windowing.restacks.last().size(), 1);
}
