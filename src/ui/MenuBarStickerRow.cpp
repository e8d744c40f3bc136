// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarStickerRow.h"

#include "store/StickerStore.h"
#include "ui/IconFactory.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QToolButton>

namespace {

constexpr int buttonSide = 20;
constexpr int iconSide = 14;

QToolButton* iconButton(QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setFixedSize(buttonSide, buttonSide);
    button->setIconSize(QSize(iconSide, iconSide));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

void setIcon(QToolButton* button, const QString& iconName, const QColor& color) {
    button->setIcon(IconFactory::tinted(iconName, color, iconSide));
    button->setObjectName(iconName);
}

} // namespace

MenuBarStickerRow::MenuBarStickerRow(StickerStore& store, const Sticker& sticker, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_sticker(sticker) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 5, 12, 5);
    layout->setSpacing(8);
    m_name = new QLabel(this);
    QFont nameFont = m_name->font();
    nameFont.setPointSizeF(12);
    m_name->setFont(nameFont);
    m_name->setMinimumWidth(40);
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_name, 1);

    m_visibility = iconButton(this);
    m_lock = iconButton(this);
    QColor blue(0x0a, 0x84, 0xff);
    blue.setAlphaF(0.7f);
    m_center = iconButton(this);
    setIcon(m_center, QStringLiteral("bullseye"), blue);
    layout->addWidget(m_visibility);
    layout->addWidget(m_lock);
    layout->addWidget(m_center);

    connect(m_visibility, &QToolButton::clicked, this, [this] {
        Sticker edited = m_sticker;
        edited.isHidden = !edited.isHidden;
        m_store.updateSticker(edited);
    });
    connect(m_lock, &QToolButton::clicked, this, [this] {
        Sticker edited = m_sticker;
        edited.isLocked = !edited.isLocked;
        m_store.updateSticker(edited);
    });
    connect(m_center, &QToolButton::clicked, this, [this] { m_store.centerSticker(m_sticker.id); });
    showToggles();
    elideName();
}

void MenuBarStickerRow::setSticker(const Sticker& sticker) {
    if (sticker == m_sticker)
        return;
    const bool togglesChange =
        sticker.isHidden != m_sticker.isHidden || sticker.isLocked != m_sticker.isLocked;
    const bool renamed = sticker.displayName() != m_sticker.displayName();
    m_sticker = sticker;
    if (togglesChange)
        showToggles();
    if (renamed)
        elideName();
}

void MenuBarStickerRow::showToggles() {
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    setIcon(m_visibility,
            m_sticker.isHidden ? QStringLiteral("eye-fill") : QStringLiteral("eye-slash-fill"),
            secondary);
    setIcon(m_lock,
            m_sticker.isLocked ? QStringLiteral("lock-fill") : QStringLiteral("unlock-fill"),
            m_sticker.isLocked ? QColor(0xff, 0x95, 0x00) : secondary);
}

QString MenuBarStickerRow::shownName() const {
    return m_name->text();
}

void MenuBarStickerRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        elideName();
}

void MenuBarStickerRow::elideName() {
    // Long names keep their start and end.
    const int width = std::max(m_name->width(), 40);
    m_name->setText(
        m_name->fontMetrics().elidedText(m_sticker.displayName(), Qt::ElideMiddle, width));
    m_name->setToolTip(m_sticker.displayName());
}
