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

} // namespace

StickerNSView::StickerNSView(const Sticker& sticker, DragHandler onDrag, Services services,
                             QWidget* parent)
    : QWidget(parent)
    , m_sticker(sticker)
    , m_onDrag(std::move(onDrag))
    , m_services(std::move(services))
    , m_player(m_services.timers ? m_services.timers() : std::make_unique<QtFrameTimer>(),
               [this](const QRect& changed) { frameChanged(changed); }) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(false);
    m_rescaleTimer.setSingleShot(true);
    m_rescaleTimer.setInterval(rescaleDelayMs);
    connect(&m_rescaleTimer, &QTimer::timeout, this, &StickerNSView::rescale);
    // The view fills its window; taking its size now decodes the media at the right size.
    if (parent)
        setGeometry(parent->rect());
    applyStyle();
    loadMedia();
    // A set the budget cut short is asked for again once other sets have made room for it.
    if (m_services.cache)
        connect(m_services.cache, &MediaCache::roomMade, this, [this] {
            if (!m_mediaTicket && m_player.frames() && m_player.frames()->media().mayGrow())
                requestMedia(true);
        });
}

StickerNSView::~StickerNSView() {
    stop();
}

QSize StickerNSView::mediaTargetBox() const {
    const int side = static_cast<int>(std::ceil(std::max(width(), height()) * devicePixelRatioF()));
    return QSize(std::max(side, 1), std::max(side, 1));
}

void StickerNSView::applySticker(const Sticker& sticker, QSize side) {
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
    // A shown view styles itself as it is resized.
    const bool resizes = side != size() && isVisible();
    resize(side);
    if (!resizes)
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
    m_player.install(m_services.cache ? m_services.cache->frameSource(media)
                                      : std::make_shared<FrameSource>(media),
                     keepPosition);
    if (!m_player.isPlaying())
        m_player.start();
    compositingChanged();
}

void StickerNSView::compositingChanged() {
    // Without a compositor the window takes the shape of what its frames ever cover.
    const bool shaped = m_services.windowing && !m_services.windowing->isCompositing();
    m_shapeSource = shaped && m_player.frames() ? m_player.frames()->media().frames.coverage()
                                                : QImage();
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
    m_bgSourceSize = QSize();
    requestBackground(path);
}

void StickerNSView::requestBackground(const QString& path) {
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
                self->m_bgSourceSize = media->sourceSize;
                self->m_painter.setStyle(self->m_style, self->m_bgImage);
                self->updateShape();
                self->update();
            }
        });
}

// A picture decoded smaller than its source for a smaller view goes soft when the view grows.
bool StickerNSView::backgroundTooSmall() const {
    if (m_sticker.bgStyle != BGStyle::image || !m_loadedBgPath || m_bgImage.isNull() || m_bgTicket)
        return false;
    const QSize wanted = fittedPixelSize(m_bgSourceSize, mediaTargetBox() * backgroundOversize);
    return wanted.width() > m_bgImage.width() || wanted.height() > m_bgImage.height();
}

void StickerNSView::rescale() {
    if (m_stopped)
        return;
    if (m_mediaRequested && mediaTargetBox() != m_decodedBox)
        requestMedia(true);
    if (backgroundTooSmall())
        requestBackground(*m_loadedBgPath);
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
    if (!m_stopped &&
        ((m_mediaRequested && mediaTargetBox() != m_decodedBox) || backgroundTooSmall()))
        m_rescaleTimer.start();
}

void StickerNSView::frameChanged(const QRect& changed) {
    const QImage& frame = m_player.currentImage();
    const QRectF media = m_style.mediaRect;
    if (frame.isNull() || media.isEmpty()) {
        update();
        return;
    }
    if (changed.isEmpty())
        return;
    // Only what changed is painted and sent to the server; smoothing, while a re-scaled set is
    // pending, reaches a pixel further.
    const double sx = media.width() / frame.width();
    const double sy = media.height() / frame.height();
    const QRectF area(media.x() + changed.x() * sx, media.y() + changed.y() * sy,
                      changed.width() * sx, changed.height() * sy);
    const int margin = static_cast<int>(std::ceil(std::max(sx, sy))) + 1;
    update(area.toAlignedRect().adjusted(-margin, -margin, margin, margin) & rect());
}

void StickerNSView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // While the size changes step by step (a slider), each step is painted fast; the frames
    // of the size it settles at come shortly after.
    m_painter.paint(painter, size(), devicePixelRatioF(), m_player.currentImage(),
                    m_player.currentIsOpaque(), m_rescaleTimer.isActive());
    // The next frame is decoded once this one is on its way to the screen, long before its
    // shot fires.
    if (m_player.needsNextFrame() && !m_nextFramePending) {
        m_nextFramePending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_nextFramePending = false;
                m_player.prepareNextFrame();
            },
            Qt::QueuedConnection);
    }
}

void StickerNSView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_sticker.isLocked)
        return;
    m_lastMouseLocation = event->globalPosition();
    m_movedByWindowManager = m_services.windowing && m_services.windowing->startMove(*window());
    // The window manager keeps the pointer until the button is released, and tells no one.
    m_isDragging = !m_movedByWindowManager;
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
    if (m_movedByWindowManager && m_services.windowing)
        m_services.windowing->cancelMove(*window());
    m_isDragging = false;
    // A sticker locked during the drag offers no hand any more.
    setCursor(m_sticker.isLocked ? Qt::ArrowCursor : Qt::OpenHandCursor);
    if (m_services.hub)
        m_services.hub->postStickerInteractionEnded();
}
