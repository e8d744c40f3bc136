// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>

class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;

// The named colours, fonts and button looks shared by the main window's views.
namespace InterfaceStyle {

inline const QColor pink{0xff, 0x2d, 0x55};
inline const QColor blue{0x0a, 0x84, 0xff};
inline const QColor red{0xff, 0x3b, 0x30};
inline const QColor orange{0xff, 0x95, 0x00};
inline const QColor purple{0xaf, 0x52, 0xde};

// The widget's font at a point size and weight.
QFont font(const QWidget* widget, double points, QFont::Weight weight = QFont::Normal);

// A filled pink button with white text: the one main action of a view.
QPushButton* prominentButton(QWidget* parent);
// A pink outlined button: a secondary action.
QPushButton* borderedButton(QWidget* parent);
// A flat icon button of the given Bootstrap Icons name, colour and size.
QToolButton* iconButton(const QString& iconName, const QColor& color, int size, QWidget* parent);
// A panel's header row: its title at a point size, and the round close cross at the right.
struct PanelHeader {
    QHBoxLayout* layout;
    QLabel* title;
    QToolButton* close;
};
PanelHeader panelHeader(double titlePoints, QWidget* parent);
// A rounded text field that shows focus in pink.
void styleTextField(QLineEdit* field);
// A thin horizontal line between sections.
QFrame* divider(QWidget* parent);
// The application's picture: side points, rounded by radius, with a soft pink shadow below.
QLabel* applicationPicture(int side, double radius, float shadowAlpha, double shadowBlur,
                           QWidget* parent);
// Small secondary text: captions, hints, value texts.
QLabel* secondaryLabel(double points, QWidget* parent);

} // namespace InterfaceStyle
