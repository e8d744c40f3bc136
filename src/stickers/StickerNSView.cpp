// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerNSView.h"

#include "platform/WindowingServices.h"
#include "stickers/NotificationHub.h"

#include <QBitmap>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// Background pictures are decoded large enough to fill the view at any common aspect ratio.
constexpr int backgroundOversize = 3;
constexpr int rescaleDelayMs = 150;

bool isGifPath(const QString& path) {
    return QFileInfo(path).suffix().toLower() == u"gif";
}

// Every pixel that any frame covers, so the shaped window hides no part of the animation.
QImage coverage(const DecodedMedia& media) {
    QImage covered(media.frames.first().size(), QImage::Format_Alpha8);
    covered.fill(0);
    for (const QImage& frame : media.frames) {
        if (frame.size() != covered.size())
            continue;
        for (int y = 0; y < frame.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            uchar* out = covered.scanLine(y);
            for (int x = 0; x < frame.width(); ++x)
                out[x] = std::max<uchar>(out[x], static_cast<uchar>(qAlpha(in[x])));
        }
    }
    return covered;
}

} // namespace

StickerNSView::StickerNSView(const Sticker& sticker, DragHandler onDrag, Services services,
                             QWidget* parent)
    : QWidget(parent)
    , m_sticker(sticker)
    , m_onDrag(std::move(onDrag))
    , m_services(std::move(services))
    , m_player(m_services.timers ? m_services.timers() : std::make_unique<QtFrameTimer>(),
               [this] { update(); }) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(false);
    m_rescaleTimer.setSingleShot(true);
    m_rescaleTimer.setInterval(rescaleDelayMs);
    connect(&m_rescaleTimer, &QTimer::timeout, this, [this] { requestMedia(true); });
    // The view fills its window; taking its size now decodes the media at the right size.
    if (parent)
        setGeometry(parent->rect());
    applyStyle();
    loadMedia();
}

StickerNSView::~StickerNSView() {
    stop();
}

QSize StickerNSView::mediaTargetBox() const {
    const int side = static_cast<int>(std::ceil(std::max(width(), height()) * devicePixelRatioF()));
    return QSize(std::max(side, 1), std::max(side, 1));
}

void StickerNSView::applySticker(const Sticker& sticker) {
    const bool mediaChanged = sticker.gifPath != m_sticker.gifPath;
    const bool reloadBackground =
        sticker.bgImagePath != m_sticker.bgImagePath || sticker.bgStyle != m_sticker.bgStyle;
    m_sticker = sticker;
    if (mediaChanged) {
        stop();
        m_stopped = false;
        loadMedia();
    }
    if (reloadBackground)
        m_loadedBgPath.reset();
    applyStyle();
}

void StickerNSView::stop() {
    if (m_stopped)
        return;
    m_stopped = true;
    // Dropping the tickets discards any decode still under way for this view.
    m_mediaTicket.reset();
    m_bgTicket.reset();
    m_rescaleTimer.stop();
    m_player.stop();
    m_bgImage = QImage();
    m_loadedBgPath.reset();
    m_painter.setStyle(m_style, m_bgImage);
    m_shapeSource = QImage();
    m_mediaRequested = false;
    m_decodedBox = QSize();
    update();
}

void StickerNSView::setWindowVisible(bool visible) {
    m_windowVisible = visible;
    m_player.setVisible(visible);
    if (visible && !m_mediaRequested)
        loadMedia();
    if (visible)
        applyStyle();
}

void StickerNSView::loadMedia() {
    // A visible record starts decoding at once, while its window is still being mapped; a
    // hidden one waits until it is first shown.
    if (m_stopped || (!m_windowVisible && m_sticker.isHidden))
        return;
    m_mediaRequested = true;
    requestMedia(false);
}

void StickerNSView::requestMedia(bool keepPosition) {
    if (m_stopped || !m_services.cache)
        return;
    DecodeRequest request;
    request.path = m_sticker.gifPath;
    request.animated = isGifPath(m_sticker.gifPath);
    request.targetBox = mediaTargetBox();
    m_decodedBox = request.targetBox;
    const QPointer<StickerNSView> self(this);
    // A re-scale keeps the frames on screen playing until the new set is in.
    MediaCache::FirstFrame first;
    if (!keepPosition)
        first = [self](const QImage& image, double aspectRatio) {
            if (self)
                self->installFirstFrame(image, aspectRatio);
        };
    m_mediaTicket = m_services.cache->request(
        request, std::move(first), [self, keepPosition](std::shared_ptr<const DecodedMedia> media) {
            if (self)
                self->installMedia(std::move(media), keepPosition);
        });
}

void StickerNSView::installFirstFrame(const QImage& image, double aspectRatio) {
    if (m_stopped)
        return;
    m_mediaAspectRatio = aspectRatio;
    m_player.showImage(image);
    applyStyle();
}

