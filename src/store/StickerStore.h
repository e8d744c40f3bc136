// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"
#include "store/MediaStorage.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <functional>
#include <memory>
#include <optional>

class AppSettings;
class Preferences;
class StickerWindowSyncing;

// The single owner of the sticker list. Every edit changes the list, writes it whole to the
// preferences and then tells the window side; the views follow stickersChanged.
class StickerStore final : public QObject {
    Q_OBJECT

public:
    static inline const QString saveKey = QStringLiteral("vantrel_stickers_v5");
    static inline const QString previousSaveKey = QStringLiteral("vantrel_stickers_v4");

    // The full frame of the main screen in sticker coordinates, or none without a screen.
    using ScreenFrameSource = std::function<std::optional<QRectF>()>;
    using WindowManagerFactory =
        std::function<std::unique_ptr<StickerWindowSyncing>(StickerStore&)>;

    // Reads the list, checks its media, renumbers zIndex and schedules the window manager.
    StickerStore(Preferences& preferences, const QString& applicationDataDirectory,
                 QObject* parent = nullptr);
    ~StickerStore() override;

    const QList<Sticker>& stickers() const { return m_stickers; }
    const MediaStorage& storage() const { return m_storage; }

    StickerWindowSyncing* windowSync() const { return m_windowSync; }
    void setWindowSync(StickerWindowSyncing* receiver) { m_windowSync = receiver; }
    AppSettings* settings() const;
    void setSettings(AppSettings* settings);
    void setScreenFrameSource(ScreenFrameSource source) { m_screenFrame = std::move(source); }

    // Creates the window manager once, through the factory, when there is none yet.
    void setWindowManagerFactory(WindowManagerFactory factory);
    void ensureWindowManager();
    StickerWindowSyncing* windowManager() const { return m_windowManager.get(); }

    // Appends a new sticker with the defaults, named name (empty: no name of its own).
    void addSticker(const QString& mediaPath, const QString& name = QString());
    void removeSticker(const QUuid& id);
    void updateSticker(const Sticker& edited);
    void renameSticker(const QUuid& id, const QString& name);
    void updatePosition(const QUuid& id, double x, double y);
    void moveSticker(qsizetype source, qsizetype destination);
    void centerSticker(const QUuid& id);
    void centerAll();
    void toggleAllHidden();
    void toggleAllLocked();
    void normalizeZIndex();

    // False when nothing was stored: the list does not encode, or the bytes of an unreadable
    // stored list could not be kept first.
    bool save();

    // Where the bytes of a stored list that did not decode were kept, once a save replaced it.
    QString unreadableBackupPath() const { return m_unreadableBackupPath; }

    static constexpr int deletionDelayMs = 300;

Q_SIGNALS:
    // changedId names the one record that changed in place, when nothing else did; it is null
    // when the list may have changed in any way.
    void stickersChanged(const QUuid& changedId = QUuid());

private:
    void load();
    void relocateMedia();
    bool keepUnreadableValue();
    std::optional<QByteArray> encodeList();
    void deleteUnusedFile(const QString& path) const;
    qsizetype indexOf(const QUuid& id) const;
    QRectF mainScreenFrame() const;
    void notify();
    void toggleAll(bool Sticker::*flag);

    Preferences& m_preferences;
    MediaStorage m_storage;
    QList<Sticker> m_stickers;
    StickerWindowSyncing* m_windowSync = nullptr;
    QPointer<AppSettings> m_settings;
    std::unique_ptr<StickerWindowSyncing> m_windowManager;
    WindowManagerFactory m_windowManagerFactory;
    ScreenFrameSource m_screenFrame;
    struct EncodedRecord {
        Sticker sticker;
        QByteArray json;
    };
    QList<EncodedRecord> m_encoded; // by place in the list
    std::optional<QByteArray> m_unreadableValue;
    QString m_unreadableBackupPath;
};
