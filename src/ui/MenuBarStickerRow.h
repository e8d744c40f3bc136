// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppLanguage.h"
#include "model/Sticker.h"

#include <QWidget>
#include <optional>

class QLabel;
class QToolButton;
class StickerStore;

// One sticker in the tray panel: its name and three quick toggles. The toggles send the
// sticker as the row last showed it, with one flag inverted; the two flags are checkable
// buttons, so that their tooltip and accessible name can name the command and the check its
// state.
class MenuBarStickerRow final : public QWidget {
    Q_OBJECT

public:
    MenuBarStickerRow(StickerStore& store, const Sticker& sticker, QWidget* parent = nullptr);

    // Shows sticker in language; what did not change is left as it is.
    void setSticker(const Sticker& sticker, AppLanguage language);

    QToolButton* visibilityButton() const { return m_visibility; }
    QToolButton* lockButton() const { return m_lock; }
    QToolButton* centerButton() const { return m_center; }
    QString shownName() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showToggles();
    void elideName();
    void retranslate(AppLanguage language);

    StickerStore& m_store;
    Sticker m_sticker;
    std::optional<AppLanguage> m_language;
    QLabel* m_name = nullptr;
    QToolButton* m_visibility = nullptr;
    QToolButton* m_lock = nullptr;
    QToolButton* m_center = nullptr;
};
