// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QColor>

// A full-width command of the tray panel: a tinted icon, a title, a rounded hover highlight.
class MenuBarButton final : public QAbstractButton {
    Q_OBJECT

public:
    MenuBarButton(const QString& iconName, const QString& title, const QColor& color,
                  QWidget* parent = nullptr);

    void setContent(const QString& iconName, const QString& title);
    QString iconName() const { return m_iconName; }
    QString title() const { return text(); }
    bool isHovered() const { return m_hovered; }
    // The focus ring is drawn: the button has the focus and the keyboard moved it there.
    bool showsFocus() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_iconName;
    QColor m_color;
    bool m_hovered = false;
};
