// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StickerStore.h"

#include "model/StickerJson.h"
#include "store/AppSettings.h"
#include "store/AtomicFile.h"
#include "store/Preferences.h"
#include "store/StickerWindowSyncing.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cstring>

StickerStore::StickerStore(Preferences& preferences, const QString& applicationDataDirectory,
                           QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_storage(applicationDataDirectory) {
    load();
    relocateMedia();
    normalizeZIndex();
    QTimer::singleShot(0, this, &StickerStore::ensureWindowManager);
}

StickerStore::~StickerStore() {
    m_windowSync = nullptr;
    m_windowManager.reset();
}

AppSettings* StickerStore::settings() const {
    return m_settings;
}

void StickerStore::setSettings(AppSettings* settings) {
    m_settings = settings;
}

void StickerStore::setWindowManagerFactory(WindowManagerFactory factory) {
    m_windowManagerFactory = std::move(factory);
}

void StickerStore::ensureWindowManager() {
    if (m_windowManager || !m_windowManagerFactory)
        return;
    m_windowManager = m_windowManagerFactory(*this);
}

void StickerStore::load() {
    if (m_preferences.contains(saveKey)) {
        const QByteArray current = m_preferences.value(saveKey).toByteArray();
        if (auto decoded = StickerJson::decode(current)) {
            m_stickers = std::move(*decoded);
            return;
        }
        // The list stays as it was stored until a save replaces it; its bytes are kept then.
        m_unreadableValue = current;
    }
    if (!m_preferences.contains(previousSaveKey))
        return;
    auto previous = StickerJson::decode(m_preferences.value(previousSaveKey).toByteArray());
    if (!previous)
        return;
    m_stickers = std::move(*previous);
    Q_EMIT stickersChanged();
    // The older list goes only once the new one is stored.
    if (save())
        m_preferences.remove(previousSaveKey);
}

void StickerStore::relocateMedia() {
    QList<Sticker> kept;
    kept.reserve(m_stickers.size());
    bool rewritten = false;
    for (const Sticker& sticker : std::as_const(m_stickers)) {
        if (m_storage.containsPath(sticker.gifPath) &&
            MediaStorage::isRegularFile(sticker.gifPath)) {
            kept.append(sticker);
        } else if (MediaStorage::isRegularFile(sticker.gifPath)) {
            const StoredCopy copy = m_storage.copyIntoStorage(
                sticker.gifPath, m_storage.mediaDirectory(), QStringLiteral("gif"));
            Sticker adopted = sticker;
            // A copy that fails (a full disk) keeps the record as it was for the next start:
            // only media that are really gone drop a sticker.
            if (copy) {
                adopted.gifPath = copy.path;
                rewritten = true;
            }
            kept.append(adopted);
        }
    }
    const bool countChanged = kept.size() != m_stickers.size();
    m_stickers = std::move(kept);
    if (countChanged || rewritten) {
        Q_EMIT stickersChanged();
        save();
    }
}

bool StickerStore::save() {
    const std::optional<QByteArray> encoded = encodeList();
    if (!encoded)
        return false;
    if (m_unreadableValue && !keepUnreadableValue())
        return false;
    m_preferences.setValue(saveKey, *encoded);
    return true;
}

std::optional<QByteArray> StickerStore::encodeList() {
    // Each place in the list keeps the encoded form of its record while the record stays the
    // same: a drag step encodes the one record that moved and copies the others.
    m_encoded.resize(m_stickers.size());
    qsizetype size = 2 + std::max<qsizetype>(m_stickers.size() - 1, 0);
    for (qsizetype i = 0; i < m_stickers.size(); ++i) {
        const Sticker& sticker = m_stickers[i];
        EncodedRecord& cached = m_encoded[i];
        if (cached.json.isNull() || cached.sticker != sticker) {
            std::optional<QByteArray> record = StickerJson::encodeRecord(sticker);
            if (!record)
                return std::nullopt;
            cached = {sticker, std::move(*record)};
        }
        size += cached.json.size();
    }
    QByteArray out(size, Qt::Uninitialized);
    char* at = out.data();
    *at++ = '[';
    for (qsizetype i = 0; i < m_encoded.size(); ++i) {
        if (i > 0)
            *at++ = ',';
        const QByteArray& json = m_encoded[i].json;
        std::memcpy(at, json.constData(), std::size_t(json.size()));
        at += json.size();
    }
    *at = ']';
    return out;
}

bool StickerStore::keepUnreadableValue() {
    const QString directory = m_storage.storageDirectory();
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString path = QStringLiteral("%1/unreadable-stickers-%2.json").arg(directory, stamp);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1/unreadable-stickers-%2-%3.json").arg(directory, stamp).arg(n);
    AtomicFile file(path);
    if (!file.open() || !file.write(*m_unreadableValue) || !file.commit(AtomicFile::ownerOnly))
        return false;
    m_unreadableValue.reset();
    m_unreadableBackupPath = path;
    return true;
}

qsizetype StickerStore::indexOf(const QUuid& id) const {
    const auto it = std::find_if(m_stickers.cbegin(), m_stickers.cend(),
                                 [&id](const Sticker& s) { return s.id == id; });
    return it == m_stickers.cend() ? -1 : it - m_stickers.cbegin();
}

void StickerStore::notify() {
    if (m_windowSync)
        m_windowSync->syncWindows(m_stickers);
}

QRectF StickerStore::mainScreenFrame() const {
    if (m_screenFrame) {
        if (const std::optional<QRectF> frame = m_screenFrame())
            return *frame;
    }
    return QRectF(0, 0, 1440, 900);
}

void StickerStore::addSticker(const QString& mediaPath, const QString& name) {
    Sticker added = Sticker::withMedia(mediaPath);
    added.name = name;
    m_stickers.append(added);
    normalizeZIndex();
    Q_EMIT stickersChanged();
    save();
    notify();
}

void StickerStore::removeSticker(const QUuid& id) {
    const qsizetype index = indexOf(id);
    if (index < 0)
        return;
    const QString gifPath = m_stickers[index].gifPath;
    const QString bgImagePath = m_stickers[index].bgImagePath;
    if (m_windowSync)
        m_windowSync->removeWindow(id);
    m_stickers.removeIf([&id](const Sticker& s) { return s.id == id; });
    normalizeZIndex();
    Q_EMIT stickersChanged();
    save();
    QTimer::singleShot(deletionDelayMs, this, [this, gifPath, bgImagePath] {
        deleteUnusedFile(gifPath);
        deleteUnusedFile(bgImagePath);
    });
}

void StickerStore::deleteUnusedFile(const QString& path) const {
    // Records from hand-edited or older data may share a file; a shared file stays.
    const bool inUse =
        std::any_of(m_stickers.cbegin(), m_stickers.cend(), [&path](const Sticker& s) {
            return s.gifPath == path || s.bgImagePath == path;
        });
    if (!inUse)
        m_storage.deleteStoredFile(path);
}

void StickerStore::updateSticker(const Sticker& edited) {
    const qsizetype index = indexOf(edited.id);
    if (index < 0)
        return;
    const QString previousBackground = m_stickers[index].bgImagePath;
    m_stickers[index] = edited;
    Q_EMIT stickersChanged(edited.id);
    if (previousBackground != edited.bgImagePath)
        deleteUnusedFile(previousBackground);
    save();
    notify();
}

void StickerStore::renameSticker(const QUuid& id, const QString& name) {
    const qsizetype index = indexOf(id);
    if (index < 0)
        return;
    Sticker renamed = m_stickers[index];
    renamed.name = name;
    updateSticker(renamed);
}

void StickerStore::updatePosition(const QUuid& id, double x, double y) {
    const qsizetype index = indexOf(id);
    if (index < 0)
        return;
    m_stickers[index].x = x;
    m_stickers[index].y = y;
    Q_EMIT stickersChanged(id);
    save();
}

void StickerStore::moveSticker(qsizetype source, qsizetype destination) {
    const qsizetype count = m_stickers.size();
    if (source < 0 || source >= count || destination < 0 || destination > count)
        return;
    if (destination != source && destination != source + 1)
        m_stickers.move(source, destination > source ? destination - 1 : destination);
    normalizeZIndex();
    Q_EMIT stickersChanged();
    save();
    notify();
}

void StickerStore::centerSticker(const QUuid& id) {
    const qsizetype index = indexOf(id);
    if (index < 0)
        return;
    const QRectF frame = mainScreenFrame();
    Sticker& sticker = m_stickers[index];
    sticker.x = frame.center().x() - sticker.size / 2;
    sticker.y = frame.center().y() - sticker.size / 2;
    Q_EMIT stickersChanged(id);
    save();
    notify();
}

void StickerStore::centerAll() {
    const QRectF frame = mainScreenFrame();
    for (Sticker& sticker : m_stickers) {
        sticker.x = frame.center().x() - sticker.size / 2;
        sticker.y = frame.center().y() - sticker.size / 2;
    }
    Q_EMIT stickersChanged();
    save();
    notify();
}

void StickerStore::toggleAllHidden() {
    toggleAll(&Sticker::isHidden);
}

void StickerStore::toggleAllLocked() {
    toggleAll(&Sticker::isLocked);
}

void StickerStore::toggleAll(bool Sticker::*flag) {
    // Sets the flag on all when any sticker lacks it, clears it on all otherwise.
    const bool anyClear = std::any_of(m_stickers.cbegin(), m_stickers.cend(),
                                      [flag](const Sticker& s) { return !(s.*flag); });
    for (Sticker& sticker : m_stickers)
        sticker.*flag = anyClear;
    Q_EMIT stickersChanged();
    save();
    notify();
}

void StickerStore::normalizeZIndex() {
    const qsizetype count = m_stickers.size();
    for (qsizetype p = 0; p < count; ++p)
        m_stickers[p].zIndex = count - 1 - p;
}
