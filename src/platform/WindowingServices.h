// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/StickerLayer.h"

#include <QList>
#include <QRect>
#include <functional>
#include <memory>

class QWidget;

// What sticker windows need from the desktop's window system, beyond Qt itself.
class WindowingServices {
public:
    virtual ~WindowingServices() = default;

    // Makes a top-level window a sticker window: on every workspace, out of the taskbar and
    // pager, on the level of layer. Called with the native window created, before every show(),
    // and on a shown window to apply its state again.
    virtual void applyStickerWindowState(QWidget& window, StickerLayer layer) = 0;

    // Moves a shown window to another level without recreating its native window.
    virtual void setLayer(QWidget& window, StickerLayer layer) = 0;

    // Orders shown windows bottom to top; each stays on its own level.
    virtual void restack(const QList<QWidget*>& bottomToTop) = 0;

    // True when a compositing manager blends transparent pixels with what lies behind;
    // without one, sticker windows are shaped instead.
    virtual bool isCompositing() const = 0;
    // Called on the main thread when a compositing manager starts or stops (a user switches
    // the window manager's compositing off); empty to stop hearing of it.
    void onCompositingChanged(std::function<void()> changed) {
        m_compositingChanged = std::move(changed);
    }

    // Asks the window manager to bring a shown top-level window to the front with the focus,
    // restoring it when minimised, as a taskbar does on a click. Without a window manager to
    // ask, Qt's own show and raise are all there is.
    virtual void activate(QWidget& window) { static_cast<void>(window); }

    // Hands a drag that starts with a press on window to the window manager, which moves the
    // window with the pointer; true when it took it. Where the window manager alone knows
    // where the pointer is on screen (XWayland), a window that moves itself chases the pointer
    // and overshoots.
    virtual bool startMove(QWidget& window) {
        static_cast<void>(window);
        return false;
    }
    // Called when the window sees the release of a press it handed over: the window manager
    // had not taken the pointer yet, and must not start moving the window after the click.
    virtual void cancelMove(QWidget& window) { static_cast<void>(window); }

protected:
    void compositingChanged() const {
        if (m_compositingChanged)
            m_compositingChanged();
    }

private:
    std::function<void()> m_compositingChanged;
};

// The X11 services under the xcb platform, otherwise services that do nothing (offscreen).
std::unique_ptr<WindowingServices> createWindowingServices();
