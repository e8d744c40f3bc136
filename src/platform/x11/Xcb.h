// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct xcb_connection_t;

// Small pieces of xcb shared by the X11 services.
namespace Xcb {

// EWMH: a request on the user's behalf, as a pager makes.
constexpr std::uint32_t sourcePager = 2;

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
// A reply, freed as xcb asks.
template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, FreeDeleter>;

// The atom of name; none when the server does not answer.
std::uint32_t internAtom(xcb_connection_t* connection, const QByteArray& name);

// The root window of screen number screen.
std::uint32_t rootWindow(xcb_connection_t* connection, int screen);

// The 32-bit values of a property of window, empty unless it has that type.
QList<std::uint32_t> property32(xcb_connection_t* connection, std::uint32_t window,
                                std::uint32_t property, std::uint32_t type);

// An EWMH client message about window, sent to root for the window manager.
void sendToRoot(xcb_connection_t* connection, std::uint32_t root, std::uint32_t window,
                std::uint32_t type, const std::array<std::uint32_t, 5>& data);

} // namespace Xcb
