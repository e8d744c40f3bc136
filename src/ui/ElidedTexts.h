// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QHash>
#include <QString>

// Texts cut to a width, remembered: the rows of a list share a handful of texts at one width,
// and measuring one that carries a colour emoji decodes the emoji's picture every time.
class ElidedTexts final {
public:
    QString elided(const QString& text, const QFont& font, Qt::TextElideMode mode, int width);

private:
    // Enough for every row's layer texts in both languages at a few widths.
    static constexpr qsizetype capacity = 256;

    QHash<QString, QString> m_cut;
};
