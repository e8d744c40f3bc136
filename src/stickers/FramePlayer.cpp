// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/FramePlayer.h"

FramePlayer::FramePlayer(std::unique_ptr<FrameTimer> timer,
                         std::function<void(const QRect&)> frameChanged)
    : m_timer(std::move(timer))
    , m_frameChanged(std::move(frameChanged)) {}

void FramePlayer::showImage(const QImage& image) {
    m_timer->stop();
    m_shown = image;
    m_next = QImage();
    m_frames.reset();
    m_started = false;
    m_current = 0;
    m_frameChanged(m_shown.rect());
}

void FramePlayer::install(std::shared_ptr<FrameSource> frames, bool keepPosition) {
    const bool wasStarted = m_started && keepPosition;
    const qsizetype previous = m_current;
    m_timer->stop();
    // The images go before their source, which may hold their pixels.
    m_shown = QImage();
    m_next = QImage();
    m_frames = std::move(frames);
    m_current = keepPosition && frameCount() > 0 ? previous % frameCount() : 0;
    if (m_frames)
        m_shown = m_frames->frame(m_current);
    m_started = false;
    m_frameChanged(m_shown.rect());
    if (wasStarted)
        start();
}

void FramePlayer::start() {
    m_started = frameCount() >= 2;
    scheduleNextFrame();
}

void FramePlayer::setVisible(bool visible) {
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (visible)
        scheduleNextFrame();
    else
        m_timer->stop();
}

void FramePlayer::stop() {
    m_timer->stop();
    m_shown = QImage();
    m_next = QImage();
    m_frames.reset();
    m_started = false;
    m_current = 0;
}

bool FramePlayer::needsNextFrame() const {
    return m_started && m_visible && frameCount() >= 2 && m_next.isNull();
}

void FramePlayer::prepareNextFrame() {
    if (needsNextFrame())
        m_next = m_frames->frame(nextIndex());
}

bool FramePlayer::currentIsOpaque() const {
    return m_frames && m_frames->media().frames.isOpaque(m_current);
}

qsizetype FramePlayer::frameCount() const {
    return m_frames ? m_frames->frameCount() : 0;
}

void FramePlayer::scheduleNextFrame() {
    if (!m_started || !m_visible || frameCount() < 2)
        return;
    m_timer->start(m_frames->media().durations.value(m_current, 0.08), [this] { advanceFrame(); });
}

void FramePlayer::advanceFrame() {
    if (!m_started || !m_visible || frameCount() < 2)
        return;
    // Normally decoded ahead, after the last paint; decoded now when no paint came between.
    prepareNextFrame();
    m_current = nextIndex();
    m_shown = std::move(m_next);
    m_next = QImage();
    m_frameChanged(m_frames->media().frames.changedRect(m_current));
    scheduleNextFrame();
}
