// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/DesktopLevelKeeper.h"

#include "platform/x11/Xcb.h"

#include <QByteArray>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

// Another program that keeps its window in the same place would trade places with these
// windows for ever; past this many restacks a second, the keeper waits for the second to end.
constexpr int restacksPerSecond = 10;
} // namespace

std::unique_ptr<DesktopLevelKeeper> DesktopLevelKeeper::create(bool underWayland) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<DesktopLevelKeeper>(
        new DesktopLevelKeeper(connection, Xcb::rootWindow(connection, screenNumber), underWayland));
}

DesktopLevelKeeper::DesktopLevelKeeper(xcb_connection_t* connection, std::uint32_t root,
                                       bool underWayland)
    : m_connection(connection)
    , m_root(root)
    , m_underWayland(underWayland)
    , m_clientList(Xcb::internAtom(connection, "_NET_CLIENT_LIST"))
    , m_clientListStacking(Xcb::internAtom(connection, "_NET_CLIENT_LIST_STACKING"))
    , m_windowType(Xcb::internAtom(connection, "_NET_WM_WINDOW_TYPE"))
    , m_desktopType(Xcb::internAtom(connection, "_NET_WM_WINDOW_TYPE_DESKTOP"))
    , m_supportingCheck(Xcb::internAtom(connection, "_NET_SUPPORTING_WM_CHECK"))
    , m_wmName(Xcb::internAtom(connection, "_NET_WM_NAME"))
    , m_utf8String(Xcb::internAtom(connection, "UTF8_STRING"))
    , m_restackRequest(Xcb::internAtom(connection, "_NET_RESTACK_WINDOW"))
    , m_supported(Xcb::internAtom(connection, "_NET_SUPPORTED")) {
    // Every map, unmap and restack of a top-level window, and changes of the client list.
    const std::uint32_t mask =
        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    m_notifier =
        new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DesktopLevelKeeper::readEvents);
    readWindowManagerName();
    handleEvents(true);
}

DesktopLevelKeeper::~DesktopLevelKeeper() {
    delete m_notifier;
    xcb_disconnect(m_connection);
}

DesktopLevelKeeper::Kind DesktopLevelKeeper::kind() const {
    static constexpr std::array<const char*, 6> drawUnmanagedOnTop = {
        "mutter", "gnome shell", "metacity", "marco", "muffin", "kwin"};
    const QByteArray name = m_windowManagerName.toLower();
    if (m_underWayland) {
        if (isTilingUnderWayland())
            return Kind::unmanaged;
        return name.contains("kwin") ? Kind::desktopType : Kind::managed;
    }
    for (const char* family : drawUnmanagedOnTop) {
        if (name.contains(family))
            return Kind::desktopType;
    }
    return Kind::unmanaged;
}

bool DesktopLevelKeeper::keepsFloatingOnTop() const {
    return m_windowManagerName == "i3" || isTilingUnderWayland();
}

bool DesktopLevelKeeper::isTilingUnderWayland() const {
    // sway's window manager for XWayland tiles managed windows, or centres floating ones
    // wherever they ask to be; unmanaged ones it shows where they are.
    return m_underWayland && m_windowManagerName.startsWith("wlroots");
}

void DesktopLevelKeeper::keep(const QList<std::uint32_t>& desktopLevel, Kind kind,
                              const QList<std::uint32_t>& onTop) {
    m_kept = desktopLevel;
    m_keptKind = kind;
    m_onTop = onTop;
    check();
}

bool DesktopLevelKeeper::isEmpty() const {
    return m_kept.isEmpty() && m_onTop.isEmpty();
}

void DesktopLevelKeeper::readEvents() {
    if (xcb_connection_has_error(m_connection)) {
        m_notifier->setEnabled(false);
        return;
    }
    handleEvents(false);
}

