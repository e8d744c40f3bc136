// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/FramePlayer.h"

#include "stickers/FakeFrameTimer.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

QColor colourOf(qsizetype frame) {
    return QColor::fromHsv(static_cast<int>(frame * 40 % 360), 255, 255);
}

// Frame i is filled with colourOf(i), but frame 1 changes only the top-left quarter of frame 0.
std::shared_ptr<FrameSource> framesWithDurations(const QList<double>& durations) {
    auto media = std::make_shared<DecodedMedia>();
    for (qsizetype i = 0; i < durations.size(); ++i) {
        QImage frame(4, 4, QImage::Format_ARGB32_Premultiplied);
        frame.fill(colourOf(i == 1 ? 0 : i));
        QPainter(&frame).fillRect(0, 0, 2, 2, colourOf(i));
        media->frames.append(frame, [](qint64) { return true; });
    }
    media->frames.finish();
    media->durations = durations;
    return std::make_shared<FrameSource>(media);
}

class FramePlayerTest : public testing::Test {
protected:
    std::shared_ptr<FakeFrameTimer::Log> m_log = std::make_shared<FakeFrameTimer::Log>();
    QList<QRect> m_changed;
    FramePlayer m_player{std::make_unique<FakeFrameTimer>(m_log),
                         [this](const QRect& changed) { m_changed.append(changed); }};
};

} // namespace

TEST_F(FramePlayerTest, PlaysEachFrameForItsDurationPausesWhileHiddenAndKeepsItsPlace) {
    m_player.install(framesWithDurations({0.1, 0.2, 0.3}), false);
    m_player.start();
    QList<qsizetype> shown;
    for (int i = 0; i < 4; ++i) {
        FakeFrameTimer::fire(*m_log);
        shown.append(m_player.currentFrame());
    }
    EXPECT_EQ(shown, (QList<qsizetype>{1, 2, 0, 1}));
    // Each shot reports only what changed.
    EXPECT_EQ(m_changed.mid(1),
              (QList<QRect>{{0, 0, 2, 2}, {0, 0, 4, 4}, {0, 0, 4, 4}, {0, 0, 2, 2}}));
    // Shown again, the frame on screen stays up for its whole duration.
    m_player.setVisible(false);
    EXPECT_FALSE(m_player.isPlaying());
    m_player.setVisible(true);
    EXPECT_EQ(m_log->started, (QList<double>{0.1, 0.2, 0.3, 0.1, 0.2, 0.2}));

    // A re-scaled set carries on where it was; a new file starts over and waits to be shown.
    m_player.install(framesWithDurations({0.1, 0.2, 0.3}), true);
    EXPECT_EQ(m_player.currentFrame(), 1);
    EXPECT_TRUE(m_player.isPlaying());
    m_player.install(framesWithDurations({0.4, 0.5}), false);
    EXPECT_EQ(m_player.currentFrame(), 0);
    EXPECT_FALSE(m_player.isPlaying());
    m_player.setVisible(false);
    m_player.start();
    EXPECT_FALSE(m_player.isPlaying());
    m_player.setVisible(true);
    EXPECT_EQ(m_log->started.last(), 0.4);

    const auto late = m_log->pending;
    m_player.stop();
    m_player.stop();
    EXPECT_EQ(m_player.frameCount(), 0);
    EXPECT_TRUE(m_player.currentImage().isNull());
    const qsizetype changes = m_changed.size();
    late();
    EXPECT_EQ(m_changed.size(), changes);
}

// Decoded ahead (after a paint) or only when its shot fires, each frame is exact, loop after loop.
TEST_F(FramePlayerTest, EveryShotShowsItsOwnFrameWhetherDecodedAheadOrNot) {
    for (const bool ahead : {true, false}) {
        m_player.install(framesWithDurations({0.1, 0.1, 0.1, 0.1}), false);
        m_player.start();
        for (int shot = 1; shot <= 9; ++shot) {
            if (ahead) {
                EXPECT_TRUE(m_player.needsNextFrame());
                m_player.prepareNextFrame();
            }
            FakeFrameTimer::fire(*m_log);
            const qsizetype index = shot % 4;
            ASSERT_EQ(m_player.currentFrame(), index);
            EXPECT_EQ(m_player.currentImage().pixel(0, 0), colourOf(index).rgba()) << shot;
            EXPECT_EQ(m_player.currentImage().pixel(3, 3), colourOf(index == 1 ? 0 : index).rgba())
                << ahead << shot;
        }
    }
}
