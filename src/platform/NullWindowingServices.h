// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowingServices.h"

// For platforms without a window manager to talk to (offscreen tests): nothing to do,
// and translucency needs no shaping.
class NullWindowingServices final : public WindowingServices {
public:
    void applyStickerWindowState(QWidget&, StickerLayer) override {}
    void setLayer(QWidget&, StickerLayer) override {}
    void restack(const QList<QWidget*>&) override {}
    bool isCompositing() const override { return true; }
};