void DesktopLevelKeeper::handleEvents(bool queuedOnly) {
    const auto next = queuedOnly ? xcb_poll_for_queued_event : xcb_poll_for_event;
    bool stackingChanged = false;
    while (xcb_generic_event_t* event = next(m_connection)) {
        switch (event->response_type & 0x7F) {
        case XCB_PROPERTY_NOTIFY: {
            const std::uint32_t atom =
                reinterpret_cast<xcb_property_notify_event_t*>(event)->atom;
            if (atom == m_supportingCheck)
                readWindowManagerName();
            stackingChanged = stackingChanged || atom == m_clientList ||
                              atom == m_clientListStacking;
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            // Moves and resizes (a drag step) leave the stacking alone.
            const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            const auto known = m_aboveOf.constFind(configure->window);
            stackingChanged = stackingChanged || known == m_aboveOf.cend() ||
                              *known != configure->above_sibling;
            m_aboveOf.insert(configure->window, configure->above_sibling);
            break;
        }
        case XCB_REPARENT_NOTIFY:
            // A client's frame may be new or gone.
            m_frameOf.clear();
            m_aboveOf.remove(reinterpret_cast<xcb_reparent_notify_event_t*>(event)->window);
            stackingChanged = true;
            break;
        case XCB_DESTROY_NOTIFY:
            m_frameOf.clear();
            m_aboveOf.remove(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
            stackingChanged = true;
            break;
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
            stackingChanged = true;
            break;
        default:
            break;
        }
        std::free(event);
    }
    if (stackingChanged)
        scheduleCheck();
}

void DesktopLevelKeeper::scheduleCheck() {
    if (m_checkPending || isEmpty())
        return;
    // A burst of events (a window manager restacking everything) costs one check.
    m_checkPending = true;
    QTimer::singleShot(0, this, [this] {
        m_checkPending = false;
        check();
    });
}

void DesktopLevelKeeper::check() {
    if (isEmpty() || xcb_connection_has_error(m_connection))
        return;
    if (m_keptKind == Kind::desktopType && !m_kept.isEmpty())
        checkDesktopType();
    if ((m_keptKind == Kind::unmanaged && !m_kept.isEmpty()) || !m_onTop.isEmpty())
        checkUnmanaged();
    // Waiting for replies moved the events that came meanwhile into xcb's queue, where the
    // socket no longer tells of them.
    handleEvents(true);
}

void DesktopLevelKeeper::checkUnmanaged() {
    const Xcb::ReplyPointer<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return;
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    const QList<std::uint32_t> children(first, first + xcb_query_tree_children_length(tree.get()));
    checkOnTop(children);
    if (m_keptKind != Kind::unmanaged || m_kept.isEmpty())
        return;
    qsizetype top = -1;
    for (const std::uint32_t client : desktopClients())
        top = std::max(top, children.indexOf(topLevelAncestor(client)));
    const std::uint32_t desktop = top < 0 ? std::uint32_t{XCB_WINDOW_NONE} : children.at(top);
    if (isInPlace(children, desktop) || !mayRestack())
        return;

    std::uint32_t below = desktop;
    for (const std::uint32_t window : std::as_const(m_kept)) {
        if (!children.contains(window))
            continue;
        if (below == XCB_WINDOW_NONE) {
            const std::uint32_t bottom = XCB_STACK_MODE_BELOW;
            xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &bottom);
        } else {
            const std::uint32_t values[] = {below, XCB_STACK_MODE_ABOVE};
            xcb_configure_window(m_connection, window,
                                 XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
        }
        below = window;
    }
    xcb_flush(m_connection);
}

void DesktopLevelKeeper::checkOnTop(const QList<std::uint32_t>& children) {
    const QSet<std::uint32_t> onTop(m_onTop.cbegin(), m_onTop.cend());
    const QSet<std::uint32_t> existing(children.cbegin(), children.cend());
    const qsizetype lowest =
        std::find_if(children.cbegin(), children.cend(),
                     [&onTop](std::uint32_t window) { return onTop.contains(window); }) -
        children.cbegin();
    // Only a shown managed window above them counts: menus and tooltips of any program are
    // unmanaged and belong above.
    QList<xcb_get_window_attributes_cookie_t> cookies;
    QList<std::uint32_t> ours;
    for (qsizetype at = lowest; at < children.size(); ++at) {
        if (onTop.contains(children.at(at)))
            ours.append(children.at(at));
        else
            cookies.append(xcb_get_window_attributes(m_connection, children.at(at)));
    }
    bool inPlace = true;
    for (const xcb_get_window_attributes_cookie_t cookie : std::as_const(cookies)) {
        const Xcb::ReplyPointer<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_connection, cookie, nullptr));
        inPlace = inPlace && (!attributes || attributes->override_redirect ||
                              attributes->map_state != XCB_MAP_STATE_VIEWABLE);
    }
    QList<std::uint32_t> wanted = m_onTop;
    wanted.removeIf([&existing](std::uint32_t window) { return !existing.contains(window); });
    if ((inPlace && ours == wanted) || !mayRestack())
        return;
    for (const std::uint32_t window : std::as_const(wanted)) {
        const std::uint32_t top = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &top);
    }
    xcb_flush(m_connection);
}

