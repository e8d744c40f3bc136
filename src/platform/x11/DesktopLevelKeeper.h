// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <cstdint>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

// Keeps windows just above the desktop: directly over the top-most window of the desktop type
// (the desktop icons), or at the bottom of the stack when there is none, putting them back
// whenever the stacking around them changes (a click on the desktop raises the desktop window).
// Where the window manager cannot float a window undecorated, it keeps unmanaged windows above
// every managed one as well. It watches on a connection of its own, so Qt sees none of the
// root's traffic.
class DesktopLevelKeeper final : public QObject {
public:
    // How the kept windows are shown.
    enum class Kind {
        // Windows no window manager handles (override-redirect): the keeper stacks them itself.
        unmanaged,
        // Managed windows of the desktop type: the window manager stacks them on request.
        desktopType,
        // Managed windows of the below layer, not kept at all.
        managed,
    };

    // None when the display cannot be reached. Under XWayland the X server is one client of a
    // Wayland compositor, which stacks X windows its own way.
    static std::unique_ptr<DesktopLevelKeeper> create(bool underWayland);
    ~DesktopLevelKeeper() override;

    // What suits the running window manager. Managers that hide or cover every window they
    // manage when the desktop is shown get unmanaged ones; those whose compositor draws
    // unmanaged windows above all others (the GNOME family, KWin) keep desktop-type windows
    // over the desktop. Every Wayland compositor draws unmanaged windows on top; there KWin,
    // which hides below windows with the others when the desktop is shown, gets desktop-type
    // ones, sway, which tiles managed ones, unmanaged ones, and the rest keep managed ones
    // (mutter lets a desktop window that moves itself run ahead of the pointer).
    Kind kind() const;

    // Whether floating windows are better unmanaged and kept on top: tiling managers decorate
    // every window they float, whatever the window asks (i3), or centre it (sway).
    bool keepsFloatingOnTop() const;

    // The windows to keep, bottom to top, just above the desktop and (unmanaged) above every
    // managed window; windows that no longer exist are passed over.
    void keep(const QList<std::uint32_t>& desktopLevel, Kind kind,
              const QList<std::uint32_t>& onTop);

private:
    DesktopLevelKeeper(xcb_connection_t* connection, std::uint32_t root, bool underWayland);

    void readEvents();
    // Reads the socket too unless queuedOnly.
    void handleEvents(bool queuedOnly);
    void scheduleCheck();
    void check();
    void checkUnmanaged();
    void checkOnTop(const QList<std::uint32_t>& children);
    void checkDesktopType();
    bool isEmpty() const;
    bool isTilingUnderWayland() const;
    QList<std::uint32_t> desktopClients();
    void belongToDesktop(std::uint32_t desktop);
    std::uint32_t topLevelAncestor(std::uint32_t client);
    bool isInPlace(const QList<std::uint32_t>& children, std::uint32_t desktop) const;
    bool mayRestack();
    void readWindowManagerName();

    xcb_connection_t* m_connection;
    std::uint32_t m_root;
    bool m_underWayland;
    std::uint32_t m_clientList = 0;
    std::uint32_t m_clientListStacking = 0;
    std::uint32_t m_windowType = 0;
    std::uint32_t m_desktopType = 0;
    std::uint32_t m_supportingCheck = 0;
    std::uint32_t m_wmName = 0;
    std::uint32_t m_utf8String = 0;
    std::uint32_t m_restackRequest = 0;
    std::uint32_t m_supported = 0;
    QSocketNotifier* m_notifier = nullptr;
    QList<std::uint32_t> m_kept;
    QList<std::uint32_t> m_onTop;
    Kind m_keptKind = Kind::unmanaged;
    QByteArray m_windowManagerName;
    // Whether each managed client is of the desktop type, as read once.
    QHash<std::uint32_t, bool> m_isDesktop;
    // The top-level frame of each desktop client, until a window is reparented or destroyed.
    QHash<std::uint32_t, std::uint32_t> m_frameOf;
    // The desktop window each kept window was last made transient for.
    QHash<std::uint32_t, std::uint32_t> m_transientFor;
    // The sibling each top-level window was last stacked above.
    QHash<std::uint32_t, std::uint32_t> m_aboveOf;
    bool m_checkPending = false;
    int m_restacksInWindow = 0;
    QDeadlineTimer m_restackWindow;
};
