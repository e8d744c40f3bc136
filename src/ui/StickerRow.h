// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppLanguage.h"
#include "model/Sticker.h"

#include <QFrame>
#include <functional>

class MediaCache;
class NotificationHub;
class QLabel;
class QLineEdit;
class QToolButton;
class StickerThumbnailView;

// One sticker of the main window's list: thumbnail with its state badge, name and summary,
// centre and delete buttons. A click selects it; a double click on the name renames it.
class StickerRow final : public QFrame {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> onSelect;
        std::function<void()> onDelete;
        std::function<void()> onCenter;
    };

    StickerRow(const Sticker& sticker, bool isSelected, AppLanguage language,
               MediaCache& thumbnails, NotificationHub& hub, Actions actions,
               QWidget* parent = nullptr);

    // "160px · 🔝 Always on top": the size truncated, then the layer.
    static QString summary(const Sticker& sticker, AppLanguage language);
    // The lock badge wins over the hidden one.
    static QString badgeFor(const Sticker& sticker);

    const Sticker& sticker() const { return m_sticker; }
    bool isSelected() const { return m_selected; }
    QString nameText() const;
    QString summaryText() const;
    StickerThumbnailView* thumbnail() const { return m_thumbnail; }
    QToolButton* centerButton() const { return m_center; }
    QToolButton* deleteButton() const { return m_delete; }
    QLineEdit* nameEditor() const { return m_editor; }

    void startRenaming();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finishRenaming(bool post);

    Sticker m_sticker;
    bool m_selected;
    NotificationHub& m_hub;
    Actions m_actions;
    StickerThumbnailView* m_thumbnail = nullptr;
    QLabel* m_name = nullptr;
    QLineEdit* m_editor = nullptr;
    QLabel* m_summary = nullptr;
    QToolButton* m_center = nullptr;
    QToolButton* m_delete = nullptr;
};
