// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StickerThumbnailView.h"

#include "stickers/StickerStyle.h"
#include "ui/IconFactory.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int side = 44;
constexpr int margin = 3;
constexpr double radius = 8;

} // namespace

StickerThumbnailView::StickerThumbnailView(MediaCache& cache, QWidget* parent)
    : QWidget(parent)
    , m_cache(&cache) {
    setFixedSize(side, side);
}

void StickerThumbnailView::setPath(const QString& path) {
    if (path == m_path)
        return;
    m_path = path;
    // No file, no picture: a tile reused for another sticker never shows the last one's.
    if (path.isEmpty()) {
        m_ticket.reset();
        m_image = QImage();
        update();
        return;
    }
    if (!m_cache)
        return;
    DecodeRequest request;
    request.path = path;
    const int pixels = static_cast<int>((side - 2 * margin) * devicePixelRatioF());
    request.targetBox = QSize(pixels, pixels);
    const QPointer<StickerThumbnailView> self(this);
    // A file that no longer decodes clears the picture shown before.
    m_ticket = m_cache->request(request, {}, [self](std::shared_ptr<const DecodedMedia> media) {
        if (!self)
            return;
        self->m_image = media && !media->isEmpty() ? media->frames.first() : QImage();
        self->update();
    });
}

void StickerThumbnailView::setBadge(const QString& iconName) {
    if (iconName == m_badge)
        return;
    m_badge = iconName;
    m_badgeIcon = iconName.isEmpty() ? QIcon() : IconFactory::tinted(iconName, Qt::white, 14);
    update();
}

void StickerThumbnailView::setOutlined(bool outlined) {
    m_outlined = outlined;
    update();
}

void StickerThumbnailView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(rect()), radius, radius);
    painter.setClipPath(tile);
    QColor grey = palette().color(QPalette::PlaceholderText);
    grey.setAlphaF(0.12f);
    painter.fillRect(rect(), grey);
    if (!m_image.isNull()) {
        const QRectF inner = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
        const double aspect = static_cast<double>(m_image.width()) / std::max(m_image.height(), 1);
        painter.drawImage(StickerStyle::fitAspect(inner, aspect), m_image);
    }
    if (!m_badge.isEmpty()) {
        painter.fillRect(rect(), QColor(0, 0, 0, 89));
        const QRect symbol(QPoint((width() - 14) / 2, (height() - 14) / 2), QSize(14, 14));
        m_badgeIcon.paint(&painter, symbol);
    }
    if (m_outlined) {
        painter.setClipping(false);
        QColor outline = palette().color(QPalette::WindowText);
        outline.setAlphaF(0.08f);
        painter.setPen(QPen(outline, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
}
