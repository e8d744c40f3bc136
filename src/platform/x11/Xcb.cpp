// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/Xcb.h"

#include <algorithm>
#include <xcb/xcb.h>

namespace Xcb {

std::uint32_t internAtom(xcb_connection_t* connection, const QByteArray& name) {
    const ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.constData()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::uint32_t rootWindow(xcb_connection_t* connection, int screen) {
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int skipped = 0; skipped < screen && screens.rem > 1; ++skipped)
        xcb_screen_next(&screens);
    return screens.data ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

QList<std::uint32_t> property32(xcb_connection_t* connection, std::uint32_t window,
                                std::uint32_t property, std::uint32_t type) {
    const ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, 65536), nullptr));
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return QList<std::uint32_t>(values, values + reply->value_len);
}

void sendToRoot(xcb_connection_t* connection, std::uint32_t root, std::uint32_t window,
                std::uint32_t type, const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(connection, 0, root,
                   static_cast<std::uint32_t>(XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                                              XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY),
                   reinterpret_cast<const char*>(&event));
}

} // namespace Xcb
