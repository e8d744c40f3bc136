// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppLanguage.h"
#include "model/Sticker.h"
#include "ui/StickerReorderDropDelegate.h"

#include <QFrame>
#include <QPoint>
#include <functional>
#include <memory>

class ElidedTexts;
class MediaCache;
class NotificationHub;
class QLabel;
class QLineEdit;
class QMimeData;
class QToolButton;
class QVBoxLayout;
class StickerThumbnailView;

// One sticker of the main window's list: thumbnail with its state badge, name and summary,
// drag handle, centre and delete buttons. A click selects it; a double click on the name
// renames it. The row is updated in place, so a slider drag does not rebuild the list.
class StickerRow final : public QFrame {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> onSelect;
        std::function<void()> onDelete;
        std::function<void()> onCenter;
        // A drag started on the handle: the owner runs it.
        std::function<void()> onDragStart;
    };

    StickerRow(const Sticker& sticker, MediaCache& thumbnails, ElidedTexts& elidedTexts,
               NotificationHub& hub, StickerReorderDropDelegate dropDelegate, Actions actions,
               QWidget* parent = nullptr);

    void setState(const Sticker& sticker, bool isSelected, bool isDragging, AppLanguage language);

    // "160px · 🔝 Always on top": the size truncated, then the layer.
    static QString summary(const Sticker& sticker, AppLanguage language);
    // The lock badge wins over the hidden one.
    static QString badgeFor(const Sticker& sticker);
    // What a drag of the row carries: the id as plain text.
    static std::unique_ptr<QMimeData> dragData(const Sticker& sticker);

    const Sticker& sticker() const { return m_sticker; }
    bool isSelected() const { return m_selected; }
    bool isDragging() const { return m_dragging; }
    QString nameText() const;
    // The summary as shown, cut to the row's width.
    QString summaryText() const;
    // How often the row has measured its texts to cut them.
    int textMeasures() const { return m_textMeasures; }
    StickerThumbnailView* thumbnail() const { return m_thumbnail; }
    QLabel* dragHandle() const { return m_handle; }
    QToolButton* centerButton() const { return m_center; }
    QToolButton* deleteButton() const { return m_delete; }
    // Made at the first rename.
    QLineEdit* nameEditor() const { return m_editor; }

    void startRenaming();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QLineEdit* editor();
    void finishRenaming(bool post);
    void showName();
    void showSize(const QString& text);
    void showLayer();
    static QString sizeText(const Sticker& sticker);
    static QString layerText(const Sticker& sticker, AppLanguage language);
    bool handleEvent(QEvent* event);
    bool answerDrop(QDropEvent* event) const;

    Sticker m_sticker;
    bool m_selected = false;
    bool m_dragging = false;
    std::optional<AppLanguage> m_language;
    ElidedTexts& m_elidedTexts;
    NotificationHub& m_hub;
    StickerReorderDropDelegate m_dropDelegate;
    Actions m_actions;
    QPoint m_handlePress;
    int m_textMeasures = 0;
    bool m_laidOut = false;
    QString m_fullName;
    QString m_fullLayer;
    StickerThumbnailView* m_thumbnail = nullptr;
    QVBoxLayout* m_texts = nullptr;
    QLabel* m_name = nullptr;
    QLineEdit* m_editor = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_summaryLayer = nullptr;
    QLabel* m_handle = nullptr;
    QToolButton* m_center = nullptr;
    QToolButton* m_delete = nullptr;
};
