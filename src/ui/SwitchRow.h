// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>

// A row with a symbol, a text and a sliding switch at its end; a click anywhere toggles it.
// A text too long for the row wraps rather than being cut.
class SwitchRow final : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int iconSide = 14;

    explicit SwitchRow(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void checkStateSet() override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int trackWidth = 32;
    static constexpr int trackHeight = 18;
    static constexpr int gap = 8;

    static QRect textArea(int width, int height);

    QVariantAnimation m_slide;
    double m_position = 0;
};
