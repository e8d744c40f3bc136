// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarButton.h"

#include "ui/IconFactory.h"
#include "ui/InterfaceStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int outerMargin = 4;
constexpr int innerHorizontal = 12;
constexpr int innerVertical = 6;
constexpr int iconFrame = 18;
constexpr int iconSide = 15;
constexpr int spacing = 8;
constexpr double fontPoints = 13;

} // namespace

MenuBarButton::MenuBarButton(const QString& iconName, const QString& title, const QColor& color,
                             QWidget* parent)
    : QAbstractButton(parent)
    , m_color(color) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    QFont buttonFont = font();
    buttonFont.setPointSizeF(fontPoints);
    setFont(buttonFont);
    setContent(iconName, title);
}

void MenuBarButton::setContent(const QString& iconName, const QString& title) {
    m_iconName = iconName;
    setText(title);
    setIcon(IconFactory::tinted(iconName, m_color, iconSide));
    update();
}

QSize MenuBarButton::sizeHint() const {
    const int height = std::max(iconFrame, fontMetrics().height()) + 2 * innerVertical;
    return QSize(2 * outerMargin + 2 * innerHorizontal + iconFrame + spacing +
                     fontMetrics().horizontalAdvance(text()),
                 height);
}

void MenuBarButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF highlight = QRectF(rect()).adjusted(outerMargin, 0, -outerMargin, 0);
    if (m_hovered) {
        QColor tint = palette().color(QPalette::WindowText);
        tint.setAlphaF(0.08f);
        QPainterPath path;
        path.addRoundedRect(highlight, 6, 6);
        painter.fillPath(path, tint);
    }
    // Focus shows once the keyboard moves it, not on the button that opening the panel focuses.
    if (showsFocus()) {
        painter.setPen(QPen(InterfaceStyle::pink, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(highlight.adjusted(0.75, 0.75, -0.75, -0.75), 6, 6);
    }
    const int x = outerMargin + innerHorizontal;
    const QRect iconRect(x + (iconFrame - iconSide) / 2, (height() - iconSide) / 2, iconSide,
                         iconSide);
    icon().paint(&painter, iconRect);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect textRect(x + iconFrame + spacing, 0,
                         width() - x - iconFrame - spacing - outerMargin - innerHorizontal,
                         height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
}

bool MenuBarButton::showsFocus() const {
    return hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void MenuBarButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    m_hovered = true;
    update();
}

void MenuBarButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_hovered = false;
    update();
}
