// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <functional>
#include <memory>

// A one-shot timer on the main thread; a seam so that playback can be driven step by step.
class FrameTimer {
public:
    virtual ~FrameTimer() = default;

    // Replaces any pending shot by one that calls fire after seconds.
    virtual void start(double seconds, std::function<void()> fire) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

class QtFrameTimer final : public FrameTimer {
public:
    QtFrameTimer();

    void start(double seconds, std::function<void()> fire) override;
    void stop() override;
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_fire;
};

using FrameTimerFactory = std::function<std::unique_ptr<FrameTimer>()>;
