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

} // namespace

// Loading writes nothing, and renumbers in memory only; the list under the previous key moves
// once, unless a current list is there or it cannot be read.
TEST_F(StickerStoreLoad, ReadsTheCurrentListOrMovesThePreviousOneOnce) {
    const QByteArray ab = *StickerJson::encode(
        named({mediaFile(QStringLiteral("a.gif")), mediaFile(QStringLiteral("b.gif"))}));
    const QByteArray c = *StickerJson::encode(named({mediaFile(QStringLiteral("c.gif"))}));
    const struct {
        QByteArray current, previous;
        const char *loaded, *stored;
    } cases[] = {
        {{}, {}, "", ""},   {ab, {}, "a1 b0", "a b"}, {{}, ab, "a1 b0", "a b"},
        {c, ab, "c0", "c"}, {{}, "{broken", "", ""},
    };
    for (const auto& stored : cases) {
        SCOPED_TRACE(stored.loaded);
        m_preferences.remove(StickerStore::saveKey);
        m_preferences.remove(StickerStore::previousSaveKey);
        if (!stored.current.isNull())
            m_preferences.setValue(StickerStore::saveKey, stored.current);
        if (!stored.previous.isNull())
            m_preferences.setValue(StickerStore::previousSaveKey, stored.previous);
        EXPECT_EQ(layout(makeStore().stickers()), QLatin1String(stored.loaded));
        EXPECT_EQ(layout(storedList(), false), QLatin1String(stored.stored));
        // Byte for byte as stored, or written only by a move.
        const QByteArray current = m_preferences.value(StickerStore::saveKey).toByteArray();
        EXPECT_TRUE(stored.current.isNull() ? current.isNull() == (*stored.stored == 0)
                                            : current == stored.current);
        const bool moved = stored.current.isNull() && *stored.stored != 0;
        EXPECT_EQ(m_preferences.value(StickerStore::previousSaveKey).toByteArray(),
                  moved ? QByteArray() : stored.previous);
    }
}

// A value this version cannot read, say from a newer one, stays until a save replaces it.
TEST_F(StickerStoreLoad, AnUnreadableCurrentValueIsKeptInAFileBeforeItIsReplaced) {
    const QByteArray bad(R"([{"gifPath":"/a","x":1,"y":2,"size":3,"bgStyle":"plaid"}])");
    m_preferences.setValue(StickerStore::saveKey, bad);
    StickerStore& store = makeStore();
    EXPECT_TRUE(store.stickers().isEmpty());
    EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), bad);
    EXPECT_TRUE(store.unreadableBackupPath().isEmpty());

    store.addSticker(mediaFile(QStringLiteral("new.gif")));
    EXPECT_EQ(storedList().size(), 1);
    ASSERT_TRUE(store.unreadableBackupPath().startsWith(storageDirectory() +
                                                        QStringLiteral("/unreadable-stickers-")));
    EXPECT_EQ(readFile(store.unreadableBackupPath()), bad);
    // One copy is enough: later saves write only the list.
    store.addSticker(mediaFile(QStringLiteral("new2.gif")));
    EXPECT_EQ(
        QDir(storageDirectory()).entryList({QStringLiteral("unreadable-*")}, QDir::Files).size(),
        1);
}

// The previous key replaces an unreadable current value once its bytes are kept in a file. A
// file where the storage should be lets neither them nor the media be copied, as on a full disk:
// then no record and no older list is lost.
TEST_F(StickerStoreLoad, AStorageThatCannotBeWrittenLosesNoRecordAndNoOlderList) {
    const QList<Sticker> previous =
        named({outsideFile(QStringLiteral("a.gif")), outsideFile(QStringLiteral("b.png"))});
    for (const bool blocked : {false, true}) {
        m_store.reset();
        QDir(dataDirectory()).removeRecursively();
        if (blocked)
            writeFile(dataDirectory(), "in the way");
        m_preferences.setValue(StickerStore::saveKey, QByteArray("[{]"));
        storeList(StickerStore::previousSaveKey, previous);
        const StickerStore& store = makeStore();
        EXPECT_EQ(layout(store.stickers()), QStringLiteral("a1 b0"));
        EXPECT_EQ(store.stickers()[0].gifPath == previous[0].gifPath, blocked);
        EXPECT_EQ(layout(storedList(), false), blocked ? QString() : QStringLiteral("a b"));
        EXPECT_EQ(m_preferences.contains(StickerStore::previousSaveKey), blocked);
        EXPECT_EQ(store.unreadableBackupPath().isEmpty(), blocked);
        EXPECT_EQ(readFile(store.unreadableBackupPath()), blocked ? QByteArray() : "[{]");
    }
    EXPECT_EQ(m_preferences.value(StickerStore::saveKey).toByteArray(), QByteArray("[{]"));
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
