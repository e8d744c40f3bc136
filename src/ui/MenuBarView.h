// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/RowsById.h"

#include <QWidget>

class AppSettings;
class MainWindowOpener;
class MenuBarButton;
class MenuBarStickerRow;
class QScrollArea;
class QLabel;
class QVBoxLayout;
class StickerStore;

// The tray panel: bulk commands for all stickers, a row per sticker, open and quit. A
// frameless popup 260 points wide that follows the store and the language while it is shown,
// and never reaches past its screen: the rows scroll when they do not fit.
class MenuBarView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 260;

    MenuBarView(StickerStore& store, AppSettings& settings, MainWindowOpener& opener,
                QWidget* parent = nullptr);

    // Opens next to anchor (the tray icon), or at the cursor when the tray gives no place,
    // kept on screen.
    void popUpNear(const QRect& anchor);

    MenuBarButton* hideButton() const { return m_hide; }
    MenuBarButton* centerButton() const { return m_center; }
    MenuBarButton* lockButton() const { return m_lock; }
    MenuBarButton* openButton() const { return m_open; }
    MenuBarButton* quitButton() const { return m_quit; }
    QLabel* emptyLabel() const { return m_empty; }
    QWidget* rows() const { return m_rows; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Rows stay at least this tall on any screen, a few of them.
    static constexpr int minimumRowsHeight = 90;

    void rebuild();
    void refresh();
    void fitTo(const QRect& area);
    static QRect availableArea(const QPoint& at);

    StickerStore& m_store;
    AppSettings& m_settings;
    QLabel* m_header = nullptr;
    MenuBarButton* m_hide = nullptr;
    MenuBarButton* m_center = nullptr;
    MenuBarButton* m_lock = nullptr;
    MenuBarButton* m_open = nullptr;
    MenuBarButton* m_quit = nullptr;
    QLabel* m_empty = nullptr;
    QScrollArea* m_rowsArea = nullptr;
    QWidget* m_rows = nullptr;
    QVBoxLayout* m_rowLayout = nullptr;
    RowsById<MenuBarStickerRow> m_rowsById;
    QRect m_screenArea;
    bool m_rebuildPending = false;
};
