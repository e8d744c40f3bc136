// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StickerReorderDropDelegate.h"

#include "store/StickerStore.h"

#include <QMimeData>
#include <QTimer>

StickerReorderDropDelegate::StickerReorderDropDelegate(const Sticker& sticker,
                                                       DraggedStickerBinding draggedID,
                                                       StickerStore& store)
    : m_sticker(sticker)
    , m_draggedID(std::move(draggedID))
    , m_store(store) {}

bool StickerReorderDropDelegate::validateDrop(const QMimeData& data) {
    return data.hasText() && !data.hasUrls();
}

Qt::DropAction StickerReorderDropDelegate::dropUpdated() const {
    return m_draggedID.get() ? Qt::MoveAction : Qt::CopyAction;
}

void StickerReorderDropDelegate::dropEntered() {
    const std::optional<QUuid> dragged = m_draggedID.get();
    if (!dragged || *dragged == m_sticker.id)
        return;
    const QList<Sticker>& stickers = m_store.stickers();
    qsizetype from = -1;
    qsizetype to = -1;
    for (qsizetype index = 0; index < stickers.size(); ++index) {
        if (from < 0 && stickers[index].id == *dragged)
            from = index;
        if (to < 0 && stickers[index].id == m_sticker.id)
            to = index;
    }
    if (from < 0 || to < 0 || from == to)
        return;
    const qsizetype destination = from < to ? to + 1 : to;
    // The move runs after the platform's drag callback has returned.
    QTimer::singleShot(0, &m_store, [store = &m_store, from, destination] {
        store->moveSticker(from, destination);
    });
}

bool StickerReorderDropDelegate::performDrop() {
    m_draggedID.set(std::nullopt);
    return true;
}
