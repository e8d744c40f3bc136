// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ElidedTexts.h"

#include <QFontMetrics>

QString ElidedTexts::elided(const QString& text, const QFont& font, Qt::TextElideMode mode,
                            int width) {
    const QString key =
        QStringLiteral("%1\n%2\n%3\n%4").arg(font.key()).arg(mode).arg(width).arg(text);
    if (const auto cut = m_cut.constFind(key); cut != m_cut.cend())
        return *cut;
    if (m_cut.size() >= capacity)
        m_cut.clear();
    return *m_cut.insert(key, QFontMetrics(font).elidedText(text, mode, width));
}
