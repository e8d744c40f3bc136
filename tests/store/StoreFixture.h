// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/StickerJson.h"
#include "store/MemoryPreferencesBackend.h"
#include "store/Preferences.h"
#include "store/StickerStore.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A store over in-memory preferences and a temporary application-data directory.
class StoreFixture : public testing::Test {
protected:
    StickerStore& makeStore() {
        m_store = std::make_unique<StickerStore>(m_preferences, dataDirectory());
        return *m_store;
    }

    QString dataDirectory() const { return m_root.filePath(QStringLiteral("data")); }
    QString storageDirectory() const { return dataDirectory() + QStringLiteral("/Vantrel"); }
    QString mediaFile(const QString& name) const {
        const QString path = storageDirectory() + QStringLiteral("/Media/") + name;
        writeFile(path, "GIF89a");
        return path;
    }
    QString outsideFile(const QString& name) const {
        const QString path = m_root.filePath(QStringLiteral("elsewhere/") + name);
        writeFile(path, "outside");
        return path;
    }

    void storeList(const QString& key, const QList<Sticker>& stickers) {
        m_preferences.setValue(key, *StickerJson::encode(stickers));
    }
    QList<Sticker> storedList() const {
        return StickerJson::decode(m_preferences.value(StickerStore::saveKey).toByteArray())
            .value_or(QList<Sticker>());
    }
    // Name and zIndex of each sticker in list order, as "a1 b0"; by name alone for lists that a
    // save made while loading wrote with the stored zIndex.
    static QString layout(const QList<Sticker>& list, bool withZIndex = true) {
        QStringList result;
        for (const Sticker& s : list)
            result.append(withZIndex ? s.name + QString::number(s.zIndex) : s.name);
        return result.join(u' ');
    }

    QTemporaryDir m_root;
    std::shared_ptr<MemoryPreferencesBackend> m_backend =
        std::make_shared<MemoryPreferencesBackend>();
    Preferences m_preferences{m_backend};
    std::unique_ptr<StickerStore> m_store;
};
