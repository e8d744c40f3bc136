// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MenuBarLabelIcon.h"

#include <QPainter>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <memory>
#include <unicode/uchar.h>

namespace {

// Below this share of the side a tray's 22-pixel icon shows letters no one can read.
constexpr double smallestText = 0.4;
constexpr double largestText = 0.9;
constexpr int haloRadius = 3;
constexpr uint emojiPresentation = 0xFE0F;
constexpr UChar32 firstPictographicBlock = 0x2300;

QStringList graphemes(const QString& text) {
    QStringList parts;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() > 0) {
        parts.append(text.mid(start, finder.position() - start));
        start = finder.position();
    }
    return parts;
}

// The text laid out on one line at a pixel size, its emoji in the colour font.
std::unique_ptr<QTextLayout> layOut(const QStringList& parts, int pixels) {
    QFont font;
    font.setWeight(QFont::Medium);
    font.setPixelSize(pixels);
    auto layout = std::make_unique<QTextLayout>(parts.join(QString()), font);
    QList<QTextLayout::FormatRange> emoji;
    int start = 0;
    for (const QString& part : parts) {
        if (MenuBarLabelIcon::isEmoji(part)) {
            QTextCharFormat format;
            format.setFontFamilies({QStringLiteral("Noto Color Emoji")});
            emoji.append({start, static_cast<int>(part.size()), format});
        }
        start += static_cast<int>(part.size());
    }
    layout->setFormats(emoji);
    layout->beginLayout();
    layout->createLine().setLineWidth(1e6);
    layout->endLayout();
    return layout;
}

double widthOf(const QTextLayout& layout) {
    return layout.lineAt(0).naturalTextWidth();
}

} // namespace

bool MenuBarLabelIcon::isEmoji(QStringView grapheme) {
    const QList<uint> codePoints = grapheme.toUcs4();
    if (codePoints.isEmpty())
        return false;
    const auto first = static_cast<UChar32>(codePoints.first());
    return u_hasBinaryProperty(first, UCHAR_EMOJI_PRESENTATION) ||
           (u_hasBinaryProperty(first, UCHAR_EMOJI) && first >= firstPictographicBlock) ||
           codePoints.contains(emojiPresentation);
}

QPixmap MenuBarLabelIcon::draw(const QString& text, const QPalette& palette) {
    const double room = side - 2 * haloRadius;
    QStringList parts = graphemes(text);
    // As large as fits, down to the smallest legible size; past that, cut.
    const int largest = static_cast<int>(side * largestText);
    const double natural = widthOf(*layOut(parts, largest));
    int pixels = static_cast<int>(largest * std::min(1.0, room / std::max(natural, 1.0)));
    pixels = std::max(pixels, static_cast<int>(side * smallestText));
    std::unique_ptr<QTextLayout> layout = layOut(parts, pixels);
    if (widthOf(*layout) > room) {
        const QString ellipsis(QChar(0x2026));
        while (parts.size() > 1 && widthOf(*layout) > room) {
            parts.removeLast();
            while (parts.size() > 1 && parts.last().trimmed().isEmpty())
                parts.removeLast();
            layout = layOut(parts + QStringList{ellipsis}, pixels);
        }
    }

    // The glyphs, then their halo: the glyphs' shape spread by a few pixels, in the window colour.
    const QSizeF size(widthOf(*layout), layout->lineAt(0).height());
    const QPointF origin((side - size.width()) / 2, (side - size.height()) / 2);
    QImage glyphs(side, side, QImage::Format_ARGB32_Premultiplied);
    glyphs.fill(Qt::transparent);
    {
        QPainter painter(&glyphs);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.setPen(palette.color(QPalette::WindowText));
        layout->draw(&painter, origin);
    }
    QImage icon(side, side, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    for (int dy = -haloRadius; dy <= haloRadius; ++dy) {
        for (int dx = -haloRadius; dx <= haloRadius; ++dx) {
            if (dx * dx + dy * dy <= haloRadius * haloRadius)
                painter.drawImage(QPoint(dx, dy), glyphs);
        }
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(icon.rect(), palette.color(QPalette::Window));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(0, 0), glyphs);
    painter.end();
    return QPixmap::fromImage(icon);
}
