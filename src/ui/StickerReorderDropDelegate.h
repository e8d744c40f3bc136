// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"

#include <QUuid>
#include <functional>
#include <optional>

class QMimeData;
class StickerStore;

// The main window's dragged sticker, read and written by every row.
struct DraggedStickerBinding {
    std::function<std::optional<QUuid>()> get;
    std::function<void(const std::optional<QUuid>&)> set;
};

// A row's drop target: each time a drag enters the row, the dragged sticker moves to the row's
// place, so the list reorders live while the pointer moves.
class StickerReorderDropDelegate final {
public:
    StickerReorderDropDelegate(const Sticker& sticker, DraggedStickerBinding draggedID,
                               StickerStore& store);

    void setSticker(const Sticker& sticker) { m_sticker = sticker; }

    // Any plain text is a valid drop and is never read; files and links are the window's.
    static bool validateDrop(const QMimeData& data);
    void dropEntered();
    // A row's own drag moves; text from another program is answered as a copy, so that the
    // program keeps its text.
    Qt::DropAction dropUpdated() const;
    bool performDrop();

private:
    Sticker m_sticker;
    DraggedStickerBinding m_draggedID;
    StickerStore& m_store;
};
