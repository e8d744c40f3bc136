// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowingServices.h"

#include <QStringList>
#include <QWidget>

// Records every call, naming windows by their titles (the stickers' display names).
class RecordingWindowingServices final : public WindowingServices {
public:
    void applyStickerWindowState(QWidget& window, StickerLayer layer) override {
        states.append(window.windowTitle() + u':' + rawValue(layer).toString());
    }
    void setLayer(QWidget& window, StickerLayer layer) override {
        layerChanges.append(window.windowTitle() + u':' + rawValue(layer).toString());
    }
    void restack(const QList<QWidget*>& bottomToTop) override {
        QStringList order;
        for (const QWidget* window : bottomToTop)
            order.append(window->windowTitle());
        restacks.append(order);
    }
    bool isCompositing() const override { return compositing; }

    QStringList states;
    QStringList layerChanges;
    QList<QStringList> restacks;
    bool compositing = true;
};
