// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <atomic>
#include <memory>

// The memory that the decoded media of the whole program may hold together. Each decoded set
// holds one lease, which counts its bytes against its own share and against the budget, and
// gives them back when the set goes; a set shared by several stickers is counted once.
// Leases are taken on worker threads and returned on any thread.
class FrameBudget final {
public:
    // Compressed frames of long recordings take a few megabytes each, so this holds dozens of
    // them; it is what a single sticker's raw frames could take before, now for all together.
    static constexpr qint64 defaultBytes = qint64(256) * 1024 * 1024;

    explicit FrameBudget(qint64 limitBytes = defaultBytes);

    qint64 limit() const { return m_limit; }
    qint64 used() const { return m_used.load(); }
    qint64 room() const { return m_limit - m_used.load(); }

    class Lease final {
    public:
        // budget may be null: then only the share bounds the set.
        Lease(std::shared_ptr<FrameBudget> budget, qint64 shareBytes);
        ~Lease();
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&& other) noexcept;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        // Counts bytes; false, with nothing counted, when the share or the budget would be passed.
        bool take(qint64 bytes);
        // True when the last refusal was the budget's: the set's own share had room.
        bool refusedByBudget() const { return m_refusedByBudget; }
        // Counts bytes past every limit: a set's first image, so that a sticker always shows
        // something. Its size is bounded by the sticker's own, not by the file.
        void force(qint64 bytes);
        qint64 bytes() const { return m_bytes; }
        const FrameBudget* budget() const { return m_budget.get(); }

    private:
        void release();

        std::shared_ptr<FrameBudget> m_budget;
        qint64 m_share = 0;
        qint64 m_bytes = 0;
        bool m_refusedByBudget = false;
    };

private:
    const qint64 m_limit;
    std::atomic<qint64> m_used = 0;
};
