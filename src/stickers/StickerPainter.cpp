// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerPainter.h"

#include <QPainter>
#include <QRegion>
#include <array>
#include <cmath>

namespace {

QBrush imageBrush(const QImage& image, const QRectF& source, const QRectF& target) {
    QBrush brush(image);
    QTransform transform;
    transform.translate(target.x(), target.y());
    transform.scale(target.width() / source.width(), target.height() / source.height());
    transform.translate(-source.x(), -source.y());
    brush.setTransform(transform);
    return brush;
}

QRect toPixels(const QRectF& logical, qreal ratio) {
    const QRectF scaled(logical.x() * ratio, logical.y() * ratio, logical.width() * ratio,
                        logical.height() * ratio);
    return scaled.toAlignedRect();
}

// True when the path covers its bounding rectangle: nothing to mask.
bool isRectangle(const QPainterPath& path, const QRectF& rect) {
    QPainterPath whole;
    whole.addRect(rect);
    return path.contains(whole) || path == whole;
}

} // namespace

void StickerPainter::setStyle(const StickerStyle& style, const QImage& backgroundPicture) {
    m_style = style;
    m_picture = backgroundPicture;
    m_dirty = true;
}

void StickerPainter::rebuild(const QSize& logicalSize, qreal ratio) {
    m_dirty = false;
    m_builtSize = logicalSize;
    m_builtRatio = ratio;
    const QSize pixels = (QSizeF(logicalSize) * ratio).toSize();

    m_background = QImage();
    const bool picture = m_style.background == BGStyle::image && !m_picture.isNull();
    if (m_style.background == BGStyle::color || picture) {
        m_background = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_background.setDevicePixelRatio(ratio);
        m_background.fill(Qt::transparent);
        QPainter p(&m_background);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (picture) {
            const QRectF bounds(QPointF(0, 0), QSizeF(logicalSize));
            p.setOpacity(m_style.backgroundOpacity);
            p.fillPath(m_style.outline, imageBrush(m_picture,
                                                   StickerStyle::fillSourceRect(
                                                       QSizeF(m_picture.size()), bounds.size()),
                                                   bounds));
        } else {
            p.fillPath(m_style.outline, m_style.backgroundColor);
        }
    }

    m_mediaPixels = toPixels(m_style.mediaRect, ratio);
    const QRegion outside = QRegion(QRect(QPoint(0, 0), pixels)) - QRegion(m_mediaPixels);
    m_outside = QList<QRect>(outside.begin(), outside.end());
    m_cornerMasks.clear();
    m_corners = QImage();
    if (!m_mediaPixels.isEmpty() && !isRectangle(m_style.mediaPath, m_style.mediaRect)) {
        const double radius = std::max(m_style.mediaCornerRadius,
                                       m_style.clipsToOutline ? m_style.outlineRadius : 0.0);
        const int w = m_mediaPixels.width();
        const int h = m_mediaPixels.height();
        const int side =
            std::min({static_cast<int>(std::ceil(radius * ratio)) + 1, (w + 1) / 2, (h + 1) / 2});
        // One image holds the four corners, a quadrant each, filled through one painter.
        m_corners = QImage(2 * side, 2 * side, QImage::Format_Alpha8);
        m_corners.fill(Qt::transparent);
        QPainter p(&m_corners);
        p.setRenderHint(QPainter::Antialiasing);
        const std::array offsets{QPoint(0, 0), QPoint(w - side, 0), QPoint(0, h - side),
                                 QPoint(w - side, h - side)};
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            const QRect quadrant(QPoint(int(i % 2) * side, int(i / 2) * side), QSize(side, side));
            p.resetTransform();
            p.setClipRect(quadrant);
            p.translate(QPointF(quadrant.topLeft() - m_mediaPixels.topLeft() - offsets[i]));
            p.scale(ratio, ratio);
            p.fillPath(m_style.mediaPath, Qt::white);
            m_cornerMasks.append({offsets[i], quadrant});
        }
    }
}

void StickerPainter::paint(QPainter& painter, const QSize& logicalSize, qreal ratio,
                           const QImage& frame, bool frameIsOpaque, bool resizing) {
    if (m_dirty || logicalSize != m_builtSize || !qFuzzyCompare(ratio, m_builtRatio))
        rebuild(logicalSize, ratio);

    // Device pixels from here on: every copy below is one to one.
    painter.save();
    painter.resetTransform();
    painter.scale(1 / ratio, 1 / ratio);
    const bool media = !frame.isNull() && !m_mediaPixels.isEmpty();
    // The media goes down first on the cleared view, so that the mask cuts only the media;
    // the background then slides in behind it. The media's own pixels need no clearing.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (media) {
        for (const QRect& outside : std::as_const(m_outside))
            painter.fillRect(outside, Qt::transparent);
        // Frames are decoded at the size they are shown; a re-scaling may still be pending.
        const bool scaled = frame.size() != m_mediaPixels.size();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scaled && !resizing);
        if (scaled) {
            // Qt scales a translucent image by its fast path only when blending it over; on
            // cleared pixels that is the same as a copy.
            painter.fillRect(m_mediaPixels, Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        painter.drawImage(m_mediaPixels, frame);
        // Only the corners differ from opaque; masking just them keeps Qt off its slow,
        // threaded path for a whole-area composition.
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        for (const CornerMask& corner : std::as_const(m_cornerMasks))
            painter.drawImage(m_mediaPixels.topLeft() + corner.offset, m_corners, corner.source);
    } else {
        painter.fillRect(QRect(QPoint(0, 0), (QSizeF(logicalSize) * ratio).toSize()),
                         Qt::transparent);
    }
    if (!m_background.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        m_background.setDevicePixelRatio(1);
        if (media && frameIsOpaque) {
            // An opaque frame hides the background but around it and in its cut corners.
            for (const QRect& outside : std::as_const(m_outside))
                painter.drawImage(outside.topLeft(), m_background, outside);
            for (const CornerMask& corner : std::as_const(m_cornerMasks)) {
                const QRect cut(m_mediaPixels.topLeft() + corner.offset, corner.source.size());
                painter.drawImage(cut.topLeft(), m_background, cut);
            }
        } else {
            painter.drawImage(0, 0, m_background);
        }
        m_background.setDevicePixelRatio(ratio);
    }
    painter.restore();
}
