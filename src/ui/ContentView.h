// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/MediaCache.h"
#include "ui/ElidedTexts.h"
#include "ui/RowsById.h"

#include <QHash>
#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <optional>

class AppSettings;
class AppSettingsPanel;
class OnboardingView;
class QFrame;
class QToolButton;
class StickerSettingsPanel;
class FilePicker;
class NotificationHub;
class QDrag;
class QLabel;
class QMimeData;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class StickerRow;
class StickerStore;
struct Sticker;

// The main window's content: the header with the settings and add buttons, then the app
// settings, the empty state, or the sticker list with the selected sticker's settings under
// it; the first-run screen over everything until the first run is done. It owns the add
// flow, the selection, the dragged sticker and the rename channel; every change goes through
// the store.
class ContentView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int selectAfterAddMs = 150;
    // Runs a row's drag until it ends; a seam, since offscreen a drag ends at once.
    using DragRunner = std::function<void(QDrag&)>;

    // budget bounds the thumbnails, shared with the program's other decoded media.
    ContentView(StickerStore& store, AppSettings& settings, NotificationHub& hub,
                FilePicker& picker,
                std::shared_ptr<FrameBudget> budget = std::make_shared<FrameBudget>(),
                QWidget* parent = nullptr);

    // Picks a file, copies it into storage and adds it; the last sticker is selected 0.15 s later.
    void addFromFile();
    // Copies each file into storage and adds it under the file's name without its extension;
    // the last sticker is selected 0.15 s later.
    void addPictures(const QStringList& paths);
    // The local files of a drop that the picker would offer, in order.
    static QStringList droppedPictures(const QMimeData& data);
    void setDragRunner(DragRunner runner) { m_dragRunner = std::move(runner); }

    std::optional<QUuid> selectedStickerId() const { return m_selected; }
    // The rows built so far, in the list's order: those in view, and those that were.
    QList<StickerRow*> rows() const;
    bool showsEmptyState() const;
    bool showsAppSettings() const;
    QToolButton* settingsButton() const { return m_settingsButton; }
    StickerSettingsPanel* settingsPanel() const { return m_panel; }
    AppSettingsPanel* appSettingsPanel() const { return m_appSettings; }
    // The first-run screen while it is shown.
    OnboardingView* onboarding() const;
    std::optional<QUuid> draggedStickerId() const { return m_dragged; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* pickButton() const { return m_pick; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildEmptyState();
    QWidget* buildListColumn();
    void rebuild(const QUuid& changedId = QUuid());
    // Shows the one changed sticker in its row, if it has one; false when the sticker is gone.
    bool updateRow(const QUuid& id);
    void placeRows();
    void scrolled();
    // True when the row at position is in view or a few rows from it.
    bool isNearView(qsizetype position) const;
    // Where the row at position starts in the list.
    int rowTop(qsizetype position) const;
    void retranslate();
    void showOnboardingWhileNeeded();
    void setShowAppSettings(bool show);
    void select(const std::optional<QUuid>& id);
    void setDragged(const std::optional<QUuid>& id);
    StickerRow* createRow(const Sticker& sticker);
    void runDrag(StickerRow* row);
    bool acceptsDrop(QDropEvent* event) const;

    StickerStore& m_store;
    AppSettings& m_settings;
    NotificationHub& m_hub;
    FilePicker& m_picker;
    DragRunner m_dragRunner;
    MediaCache m_thumbnails;
    ElidedTexts m_elidedTexts;
    std::optional<QUuid> m_selected;
    std::optional<QUuid> m_dragged;
    bool m_dragRunning = false;
    bool m_showAppSettings = false;
    bool m_rebuildPending = false;
    RowsById<StickerRow> m_rows;
    QList<StickerRow*> m_parkedRows;
    // Every row's height, known once the first row is built.
    int m_rowHeight = 0;
    QWidget* m_header = nullptr;
    QLabel* m_title = nullptr;
    QToolButton* m_settingsButton = nullptr;
    QPushButton* m_add = nullptr;
    QStackedWidget* m_body = nullptr;
    QLabel* m_emptyTitle = nullptr;
    QPushButton* m_pick = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_list = nullptr;
    QFrame* m_panelDivider = nullptr;
    QWidget* m_panelFrame = nullptr;
    StickerSettingsPanel* m_panel = nullptr;
    AppSettingsPanel* m_appSettings = nullptr;
    QPointer<OnboardingView> m_onboarding;
};
