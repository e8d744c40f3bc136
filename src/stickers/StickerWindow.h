// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"
#include "stickers/StickerNSView.h"

#include <QPointer>
#include <QWidget>

class StickerStore;

// One sticker's borderless, transparent, shadowless top-level window: the record's square at
// the record's place, on every workspace, out of the taskbar, never taking focus. It moves
// itself while dragged and stores each new position.
class StickerWindow final : public QWidget {
    Q_OBJECT

public:
    StickerWindow(const Sticker& sticker, StickerStore* store, StickerNSView::Services services);
    ~StickerWindow() override;

    void applySticker(const Sticker& sticker);
    // Stops the view and drops it; a closing window ignores updates and drags.
    void teardown();

    void orderFront();
    void orderOut();

    const Sticker& sticker() const { return m_sticker; }
    StickerNSView* stickerView() const { return m_stickerView; }
    bool isClosing() const { return m_isClosing; }
    // The bottom-left corner in sticker points.
    QPointF origin() const { return m_origin; }

    // Qt geometry of a record's square; sides are kept within what X11 windows allow.
    static QRect geometryFor(const Sticker& sticker);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void drag(double dx, double dy);
    void placeAt(const QPointF& origin, double size);
    bool isWhereRecordSays() const;
    // The bottom-left corner where the window really is.
    QPointF actualOrigin() const;
    // Where a window of this sticker at origin, with side size, goes in Qt's coordinates.
    QRect placement(const QPointF& origin, double size) const;

    Sticker m_sticker;
    QPointer<StickerStore> m_store;
    WindowingServices* m_windowing;
    StickerNSView* m_stickerView = nullptr;
    QPointF m_origin;
    bool m_isClosing = false;
};