void DesktopLevelKeeper::checkDesktopType() {
    // The window manager's own order of the windows it manages, bottom to top.
    const QList<std::uint32_t> stacking =
        Xcb::property32(m_connection, m_root, m_clientListStacking, XCB_ATOM_WINDOW);
    qsizetype top = -1;
    for (const std::uint32_t client : desktopClients()) {
        if (!m_kept.contains(client))
            top = std::max(top, stacking.indexOf(client));
    }
    belongToDesktop(top < 0 ? std::uint32_t{XCB_WINDOW_NONE} : stacking.at(top));
    qsizetype at = top;
    bool inPlace = true;
    for (const std::uint32_t window : std::as_const(m_kept)) {
        const qsizetype index = stacking.indexOf(window);
        if (index < 0)
            continue;
        inPlace = inPlace && index > at;
        at = index;
    }
    if (inPlace || !mayRestack())
        return;

    // Each is raised to the front of the desktop level in turn, bottom one first: kwin ignores a
    // restack above the desktop window, and marco knows no restack requests at all, but both
    // raise. A restack request speaks for the user, as a pager does; a plain raise may be
    // refused as the application's own.
    const bool restacks = Xcb::property32(m_connection, m_root, m_supported, XCB_ATOM_ATOM)
                              .contains(m_restackRequest);
    for (const std::uint32_t window : std::as_const(m_kept)) {
        if (!stacking.contains(window))
            continue;
        if (restacks) {
            Xcb::sendToRoot(m_connection, m_root, window, m_restackRequest,
                            {Xcb::sourcePager, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
        } else {
            const std::uint32_t raise = XCB_STACK_MODE_ABOVE;
            xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &raise);
        }
    }
    xcb_flush(m_connection);
}

void DesktopLevelKeeper::belongToDesktop(std::uint32_t desktop) {
    // Managers keep a transient window above the one it belongs to, also where they refuse a
    // raise from a window that is not the active one (marco).
    QHash<std::uint32_t, std::uint32_t> owners;
    for (const std::uint32_t window : std::as_const(m_kept)) {
        const auto known = m_transientFor.constFind(window);
        if (known == m_transientFor.cend() || *known != desktop) {
            if (desktop == XCB_WINDOW_NONE)
                xcb_delete_property(m_connection, window, XCB_ATOM_WM_TRANSIENT_FOR);
            else
                xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window,
                                    XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1, &desktop);
        }
        owners.insert(window, desktop);
    }
    m_transientFor = owners;
}

QList<std::uint32_t> DesktopLevelKeeper::desktopClients() {
    // A client's type is read once: it is set before the client is mapped.
    QHash<std::uint32_t, bool> known;
    QList<std::uint32_t> desktops;
    for (const std::uint32_t client :
         Xcb::property32(m_connection, m_root, m_clientList, XCB_ATOM_WINDOW)) {
        const bool isDesktop = m_isDesktop.contains(client)
                                   ? m_isDesktop.value(client)
                                   : Xcb::property32(m_connection, client, m_windowType,
                                                     XCB_ATOM_ATOM)
                                         .contains(m_desktopType);
        known.insert(client, isDesktop);
        if (isDesktop)
            desktops.append(client);
    }
    m_isDesktop = known;
    return desktops;
}

void DesktopLevelKeeper::readWindowManagerName() {
    const QList<std::uint32_t> check =
        Xcb::property32(m_connection, m_root, m_supportingCheck, XCB_ATOM_WINDOW);
    m_windowManagerName.clear();
    if (check.isEmpty())
        return;
    const Xcb::ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, check.first(), m_wmName, m_utf8String, 0, 256),
        nullptr));
    if (reply && reply->format == 8)
        m_windowManagerName =
            QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       xcb_get_property_value_length(reply.get()));
}

std::uint32_t DesktopLevelKeeper::topLevelAncestor(std::uint32_t client) {
    if (const auto found = m_frameOf.constFind(client); found != m_frameOf.cend())
        return *found;
    // Window managers put a client into a frame, sometimes a frame in a frame.
    std::uint32_t window = client;
    for (int depth = 0; depth < 8; ++depth) {
        const Xcb::ReplyPointer<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
        if (!tree)
            return XCB_WINDOW_NONE;
        if (tree->parent == m_root) {
            m_frameOf.insert(client, window);
            return window;
        }
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

bool DesktopLevelKeeper::isInPlace(const QList<std::uint32_t>& children,
                                   std::uint32_t desktop) const {
    // Kept windows directly above the desktop, in order: nothing else in between.
    qsizetype at = desktop == XCB_WINDOW_NONE ? -1 : children.indexOf(desktop);
    for (const std::uint32_t window : m_kept) {
        if (!children.contains(window))
            continue;
        ++at;
        if (at >= children.size() || children.at(at) != window)
            return false;
    }
    return true;
}

bool DesktopLevelKeeper::mayRestack() {
    if (m_restackWindow.hasExpired()) {
        m_restackWindow.setRemainingTime(1000);
        m_restacksInWindow = 0;
    }
    if (++m_restacksInWindow <= restacksPerSecond)
        return true;
    if (m_restacksInWindow == restacksPerSecond + 1)
        QTimer::singleShot(m_restackWindow.remainingTime(), this, [this] { scheduleCheck(); });
    return false;
}
