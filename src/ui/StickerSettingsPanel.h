// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"

#include <QColor>
#include <QScrollArea>
#include <QUuid>
#include <optional>
#include <type_traits>

class AppSettings;
class FilePicker;
class MediaCache;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QToolButton;
class SegmentedControl;
class StickerStore;
class StickerThumbnailView;

// Edits one sticker through a copy of it, the draft. Every change of a control goes into the
// draft at once and reaches the store on the next turn of the event loop; the position alone
// is always taken from the store, so a drag on the desktop is never undone.
class StickerSettingsPanel final : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int maximumPanelHeight = 220;

    StickerSettingsPanel(StickerStore& store, AppSettings& settings, FilePicker& picker,
                         MediaCache& thumbnails, QWidget* parent = nullptr);

    // Takes a new snapshot of the sticker, also for the id already shown.
    void setStickerId(const QUuid& id);
    QSize sizeHint() const override;
    QUuid stickerId() const { return m_stickerId; }

    const std::optional<Sticker>& draft() const { return m_draft; }
    QColor selectedColor() const { return m_selectedColor; }

    QLabel* missingLabel() const { return m_missing; }
    QLabel* titleLabel() const { return m_title; }
    QToolButton* closeButton() const { return m_close; }
    QLineEdit* nameField() const { return m_name; }
    QSlider* sizeSlider() const { return m_size; }
    QLabel* sizeText() const { return m_sizeText; }
    QSlider* cornersSlider() const { return m_corners; }
    QLabel* cornersText() const { return m_cornersText; }
    SegmentedControl* layerControl() const { return m_layer; }
    SegmentedControl* backgroundControl() const { return m_background; }
    QWidget* opacityRow() const { return m_opacityRow; }
    QSlider* opacitySlider() const { return m_opacity; }
    QLabel* opacityText() const { return m_opacityText; }
    QWidget* colorRow() const { return m_colorRow; }
    QPushButton* colorSwatch() const { return m_swatch; }
    QLineEdit* hexField() const { return m_hex; }
    QWidget* pictureRow() const { return m_pictureRow; }
    StickerThumbnailView* pictureThumbnail() const { return m_thumbnail; }
    QPushButton* pictureButton() const { return m_pictureButton; }
    QAbstractButton* lockSwitch() const { return m_lock; }
    QAbstractButton* hideSwitch() const { return m_hide; }
    // The Bootstrap Icons name beside the hide switch.
    QString hideIconName() const { return m_hideIconName; }

Q_SIGNALS:
    void closeRequested();

private:
    void reloadDraft();
    void commitDraft();
    void chooseBackground();
    void openColorDialog();
    void selectColor(const QColor& color);

    // Writes a control's new value into the draft and commits it.
    template <typename Value>
    void edit(Value Sticker::*field, const std::type_identity_t<Value>& value);

    void showDraft();
    void showValueTexts();
    void showBackground();
    void showSelectedColor();
    void showHiddenIcon();
    void retranslate();

    StickerStore& m_store;
    AppSettings& m_settings;
    FilePicker& m_picker;
    MediaCache& m_thumbnails;
    QUuid m_stickerId;
    std::optional<Sticker> m_draft;
    QColor m_selectedColor{Qt::white};
    bool m_loading = false;
    QString m_hideIconName;

    QLabel* m_missing = nullptr;
    QWidget* m_editor = nullptr;
    QLabel* m_title = nullptr;
    QToolButton* m_close = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QSlider* m_size = nullptr;
    QLabel* m_sizeText = nullptr;
    QLabel* m_cornersLabel = nullptr;
    QSlider* m_corners = nullptr;
    QLabel* m_cornersText = nullptr;
    QLabel* m_layerCaption = nullptr;
    SegmentedControl* m_layer = nullptr;
    QLabel* m_backgroundCaption = nullptr;
    SegmentedControl* m_background = nullptr;
    QWidget* m_opacityRow = nullptr;
    QLabel* m_opacityLabel = nullptr;
    QSlider* m_opacity = nullptr;
    QLabel* m_opacityText = nullptr;
    QWidget* m_colorRow = nullptr;
    QLabel* m_colorLabel = nullptr;
    QPushButton* m_swatch = nullptr;
    QLineEdit* m_hex = nullptr;
    QWidget* m_pictureRow = nullptr;
    StickerThumbnailView* m_thumbnail = nullptr;
    QPushButton* m_pictureButton = nullptr;
    QAbstractButton* m_lock = nullptr;
    QAbstractButton* m_hide = nullptr;
};
