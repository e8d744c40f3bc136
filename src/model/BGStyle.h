// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <optional>

// Which background a sticker draws; stored as its raw string.
enum class BGStyle { none, color, image };

inline QStringView rawValue(BGStyle style) {
    switch (style) {
    case BGStyle::none:
        return u"none";
    case BGStyle::color:
        return u"color";
    case BGStyle::image:
        return u"image";
    }
    return u"none";
}

inline std::optional<BGStyle> bgStyleFromRawValue(QStringView raw) {
    if (raw == u"none")
        return BGStyle::none;
    if (raw == u"color")
        return BGStyle::color;
    if (raw == u"image")
        return BGStyle::image;
    return std::nullopt;
}
