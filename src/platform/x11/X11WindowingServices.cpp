// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowingServices.h"

#include "platform/x11/DesktopLevelKeeper.h"
#include "platform/x11/Xcb.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace {

// EWMH constants of the client messages.
constexpr std::uint32_t stateRemove = 0;
constexpr std::uint32_t stateAdd = 1;
constexpr std::uint32_t sourceApplication = 1;
constexpr std::uint32_t everyDesktop = 0xFFFFFFFF;

// The screen Qt opened: the default one of DISPLAY.
int defaultScreenNumber() {
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    const bool parsed = xcb_parse_display(nullptr, &host, &display, &screen) != 0;
    std::free(host);
    return parsed ? screen : 0;
}

} // namespace

std::unique_ptr<X11WindowingServices> X11WindowingServices::create() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return nullptr;

    const int screenNumber = defaultScreenNumber();
    const std::uint32_t root = Xcb::rootWindow(connection, screenNumber);
    if (root == XCB_WINDOW_NONE)
        return nullptr;

    Atoms atoms;
    atoms.netWmState = Xcb::internAtom(connection, "_NET_WM_STATE");
    atoms.skipTaskbar = Xcb::internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    atoms.skipPager = Xcb::internAtom(connection, "_NET_WM_STATE_SKIP_PAGER");
    atoms.above = Xcb::internAtom(connection, "_NET_WM_STATE_ABOVE");
    atoms.below = Xcb::internAtom(connection, "_NET_WM_STATE_BELOW");
    atoms.sticky = Xcb::internAtom(connection, "_NET_WM_STATE_STICKY");
    atoms.demandsAttention = Xcb::internAtom(connection, "_NET_WM_STATE_DEMANDS_ATTENTION");
    atoms.protocols = Xcb::internAtom(connection, "WM_PROTOCOLS");
    atoms.deleteWindow = Xcb::internAtom(connection, "WM_DELETE_WINDOW");
    atoms.ping = Xcb::internAtom(connection, "_NET_WM_PING");
    atoms.windowType = Xcb::internAtom(connection, "_NET_WM_WINDOW_TYPE");
    atoms.normalType = Xcb::internAtom(connection, "_NET_WM_WINDOW_TYPE_NORMAL");
    atoms.desktopType = Xcb::internAtom(connection, "_NET_WM_WINDOW_TYPE_DESKTOP");
    atoms.netWmDesktop = Xcb::internAtom(connection, "_NET_WM_DESKTOP");
    atoms.netSupported = Xcb::internAtom(connection, "_NET_SUPPORTED");
    atoms.restackWindow = Xcb::internAtom(connection, "_NET_RESTACK_WINDOW");
    atoms.activeWindow = Xcb::internAtom(connection, "_NET_ACTIVE_WINDOW");
    atoms.moveResize = Xcb::internAtom(connection, "_NET_WM_MOVERESIZE");
    atoms.compositingSelection =
        Xcb::internAtom(connection, "_NET_WM_CM_S" + QByteArray::number(screenNumber));
    const bool underWayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    // Whether a compositing manager runs is asked at every change of a sticker's style; XFixes
    // tells of every change of its owner instead, with the same request Qt makes for itself.
    std::uint8_t selectionNotify = 0;
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        std::free(xcb_xfixes_query_version_reply(
            connection, xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, 0),
            nullptr));
        xcb_xfixes_select_selection_input(
            connection, root, atoms.compositingSelection,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        selectionNotify = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    }
    auto services = std::unique_ptr<X11WindowingServices>(
        new X11WindowingServices(connection, root, atoms, DesktopLevelKeeper::create(underWayland),
                                 underWayland, selectionNotify));
    qGuiApp->installNativeEventFilter(services.get());
    return services;
}

