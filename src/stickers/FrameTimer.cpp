// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/FrameTimer.h"

#include <cmath>

QtFrameTimer::QtFrameTimer() {
    m_timer.setSingleShot(true);
    // Frame delays down to 20 ms need better than the coarse timer's 5 % slack.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_fire)
            m_fire();
    });
}

void QtFrameTimer::start(double seconds, std::function<void()> fire) {
    m_fire = std::move(fire);
    m_timer.start(static_cast<int>(std::lround(seconds * 1000.0)));
}

void QtFrameTimer::stop() {
    m_timer.stop();
    m_fire = nullptr;
}
