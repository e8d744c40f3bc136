// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StickerStore.h"

#include "model/StickerJson.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A store over in-memory preferences and a temporary application-data directory.
class StoreFixture : public testing::Test {
protected:
    StickerStore& makeStore() {
        m_store = std::make_unique<StickerStore>(m_preferences, dataDirectory());
        return *m_store;
    }
    QString dataDirectory() const { return m_root.filePath(QStringLiteral("data")); }
    QString storageDirectory() const { return dataDirectory() + QStringLiteral("/Vantrel"); }
    static QString written(const QString& path, const QByteArray& bytes) {
        writeFile(path, bytes);
        return path;
    }
    QString mediaFile(const QString& name) const {
        return written(storageDirectory() + QStringLiteral("/Media/") + name, "GIF89a");
    }
    QString outsideFile(const QString& name) const {
        return written(m_root.filePath(QStringLiteral("elsewhere/") + name), "outside");
    }
    // The current and the previous stored list; a null value is none.
    void setStored(const QByteArray& current, const QByteArray& previous = {}) {
        for (const auto& [key, value] : {std::pair{StickerStore::saveKey, current},
                                         {StickerStore::previousSaveKey, previous}}) {
            m_preferences.remove(key);
            if (!value.isNull())
                m_preferences.setValue(key, value);
        }
    }
    QByteArray stored(const QString& key = StickerStore::saveKey) const {
        return m_preferences.value(key).toByteArray();
    }
    QList<Sticker> storedList() const {
        return StickerJson::decode(stored()).value_or(QList<Sticker>());
    }
    // Name and zIndex of each sticker in list order, as "a1 b0", or names alone.
    static QString layout(const QList<Sticker>& list, bool withZIndex = true) {
        QStringList result;
        for (const Sticker& s : list)
            result.append(withZIndex ? s.name + QString::number(s.zIndex) : s.name);
        return result.join(u' ');
    }

    // Adds stickers named after their media files and forgets the calls that made them.
    void addNamed(const QStringList& names) {
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

    QTemporaryDir m_root;
    std::shared_ptr<MemoryPreferencesBackend> m_backend =
        std::make_shared<MemoryPreferencesBackend>();
    Preferences m_preferences{m_backend};
    std::unique_ptr<StickerStore> m_store;
    RecordingWindowSync m_sync;
};

using StickerStoreLoad = StoreFixture;

class StickerStoreOperations : public StoreFixture {
protected:
    void SetUp() override { makeStore().setWindowSync(&m_sync); }
};

// Stickers named after their files, with a zIndex the load must renumber.
QByteArray named(const QList<QString>& paths) {
    QList<Sticker> list;
    for (const QString& path : paths) {
        list.append(Sticker::withMedia(path));
        list.last().name = QFileInfo(path).baseName();
        list.last().zIndex = 99;
    }
    return *StickerJson::encode(list);
}

} // namespace

// Loading writes nothing but a move of a readable previous list where no current value is; an
// unreadable current value, say from a newer version, is kept in a file once, by the first save.
TEST_F(StickerStoreLoad, ReadsTheCurrentListOrMovesThePreviousOneOnce) {
    const QByteArray ab = named({mediaFile("a.gif"), mediaFile("b.gif")});
    const QByteArray c = named({mediaFile("c.gif")});
    const QByteArray bad(R"([{"gifPath":"/a","x":1,"y":2,"size":3,"bgStyle":"plaid"}])");
    const struct {
        QByteArray current, previous;
        const char* loaded;
        QByteArray currentAfter, previousAfter;
    } cases[] = {{{}, {}, "", {}, {}},
                 {ab, {}, "a1 b0", ab, {}},
                 {{}, ab, "a1 b0", ab, {}},
                 {c, ab, "c0", c, ab},
                 {{}, "{broken", "", {}, "{broken"},
                 {bad, "{broken", "", bad, "{broken"}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.current.constData());
        setStored(row.current, row.previous);
        EXPECT_EQ(layout(makeStore().stickers()), row.loaded);
        EXPECT_EQ(m_preferences.contains(StickerStore::saveKey), !row.currentAfter.isNull());
        EXPECT_EQ(stored(), row.currentAfter);
        EXPECT_EQ(stored(StickerStore::previousSaveKey), row.previousAfter);
        EXPECT_TRUE(m_store->unreadableBackupPath().isEmpty());
    }
    m_store->addSticker(mediaFile("new.gif"));
    m_store->addSticker(mediaFile("new2.gif"));
    EXPECT_EQ(storedList().size(), 2);
    const QStringList kept = QDir(storageDirectory()).entryList({"unreadable-stickers-*"});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(m_store->unreadableBackupPath(), storageDirectory() + "/" + kept[0]);
    EXPECT_EQ(readFile(m_store->unreadableBackupPath()), bad);
}