X11WindowingServices::X11WindowingServices(xcb_connection_t* connection, std::uint32_t root,
                                           const Atoms& atoms,
                                           std::unique_ptr<DesktopLevelKeeper> keeper,
                                           bool underWayland, std::uint8_t selectionNotify)
    : m_connection(connection)
    , m_root(root)
    , m_atoms(atoms)
    , m_keeper(std::move(keeper))
    , m_underWayland(underWayland)
    , m_selectionNotify(selectionNotify)
    , m_compositing(queryCompositing()) {}

X11WindowingServices::~X11WindowingServices() {
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

bool X11WindowingServices::nativeEventFilter(const QByteArray& eventType, void* message,
                                             qintptr* result) {
    static_cast<void>(result);
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (m_selectionNotify != 0 && (event->response_type & 0x7F) == m_selectionNotify) {
        const auto* notify = static_cast<const xcb_xfixes_selection_notify_event_t*>(message);
        const bool compositing = notify->owner != XCB_WINDOW_NONE;
        if (notify->selection == m_atoms.compositingSelection && compositing != m_compositing) {
            m_compositing = compositing;
            compositingChanged();
        }
        return false;
    }
    if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
    // mutter, metacity and kwin mark a new window that does not take the focus as demanding
    // attention when it overlaps the focused one, after it is mapped; a sticker never asks.
    if (change->atom == m_atoms.netWmState && m_prepared.contains(change->window) &&
        Xcb::property32(m_connection, change->window, m_atoms.netWmState, XCB_ATOM_ATOM)
            .contains(m_atoms.demandsAttention)) {
        sendToRoot(change->window, m_atoms.netWmState,
                   {stateRemove, m_atoms.demandsAttention, 0, sourceApplication, 0});
        xcb_flush(m_connection);
    }
    return false;
}

void X11WindowingServices::applyStickerWindowState(QWidget& window, StickerLayer layer) {
    const std::optional<std::uint32_t> id = nativeWindow(window);
    if (!id)
        return;
    if (!window.isVisible())
        prepareForMap(*id, layer);
    if (isUnmanaged(placementOf(*id))) {
        xcb_flush(m_connection);
        return;
    }
    // The requests follow the properties, for a window manager that has taken the window
    // already.
    sendToRoot(*id, m_atoms.netWmState,
               {stateAdd, m_atoms.skipTaskbar, m_atoms.skipPager, sourceApplication, 0});
    sendToRoot(*id, m_atoms.netWmState, {stateAdd, m_atoms.sticky, 0, sourceApplication, 0});
    sendToRoot(*id, m_atoms.netWmDesktop, {everyDesktop, sourceApplication, 0, 0, 0});
    moveToLayer(*id, layer);
    xcb_flush(m_connection);
}

void X11WindowingServices::prepareForMap(std::uint32_t window, StickerLayer layer) {
    // A window not yet mapped carries its state in properties, which the window manager reads
    // as it takes the window (Qt's show() keeps a _NET_WM_STATE it finds there). Nothing is
    // read back: at start the server is busy mapping every sticker, and each round trip would
    // wait on it.
    m_prepared.insert(window);
    const Placement placement = placementFor(layer);
    const bool typeChanges = (placement == Placement::desktopType) !=
                             (placementOf(window) == Placement::desktopType);
    const std::uint32_t unmanaged = isUnmanaged(placement) ? 1 : 0;
    xcb_change_window_attributes(m_connection, window, XCB_CW_OVERRIDE_REDIRECT, &unmanaged);
    if (placement == Placement::managed)
        m_kept.remove(window);
    else
        m_kept.insert(window, placement);
    // Qt's own type list stays until the window becomes a desktop one.
    if (typeChanges) {
        const std::uint32_t type =
            placement == Placement::desktopType ? m_atoms.desktopType : m_atoms.normalType;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_atoms.windowType,
                            XCB_ATOM_ATOM, 32, 1, &type);
    }
    // Sticky as well as on every desktop: xfwm4 misreads a desktop set before the map.
    const std::array<std::uint32_t, 4> states{m_atoms.skipTaskbar, m_atoms.skipPager,
                                              m_atoms.sticky, layerState(layer)};
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_atoms.netWmState,
                        XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(states.size()),
                        states.data());
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_atoms.netWmDesktop,
                        XCB_ATOM_CARDINAL, 32, 1, &everyDesktop);
    // Qt offers WM_TAKE_FOCUS, which tells the window manager the window takes the focus
    // itself; kwin and mutter then mark a window that did not as demanding attention.
    const std::array<std::uint32_t, 2> protocols{m_atoms.deleteWindow, m_atoms.ping};
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_atoms.protocols,
                        XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(protocols.size()),
                        protocols.data());
}

