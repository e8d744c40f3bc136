// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/FramePlayer.h"

FramePlayer::FramePlayer(std::unique_ptr<FrameTimer> timer, std::function<void()> frameChanged)
    : m_timer(std::move(timer))
    , m_frameChanged(std::move(frameChanged)) {}

void FramePlayer::showImage(const QImage& image) {
    m_timer->stop();
    m_media.reset();
    m_started = false;
    m_single = image;
    m_current = 0;
    m_frameChanged();
}

void FramePlayer::install(std::shared_ptr<const DecodedMedia> media, bool keepPosition) {
    const bool wasStarted = m_started && keepPosition;
    const qsizetype previous = m_current;
    m_timer->stop();
    m_single = QImage();
    m_media = std::move(media);
    m_current = keepPosition && frameCount() > 0 ? previous % frameCount() : 0;
    m_started = false;
    m_frameChanged();
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
    m_media.reset();
    m_single = QImage();
    m_started = false;
    m_current = 0;
}

const QImage& FramePlayer::currentImage() const {
    if (m_media && m_current < m_media->frames.size())
        return m_media->frames[m_current];
    return m_single;
}

qsizetype FramePlayer::frameCount() const {
    return m_media ? m_media->frames.size() : 0;
}

void FramePlayer::scheduleNextFrame() {
    if (!m_started || !m_visible || frameCount() < 2)
        return;
    m_timer->start(m_media->durations.value(m_current, 0.08), [this] { advanceFrame(); });
}

void FramePlayer::advanceFrame() {
    if (!m_started || !m_visible || frameCount() < 2)
        return;
    m_current = (m_current + 1) % frameCount();
    m_frameChanged();
    scheduleNextFrame();
}
