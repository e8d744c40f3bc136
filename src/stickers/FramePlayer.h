// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/FrameSource.h"
#include "stickers/FrameTimer.h"

#include <QImage>
#include <QRect>
#include <functional>
#include <memory>

// Plays decoded frames in a loop on a chain of one-shot timers: frame k stays up for its own
// duration from the moment it was shown; late shots are not made up. The frame after the one
// on screen is decoded ahead, so that it is ready when its shot fires. Paused while its window
// is hidden, it resumes at the frame it was showing.
class FramePlayer final {
public:
    // frameChanged gets the part of the image on screen that changed, in its pixels; empty when
    // the new frame is the same as the one before.
    FramePlayer(std::unique_ptr<FrameTimer> timer, std::function<void(const QRect&)> frameChanged);

    // Shows one image at once, ahead of the whole set or for a still picture.
    void showImage(const QImage& image);
    // Installs a full set. keepPosition keeps the current frame (a re-scaled set of the same
    // media), otherwise playback starts again at frame 0.
    void install(std::shared_ptr<FrameSource> frames, bool keepPosition);
    // Starts the chain when there are two or more frames and the player is visible.
    void start();
    void setVisible(bool visible);
    // Ends playback and releases the frames.
    void stop();

    // True while the frame after the one on screen is still to be decoded.
    bool needsNextFrame() const;
    void prepareNextFrame();

    const QImage& currentImage() const { return m_shown; }
    // True when the image on screen has no transparent pixel.
    bool currentIsOpaque() const;
    qsizetype currentFrame() const { return m_current; }
    qsizetype frameCount() const;
    bool isPlaying() const { return m_timer->isActive(); }
    const std::shared_ptr<FrameSource>& frames() const { return m_frames; }

private:
    void scheduleNextFrame();
    void advanceFrame();
    qsizetype nextIndex() const { return (m_current + 1) % frameCount(); }

    std::unique_ptr<FrameTimer> m_timer;
    std::function<void(const QRect&)> m_frameChanged;
    std::shared_ptr<FrameSource> m_frames;
    QImage m_shown;
    QImage m_next;
    qsizetype m_current = 0;
    bool m_visible = true;
    bool m_started = false;
};
