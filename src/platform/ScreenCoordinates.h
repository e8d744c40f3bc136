// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <optional>

// Sticker coordinates are points with the origin at the bottom-left of the primary screen and
// y growing upward; Qt's are top-left with y down. Conversion happens only here.
namespace ScreenCoordinates {

// The square of a sticker at (x, y) with side size, in Qt's global coordinates.
QRectF toQt(double x, double y, double size, const QRect& primaryScreen);
// The sticker origin (bottom-left) of a Qt top-level geometry.
QPointF fromQt(const QRectF& qtGeometry, const QRect& primaryScreen);

// The primary screen's geometry; 1440×900 at the origin where there is no screen.
QRect primaryScreenGeometry();
// The full frame of the main screen in sticker coordinates: the screen of the active window,
// else the one under the cursor, else the primary one; none without any screen.
std::optional<QRectF> mainScreenFrame();

} // namespace ScreenCoordinates
