// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StoreFixture.h"

#include <QSignalSpy>

namespace {

class StickerStoreOperations : public StoreFixture {
protected:
    void SetUp() override { makeStore().setWindowSync(&m_sync); }

    // Adds stickers named after their media files and forgets the calls that made them.
    void addNamed(const QStringList& names = {"A", "B", "C"}) {
        for (const QString& name : names)
            m_store->addSticker(mediaFile(name + ".gif"), name);
        m_sync.calls.clear();
    }
    QString background(const QString& name) const {
        return written(storageDirectory() + "/Backgrounds/" + name, "png");
    }
    QString order() const { return layout(m_store->stickers()); }
    void expectSavedAndSynced() {
        EXPECT_EQ(storedList(), m_store->stickers());
        ASSERT_EQ(m_sync.operations(), QStringList{"sync"});
        EXPECT_EQ(m_sync.calls.last().stickers, m_store->stickers());
        m_sync.calls.clear();
    }

    RecordingWindowSync m_sync;
};

} // namespace

// Onto itself or just below itself leaves the order; out of bounds is no move at all.
TEST_F(StickerStoreOperations, AddAppendsUncheckedAndMoveReordersAndRenumbers) {
    m_store->addSticker("/not/checked.gif");
    EXPECT_EQ(m_store->stickers().at(0).gifPath, "/not/checked.gif");
    expectSavedAndSynced();
    m_store->renameSticker(m_store->stickers().at(0).id, "A");
    addNamed({"B", "C"});
    EXPECT_EQ(order(), "A2 B1 C0");
    const struct {
        int source, destination;
        const char* order;
        bool synced;
    } moves[] = {{0, 3, "B2 C1 A0", true},  {2, 0, "A2 B1 C0", true},   {1, 2, "A2 B1 C0", true},
                 {1, 1, "A2 B1 C0", true},  {-1, 0, "A2 B1 C0", false}, {3, 0, "A2 B1 C0", false},
                 {0, 4, "A2 B1 C0", false}, {0, -1, "A2 B1 C0", false}};
    for (const auto& move : moves) {
        SCOPED_TRACE(testing::Message() << move.source << " to " << move.destination);
        m_store->moveSticker(move.source, move.destination);
        EXPECT_EQ(order(), move.order);
        if (move.synced)
            expectSavedAndSynced();
        EXPECT_TRUE(m_sync.calls.isEmpty());
    }
}

// The window goes while the list still holds its sticker, and no sync follows. The files go
// later, in removal order, and only those inside the storage that no sticker uses.
TEST_F(StickerStoreOperations, RemoveClosesTheWindowFirstAndLaterDeletesUnusedStoredFiles) {
    const QString outside = outsideFile("keep.gif");
    const QString shared = mediaFile("shared.gif");
    for (const QString& path : {outside, shared, shared})
        m_store->addSticker(path, "S");
    addNamed({"A"});
    Sticker a = m_store->stickers().last();
    a.bgImagePath = background("a.png");
    m_store->updateSticker(a);
    struct Probe final : StickerWindowSyncing {
        const StickerStore* store = nullptr;
        QList<qsizetype> sizes;
        void syncWindows(const QList<Sticker>&) override { ADD_FAILURE() << "synced"; }
        void removeWindow(const QUuid&) override { sizes.append(store->stickers().size()); }
    } probe;
    probe.store = m_store.get();
    m_store->setWindowSync(&probe);
    QSignalSpy changed(m_store.get(), &StickerStore::stickersChanged);
    for (const qsizetype index : {0, 0, 1})
        m_store->removeSticker(m_store->stickers().at(index).id);
    EXPECT_EQ(probe.sizes, QList<qsizetype>({4, 3, 2}));
    EXPECT_EQ(order(), "S0");
    EXPECT_EQ(storedList(), m_store->stickers());
    EXPECT_EQ(changed.count(), 3);
    EXPECT_TRUE(QFileInfo::exists(a.gifPath));
    EXPECT_TRUE(waitUntil(
        [&] { return !QFileInfo::exists(a.gifPath) && !QFileInfo::exists(a.bgImagePath); }));
    EXPECT_TRUE(QFileInfo::exists(outside) && QFileInfo::exists(shared));
}

