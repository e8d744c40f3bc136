// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/InterfaceStyle.h"

#include "ui/IconFactory.h"

#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace InterfaceStyle {

QFont font(const QWidget* widget, double points, QFont::Weight weight) {
    QFont result = widget->font();
    result.setPointSizeF(points);
    result.setWeight(weight);
    return result;
}

QPushButton* prominentButton(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                       " border-radius: 6px; padding: 5px 12px; font-weight: 500; }"
                       "QPushButton:pressed { background: %2; }")
            .arg(pink.name(), pink.darker(120).name()));
    return button;
}

QPushButton* borderedButton(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setCursor(Qt::PointingHandCursor);
    QColor pressed = pink;
    pressed.setAlphaF(0.15f);
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: 1px solid %1;"
                                         " border-radius: 6px; padding: 4px 10px; }"
                                         "QPushButton:pressed { background: %2; }")
                              .arg(pink.name(), pressed.name(QColor::HexArgb)));
    return button;
}

QToolButton* iconButton(const QString& iconName, const QColor& color, int size, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(IconFactory::tinted(iconName, color, size));
    button->setIconSize(QSize(size, size));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

PanelHeader panelHeader(double titlePoints, QWidget* parent) {
    PanelHeader header{new QHBoxLayout, new QLabel(parent),
                       iconButton(QStringLiteral("x-circle-fill"),
                                  parent->palette().color(QPalette::PlaceholderText), 16, parent)};
    header.title->setFont(font(parent, titlePoints, QFont::DemiBold));
    header.layout->addWidget(header.title);
    header.layout->addStretch(1);
    header.layout->addWidget(header.close);
    return header;
}

void styleTextField(QLineEdit* field) {
    field->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid palette(mid); border-radius: 6px;"
                       " padding: 3px 6px; background: palette(base); }"
                       "QLineEdit:focus { border-color: %1; }")
            .arg(pink.name()));
}

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

QLabel* applicationPicture(int side, double radius, float shadowAlpha, double shadowBlur,
                           QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setFixedSize(side, side);
    picture->setPixmap(
        IconFactory::roundedApplicationPicture(side, radius, parent->devicePixelRatioF()));
    auto* shadow = new QGraphicsDropShadowEffect(picture);
    QColor shadowColor = pink;
    shadowColor.setAlphaF(shadowAlpha);
    shadow->setColor(shadowColor);
    shadow->setBlurRadius(shadowBlur);
    shadow->setOffset(0, 4);
    picture->setGraphicsEffect(shadow);
    return picture;
}

QLabel* secondaryLabel(double points, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFont(font(parent, points));
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace InterfaceStyle
