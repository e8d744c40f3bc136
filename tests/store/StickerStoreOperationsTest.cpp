// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StoreFixture.h"

#include <QSignalSpy>
#include <QTest>

namespace {

class StickerStoreOperations : public StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        m_store->setWindowSync(&m_sync);
    }

    // Adds stickers named A, B, C... and forgets the calls that made them.
    void addNamed(const QStringList& names) {
        for (const QString& name : names) {
            m_store->addSticker(mediaFile(name + QStringLiteral(".gif")));
            m_store->renameSticker(m_store->stickers().last().id, name);
        }
        m_sync.calls.clear();
    }

    QStringList order() const {
        QStringList result;
        for (const Sticker& s : m_store->stickers())
            result.append(s.name + QString::number(s.zIndex));
        return result;
    }

    void expectSavedAndSynced() {
        EXPECT_EQ(storedList(), m_store->stickers());
        ASSERT_EQ(m_sync.operations(), QStringList{QStringLiteral("sync")});
        EXPECT_EQ(m_sync.calls.last().stickers, m_store->stickers());
    }

    RecordingWindowSync m_sync;
};

} // namespace

TEST_F(StickerStoreOperations, AddAppendsWithTheDefaultsAndRenumbers) {
    m_store->addSticker(QStringLiteral("/not/checked.gif"));
    const Sticker& first = m_store->stickers().at(0);
    EXPECT_EQ(first.x, 200);
    EXPECT_EQ(first.y, 300);
    EXPECT_EQ(first.size, 160);
    EXPECT_EQ(first.zIndex, 0);
    EXPECT_EQ(first.layer, StickerLayer::floating);
    EXPECT_EQ(first.gifPath, QStringLiteral("/not/checked.gif"));
    expectSavedAndSynced();

    addNamed({QStringLiteral("B")});
    m_store->addSticker(QStringLiteral("/c.gif"));
    EXPECT_EQ(m_store->stickers().at(0).zIndex, 2);
    EXPECT_EQ(m_store->stickers().at(1).zIndex, 1);
    EXPECT_EQ(m_store->stickers().at(2).zIndex, 0);
}

