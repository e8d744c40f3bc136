// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StoreFixture.h"

#include <QDir>
#include <QFile>

namespace {

class StickerStoreLoad : public StoreFixture {};

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
