// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SwitchRow.h"

#include "ui/InterfaceStyle.h"

#include <QPainter>
#include <algorithm>

namespace {

QColor mix(const QColor& from, const QColor& to, double amount) {
    const auto channel = [amount](float a, float b) {
        return static_cast<float>(a + (b - a) * amount);
    };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()));
}

} // namespace

SwitchRow::SwitchRow(QWidget* parent)
    : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setFont(InterfaceStyle::font(this, 12));
    m_slide.setDuration(140);
    m_slide.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_position = value.toDouble();
        update();
    });
}

QSize SwitchRow::sizeHint() const {
    const int width = iconSide + 2 * gap + fontMetrics().horizontalAdvance(text()) + trackWidth + 1;
    return {width, heightForWidth(width)};
}

QSize SwitchRow::minimumSizeHint() const {
    const int width = iconSide + 3 * gap + trackWidth + 1;
    return {width, heightForWidth(width)};
}

int SwitchRow::heightForWidth(int width) const {
    const QRect lines = fontMetrics().boundingRect(QRect(0, 0, textArea(width, 0).width(), 0),
                                                   Qt::TextWordWrap, text());
    return std::max(trackHeight, lines.height()) + 6;
}

void SwitchRow::checkStateSet() {
    const double target = isChecked() ? 1 : 0;
    m_slide.stop();
    if (isVisible()) {
        m_slide.setStartValue(m_position);
        m_slide.setEndValue(target);
        m_slide.start();
    } else {
        m_position = target;
        update();
    }
}

void SwitchRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    icon().paint(&painter, QRect(0, (height() - iconSide) / 2, iconSide, iconSide));

    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textArea(width(), height()),
                     Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, text());

    const QRectF track(width() - trackWidth - 1, (height() - trackHeight) / 2.0, trackWidth,
                       trackHeight);
    painter.setPen(hasFocus() ? QPen(InterfaceStyle::pink.lighter(130), 2) : Qt::NoPen);
    painter.setBrush(mix(palette().color(QPalette::Mid), InterfaceStyle::pink, m_position));
    painter.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);

    const double knob = trackHeight - 4;
    const QRectF knobArea(track.left() + 2 + m_position * (trackWidth - trackHeight),
                          track.top() + 2, knob, knob);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 45));
    painter.drawEllipse(knobArea.translated(0, 0.8));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobArea);
}

QRect SwitchRow::textArea(int width, int height) {
    const int left = iconSide + gap;
    return {left, 0, std::max(1, width - trackWidth - 1 - gap - left), height};
}
