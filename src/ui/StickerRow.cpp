// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StickerRow.h"

#include "l10n/L10n.h"
#include "stickers/NotificationHub.h"
#include "ui/IconFactory.h"
#include "ui/StickerThumbnailView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

const QColor pink(0xff, 0x2d, 0x55);

QToolButton* rowButton(const QString& iconName, QColor color, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    color.setAlphaF(0.7f);
    button->setIcon(IconFactory::tinted(iconName, color, 14));
    button->setIconSize(QSize(14, 14));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QFont sized(QFont font, double points, QFont::Weight weight = QFont::Normal) {
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

} // namespace

StickerRow::StickerRow(const Sticker& sticker, bool isSelected, AppLanguage language,
                       MediaCache& thumbnails, NotificationHub& hub, Actions actions,
                       QWidget* parent)
    : QFrame(parent)
    , m_sticker(sticker)
    , m_selected(isSelected)
    , m_hub(hub)
    , m_actions(std::move(actions)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    m_thumbnail = new StickerThumbnailView(thumbnails, this);
    m_thumbnail->setPath(sticker.gifPath);
    m_thumbnail->setBadge(badgeFor(sticker));
    layout->addWidget(m_thumbnail);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    m_name = new QLabel(sticker.displayName(), this);
    m_name->setFont(sized(font(), 13, QFont::Medium));
    m_name->setTextFormat(Qt::PlainText);
    m_editor = new QLineEdit(this);
    m_editor->setFont(m_name->font());
    m_editor->setFrame(false);
    m_editor->setPlaceholderText(L10n::text(L10n::Key::name, language));
    m_editor->hide();
    m_editor->installEventFilter(this);
    m_summary = new QLabel(summary(sticker, language), this);
    m_summary->setFont(sized(font(), 11));
    m_summary->setForegroundRole(QPalette::PlaceholderText);
    text->addWidget(m_name);
    text->addWidget(m_editor);
    text->addWidget(m_summary);
    layout->addLayout(text, 1);

    m_center = rowButton(QStringLiteral("bullseye"), QColor(0x0a, 0x84, 0xff), this);
    m_center->setToolTip(L10n::text(L10n::Key::centerHelp, language));
    m_delete = rowButton(QStringLiteral("trash"), QColor(0xff, 0x3b, 0x30), this);
    layout->addWidget(m_center);
    layout->addWidget(m_delete);
    connect(m_center, &QToolButton::clicked, this, [this] { m_actions.onCenter(); });
    connect(m_delete, &QToolButton::clicked, this, [this] { m_actions.onDelete(); });
    setCursor(Qt::PointingHandCursor);
}

QString StickerRow::summary(const Sticker& sticker, AppLanguage language) {
    const double size = std::isfinite(sticker.size) ? std::trunc(sticker.size) : 0;
    const L10n::Key layer = sticker.layer == StickerLayer::floating ? L10n::Key::layerFloating
                                                                    : L10n::Key::layerDesktop;
    return QStringLiteral("%1px \u00B7 %2")
        .arg(QString::number(size, 'f', 0), L10n::text(layer, language));
}

QString StickerRow::badgeFor(const Sticker& sticker) {
    if (sticker.isLocked)
        return QStringLiteral("lock-fill");
    if (sticker.isHidden)
        return QStringLiteral("eye-slash-fill");
    return QString();
}

QString StickerRow::nameText() const {
    return m_name->text();
}

QString StickerRow::summaryText() const {
    return m_summary->text();
}

void StickerRow::startRenaming() {
    m_editor->setText(m_sticker.name);
    m_name->hide();
    m_editor->show();
    m_editor->setFocus();
    m_editor->selectAll();
}

void StickerRow::finishRenaming(bool post) {
    m_editor->hide();
    m_name->show();
    // The name goes out as typed, untrimmed; the main window turns it into a rename.
    if (post)
        m_hub.postStickerRename(m_sticker.id, m_editor->text());
}

bool StickerRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            finishRenaming(key != Qt::Key_Escape);
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void StickerRow::mousePressEvent(QMouseEvent* event) {
    QFrame::mousePressEvent(event);
    m_actions.onSelect();
}

void StickerRow::mouseDoubleClickEvent(QMouseEvent* event) {
    QFrame::mouseDoubleClickEvent(event);
    startRenaming();
}

void StickerRow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 10, 10);
    QColor fill = pink;
    fill.setAlphaF(0.1f);
    painter.fillPath(shape, m_selected ? fill : palette().color(QPalette::Base));
    if (m_selected) {
        painter.setPen(QPen(pink, 1.5));
        painter.drawPath(shape);
    }
    QFrame::paintEvent(event);
}
