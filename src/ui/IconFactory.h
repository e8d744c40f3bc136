// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// Icons of the interface: Bootstrap Icons, tinted; the application's own icon.
namespace IconFactory {

// name is a Bootstrap Icons name such as "eye-fill"; sizes are in logical pixels.
QIcon tinted(const QString& name, const QColor& color, int size);
QIcon applicationIcon();
// The application's icon as a picture of side points, clipped to rounded corners.
QPixmap roundedApplicationPicture(int side, double radius, qreal devicePixelRatio);

} // namespace IconFactory
