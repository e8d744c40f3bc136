// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>

// The geometry and colours a sticker is drawn with, derived from its record and its bounds.
struct StickerStyle {
    // The background: none, a colour with the sticker's opacity, or a picture.
    BGStyle background = BGStyle::none;
    QColor backgroundColor;       // colour style: bgColor with bgOpacity as alpha
    double backgroundOpacity = 1; // picture style: the picture's opacity
    // The sticker's outline: rounded by cornerRadius with a background, square without one.
    QPainterPath outline;
    double outlineRadius = 0;
    bool clipsToOutline = false;
    // The media, fitted whole and centred, with corners rounded relative to its shorter side.
    QRectF mediaRect;
    double mediaCornerRadius = 0;
    QPainterPath mediaPath; // the media's rounded rectangle, within the outline

    static StickerStyle forSticker(const Sticker& sticker, const QRectF& bounds,
                                   double mediaAspectRatio);

    // The largest rectangle of aspect ratio r centred in bounds; bounds itself when r ≤ 0.
    static QRectF fitAspect(const QRectF& bounds, double aspectRatio);
    // The part of a picture of pictureSize that fills target, cropped evenly.
    static QRectF fillSourceRect(const QSizeF& pictureSize, const QSizeF& target);
};
