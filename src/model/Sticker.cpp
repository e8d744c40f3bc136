// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Sticker.h"

Sticker Sticker::withMedia(const QString& gifPath) {
    Sticker sticker;
    sticker.id = QUuid::createUuid();
    sticker.gifPath = gifPath;
    return sticker;
}

QString Sticker::displayName() const {
    if (!name.isEmpty())
        return name;
    QStringView path(gifPath);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    return (slash < 0 || path.size() == 1 ? path : path.mid(slash + 1)).toString();
}

QString Sticker::idText() const {
    return id.toString(QUuid::WithoutBraces).toUpper();
}
