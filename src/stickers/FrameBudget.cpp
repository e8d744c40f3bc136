// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/FrameBudget.h"

#include <utility>

FrameBudget::FrameBudget(qint64 limitBytes)
    : m_limit(limitBytes) {}

FrameBudget::Lease::Lease(std::shared_ptr<FrameBudget> budget, qint64 shareBytes)
    : m_budget(std::move(budget))
    , m_share(shareBytes) {}

FrameBudget::Lease::~Lease() {
    release();
}

FrameBudget::Lease::Lease(Lease&& other) noexcept
    : m_budget(std::move(other.m_budget))
    , m_share(other.m_share)
    , m_bytes(std::exchange(other.m_bytes, 0)) {}

FrameBudget::Lease& FrameBudget::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        release();
        m_budget = std::move(other.m_budget);
        m_share = other.m_share;
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

bool FrameBudget::Lease::take(qint64 bytes) {
    m_refusedByBudget = false;
    if (bytes < 0 || m_bytes + bytes > m_share)
        return false;
    if (m_budget) {
        qint64 used = m_budget->m_used.load();
        do {
            if (used + bytes > m_budget->m_limit) {
                m_refusedByBudget = true;
                return false;
            }
        } while (!m_budget->m_used.compare_exchange_weak(used, used + bytes));
    }
    m_bytes += bytes;
    return true;
}

void FrameBudget::Lease::force(qint64 bytes) {
    if (m_budget)
        m_budget->m_used += bytes;
    m_bytes += bytes;
}

void FrameBudget::Lease::release() {
    if (m_budget)
        m_budget->m_used -= m_bytes;
    m_bytes = 0;
}
