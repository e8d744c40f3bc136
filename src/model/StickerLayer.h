// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <optional>

// The window layer of a sticker: down at the desktop or above ordinary windows.
enum class StickerLayer { desktop, floating };

inline QStringView rawValue(StickerLayer layer) {
    return layer == StickerLayer::desktop ? QStringView(u"desktop") : QStringView(u"floating");
}

inline std::optional<StickerLayer> stickerLayerFromRawValue(QStringView raw) {
    if (raw == u"desktop")
        return StickerLayer::desktop;
    if (raw == u"floating")
        return StickerLayer::floating;
    return std::nullopt;
}
