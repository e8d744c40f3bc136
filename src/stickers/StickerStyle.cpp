// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerStyle.h"

#include "model/HexColor.h"

#include <algorithm>

namespace {

QPainterPath roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    // A radius beyond half the shorter side draws the same as half of it.
    const double clamped = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    if (clamped > 0)
        path.addRoundedRect(rect, clamped, clamped);
    else
        path.addRect(rect);
    return path;
}

} // namespace

QRectF StickerStyle::fitAspect(const QRectF& bounds, double aspectRatio) {
    if (!(aspectRatio > 0) || bounds.height() <= 0)
        return bounds;
    const double width = bounds.width();
    const double height = bounds.height();
    QSizeF fitted = aspectRatio < width / height ? QSizeF(height * aspectRatio, height)
                                                 : QSizeF(width, width / aspectRatio);
    return QRectF(bounds.x() + (width - fitted.width()) / 2,
                  bounds.y() + (height - fitted.height()) / 2, fitted.width(), fitted.height());
}

QRectF StickerStyle::fillSourceRect(const QSizeF& pictureSize, const QSizeF& target) {
    if (pictureSize.isEmpty() || target.isEmpty())
        return QRectF(QPointF(0, 0), pictureSize);
    const double scale =
        std::max(target.width() / pictureSize.width(), target.height() / pictureSize.height());
    const QSizeF visible(target.width() / scale, target.height() / scale);
    return QRectF((pictureSize.width() - visible.width()) / 2,
                  (pictureSize.height() - visible.height()) / 2, visible.width(), visible.height());
}

StickerStyle StickerStyle::forSticker(const Sticker& sticker, const QRectF& bounds,
                                      double mediaAspectRatio) {
    StickerStyle style;
    style.background = sticker.bgStyle;
    switch (sticker.bgStyle) {
    case BGStyle::none:
        style.outline = roundedRect(bounds, 0);
        break;
    case BGStyle::color: {
        QColor color = parseHexColor(sticker.bgColor);
        color.setAlphaF(static_cast<float>(std::clamp(sticker.bgOpacity, 0.0, 1.0)));
        style.backgroundColor = color;
        style.outline = roundedRect(bounds, sticker.cornerRadius);
        style.outlineRadius = sticker.cornerRadius;
        style.clipsToOutline = true;
        break;
    }
    case BGStyle::image:
        style.backgroundOpacity = std::clamp(sticker.bgOpacity, 0.0, 1.0);
        style.outline = roundedRect(bounds, sticker.cornerRadius);
        style.outlineRadius = sticker.cornerRadius;
        style.clipsToOutline = true;
        break;
    }
    style.mediaRect = fitAspect(bounds, mediaAspectRatio);
    style.mediaCornerRadius = std::min(style.mediaRect.width(), style.mediaRect.height()) * 0.5 *
                              (sticker.cornerRadius / 80.0);
    style.mediaPath = roundedRect(style.mediaRect, style.mediaCornerRadius);
    if (style.clipsToOutline)
        style.mediaPath = style.mediaPath.intersected(style.outline);
    return style;
}
