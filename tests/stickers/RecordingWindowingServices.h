// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowingServices.h"

#include <QStringList>
#include <QWidget>

// Records every call, naming windows by their titles (the stickers' display names).
class RecordingWindowingServices final : public WindowingServices {
public:
    void applyStickerWindowState(QWidget& w, StickerLayer l) override { states << name(w, l); }
    void setLayer(QWidget& w, StickerLayer l) override { layerChanges << name(w, l); }
    void restack(const QList<QWidget*>& bottomToTop) override {
        QStringList order;
        for (const QWidget* window : bottomToTop)
            order.append(window->windowTitle());
        restacks.append(order);
    }
    bool isCompositing() const override { return true; }

    QStringList states;
    QStringList layerChanges;
    QList<QStringList> restacks;

private:
    static QString name(QWidget& w, StickerLayer l) {
        return w.windowTitle() + u':' + rawValue(l).toString();
    }
};
