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

    QTemporaryDir m_root;
    std::shared_ptr<MemoryPreferencesBackend> m_backend =
        std::make_shared<MemoryPreferencesBackend>();
    Preferences m_preferences{m_backend};
    std::unique_ptr<StickerStore> m_store;
};
