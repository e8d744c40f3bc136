// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/MediaCache.h"

#include <QHash>
#include <QUuid>
#include <QWidget>
#include <optional>

class AppSettings;
class FilePicker;
class NotificationHub;
class QLabel;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;
class StickerRow;
class StickerStore;
struct Sticker;

// The main window's content: the header with the add button, then the empty state or the
// sticker list. It owns the add flow, the selection and the rename channel; every change
// goes through the store.
class ContentView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int selectAfterAddMs = 150;

    ContentView(StickerStore& store, AppSettings& settings, NotificationHub& hub,
                FilePicker& picker, QWidget* parent = nullptr);

    // Picks a file, copies it into storage and adds it; the last sticker is selected 0.15 s later.
    void addFromFile();

    std::optional<QUuid> selectedStickerId() const { return m_selected; }
    QList<StickerRow*> rows() const;
    bool showsEmptyState() const;
    std::optional<QUuid> draggedStickerId() const { return m_dragged; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* pickButton() const { return m_pick; }

private:
    void rebuild();
    void retranslate();
    void select(const std::optional<QUuid>& id);
    void setDragged(const std::optional<QUuid>& id);
    StickerRow* createRow(const Sticker& sticker);
    void runDrag(StickerRow* row);

    StickerStore& m_store;
    AppSettings& m_settings;
    NotificationHub& m_hub;
    FilePicker& m_picker;
    MediaCache m_thumbnails;
    std::optional<QUuid> m_selected;
    std::optional<QUuid> m_dragged;
    bool m_dragRunning = false;
    QHash<QUuid, StickerRow*> m_rows;
    QList<StickerRow*> m_parkedRows;
    QLabel* m_title = nullptr;
    QPushButton* m_add = nullptr;
    QStackedWidget* m_body = nullptr;
    QLabel* m_emptyTitle = nullptr;
    QPushButton* m_pick = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_list = nullptr;
    QVBoxLayout* m_listLayout = nullptr;
};
