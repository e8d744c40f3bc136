// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarStickerRow.h"

#include "l10n/L10n.h"
#include "store/StickerStore.h"
#include "ui/IconFactory.h"
#include "ui/InterfaceStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QToolButton>

namespace {

constexpr int buttonSide = 20;
constexpr int iconSide = 14;

// Borderless, a tint under the pointer, a pink ring when the keyboard reaches it (tool buttons
// take the focus only from the keyboard); a checked toggle looks like any other, its icon
// shows the state.
QToolButton* iconButton(QWidget* parent, bool checkable) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setCheckable(checkable);
    button->setFixedSize(buttonSide, buttonSide);
    button->setIconSize(QSize(iconSide, iconSide));
    button->setCursor(Qt::PointingHandCursor);
    QColor hover = parent->palette().color(QPalette::WindowText);
    hover.setAlphaF(0.08f);
    button->setStyleSheet(
        QStringLiteral("QToolButton { border: 1px solid transparent; border-radius: 5px;"
                       " background: transparent; }"
                       "QToolButton:hover { background: %1; }"
                       "QToolButton:focus { border-color: %2; }")
            .arg(hover.name(QColor::HexArgb), InterfaceStyle::pink.name()));
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

    m_visibility = iconButton(this, true);
    m_lock = iconButton(this, true);
    QColor blue(0x0a, 0x84, 0xff);
    blue.setAlphaF(0.7f);
    m_center = iconButton(this, false);
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

void MenuBarStickerRow::setSticker(const Sticker& sticker, AppLanguage language) {
    if (m_language != language)
        retranslate(language);
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

void MenuBarStickerRow::retranslate(AppLanguage language) {
    m_language = language;
    const std::pair<QToolButton*, L10n::Key> labels[] = {{m_visibility, L10n::Key::hideSticker},
                                                         {m_lock, L10n::Key::lockDrag},
                                                         {m_center, L10n::Key::centerHelp}};
    for (const auto& [button, key] : labels) {
        button->setToolTip(L10n::text(key, language));
        button->setAccessibleName(button->toolTip());
    }
}

void MenuBarStickerRow::showToggles() {
    m_visibility->setChecked(m_sticker.isHidden);
    m_lock->setChecked(m_sticker.isLocked);
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