void X11WindowingServices::setLayer(QWidget& window, StickerLayer layer) {
    const std::optional<std::uint32_t> id = nativeWindow(window);
    if (!id)
        return;
    if (window.isVisible() && placementFor(layer) != placementOf(*id)) {
        // Whether the window manager handles a window is settled as it is mapped.
        window.hide();
        applyStickerWindowState(window, layer);
        window.show();
        return;
    }
    if (!window.isVisible())
        replaceState(*id, layerState(layer), layerState(otherLayer(layer)));
    moveToLayer(*id, layer);
    xcb_flush(m_connection);
}

void X11WindowingServices::restack(const QList<QWidget*>& bottomToTop) {
    QList<QWidget*> managed;
    QList<std::uint32_t> desktopLevel;
    QList<std::uint32_t> onTop;
    for (QWidget* window : bottomToTop) {
        const std::optional<std::uint32_t> id = nativeWindow(*window);
        if (!id)
            continue;
        switch (placementOf(*id)) {
        case Placement::managed:
            managed.append(window);
            break;
        case Placement::unmanagedOnTop:
            onTop.append(*id);
            break;
        case Placement::unmanaged:
        case Placement::desktopType:
            desktopLevel.append(*id);
            break;
        }
    }
    if (m_keeper)
        m_keeper->keep(desktopLevel,
                       !desktopLevel.isEmpty() &&
                               placementOf(desktopLevel.first()) == Placement::desktopType
                           ? DesktopLevelKeeper::Kind::desktopType
                           : DesktopLevelKeeper::Kind::unmanaged,
                       onTop);
    restackManaged(managed);
}

void X11WindowingServices::restackManaged(const QList<QWidget*>& bottomToTop) {
    if (bottomToTop.isEmpty())
        return;
    if (!isSupportedByWindowManager(m_atoms.restackWindow)) {
        for (QWidget* window : bottomToTop)
            window->raise();
        return;
    }
    // The bottom one goes to the front of its level, each next one directly above it.
    std::uint32_t below = XCB_WINDOW_NONE;
    for (const QWidget* window : bottomToTop) {
        const std::optional<std::uint32_t> id = nativeWindow(*window);
        if (!id)
            continue;
        sendToRoot(*id, m_atoms.restackWindow, {Xcb::sourcePager, below, XCB_STACK_MODE_ABOVE, 0, 0});
        below = *id;
    }
    xcb_flush(m_connection);
}

bool X11WindowingServices::isCompositing() const {
    return m_selectionNotify != 0 ? m_compositing : queryCompositing();
}

bool X11WindowingServices::queryCompositing() const {
    const Xcb::ReplyPointer<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_atoms.compositingSelection),
        nullptr));
    return reply && reply->owner != XCB_WINDOW_NONE;
}

StickerLayer X11WindowingServices::otherLayer(StickerLayer layer) {
    return layer == StickerLayer::desktop ? StickerLayer::floating : StickerLayer::desktop;
}

void X11WindowingServices::activate(QWidget& window) {
    const std::optional<std::uint32_t> id = nativeWindow(window);
    if (!id)
        return;
    // Qt's activation speaks as the application, which a window manager may refuse as focus
    // stealing, and un-minimises only what Qt itself minimised. The user asked for the window
    // (the tray's command, another launch): speak as a pager does. A window manager without
    // _NET_ACTIVE_WINDOW takes the map request of an iconic window as a wish to restore it.
    if (isSupportedByWindowManager(m_atoms.activeWindow))
        sendToRoot(*id, m_atoms.activeWindow, {Xcb::sourcePager, XCB_CURRENT_TIME, 0, 0, 0});
    else
        xcb_map_window(m_connection, *id);
    xcb_flush(m_connection);
}