void StickerNSView::installMedia(std::shared_ptr<const DecodedMedia> media, bool keepPosition) {
    m_mediaTicket.reset();
    if (m_stopped || !media || media->isEmpty())
        return;
    m_mediaAspectRatio = media->aspectRatio;
    m_player.install(media, keepPosition);
    if (!m_player.isPlaying())
        m_player.start();
    if (m_services.windowing && !m_services.windowing->isCompositing())
        m_shapeSource = coverage(*media);
    applyStyle();
}

void StickerNSView::applyStyle() {
    if (m_stopped)
        return;
    m_style = StickerStyle::forSticker(m_sticker, QRectF(rect()), m_mediaAspectRatio);
    if (m_sticker.bgStyle == BGStyle::image &&
        (!m_loadedBgPath || *m_loadedBgPath != m_sticker.bgImagePath))
        loadBackgroundImage(m_sticker.bgImagePath);
    setCursor(m_sticker.isLocked ? Qt::ArrowCursor : Qt::OpenHandCursor);
    m_painter.setStyle(m_style, m_bgImage);
    updateShape();
    update();
}

void StickerNSView::loadBackgroundImage(const QString& path) {
    if (m_stopped || path.isEmpty()) {
        m_bgTicket.reset();
        m_bgImage = QImage();
        m_loadedBgPath.reset();
        m_painter.setStyle(m_style, m_bgImage);
        return;
    }
    m_loadedBgPath = path;
    if (!m_services.cache)
        return;
    DecodeRequest request;
    request.path = path;
    request.targetBox = mediaTargetBox() * backgroundOversize;
    const QPointer<StickerNSView> self(this);
    m_bgTicket = m_services.cache->request(
        request, {}, [self, path](std::shared_ptr<const DecodedMedia> media) {
            if (!self || self->m_stopped || self->m_loadedBgPath != path)
                return;
            self->m_bgTicket.reset();
            // An unreadable picture leaves the previous one in place.
            if (media && !media->isEmpty()) {
                self->m_bgImage = media->frames.first();
                self->m_painter.setStyle(self->m_style, self->m_bgImage);
                self->updateShape();
                self->update();
            }
        });
}

void StickerNSView::updateShape() {
    QWidget* top = window();
    if (!m_services.windowing || m_services.windowing->isCompositing()) {
        if (!top->mask().isEmpty())
            top->clearMask();
        return;
    }
    // Without a compositor transparent pixels show black, so the window takes the drawn shape.
    QRegion shape;
    if (m_style.background == BGStyle::color ||
        (m_style.background == BGStyle::image && !m_bgImage.isNull()))
        shape = QRegion(m_style.outline.toFillPolygon().toPolygon());
    QRegion media(m_style.mediaPath.toFillPolygon().toPolygon());
    if (!m_shapeSource.isNull() && m_style.mediaRect.isValid()) {
        const QImage scaled = m_shapeSource.scaled(m_style.mediaRect.size().toSize());
        QRegion covered(QBitmap::fromImage(scaled.createAlphaMask()));
        covered.translate(m_style.mediaRect.topLeft().toPoint());
        media &= covered;
    }
    shape |= media;
    top->setMask(shape.isEmpty() ? QRegion(0, 0, 1, 1) : shape);
}

void StickerNSView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    applyStyle();
    // Frames are kept at the size they are shown; a new size re-decodes in the background.
    if (m_mediaRequested && !m_stopped && mediaTargetBox() != m_decodedBox)
        rescaleSoon();
}

void StickerNSView::rescaleSoon() {
    m_rescaleTimer.start();
}

void StickerNSView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_painter.paint(painter, size(), devicePixelRatioF(), m_player.currentImage());
}

void StickerNSView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_sticker.isLocked)
        return;
    m_isDragging = true;
    m_lastMouseLocation = event->globalPosition();
    setCursor(Qt::ClosedHandCursor);
    if (m_services.hub)
        m_services.hub->postStickerInteractionEnded();
}

void StickerNSView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_isDragging || m_sticker.isLocked)
        return;
    const QPointF location = event->globalPosition();
    // Qt's y grows downward; sticker points grow upward.
    const double dx = location.x() - m_lastMouseLocation.x();
    const double dy = m_lastMouseLocation.y() - location.y();
    m_lastMouseLocation = location;
    if (m_onDrag)
        m_onDrag(dx, dy);
}

void StickerNSView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_isDragging = false;
    // A sticker locked during the drag offers no hand any more.
    setCursor(m_sticker.isLocked ? Qt::ArrowCursor : Qt::OpenHandCursor);
    if (m_services.hub)
        m_services.hub->postStickerInteractionEnded();
}
