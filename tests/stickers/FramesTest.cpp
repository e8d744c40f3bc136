// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/FakeFrameTimer.h"
#include "stickers/FramePlayer.h"
#include "stickers/FrameSource.h"

#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <limits>

namespace {

using Coding = FrameStore::Coding;

// One frame of each kind the store codes differently: soft transparency, a small change, none,
// a change over most of the frame, noise LZ4 cannot shrink, one pixel changed in the noise, and
// grain over gradients as in footage, opaque and soft, which only the dense coding shrinks.
QList<QImage> sampleFrames() {
    QImage first(24, 16, QImage::Format_ARGB32_Premultiplied);
    QImage noise(first.size(), first.format());
    QImage grain(first.size(), first.format());
    QImage softGrain(first.size(), first.format());
    QRandomGenerator random(7);
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x) {
            first.setPixelColor(x, y, QColor(x * 10, y * 15, 90, 60 + x * 8));
            noise.setPixel(x, y, random.generate() | 0xFF000000U);
            const int speck = random.bounded(3);
            grain.setPixel(x, y, qRgb(x * 9 + speck, y * 14 + speck, 200 - x * 5 + speck));
            softGrain.setPixel(x, y, qPremultiply(qRgba(x * 9 + speck, 100, y * 14, 40 + y * 12)));
        }
    QImage small = first.copy();
    QPainter(&small).fillRect(5, 3, 3, 2, Qt::red);
    QImage most = small.copy();
    QPainter(&most).fillRect(1, 1, 22, 14, QColor(20, 200, 60));
    QImage dot = noise.copy();
    dot.setPixel(11, 9, qRgb(1, 2, 3));
    return {first, small, small, most, noise, dot, grain, softGrain};
}

std::shared_ptr<DecodedMedia> stored(const QList<QImage>& frames, Coding coding,
                                     qint64 budget = std::numeric_limits<qint64>::max()) {
    auto media = std::make_shared<DecodedMedia>();
    media->frames = FrameStore(coding);
    media->frames.keepKeysDense();
    qint64 used = 0;
    for (const QImage& frame : frames)
        media->frames.append(frame, [&](qint64 bytes) { return (used += bytes) <= budget; });
    media->frames.finish();
    return media;
}

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

// Exact frames for one player, for two out of step that hold their frames, from a key alone, and
// looped after a budget cut.
TEST(FrameStore, GivesBackEveryFrameExactlyHoweverItIsReached) {
    const QList<QImage> frames = sampleFrames();
    const qsizetype n = frames.size();
    for (const auto coding : {Coding::compressed, Coding::raw}) {
        const auto media = stored(frames, coding);
        ASSERT_EQ(media->frames.size(), n);
        for (qsizetype i = 0; i < n; ++i)
            EXPECT_EQ(media->frames.frame(i), frames[i]) << i;
        EXPECT_FALSE(media->frames.isOpaque(0));
        EXPECT_TRUE(media->frames.isOpaque(4));
        for (const qsizetype lag : {0, 3}) {
            FrameSource source(media);
            QImage first, second;
            for (qsizetype step = 0; step < 3 * n; ++step) {
                first = source.frame(step % n);
                EXPECT_EQ(first, frames[step % n]) << lag << " " << step;
                if (lag > 0) {
                    second = source.frame((step + lag) % n);
                    EXPECT_EQ(second, frames[(step + lag) % n]) << step;
                }
            }
        }
        EXPECT_EQ(FrameSource(media).frame(n - 1), frames[n - 1]);
    }
    const auto compressed = stored(frames, Coding::compressed);
    EXPECT_EQ(compressed->frames.changedRect(1), QRect(5, 3, 3, 2));
    EXPECT_TRUE(compressed->frames.changedRect(2).isEmpty());
    EXPECT_LT(compressed->frames.byteCount(), stored(frames, Coding::raw)->frames.byteCount());
    EXPECT_LT(compressed->frames.byteCount() -
                  stored(frames.first(6), Coding::compressed)->frames.byteCount(),
              frames[6].sizeInBytes());

    // After a budget cut the change back to frame 0 is taken from the last frame kept.
    const auto cut = stored(frames, Coding::compressed,
                            stored(frames.first(4), Coding::compressed)->frames.byteCount());
    ASSERT_EQ(cut->frames.size(), 4);
    EXPECT_EQ(cut->frames.changedRect(0), QRect(1, 1, 22, 14));
    FrameSource source(cut);
    QImage shown;
    for (qsizetype step = 0; step < 12; ++step) {
        shown = source.frame(step % 4);
        EXPECT_EQ(shown, frames[step % 4]) << step;
    }
}

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
