// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/FrameTimer.h"

#include <QList>
#include <utility>

// Records what was asked of it and fires only when told to.
class FakeFrameTimer final : public FrameTimer {
public:
    struct Log {
        QList<double> started;
        std::function<void()> pending;
    };

    explicit FakeFrameTimer(std::shared_ptr<Log> log)
        : m_log(std::move(log)) {}
    void start(double seconds, std::function<void()> fire) override {
        m_log->started.append(seconds);
        m_log->pending = std::move(fire);
    }
    void stop() override { m_log->pending = nullptr; }
    bool isActive() const override { return static_cast<bool>(m_log->pending); }
    static void fire(Log& log) {
        if (const auto fire = std::exchange(log.pending, nullptr))
            fire();
    }

private:
    std::shared_ptr<Log> m_log;
};
