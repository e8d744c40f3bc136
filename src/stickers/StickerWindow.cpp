// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerWindow.h"

#include "platform/ScreenCoordinates.h"
#include "platform/WindowingServices.h"
#include "store/StickerStore.h"

#include <QShowEvent>
#include <cmath>

namespace {

constexpr double maximumSide = 8192;
constexpr double coordinateLimit = 1e6;

double bounded(double value, double low, double high) {
    return std::isfinite(value) ? std::clamp(value, low, high) : low;
}

} // namespace

StickerWindow::StickerWindow(const Sticker& sticker, StickerStore* store,
                             StickerNSView::Services services)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::NoDropShadowWindowHint)
    , m_sticker(sticker)
    , m_store(store)
    , m_windowing(services.windowing)
    , m_origin(sticker.x, sticker.y) {
    // Translucency must be asked for before the native window exists.
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setWindowTitle(sticker.displayName());
    setGeometry(geometryFor(sticker));

    const QPointer<StickerWindow> self(this);
    m_stickerView = new StickerNSView(
        sticker,
        [self](double dx, double dy) {
            if (self)
                self->drag(dx, dy);
        },
        std::move(services), this);
    m_stickerView->setGeometry(rect());
}

StickerWindow::~StickerWindow() {
    teardown();
}

QRect StickerWindow::geometryFor(const Sticker& sticker) {
    const double size = bounded(sticker.size, 1, maximumSide);
    const QRectF qt = ScreenCoordinates::toQt(bounded(sticker.x, -coordinateLimit, coordinateLimit),
                                              bounded(sticker.y, -coordinateLimit, coordinateLimit),
                                              size, ScreenCoordinates::primaryScreenGeometry());
    const int side = static_cast<int>(std::lround(size));
    return QRect(static_cast<int>(std::lround(qt.x())), static_cast<int>(std::lround(qt.y())), side,
                 side);
}

void StickerWindow::applySticker(const Sticker& sticker) {
    if (m_isClosing)
        return;
    const bool layerChanged = sticker.layer != m_sticker.layer;
    m_sticker = sticker;
    m_origin = QPointF(sticker.x, sticker.y);
    if (windowTitle() != sticker.displayName())
        setWindowTitle(sticker.displayName());
    setGeometry(geometryFor(sticker));
    if (layerChanged && isVisible() && m_windowing)
        m_windowing->setLayer(*this, sticker.layer);
    // A hidden window gets its resize event only when shown; the view follows at once.
    if (m_stickerView)
        m_stickerView->applySticker(sticker, size());
}

void StickerWindow::teardown() {
    m_isClosing = true;
    if (!m_stickerView)
        return;
    m_stickerView->stop();
    delete m_stickerView;
    m_stickerView = nullptr;
}

void StickerWindow::orderFront() {
    if (m_isClosing)
        return;
    if (isVisible()) {
        if (m_windowing)
            m_windowing->applyStickerWindowState(*this, m_sticker.layer);
        return;
    }
    // The window manager reads a window's state as it maps it: set beforehand, the state holds
    // from the first frame on, and nothing waits on a server busy with the mapping.
    winId();
    if (m_windowing)
        m_windowing->applyStickerWindowState(*this, m_sticker.layer);
    show();
}

void StickerWindow::orderOut() {
    hide();
}

void StickerWindow::drag(double dx, double dy) {
    if (m_isClosing || m_sticker.isLocked)
        return;
    // The window moves from where it is. A window manager that put it elsewhere than asked is
    // followed, and the store learns the real place; while it stays where it was put, the
    // origin keeps its fractions of a pixel.
    if (!isWhereRecordSays())
        m_origin = actualOrigin();
    m_origin += QPointF(dx, dy);
    placeAt(m_origin, m_sticker.size);
    if (m_store)
        m_store->updatePosition(m_sticker.id, m_origin.x(), m_origin.y());
}

void StickerWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // A move the window manager makes for a drag is stored as the drag's own steps are; a
    // window already where its record says keeps the fractions of a pixel.
    if (m_isClosing || !m_stickerView || !m_stickerView->isMovedByWindowManager() ||
        isWhereRecordSays())
        return;
    m_origin = actualOrigin();
    if (m_store)
        m_store->updatePosition(m_sticker.id, m_origin.x(), m_origin.y());
}

bool StickerWindow::isWhereRecordSays() const {
    return pos() == placement(m_origin, m_sticker.size).topLeft();
}

QPointF StickerWindow::actualOrigin() const {
    return ScreenCoordinates::fromQt(QRectF(geometry()), ScreenCoordinates::primaryScreenGeometry());
}

void StickerWindow::placeAt(const QPointF& origin, double size) {
    move(placement(origin, size).topLeft());
}

QRect StickerWindow::placement(const QPointF& origin, double size) const {
    Sticker placed = m_sticker;
    placed.x = origin.x();
    placed.y = origin.y();
    placed.size = size;
    return geometryFor(placed);
}

void StickerWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_stickerView)
        m_stickerView->setWindowVisible(true);
}

void StickerWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_stickerView)
        m_stickerView->setWindowVisible(false);
}

void StickerWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_stickerView)
        m_stickerView->setGeometry(rect());
}
