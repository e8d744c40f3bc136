// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/FramePlayer.h"

#include "stickers/FakeFrameTimer.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<const DecodedMedia> framesWithDurations(const QList<double>& durations) {
    auto media = std::make_shared<DecodedMedia>();
    for (qsizetype i = 0; i < durations.size(); ++i) {
        QImage frame(2, 2, QImage::Format_ARGB32_Premultiplied);
        frame.fill(QColor::fromHsv(static_cast<int>(i * 40 % 360), 255, 255));
        media->frames.append(frame);
    }
    media->durations = durations;
    return media;
}

class FramePlayerTest : public testing::Test {
protected:
    std::shared_ptr<FakeFrameTimer::Log> m_log = std::make_shared<FakeFrameTimer::Log>();
    int m_changes = 0;
    FramePlayer m_player{std::make_unique<FakeFrameTimer>(m_log), [this] { ++m_changes; }};
};

} // namespace

TEST_F(FramePlayerTest, EachFrameStaysUpForItsOwnDurationAndARescaleKeepsThePlace) {
    m_player.install(framesWithDurations({0.1, 0.2, 0.3}), false);
    EXPECT_EQ(m_player.currentFrame(), 0);
    EXPECT_TRUE(m_log->started.isEmpty());
    m_player.start();
    QList<qsizetype> shown;
    for (int i = 0; i < 4; ++i) {
        FakeFrameTimer::fire(*m_log);
        shown.append(m_player.currentFrame());
    }
    EXPECT_EQ(m_log->started, (QList<double>{0.1, 0.2, 0.3, 0.1, 0.2}));
    EXPECT_EQ(shown, (QList<qsizetype>{1, 2, 0, 1}));

    // A re-scaled set carries on where the old one was; a new file starts over, unstarted.
    m_player.install(framesWithDurations({0.1, 0.2, 0.3}), true);
    EXPECT_EQ(m_player.currentFrame(), 1);
    EXPECT_TRUE(m_player.isPlaying());
    m_player.install(framesWithDurations({0.7, 0.8}), false);
    EXPECT_EQ(m_player.currentFrame(), 0);
    EXPECT_FALSE(m_player.isPlaying());
}

TEST_F(FramePlayerTest, PausesWhileHiddenAndResumesAtTheSameFrame) {
    m_player.install(framesWithDurations({0.1, 0.2, 0.3}), false);
    m_player.start();
    FakeFrameTimer::fire(*m_log);
    m_player.setVisible(false);
    EXPECT_FALSE(m_player.isPlaying());
    FakeFrameTimer::fire(*m_log);
    EXPECT_EQ(m_player.currentFrame(), 1);
    m_player.setVisible(true);
    EXPECT_TRUE(m_player.isPlaying());
    EXPECT_EQ(m_log->started.last(), 0.2);
    // Installing while hidden waits for the window to show.
    m_player.setVisible(false);
    m_player.install(framesWithDurations({0.4, 0.5}), false);
    m_player.start();
    EXPECT_FALSE(m_player.isPlaying());
    m_player.setVisible(true);
    EXPECT_EQ(m_log->started.last(), 0.4);
}

TEST_F(FramePlayerTest, StopReleasesEverythingAndLateShotsDoNothing) {
    m_player.install(framesWithDurations({0.1, 0.2}), false);
    m_player.start();
    auto late = m_log->pending;
    m_player.stop();
    m_player.stop();
    EXPECT_FALSE(m_player.isPlaying());
    EXPECT_EQ(m_player.frameCount(), 0);
    EXPECT_TRUE(m_player.currentImage().isNull());
    const int changes = m_changes;
    late();
    EXPECT_EQ(m_changes, changes);
}
