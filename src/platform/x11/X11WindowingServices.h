// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowingServices.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>

struct xcb_connection_t;

// Sticker window hints under X11, spoken to the window manager the EWMH way on Qt's own xcb
// connection, so requests stay ordered after Qt's own (a show() before its state).
class X11WindowingServices final : public WindowingServices {
public:
    // None without an xcb connection.
    static std::unique_ptr<X11WindowingServices> create();

    void applyStickerWindowState(QWidget& window, StickerLayer layer) override;
    void setLayer(QWidget& window, StickerLayer layer) override;
    void restack(const QList<QWidget*>& bottomToTop) override;
    bool isCompositing() const override;
    void activate(QWidget& window) override;

private:
    struct Atoms {
        std::uint32_t netWmState = 0;
        std::uint32_t skipTaskbar = 0;
        std::uint32_t skipPager = 0;
        std::uint32_t above = 0;
        std::uint32_t below = 0;
        std::uint32_t netWmDesktop = 0;
        std::uint32_t netSupported = 0;
        std::uint32_t restackWindow = 0;
        std::uint32_t activeWindow = 0;
        std::uint32_t compositingSelection = 0;
    };

    X11WindowingServices(xcb_connection_t* connection, std::uint32_t root, const Atoms& atoms);

    std::uint32_t layerState(StickerLayer layer) const;
    bool isSupportedByWindowManager(std::uint32_t atom) const;
    void moveToLayer(std::uint32_t window, StickerLayer layer);
    void replaceState(std::uint32_t window, std::uint32_t wanted, std::uint32_t other);
    static StickerLayer otherLayer(StickerLayer layer);
    void sendToRoot(std::uint32_t window, std::uint32_t type,
                    const std::array<std::uint32_t, 5>& data);

    static std::optional<std::uint32_t> nativeWindow(const QWidget& widget);

    xcb_connection_t* m_connection;
    std::uint32_t m_root;
    Atoms m_atoms;
};
