// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/DesktopLevelKeeper.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

// Another program that keeps its window in the same place would trade places with these
// windows for ever; past this many restacks a second, the keeper waits for the second to end.
constexpr int restacksPerSecond = 10;
// EWMH: a request on the user's behalf, as a pager makes.
constexpr std::uint32_t sourcePager = 2;

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, FreeDeleter>;

std::uint32_t internAtom(xcb_connection_t* connection, const QByteArray& name) {
    const ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.constData()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

QList<std::uint32_t> values32(xcb_get_property_reply_t* reply, std::uint32_t type) {
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    return QList<std::uint32_t>(values, values + reply->value_len);
}

} // namespace

std::unique_ptr<DesktopLevelKeeper> DesktopLevelKeeper::create() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int skipped = 0; skipped < screenNumber && screens.rem > 1; ++skipped)
        xcb_screen_next(&screens);
    return std::unique_ptr<DesktopLevelKeeper>(
        new DesktopLevelKeeper(connection, screens.data->root));
}

DesktopLevelKeeper::DesktopLevelKeeper(xcb_connection_t* connection, std::uint32_t root)
    : m_connection(connection)
    , m_root(root)
    , m_clientList(internAtom(connection, "_NET_CLIENT_LIST"))
    , m_clientListStacking(internAtom(connection, "_NET_CLIENT_LIST_STACKING"))
    , m_windowType(internAtom(connection, "_NET_WM_WINDOW_TYPE"))
    , m_desktopType(internAtom(connection, "_NET_WM_WINDOW_TYPE_DESKTOP"))
    , m_supportingCheck(internAtom(connection, "_NET_SUPPORTING_WM_CHECK"))
    , m_wmName(internAtom(connection, "_NET_WM_NAME"))
    , m_utf8String(internAtom(connection, "UTF8_STRING"))
    , m_restackRequest(internAtom(connection, "_NET_RESTACK_WINDOW"))
    , m_supported(internAtom(connection, "_NET_SUPPORTED")) {
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
    for (const char* family : drawUnmanagedOnTop) {
        if (name.contains(family))
            return Kind::desktopType;
    }
    return Kind::unmanaged;
}

void DesktopLevelKeeper::keep(const QList<std::uint32_t>& bottomToTop, Kind kind) {
    m_kept = bottomToTop;
    m_keptKind = kind;
    check();
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
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_CONFIGURE_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
        case XCB_DESTROY_NOTIFY:
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
    if (m_checkPending || m_kept.isEmpty())
        return;
    // A burst of events (a window manager restacking everything) costs one check.
    m_checkPending = true;
    QTimer::singleShot(0, this, [this] {
        m_checkPending = false;
        check();
    });
}

void DesktopLevelKeeper::check() {
    if (m_kept.isEmpty() || xcb_connection_has_error(m_connection))
        return;
    if (m_keptKind == Kind::unmanaged)
        checkUnmanaged();
    else
        checkDesktopType();
    // Waiting for replies moved the events that came meanwhile into xcb's queue, where the
    // socket no longer tells of them.
    handleEvents(true);
}

void DesktopLevelKeeper::checkUnmanaged() {
    const ReplyPointer<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return;
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    const QList<std::uint32_t> children(first, first + xcb_query_tree_children_length(tree.get()));
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

void DesktopLevelKeeper::checkDesktopType() {
    // The window manager's own order of the windows it manages, bottom to top.
    const QList<std::uint32_t> stacking = rootProperty(m_clientListStacking, XCB_ATOM_WINDOW);
    qsizetype top = -1;
    for (const std::uint32_t client : desktopClients()) {
        if (!m_kept.contains(client))
            top = std::max(top, stacking.indexOf(client));
    }
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

    // Without a sibling, the bottom one goes to the front of the desktop level. A manager
    // without restack requests (marco) takes raise requests, each to the front in turn.
    const bool restacks = rootProperty(m_supported, XCB_ATOM_ATOM).contains(m_restackRequest);
    std::uint32_t below = top < 0 ? std::uint32_t{XCB_WINDOW_NONE} : stacking.at(top);
    for (const std::uint32_t window : std::as_const(m_kept)) {
        if (!stacking.contains(window))
            continue;
        if (restacks) {
            sendToRoot(window, m_restackRequest,
                       {sourcePager, below, XCB_STACK_MODE_ABOVE, 0, 0});
        } else {
            const std::uint32_t raise = XCB_STACK_MODE_ABOVE;
            xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &raise);
        }
        below = window;
    }
    xcb_flush(m_connection);
}

QList<std::uint32_t> DesktopLevelKeeper::desktopClients() {
    const QList<std::uint32_t> clients = rootProperty(m_clientList, XCB_ATOM_WINDOW);
    // Types are read once per client, all requests sent before the first reply is awaited.
    QHash<std::uint32_t, bool> known;
    QList<std::pair<std::uint32_t, xcb_get_property_cookie_t>> asked;
    for (const std::uint32_t client : clients) {
        if (const auto found = m_isDesktop.constFind(client); found != m_isDesktop.cend())
            known.insert(client, *found);
        else
            asked.append({client, xcb_get_property(m_connection, 0, client, m_windowType,
                                                   XCB_ATOM_ATOM, 0, 16)});
    }
    for (const auto& [client, cookie] : asked) {
        const ReplyPointer<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(m_connection, cookie, nullptr));
        known.insert(client, values32(reply.get(), XCB_ATOM_ATOM).contains(m_desktopType));
    }
    m_isDesktop = known;
    QList<std::uint32_t> desktops;
    for (auto it = known.cbegin(); it != known.cend(); ++it) {
        if (it.value())
            desktops.append(it.key());
    }
    return desktops;
}

QList<std::uint32_t> DesktopLevelKeeper::rootProperty(std::uint32_t property, std::uint32_t type) {
    const ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, m_root, property, type, 0, 65536),
        nullptr));
    return values32(reply.get(), type);
}

void DesktopLevelKeeper::readWindowManagerName() {
    const QList<std::uint32_t> check = rootProperty(m_supportingCheck, XCB_ATOM_WINDOW);
    m_windowManagerName.clear();
    if (check.isEmpty())
        return;
    const ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, check.first(), m_wmName, m_utf8String, 0, 256),
        nullptr));
    if (reply && reply->format == 8)
        m_windowManagerName = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                         xcb_get_property_value_length(reply.get()));
}

void DesktopLevelKeeper::sendToRoot(std::uint32_t window, std::uint32_t type,
                                    const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(m_connection, 0, m_root,
                   static_cast<std::uint32_t>(XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                                              XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY),
                   reinterpret_cast<const char*>(&event));
}

std::uint32_t DesktopLevelKeeper::topLevelAncestor(std::uint32_t window) const {
    // Window managers put a client into a frame, sometimes a frame in a frame.
    for (int depth = 0; depth < 8; ++depth) {
        const ReplyPointer<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
        if (!tree)
            return XCB_WINDOW_NONE;
        if (tree->parent == m_root)
            return window;
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
