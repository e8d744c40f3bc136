// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowingServices.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QSet>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>

struct xcb_connection_t;
class DesktopLevelKeeper;

// Sticker window hints under X11, spoken to the window manager the EWMH way on Qt's own xcb
// connection, so requests stay ordered after Qt's own (a show() before its state).
//
// Floating stickers are managed windows above the others, except under a tiling manager, which
// decorates them: there they are unmanaged and kept on top. Desktop stickers are kept just above
// the desktop window (see DesktopLevelKeeper for how, per window manager): a managed window of a
// low level is hidden or covered when the desktop is shown, left on one workspace or tiled.
// Under XWayland the compositor stacks X windows its own way; floating stickers, and desktop
// ones except under KWin, are managed windows with their state, and a drag on a managed sticker
// is left to the compositor, the one that knows where the pointer is.
class X11WindowingServices final : public WindowingServices, public QAbstractNativeEventFilter {
public:
    ~X11WindowingServices() override;

    // Takes back the attention some managers ask for on a sticker's behalf.
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // None without an xcb connection.
    static std::unique_ptr<X11WindowingServices> create();

    void applyStickerWindowState(QWidget& window, StickerLayer layer) override;
    void setLayer(QWidget& window, StickerLayer layer) override;
    void restack(const QList<QWidget*>& bottomToTop) override;
    bool isCompositing() const override;
    void activate(QWidget& window) override;
    bool startMove(QWidget& window) override;
    void cancelMove(QWidget& window) override;

private:
    struct Atoms {
        std::uint32_t netWmState = 0;
        std::uint32_t skipTaskbar = 0;
        std::uint32_t skipPager = 0;
        std::uint32_t above = 0;
        std::uint32_t below = 0;
        std::uint32_t sticky = 0;
        std::uint32_t demandsAttention = 0;
        std::uint32_t protocols = 0;
        std::uint32_t deleteWindow = 0;
        std::uint32_t ping = 0;
        std::uint32_t windowType = 0;
        std::uint32_t normalType = 0;
        std::uint32_t desktopType = 0;
        std::uint32_t netWmDesktop = 0;
        std::uint32_t netSupported = 0;
        std::uint32_t restackWindow = 0;
        std::uint32_t activeWindow = 0;
        std::uint32_t moveResize = 0;
        std::uint32_t compositingSelection = 0;
    };

    X11WindowingServices(xcb_connection_t* connection, std::uint32_t root, const Atoms& atoms,
                         std::unique_ptr<DesktopLevelKeeper> keeper, bool underWayland,
                         std::uint8_t selectionNotify);

    // How a window of a layer is shown; a change of it takes a new map.
    enum class Placement { managed, unmanaged, desktopType, unmanagedOnTop };
    static bool isUnmanaged(Placement placement);
    Placement placementFor(StickerLayer layer) const;
    Placement placementOf(std::uint32_t window) const;
    void prepareForMap(std::uint32_t window, StickerLayer layer);
    void restackManaged(const QList<QWidget*>& bottomToTop);
    std::uint32_t layerState(StickerLayer layer) const;
    bool isSupportedByWindowManager(std::uint32_t atom) const;
    void moveToLayer(std::uint32_t window, StickerLayer layer);
    void replaceState(std::uint32_t window, std::uint32_t wanted, std::uint32_t other);
    static StickerLayer otherLayer(StickerLayer layer);
    void sendToRoot(std::uint32_t window, std::uint32_t type,
                    const std::array<std::uint32_t, 5>& data);

    static std::optional<std::uint32_t> nativeWindow(const QWidget& widget);
    bool queryCompositing() const;

    xcb_connection_t* m_connection;
    std::uint32_t m_root;
    Atoms m_atoms;
    std::unique_ptr<DesktopLevelKeeper> m_keeper;
    bool m_underWayland;
    // The event XFixes reports a new owner of a selection with; 0 without XFixes, where the
    // compositing manager is asked for every time.
    std::uint8_t m_selectionNotify;
    bool m_compositing = false;
    // Every sticker window prepared for a map.
    QSet<std::uint32_t> m_prepared;
    // Sticker windows kept by the keeper, as last prepared.
    QHash<std::uint32_t, Placement> m_kept;
};
