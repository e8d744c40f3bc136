// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StoreFixture.h"

#include <QSignalSpy>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

class StickerStoreOperations : public StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        m_store->setWindowSync(&m_sync);
    }

    // Adds stickers named A, B, C... and forgets the calls that made them.
    void addNamed(const QStringList& names = {u"A"_s, u"B"_s, u"C"_s}) {
        for (const QString& name : names) {
            m_store->addSticker(mediaFile(name + QStringLiteral(".gif")));
            m_store->renameSticker(m_store->stickers().last().id, name);
        }
        m_sync.calls.clear();
    }

    QString background(const QString& name) const {
        const QString path = storageDirectory() + QStringLiteral("/Backgrounds/") + name;
        writeFile(path, "png");
        return path;
    }

    QString order() const { return layout(m_store->stickers()); }

    void expectSavedAndSynced() {
        EXPECT_EQ(storedList(), m_store->stickers());
        ASSERT_EQ(m_sync.operations(), QStringList{QStringLiteral("sync")});
        EXPECT_EQ(m_sync.calls.last().stickers, m_store->stickers());
        m_sync.calls.clear();
    }

    RecordingWindowSync m_sync;
};

} // namespace

TEST_F(StickerStoreOperations, AddAppendsTheNewStickerUncheckedAtTheBack) {
    m_store->addSticker(QStringLiteral("/not/checked.gif"));
    EXPECT_EQ(m_store->stickers().at(0).gifPath, QStringLiteral("/not/checked.gif"));
    expectSavedAndSynced();
    addNamed({u"B"_s, u"C"_s});
    EXPECT_EQ(order(), QStringLiteral("2 B1 C0"));
}

TEST_F(StickerStoreOperations, RemoveClosesTheWindowFirstAndDeletesFilesLater) {
    addNamed();
    Sticker a = m_store->stickers().at(0);
    a.bgImagePath = background(QStringLiteral("a.png"));
    m_store->updateSticker(a);

    // The window goes while the list still holds its sticker, and no sync follows.
    struct Probe final : StickerWindowSyncing {
        std::function<void()> onRemove;
        void syncWindows(const QList<Sticker>&) override { ADD_FAILURE() << "synced"; }
        void removeWindow(const QUuid&) override { onRemove(); }
    } probe;
    qsizetype sizeAtRemoval = -1;
    probe.onRemove = [&] { sizeAtRemoval = m_store->stickers().size(); };
    m_store->setWindowSync(&probe);
    QSignalSpy changed(m_store.get(), &StickerStore::stickersChanged);

    m_store->removeSticker(a.id);
    EXPECT_EQ(sizeAtRemoval, 3);
    EXPECT_EQ(order(), QStringLiteral("B1 C0"));
    EXPECT_EQ(storedList(), m_store->stickers());
    EXPECT_EQ(changed.count(), 1);
    // The files go only after the delay, through the event loop.
    EXPECT_TRUE(QFileInfo::exists(a.gifPath));
    EXPECT_TRUE(waitUntil(
        [&] { return !QFileInfo::exists(a.gifPath) && !QFileInfo::exists(a.bgImagePath); }));
}

TEST_F(StickerStoreOperations, RemoveKeepsFilesOutsideTheStorageOrStillInUse) {
    const QString outside = outsideFile(QStringLiteral("keep.gif"));
    const QString shared = mediaFile(QStringLiteral("shared.gif"));
    const QString own = mediaFile(QStringLiteral("own.gif"));
    for (const QString& path : {outside, shared, own, shared})
        m_store->addSticker(path);
    for (int i = 0; i < 3; ++i)
        m_store->removeSticker(m_store->stickers().at(0).id);
    // Deletions run in removal order: once the last file is gone, the others had their turn.
    EXPECT_TRUE(waitUntil([&] { return !QFileInfo::exists(own); }));
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_TRUE(QFileInfo::exists(shared));
}