// Unknown ids change nothing; a replaced background goes; a value that cannot be encoded is not
// stored.
TEST_F(StickerStoreOperations, UpdateActsOnKnownIdsAndDeletesOnlyAReplacedBackground) {
    addNamed({"A"});
    m_preferences.flush();
    const int writes = m_backend->writeCount();
    Sticker edited = m_store->stickers().at(0);
    Sticker stranger = edited;
    stranger.id = QUuid::createUuid();
    m_store->removeSticker(stranger.id);
    m_store->updateSticker(stranger);
    m_store->renameSticker(stranger.id, "X");
    m_store->updatePosition(stranger.id, 1, 1);
    m_store->centerSticker(stranger.id);
    m_preferences.flush();
    EXPECT_EQ(m_backend->writeCount(), writes);
    EXPECT_EQ(m_store->stickers(), QList{edited});
    EXPECT_TRUE(m_sync.calls.isEmpty());

    const QString first = background("1.png");
    const QString second = background("2.png");
    edited.bgImagePath = first;
    m_store->updateSticker(edited);
    edited.bgStyle = BGStyle::image;
    m_store->updateSticker(edited);
    EXPECT_TRUE(QFileInfo::exists(first));
    edited.bgImagePath = second;
    m_store->updateSticker(edited);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_TRUE(QFileInfo::exists(second));
    EXPECT_TRUE(QFileInfo::exists(edited.gifPath));
    EXPECT_EQ(storedList().at(0).bgImagePath, second);
    const QByteArray before = stored();
    m_sync.calls.clear();
    edited.size = std::numeric_limits<double>::quiet_NaN();
    m_store->updateSticker(edited);
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(m_sync.operations(), QStringList{"sync"});
}

// The fallback frame is 1440 x 900, and hidden stickers are centred too. A toggle sets the flag
// on all stickers when any lacks it, else clears it on all.
TEST_F(StickerStoreOperations, CenterAndTogglesActOnTheGivenOrEverySticker) {
    addNamed({"A", "B"});
    Sticker a = m_store->stickers().at(0);
    a.size = 100;
    a.isHidden = true;
    m_store->updateSticker(a);
    m_sync.calls.clear();
    const auto at = [&list = m_store->stickers()](int i) { return QPointF(list[i].x, list[i].y); };
    m_store->centerSticker(a.id);
    EXPECT_EQ(at(0), QPointF(670, 400));
    EXPECT_EQ(at(1), QPointF(200, 300));
    expectSavedAndSynced();
    m_store->setScreenFrameSource([] { return std::optional(QRectF(-1920, 200, 1920, 1200)); });
    m_store->centerAll();
    EXPECT_EQ(at(0), QPointF(-1010, 750));
    EXPECT_EQ(at(1), QPointF(-1040, 720));
    expectSavedAndSynced();
    m_store->setScreenFrameSource([] { return std::optional<QRectF>(); });
    m_store->centerAll();
    EXPECT_EQ(at(1), QPointF(640, 370));
    m_sync.calls.clear();
    m_store->toggleAllHidden();
    m_store->toggleAllLocked();
    for (const Sticker& s : m_store->stickers())
        EXPECT_TRUE(s.isHidden && s.isLocked);
    m_store->toggleAllHidden();
    for (const Sticker& s : m_store->stickers())
        EXPECT_TRUE(!s.isHidden && s.isLocked);
    EXPECT_EQ(m_sync.operations().size(), 3);
    EXPECT_EQ(storedList(), m_store->stickers());
}

// The windows moved the sticker themselves: no sync.
TEST_F(StickerStoreOperations, UpdatePositionSavesSilentlyAndActsOnTheFirstOfDuplicateIds) {
    const Sticker twin = Sticker::withMedia(mediaFile("t.gif"));
    setStored(*StickerJson::encode({twin, twin}));
    makeStore().setWindowSync(&m_sync);
    m_store->updatePosition(twin.id, -10.5, 1e6);
    EXPECT_EQ(QPointF(storedList().at(0).x, storedList().at(0).y), QPointF(-10.5, 1e6));
    EXPECT_EQ(m_store->stickers().at(1).x, twin.x);
    EXPECT_TRUE(m_sync.calls.isEmpty());
    m_store->removeSticker(twin.id);
    EXPECT_TRUE(m_store->stickers().isEmpty());
}