TEST_F(StickerStoreOperations, RemoveClosesTheWindowFirstAndDeletesFilesLater) {
    addNamed({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    Sticker a = m_store->stickers().at(0);
    a.bgImagePath = storageDirectory() + QStringLiteral("/Backgrounds/a.png");
    writeFile(a.bgImagePath, "png");
    m_store->updateSticker(a);
    m_sync.calls.clear();

    int sizeSeenByRemoveWindow = -1;
    QSignalSpy changed(m_store.get(), &StickerStore::stickersChanged);
    struct Probe final : StickerWindowSyncing {
        StickerStore* store;
        int* seen;
        void syncWindows(const QList<Sticker>&) override { *seen = -2; }
        void removeWindow(const QUuid&) override {
            *seen = static_cast<int>(store->stickers().size());
        }
    } probe;
    probe.store = m_store.get();
    probe.seen = &sizeSeenByRemoveWindow;
    m_store->setWindowSync(&probe);

    m_store->removeSticker(a.id);
    EXPECT_EQ(sizeSeenByRemoveWindow, 3);
    EXPECT_EQ(order(), (QStringList{QStringLiteral("B1"), QStringLiteral("C0")}));
    EXPECT_EQ(storedList(), m_store->stickers());
    EXPECT_EQ(changed.count(), 1);
    // Not yet: the files go after the delay, through the event loop.
    EXPECT_TRUE(QFileInfo::exists(a.gifPath));
    EXPECT_TRUE(waitUntil(
        [&] { return !QFileInfo::exists(a.gifPath) && !QFileInfo::exists(a.bgImagePath); }));
}

TEST_F(StickerStoreOperations, RemoveOfAnUnknownIdDoesNothing) {
    addNamed({QStringLiteral("A")});
    m_preferences.flush();
    const int writes = m_backend->writeCount();
    m_store->removeSticker(QUuid::createUuid());
    m_preferences.flush();
    EXPECT_EQ(m_backend->writeCount(), writes);
    EXPECT_TRUE(m_sync.calls.isEmpty());
    EXPECT_EQ(m_store->stickers().size(), 1);
}

TEST_F(StickerStoreOperations, RemoveKeepsFilesOutsideTheStorageOrStillInUse) {
    const QString outside = outsideFile(QStringLiteral("keep.gif"));
    const QString shared = mediaFile(QStringLiteral("shared.gif"));
    m_store->addSticker(outside);
    m_store->addSticker(shared);
    m_store->addSticker(shared);
    m_store->removeSticker(m_store->stickers().at(0).id);
    m_store->removeSticker(m_store->stickers().at(0).id);
    processPendingEvents();
    QTest::qWait(StickerStore::deletionDelayMs * 2);
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_TRUE(QFileInfo::exists(shared));
}

TEST_F(StickerStoreOperations, UpdateDeletesOnlyAReplacedBackgroundPicture) {
    addNamed({QStringLiteral("A")});
    const QString first = storageDirectory() + QStringLiteral("/Backgrounds/1.png");
    const QString second = storageDirectory() + QStringLiteral("/Backgrounds/2.png");
    writeFile(first, "1");
    writeFile(second, "2");
    Sticker edited = m_store->stickers().at(0);
    edited.bgImagePath = first;
    m_store->updateSticker(edited);
    edited.bgStyle = BGStyle::image;
    m_store->updateSticker(edited);
    EXPECT_TRUE(QFileInfo::exists(first));
    edited.gifPath = mediaFile(QStringLiteral("other.gif"));
    m_store->updateSticker(edited);
    EXPECT_TRUE(QFileInfo::exists(m_store->stickers().at(0).gifPath));
    edited.bgImagePath = second;
    m_store->updateSticker(edited);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_TRUE(QFileInfo::exists(second));
    EXPECT_EQ(m_sync.operations().size(), 4);
    EXPECT_EQ(storedList().at(0).bgImagePath, second);
}

TEST_F(StickerStoreOperations, UpdatePositionSavesWithoutTellingTheWindows) {
    addNamed({QStringLiteral("A")});
    Sticker locked = m_store->stickers().at(0);
    locked.isLocked = true;
    m_store->updateSticker(locked);
    m_sync.calls.clear();
    m_store->updatePosition(locked.id, -10.5, 1e6);
    EXPECT_EQ(m_store->stickers().at(0).x, -10.5);
    EXPECT_EQ(storedList().at(0).y, 1e6);
    EXPECT_TRUE(m_sync.calls.isEmpty());
    m_store->updatePosition(QUuid::createUuid(), 1, 1);
    EXPECT_EQ(m_store->stickers().at(0).x, -10.5);
}

TEST_F(StickerStoreOperations, MoveReordersAndRenumbers) {
    addNamed({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    m_store->moveSticker(0, 3);
    EXPECT_EQ(order(),
              (QStringList{QStringLiteral("B2"), QStringLiteral("C1"), QStringLiteral("A0")}));
    expectSavedAndSynced();
    m_sync.calls.clear();
    m_store->moveSticker(2, 0);
    EXPECT_EQ(order(),
              (QStringList{QStringLiteral("A2"), QStringLiteral("B1"), QStringLiteral("C0")}));
    m_store->moveSticker(1, 2);
    m_store->moveSticker(1, 1);
    EXPECT_EQ(order(),
              (QStringList{QStringLiteral("A2"), QStringLiteral("B1"), QStringLiteral("C0")}));
    m_sync.calls.clear();
    for (const auto& [source, destination] : {std::pair{-1, 0}, {3, 0}, {0, 4}, {0, -1}})
        m_store->moveSticker(source, destination);
    EXPECT_EQ(order(),
              (QStringList{QStringLiteral("A2"), QStringLiteral("B1"), QStringLiteral("C0")}));
    EXPECT_TRUE(m_sync.calls.isEmpty());
}

TEST_F(StickerStoreOperations, CenterUsesTheMainScreenOrTheFallbackFrame) {
    addNamed({QStringLiteral("A"), QStringLiteral("B")});
    Sticker a = m_store->stickers().at(0);
    a.size = 100;
    a.isHidden = true;
    m_store->updateSticker(a);
    m_sync.calls.clear();
    m_store->centerSticker(a.id);
    EXPECT_EQ(m_store->stickers().at(0).x, 670);
    EXPECT_EQ(m_store->stickers().at(0).y, 400);
    expectSavedAndSynced();

    m_store->setScreenFrameSource([] { return std::optional<QRectF>(QRectF(0, 0, 1920, 1080)); });
    m_store->centerSticker(a.id);
    EXPECT_EQ(m_store->stickers().at(0).x, 910);
    EXPECT_EQ(m_store->stickers().at(0).y, 490);

    m_store->setScreenFrameSource(
        [] { return std::optional<QRectF>(QRectF(-1920, 200, 1920, 1200)); });
    m_store->centerAll();
    EXPECT_EQ(m_store->stickers().at(0).x, -1010);
    EXPECT_EQ(m_store->stickers().at(1).x, -1040);
    EXPECT_EQ(m_store->stickers().at(1).y, 720);
    m_store->setScreenFrameSource([] { return std::optional<QRectF>(); });
    m_store->centerAll();
    EXPECT_EQ(m_store->stickers().at(1).x, 640);
}

TEST_F(StickerStoreOperations, TogglesActOnAllAtOnce) {
    addNamed({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    for (int i = 0; i < 2; ++i) {
        Sticker s = m_store->stickers().at(i);
        s.isHidden = true;
        m_store->updateSticker(s);
    }
    m_sync.calls.clear();
    m_store->toggleAllHidden();
    for (const Sticker& s : m_store->stickers())
        EXPECT_TRUE(s.isHidden);
    expectSavedAndSynced();
    m_store->toggleAllHidden();
    for (const Sticker& s : m_store->stickers())
        EXPECT_FALSE(s.isHidden);
    m_store->toggleAllLocked();
    m_store->toggleAllLocked();
    for (const Sticker& s : m_store->stickers())
        EXPECT_FALSE(s.isLocked);
}

TEST_F(StickerStoreOperations, TogglesOnAnEmptyListStillSaveAndNotify) {
    m_store->toggleAllLocked();
    EXPECT_TRUE(m_preferences.contains(StickerStore::saveKey));
    EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), QByteArray("[]"));
    ASSERT_EQ(m_sync.operations(), QStringList{QStringLiteral("sync")});
    EXPECT_TRUE(m_sync.calls.first().stickers.isEmpty());
}

TEST_F(StickerStoreOperations, ANonFiniteValueKeepsThePreviousStoredList) {
    addNamed({QStringLiteral("A")});
    const QByteArray before = m_preferences.value(StickerStore::saveKey).toByteArray();
    Sticker broken = m_store->stickers().at(0);
    broken.size = std::numeric_limits<double>::quiet_NaN();
    m_store->updateSticker(broken);
    EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), before);
    EXPECT_EQ(m_sync.operations(), QStringList{QStringLiteral("sync")});
}

TEST_F(StickerStoreOperations, ActsOnTheFirstOfDuplicateIdsAndRemovesThemAll) {
    const Sticker twin = Sticker::withMedia(mediaFile(QStringLiteral("t.gif")));
    storeList(StickerStore::saveKey, {twin, twin});
    makeStore();
    m_store->setWindowSync(&m_sync);
    m_store->updatePosition(twin.id, 1, 2);
    EXPECT_EQ(m_store->stickers().at(0).x, 1);
    EXPECT_EQ(m_store->stickers().at(1).x, twin.x);
    m_store->removeSticker(twin.id);
    EXPECT_TRUE(m_store->stickers().isEmpty());
}
