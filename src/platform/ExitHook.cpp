// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExitHook.h"

#include <cstdlib>
#include <mutex>
#include <utility>

struct ExitHook::Slot {
    std::mutex mutex;
    std::function<void()> action;
};

void ExitHook::run(int, void* slot) {
    auto* armed = static_cast<Slot*>(slot);
    const std::lock_guard lock(armed->mutex);
    if (armed->action)
        std::exchange(armed->action, nullptr)();
}

ExitHook::ExitHook(std::function<void()> action)
    : m_slot(new Slot{{}, std::move(action)}) {
    if (::on_exit(&ExitHook::run, m_slot) != 0) {
        delete m_slot;
        m_slot = nullptr;
    }
}

ExitHook::~ExitHook() {
    if (!m_slot)
        return;
    const std::lock_guard lock(m_slot->mutex);
    m_slot->action = nullptr;
}