// A storage that cannot be written, as on a full disk, keeps neither the unreadable current value
// nor the media: then the previous list stays, and no record is lost.
TEST_F(StickerStoreLoad, AStorageThatCannotBeWrittenLosesNoRecordAndNoOlderList) {
    const QString a = outsideFile("a.gif");
    for (const bool blocked : {false, true}) {
        m_store.reset();
        QDir(dataDirectory()).removeRecursively();
        if (blocked)
            writeFile(dataDirectory(), "in the way");
        setStored("[{]", named({a, outsideFile("b.png")}));
        const StickerStore& store = makeStore();
        EXPECT_EQ(layout(store.stickers()), "a1 b0");
        EXPECT_EQ(store.stickers()[0].gifPath == a, blocked);
        EXPECT_EQ(layout(storedList(), false), blocked ? "" : "a b");
        EXPECT_EQ(m_preferences.contains(StickerStore::previousSaveKey), blocked);
        EXPECT_EQ(store.unreadableBackupPath().isEmpty(), blocked);
        EXPECT_EQ(readFile(store.unreadableBackupPath()), blocked ? "" : "[{]");
    }
    EXPECT_EQ(stored(), "[{]");
}

// Copies of outside files take the lower-cased extension, or "gif" without one.
TEST_F(StickerStoreLoad, DropsStickersWithoutMediaAndAdoptsOutsideFiles) {
    const QString kept = mediaFile("kept.gif");
    const QString outside = outsideFile("Outside.GIF");
    const QString media = storageDirectory() + "/Media";
    const QString background = written(storageDirectory() + "/Backgrounds/bg.png", "png");
    QList<Sticker> list =
        *StickerJson::decode(named({kept, media + "/gone.gif", outside, outsideFile("bare"),
                                    QString(), m_root.path(), media}));
    list[1].bgImagePath = background;
    setStored(*StickerJson::encode(list));
    const StickerStore& store = makeStore();
    ASSERT_EQ(layout(store.stickers()), "kept2 Outside1 bare0");
    EXPECT_EQ(store.stickers()[0].gifPath, kept);
    for (const Sticker& adopted : {store.stickers()[1], store.stickers()[2]}) {
        EXPECT_TRUE(adopted.gifPath.startsWith(media + "/"));
        EXPECT_TRUE(adopted.gifPath.endsWith(".gif"));
        EXPECT_EQ(readFile(adopted.gifPath), "outside");
    }
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_TRUE(QFileInfo::exists(background));
    EXPECT_EQ(layout(storedList(), false), "kept Outside bare");
    EXPECT_EQ(storedList()[1].gifPath, store.stickers()[1].gifPath);
}

TEST_F(StickerStoreLoad, AStorageOrMediaDirectoryMovedElsewhereAndLinkedIsInside) {
    for (const QString linked : {"/Vantrel", "/Vantrel/Media"}) {
        m_store.reset();
        QDir(m_root.path()).removeRecursively();
        const QString moved = m_root.filePath("other-disk/moved");
        QDir().mkpath(moved);
        QDir().mkpath(QFileInfo(dataDirectory() + linked).absolutePath());
        ASSERT_TRUE(QFile::link(moved, dataDirectory() + linked));
        const QString kept = mediaFile("kept.gif");
        setStored(named({kept}));
        for (int start = 0; start < 2; ++start) {
            ASSERT_EQ(makeStore().stickers().size(), 1);
            EXPECT_EQ(m_store->stickers()[0].gifPath, kept);
        }
        EXPECT_EQ(filesBelow(moved).size(), 1) << linked.toStdString();
    }
}

TEST_F(StickerStoreLoad, CreatesTheWindowManagerOnceOnTheNextTurn) {
    StickerStore& store = makeStore();
    int created = 0;
    store.setWindowManagerFactory([&created](StickerStore& s) {
        ++created;
        auto receiver = std::make_unique<RecordingWindowSync>();
        s.setWindowSync(receiver.get());
        return receiver;
    });
    EXPECT_EQ(store.windowManager(), nullptr);
    processPendingEvents();
    EXPECT_EQ(created, 1);
    store.ensureWindowManager();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(store.windowSync(), store.windowManager());
}

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

// Unknown ids change nothing; a replaced background goes; a list that cannot encode is not stored.
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
