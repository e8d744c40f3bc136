// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SegmentedControl.h"

#include "ui/InterfaceStyle.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

SegmentedControl::SegmentedControl(int count, QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QColor border = palette().color(QPalette::Mid);
    for (int index = 0; index < count; ++index) {
        auto* button = new QPushButton(this);
        button->setCheckable(true);
        button->setCursor(Qt::PointingHandCursor);
        const QString left = index == 0 ? QStringLiteral("6px") : QStringLiteral("0");
        const QString right = index == count - 1 ? QStringLiteral("6px") : QStringLiteral("0");
        button->setStyleSheet(
            QStringLiteral("QPushButton { border: 1px solid %1; %2 padding: 4px 8px;"
                           " border-top-left-radius: %3; border-bottom-left-radius: %3;"
                           " border-top-right-radius: %4; border-bottom-right-radius: %4;"
                           " background: palette(base); }"
                           "QPushButton:checked { background: %5; color: white;"
                           " border-color: %5; }")
                .arg(border.name(), index == 0 ? QString() : QStringLiteral("border-left: none;"),
                     left, right, InterfaceStyle::pink.name()));
        m_group->addButton(button, index);
        layout->addWidget(button, 1);
    }
    if (count > 0) {
        m_group->button(0)->setChecked(true);
        // Focus given to the control lands on its first segment; Tab goes on from there.
        setFocusProxy(m_group->button(0));
    }
    connect(m_group, &QButtonGroup::idClicked, this, &SegmentedControl::chosen);
}

void SegmentedControl::setSegmentText(int index, const QString& text) {
    if (QAbstractButton* button = m_group->button(index))
        button->setText(text);
}

QString SegmentedControl::segmentText(int index) const {
    QAbstractButton* button = m_group->button(index);
    return button ? button->text() : QString();
}

int SegmentedControl::count() const {
    return static_cast<int>(m_group->buttons().size());
}

int SegmentedControl::current() const {
    return m_group->checkedId();
}

void SegmentedControl::setCurrent(int index) {
    if (QAbstractButton* button = m_group->button(index))
        button->setChecked(true);
}

QPushButton* SegmentedControl::segment(int index) const {
    return static_cast<QPushButton*>(m_group->button(index));
}
