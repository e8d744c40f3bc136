// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPalette>
#include <QPixmap>
#include <QString>

// The menu-bar label drawn into the tray icon's square. The text takes the palette's text colour
// inside a halo of its window colour, so it reads on light and dark panels alike, whichever the
// panel is; emoji come from the colour emoji font; a text too long to stay legible in the square
// is cut with an ellipsis (the tooltip carries it whole).
class MenuBarLabelIcon final {
public:
    static constexpr int side = 64;

    static QPixmap draw(const QString& text, const QPalette& palette);

    // True when a grapheme is shown as an emoji: one that is an emoji by default, a pictograph
    // past the letter-like symbols (❤ without its variation selector), or one that asks for
    // emoji presentation.
    static bool isEmoji(QStringView grapheme);
};
