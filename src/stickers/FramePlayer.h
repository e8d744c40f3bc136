// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/FrameTimer.h"
#include "stickers/MediaDecoding.h"

#include <QImage>
#include <functional>
#include <memory>

// Plays decoded frames in a loop on a chain of one-shot timers: frame k stays up for its own
// duration from the moment it was shown; late shots are not made up. Paused while its window
// is hidden, it resumes at the frame it was showing.
class FramePlayer final {
public:
    FramePlayer(std::unique_ptr<FrameTimer> timer, std::function<void()> frameChanged);

    // Shows one image at once, ahead of the whole set or for a still picture.
    void showImage(const QImage& image);
    // Installs a full set. keepPosition keeps the current frame (a re-scaled set of the same
    // media), otherwise playback starts again at frame 0.
    void install(std::shared_ptr<const DecodedMedia> media, bool keepPosition);
    // Starts the chain when there are two or more frames and the player is visible.
    void start();
    void setVisible(bool visible);
    // Ends playback and releases the frames.
    void stop();

    const QImage& currentImage() const;
    qsizetype currentFrame() const { return m_current; }
    qsizetype frameCount() const;
    bool isPlaying() const { return m_timer->isActive(); }
    const std::shared_ptr<const DecodedMedia>& media() const { return m_media; }

private:
    void scheduleNextFrame();
    void advanceFrame();

    std::unique_ptr<FrameTimer> m_timer;
    std::function<void()> m_frameChanged;
    std::shared_ptr<const DecodedMedia> m_media;
    QImage m_single;
    qsizetype m_current = 0;
    bool m_visible = true;
    bool m_started = false;
};
