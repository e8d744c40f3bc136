// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"

#include <QWidget>

class QLabel;
class QToolButton;
class StickerStore;

// One sticker in the tray panel: its name and three quick toggles. The toggles send the
// sticker as the row last showed it, with one flag inverted.
class MenuBarStickerRow final : public QWidget {
    Q_OBJECT

public:
    MenuBarStickerRow(StickerStore& store, const Sticker& sticker, QWidget* parent = nullptr);

    // Shows sticker; what did not change is left as it is.
    void setSticker(const Sticker& sticker);

    QToolButton* visibilityButton() const { return m_visibility; }
    QToolButton* lockButton() const { return m_lock; }
    QToolButton* centerButton() const { return m_center; }
    QString shownName() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showToggles();
    void elideName();

    StickerStore& m_store;
    Sticker m_sticker;
    QLabel* m_name = nullptr;
    QToolButton* m_visibility = nullptr;
    QToolButton* m_lock = nullptr;
    QToolButton* m_center = nullptr;
};
