// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ScreenCoordinates.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace ScreenCoordinates {

QRectF toQt(double x, double y, double size, const QRect& primaryScreen) {
    return QRectF(primaryScreen.x() + x, primaryScreen.y() + primaryScreen.height() - y - size,
                  size, size);
}

QPointF fromQt(const QRectF& qtGeometry, const QRect& primaryScreen) {
    return QPointF(qtGeometry.x() - primaryScreen.x(), primaryScreen.y() + primaryScreen.height() -
                                                           qtGeometry.y() - qtGeometry.height());
}

QRect primaryScreenGeometry() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry() : QRect(0, 0, 1440, 900);
}

std::optional<QRectF> mainScreenFrame() {
    const QScreen* screen = nullptr;
    if (const QWindow* active = QGuiApplication::focusWindow())
        screen = active->screen();
    if (!screen)
        screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    const QRect qt = screen->geometry();
    return QRectF(fromQt(qt, primaryScreenGeometry()), QSizeF(qt.size()));
}

} // namespace ScreenCoordinates
