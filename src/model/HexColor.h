// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

// "#RRGGBB" text of a colour, without alpha. Neither function fails.
QColor parseHexColor(QStringView text);
QString formatHexColor(const QColor& color);
