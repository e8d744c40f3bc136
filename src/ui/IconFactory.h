// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// Icons of the interface: Bootstrap Icons, tinted; the application's own icon.
namespace IconFactory {

// name is a Bootstrap Icons name such as "eye-fill"; sizes are in logical pixels.
QIcon tinted(const QString& name, const QColor& color, int size);
QIcon applicationIcon();

} // namespace IconFactory