TEST_F(StickerStoreOperations, UnknownIdsChangeNothing) {
    addNamed({u"A"_s});
    m_preferences.flush();
    const int writes = m_backend->writeCount();
    const QList<Sticker> before = m_store->stickers();
    Sticker stranger = before.at(0);
    stranger.id = QUuid::createUuid();

    m_store->removeSticker(stranger.id);
    m_store->updateSticker(stranger);
    m_store->renameSticker(stranger.id, QStringLiteral("X"));
    m_store->updatePosition(stranger.id, 1, 1);
    m_store->centerSticker(stranger.id);
    m_preferences.flush();
    EXPECT_EQ(m_backend->writeCount(), writes);
    EXPECT_EQ(m_store->stickers(), before);
    EXPECT_TRUE(m_sync.calls.isEmpty());
}

TEST_F(StickerStoreOperations, UpdateDeletesOnlyAReplacedBackgroundPicture) {
    addNamed({u"A"_s});
    const QString first = background(QStringLiteral("1.png"));
    const QString second = background(QStringLiteral("2.png"));
    Sticker edited = m_store->stickers().at(0);
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
}

TEST_F(StickerStoreOperations, MoveReordersAndRenumbers) {
    addNamed();
    // Onto itself or just below itself leaves the order; out of bounds is no move at all.
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
        EXPECT_EQ(order(), QLatin1String(move.order));
        if (move.synced)
            expectSavedAndSynced();
        EXPECT_TRUE(m_sync.calls.isEmpty());
    }
}

TEST_F(StickerStoreOperations, CenterUsesTheMainScreenOrTheFallbackFrame) {
    addNamed({u"A"_s, u"B"_s});
    Sticker a = m_store->stickers().at(0);
    a.size = 100;
    a.isHidden = true;
    m_store->updateSticker(a);
    m_sync.calls.clear();
    // Without a screen source the frame is 1440 x 900; only the given sticker moves.
    m_store->centerSticker(a.id);
    EXPECT_EQ(m_store->stickers().at(0).x, 670);
    EXPECT_EQ(m_store->stickers().at(0).y, 400);
    EXPECT_EQ(m_store->stickers().at(1).x, 200);
    expectSavedAndSynced();

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

TEST_F(StickerStoreOperations, TogglesSetTheFlagOnAllUnlessAllHaveIt) {
    // An empty list is still saved and synced.
    m_store->toggleAllLocked();
    EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), QByteArray("[]"));
    expectSavedAndSynced();

    addNamed();
    Sticker b = m_store->stickers().at(1);
    b.isHidden = true;
    m_store->updateSticker(b);
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

TEST_F(StickerStoreOperations, ANonFiniteValueKeepsThePreviousStoredList) {
    addNamed({u"A"_s});
    const QByteArray before = m_preferences.value(StickerStore::saveKey).toByteArray();
    Sticker broken = m_store->stickers().at(0);
    broken.size = std::numeric_limits<double>::quiet_NaN();
    m_store->updateSticker(broken);
    EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), before);
    EXPECT_EQ(m_sync.operations(), QStringList{QStringLiteral("sync")});
}

TEST_F(StickerStoreOperations, UpdatePositionSavesSilentlyAndActsOnTheFirstOfDuplicateIds) {
    const Sticker twin = Sticker::withMedia(mediaFile(QStringLiteral("t.gif")));
    storeList(StickerStore::saveKey, {twin, twin});
    makeStore();
    m_store->setWindowSync(&m_sync);
    m_store->updatePosition(twin.id, -10.5, 1e6);
    EXPECT_EQ(storedList().at(0).x, -10.5);
    EXPECT_EQ(storedList().at(0).y, 1e6);
    EXPECT_EQ(m_store->stickers().at(1).x, twin.x);
    // The windows moved the sticker themselves.
    EXPECT_TRUE(m_sync.calls.isEmpty());
    m_store->removeSticker(twin.id);
    EXPECT_TRUE(m_store->stickers().isEmpty());
}
