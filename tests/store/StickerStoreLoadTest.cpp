// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StoreFixture.h"

#include <QDir>
#include <QFile>

namespace {

class StickerStoreLoad : public StoreFixture {};

// Stickers named after their files, with a zIndex the load must renumber.
QList<Sticker> named(const QList<QString>& paths) {
    QList<Sticker> list;
    for (const QString& path : paths) {
        Sticker s = Sticker::withMedia(path);
        s.name = QFileInfo(path).baseName();
        s.zIndex = 99;
        list.append(s);
    }
    return list;
}

// Name and zIndex of each sticker in list order, as "a1 b0". A save made while loading keeps
// the stored zIndex, so stored lists are compared by name alone.
QString layout(const QList<Sticker>& list, bool withZIndex = true) {
    QStringList result;
    for (const Sticker& s : list)
        result.append(withZIndex ? s.name + QString::number(s.zIndex) : s.name);
    return result.join(u' ');
}

} // namespace

TEST_F(StickerStoreLoad, LoadingWritesNothingAndRenumbersInMemoryOnly) {
    EXPECT_TRUE(makeStore().stickers().isEmpty());
    EXPECT_FALSE(m_preferences.hasPendingWrite());
    EXPECT_FALSE(m_preferences.contains(StickerStore::saveKey));

    storeList(StickerStore::saveKey,
              named({mediaFile(QStringLiteral("a.gif")), mediaFile(QStringLiteral("b.gif"))}));
    const QByteArray before = m_preferences.value(StickerStore::saveKey).toByteArray();
    EXPECT_EQ(layout(makeStore().stickers()), QStringLiteral("a1 b0"));
    EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), before);
}

TEST_F(StickerStoreLoad, MovesThePreviousKeyOnce) {
    storeList(StickerStore::previousSaveKey,
              named({mediaFile(QStringLiteral("a.gif")), mediaFile(QStringLiteral("b.gif")),
                     mediaFile(QStringLiteral("c.gif"))}));
    EXPECT_EQ(layout(makeStore().stickers()), QStringLiteral("a2 b1 c0"));
    EXPECT_EQ(layout(storedList(), false), QStringLiteral("a b c"));
    EXPECT_FALSE(m_preferences.contains(StickerStore::previousSaveKey));
}

TEST_F(StickerStoreLoad, ThePreviousKeyStaysBesideACurrentListOrWhenUnreadable) {
    storeList(StickerStore::saveKey, named({mediaFile(QStringLiteral("a.gif"))}));
    storeList(StickerStore::previousSaveKey, named({mediaFile(QStringLiteral("old.gif"))}));
    EXPECT_EQ(layout(makeStore().stickers()), QStringLiteral("a0"));
    EXPECT_TRUE(m_preferences.contains(StickerStore::previousSaveKey));

    m_preferences.remove(StickerStore::saveKey);
    m_preferences.setValue(StickerStore::previousSaveKey, QByteArray("{broken"));
    EXPECT_TRUE(makeStore().stickers().isEmpty());
    EXPECT_EQ(m_preferences.value(StickerStore::previousSaveKey).toByteArray(),
              QByteArray("{broken"));
    EXPECT_FALSE(m_preferences.contains(StickerStore::saveKey));
}

TEST_F(StickerStoreLoad, AnUnreadableCurrentValueIsKeptInAFileBeforeItIsReplaced) {
    // Garbage, a value from a newer version, and bytes that are no UTF-8.
    const QByteArray stored[] = {
        QByteArray("not json"),
        QByteArray(R"([{"gifPath":"/a","x":1,"y":2,"size":3,"bgStyle":"plaid"}])"),
        QByteArray("[{\"gifPath\":\"/a\xff\",\"x\":1,\"y\":2,\"size\":3}]"),
    };
    for (const QByteArray& bad : stored) {
        m_store.reset();
        QDir(storageDirectory()).removeRecursively();
        m_preferences.setValue(StickerStore::saveKey, bad);
        StickerStore& store = makeStore();
        EXPECT_TRUE(store.stickers().isEmpty());
        EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), bad);
        EXPECT_TRUE(store.unreadableBackupPath().isEmpty());

        store.addSticker(mediaFile(QStringLiteral("new.gif")));
        EXPECT_EQ(storedList().size(), 1);
        ASSERT_FALSE(store.unreadableBackupPath().isEmpty());
        EXPECT_TRUE(store.unreadableBackupPath().startsWith(
            storageDirectory() + QStringLiteral("/unreadable-stickers-")));
        EXPECT_EQ(readFile(store.unreadableBackupPath()), bad);
        // One copy is enough: later saves write only the list.
        store.addSticker(mediaFile(QStringLiteral("new2.gif")));
        EXPECT_EQ(QDir(storageDirectory())
                      .entryList({QStringLiteral("unreadable-*")}, QDir::Files)
                      .size(),
                  1);
    }
}

