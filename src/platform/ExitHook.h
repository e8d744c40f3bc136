// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// Runs an action when the process leaves through exit() while the hook lives. Qt's X11
// platform calls exit() from inside the event loop when the X connection breaks, and then
// no destructor on main's stack runs.
class ExitHook final {
public:
    explicit ExitHook(std::function<void()> action);
    ~ExitHook();

    ExitHook(const ExitHook&) = delete;
    ExitHook& operator=(const ExitHook&) = delete;

private:
    struct Slot;
    static void run(int status, void* slot);

    // Registered with the C library, which cannot forget it: it outlives the hook, emptied.
    Slot* m_slot;
};
