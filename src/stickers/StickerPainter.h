// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/StickerStyle.h"

#include <QImage>
#include <QList>

class QPainter;

// Draws a sticker frame by frame. The background and the media's rounded mask are rendered
// once per style; each frame is then one copy, the masking of its corners, and the background
// behind it only where the frame lets it show.
class StickerPainter final {
public:
    // Takes effect at the next paint; the picture is the background for the image style.
    void setStyle(const StickerStyle& style, const QImage& backgroundPicture);
    // frameIsOpaque: the frame has no transparent pixel, so the background shows only around
    // it and in its corners. resizing: frames of the new size are on their way, so a frame of
    // another size is stretched the quick way meanwhile.
    void paint(QPainter& painter, const QSize& logicalSize, qreal devicePixelRatio,
               const QImage& frame, bool frameIsOpaque = false, bool resizing = false);

private:
    void rebuild(const QSize& logicalSize, qreal devicePixelRatio);

    StickerStyle m_style;
    QImage m_picture;
    bool m_dirty = true;
    QSize m_builtSize;
    qreal m_builtRatio = 0;
    QImage m_background;    // the whole view: colour or picture, rounded; null without one
    QRect m_mediaPixels;    // the media rectangle in device pixels
    QList<QRect> m_outside; // the view around it
    // The media's rounded mask, kept only where it is not opaque: each corner's place in the
    // media rectangle and its part of m_corners. Empty when the media is not rounded.
    struct CornerMask {
        QPoint offset;
        QRect source;
    };
    QList<CornerMask> m_cornerMasks;
    QImage m_corners;
};