bool X11WindowingServices::startMove(QWidget& window) {
    // Under XWayland an X window learns where the pointer is from the compositor, relative to
    // where the compositor last showed the window: moves of its own run ahead of that.
    // Window managers do not move windows of the desktop type.
    QWindow* handle = window.windowHandle();
    const std::optional<std::uint32_t> id = nativeWindow(window);
    return m_underWayland && id && placementOf(*id) == Placement::managed &&
           handle->startSystemMove();
}

void X11WindowingServices::cancelMove(QWidget& window) {
    constexpr std::uint32_t moveResizeCancel = 11;
    if (const std::optional<std::uint32_t> id = nativeWindow(window); id && m_underWayland) {
        sendToRoot(*id, m_atoms.moveResize, {0, 0, moveResizeCancel, 0, sourceApplication});
        xcb_flush(m_connection);
    }
}

X11WindowingServices::Placement X11WindowingServices::placementFor(StickerLayer layer) const {
    if (!m_keeper)
        return Placement::managed;
    if (layer == StickerLayer::floating)
        return m_keeper->keepsFloatingOnTop() ? Placement::unmanagedOnTop : Placement::managed;
    switch (m_keeper->kind()) {
    case DesktopLevelKeeper::Kind::unmanaged:
        return Placement::unmanaged;
    case DesktopLevelKeeper::Kind::desktopType:
        return Placement::desktopType;
    case DesktopLevelKeeper::Kind::managed:
        break;
    }
    return Placement::managed;
}

bool X11WindowingServices::isUnmanaged(Placement placement) {
    return placement == Placement::unmanaged || placement == Placement::unmanagedOnTop;
}

X11WindowingServices::Placement X11WindowingServices::placementOf(std::uint32_t window) const {
    return m_kept.value(window, Placement::managed);
}

std::uint32_t X11WindowingServices::layerState(StickerLayer layer) const {
    return layer == StickerLayer::desktop ? m_atoms.below : m_atoms.above;
}

bool X11WindowingServices::isSupportedByWindowManager(std::uint32_t atom) const {
    // Asked every time: the window manager may have been replaced since.
    return Xcb::property32(m_connection, m_root, m_atoms.netSupported, XCB_ATOM_ATOM).contains(atom);
}

void X11WindowingServices::moveToLayer(std::uint32_t window, StickerLayer layer) {
    // Removing first keeps the window manager from seeing both at once.
    sendToRoot(window, m_atoms.netWmState,
               {stateRemove, layerState(otherLayer(layer)), 0, sourceApplication, 0});
    sendToRoot(window, m_atoms.netWmState, {stateAdd, layerState(layer), 0, sourceApplication, 0});
}

void X11WindowingServices::replaceState(std::uint32_t window, std::uint32_t wanted,
                                        std::uint32_t other) {
    QList<std::uint32_t> states = Xcb::property32(m_connection, window, m_atoms.netWmState, XCB_ATOM_ATOM);
    states.removeAll(other);
    if (!states.contains(wanted))
        states.append(wanted);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_atoms.netWmState,
                        XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(states.size()),
                        states.constData());
}

void X11WindowingServices::sendToRoot(std::uint32_t window, std::uint32_t type,
                                      const std::array<std::uint32_t, 5>& data) {
    Xcb::sendToRoot(m_connection, m_root, window, type, data);
}

std::optional<std::uint32_t> X11WindowingServices::nativeWindow(const QWidget& widget) {
    // The handle's id, not QWidget::winId(): that one goes stale when the native window is
    // recreated.
    const QWindow* handle = widget.windowHandle();
    if (!handle || !handle->handle())
        return std::nullopt;
    return static_cast<std::uint32_t>(handle->winId());
}