TEST_F(StickerStoreLoad, AnUnreadableCurrentValueIsKeptWhenThePreviousKeyReplacesIt) {
    m_preferences.setValue(StickerStore::saveKey, QByteArray("[{]"));
    storeList(StickerStore::previousSaveKey, named({mediaFile(QStringLiteral("a.gif"))}));
    const StickerStore& store = makeStore();
    EXPECT_EQ(layout(storedList(), false), QStringLiteral("a"));
    EXPECT_EQ(readFile(store.unreadableBackupPath()), QByteArray("[{]"));
}

TEST_F(StickerStoreLoad, AStorageThatCannotBeWrittenLosesNoRecordAndNoOlderList) {
    // A file where the storage should be: neither the media nor the unreadable list can be
    // copied into it, as on a full disk.
    writeFile(dataDirectory(), "in the way");
    m_preferences.setValue(StickerStore::saveKey, QByteArray("[{]"));
    const QList<Sticker> previous =
        named({outsideFile(QStringLiteral("a.gif")), outsideFile(QStringLiteral("b.png"))});
    storeList(StickerStore::previousSaveKey, previous);
    const StickerStore& store = makeStore();
    EXPECT_EQ(layout(store.stickers()), QStringLiteral("a1 b0"));
    EXPECT_EQ(store.stickers()[0].gifPath, previous[0].gifPath);
    EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), QByteArray("[{]"));
    EXPECT_TRUE(m_preferences.contains(StickerStore::previousSaveKey));
}

TEST_F(StickerStoreLoad, DropsStickersWithoutMediaAndAdoptsOutsideFiles) {
    const QString kept = mediaFile(QStringLiteral("kept.gif"));
    const QString outside = outsideFile(QStringLiteral("Outside.GIF"));
    const QString bare = outsideFile(QStringLiteral("bare"));
    const QString background = storageDirectory() + QStringLiteral("/Backgrounds/bg.png");
    writeFile(background, "png");
    QList<Sticker> list =
        named({kept, storageDirectory() + QStringLiteral("/Media/gone.gif"), outside, bare,
               QString(), m_root.path(), storageDirectory() + QStringLiteral("/Media")});
    list[1].bgImagePath = background;
    storeList(StickerStore::saveKey, list);

    const StickerStore& store = makeStore();
    ASSERT_EQ(layout(store.stickers()), QStringLiteral("kept2 Outside1 bare0"));
    EXPECT_EQ(store.stickers()[0].gifPath, kept);
    // Copies take the lower-cased extension, or "gif" without one.
    for (const Sticker& adopted : {store.stickers()[1], store.stickers()[2]}) {
        EXPECT_TRUE(adopted.gifPath.startsWith(storageDirectory() + QStringLiteral("/Media/")));
        EXPECT_TRUE(adopted.gifPath.endsWith(QStringLiteral(".gif")));
        EXPECT_EQ(readFile(adopted.gifPath), QByteArray("outside"));
    }
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_TRUE(QFileInfo::exists(background));
    EXPECT_EQ(layout(storedList(), false), QStringLiteral("kept Outside bare"));
    EXPECT_EQ(storedList()[1].gifPath, store.stickers()[1].gifPath);
}

TEST_F(StickerStoreLoad, TreatsPathsThatOnlyLookInsideAsOutside) {
    const QString sibling = m_root.filePath(QStringLiteral("data/Vantrel2/Media/s.gif"));
    writeFile(sibling, "sibling");
    const QString outside = outsideFile(QStringLiteral("o.gif"));
    const QString link = storageDirectory() + QStringLiteral("/Media/link.gif");
    QDir().mkpath(storageDirectory() + QStringLiteral("/Media"));
    ASSERT_TRUE(QFile::link(outside, link));
    storeList(StickerStore::saveKey,
              named({sibling, link,
                     storageDirectory() + QStringLiteral("/Media/../../Vantrel2/Media/s.gif")}));
    const StickerStore& store = makeStore();
    ASSERT_EQ(store.stickers().size(), 3);
    for (const Sticker& s : store.stickers()) {
        EXPECT_TRUE(QFileInfo(s.gifPath).isFile());
        EXPECT_FALSE(QFileInfo(s.gifPath).isSymLink());
        EXPECT_EQ(QFileInfo(s.gifPath).absolutePath(),
                  storageDirectory() + QStringLiteral("/Media"));
    }
    EXPECT_TRUE(QFileInfo::exists(sibling));
    EXPECT_TRUE(QFileInfo::exists(outside));
}

TEST_F(StickerStoreLoad, AStorageOrMediaDirectoryMovedElsewhereAndLinkedIsInside) {
    for (const QString& linked : {QStringLiteral("/Vantrel"), QStringLiteral("/Vantrel/Media")}) {
        m_store.reset();
        QDir(m_root.path()).removeRecursively();
        const QString moved = m_root.filePath(QStringLiteral("other-disk/moved"));
        QDir().mkpath(moved);
        QDir().mkpath(QFileInfo(dataDirectory() + linked).absolutePath());
        ASSERT_TRUE(QFile::link(moved, dataDirectory() + linked));
        const QString kept = mediaFile(QStringLiteral("kept.gif"));
        storeList(StickerStore::saveKey, named({kept}));
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
