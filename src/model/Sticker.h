// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/BGStyle.h"
#include "model/StickerLayer.h"

#include <QString>
#include <QUuid>

// Everything known about one desktop sticker. A plain value: holders keep copies.
// Coordinates are points with the origin at the bottom-left of the primary screen, y up.
struct Sticker {
    QUuid id;
    QString gifPath;
    QString name;
    double x = 200;
    double y = 300;
    double size = 160;
    QString bgColor = QStringLiteral("#FFFFFF");
    double cornerRadius = 20;
    double bgOpacity = 0.8;
    BGStyle bgStyle = BGStyle::none;
    QString bgImagePath;
    StickerLayer layer = StickerLayer::floating;
    bool isHidden = false;
    bool isLocked = false;
    qint64 zIndex = 0;

    // A new sticker for a media file, with a fresh id and the defaults of a new sticker.
    static Sticker withMedia(const QString& gifPath);

    // The name, or the media file name when the sticker has no name of its own.
    QString displayName() const;

    // The id as stored: canonical, upper case, without braces.
    QString idText() const;

    bool operator==(const Sticker&) const = default;
};
