// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ScreenCoordinates.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

using namespace ScreenCoordinates;

namespace {

const QRect fullHd(0, 0, 1920, 1080);

} // namespace

TEST(ScreenCoordinatesToQt, FlipsTheVerticalAxisAtTheBottomOfThePrimaryScreen) {
    EXPECT_EQ(toQt(200, 300, 160, fullHd), QRectF(200, 620, 160, 160));
    EXPECT_EQ(toQt(0, 0, 100, fullHd), QRectF(0, 980, 100, 100));
    EXPECT_EQ(toQt(0, 1080, 100, fullHd), QRectF(0, -100, 100, 100));
}

TEST(ScreenCoordinatesToQt, FollowsAPrimaryScreenAwayFromTheOrigin) {
    const QRect offset(1280, 200, 1920, 1080);
    EXPECT_EQ(toQt(0, 0, 100, offset), QRectF(1280, 1180, 100, 100));
    EXPECT_EQ(toQt(200, 300, 160, offset), QRectF(1480, 820, 160, 160));
}

TEST(ScreenCoordinatesToQt, ReachesScreensLeftOfAndAboveThePrimaryOne) {
    EXPECT_EQ(toQt(-500, -50, 100, fullHd), QRectF(-500, 1030, 100, 100));
    EXPECT_EQ(toQt(10, 1100, 50, fullHd), QRectF(10, -70, 50, 50));
}

TEST(ScreenCoordinatesFromQt, TakesTheBottomEdgeOfTheGeometry) {
    EXPECT_EQ(fromQt(QRectF(200, 620, 160, 160), fullHd), QPointF(200, 300));
    // Only the height counts, so a window that is not square still lands on its bottom-left.
    EXPECT_EQ(fromQt(QRectF(100, 100, 300, 200), fullHd), QPointF(100, 780));
    EXPECT_EQ(fromQt(QRectF(1480, 820, 160, 160), QRect(1280, 200, 1920, 1080)), QPointF(200, 300));
}

TEST(ScreenCoordinatesFromQt, GivesNegativeCoordinatesBelowAndLeftOfThePrimaryScreen) {
    EXPECT_EQ(fromQt(QRectF(-300, 1200, 80, 80), fullHd), QPointF(-300, -200));
    EXPECT_EQ(fromQt(QRectF(-1920, -1080, 1920, 1080), fullHd), QPointF(-1920, 1080));
}

TEST(ScreenCoordinatesRoundTrip, FromQtUndoesToQtOnAnyPrimaryScreen) {
    const QList<QRect> screens = {fullHd, QRect(1280, 200, 1920, 1080),
                                  QRect(-1440, -900, 1440, 900), QRect(0, 0, 1, 1)};
    const QList<QPointF> origins = {{0, 0}, {200.5, 300.25}, {-750, -33.75}, {5000, 4000}};
    for (const QRect& screen : screens) {
        for (const QPointF& origin : origins) {
            for (const double size : {1.0, 64.0, 333.5}) {
                const QRectF qt = toQt(origin.x(), origin.y(), size, screen);
                EXPECT_EQ(qt.size(), QSizeF(size, size));
                EXPECT_EQ(fromQt(qt, screen), origin)
                    << "screen " << screen.x() << "," << screen.y() << " size " << size;
            }
        }
    }
}

TEST(ScreenCoordinatesScreens, MainScreenFrameIsThePrimaryScreenAtTheStickerOrigin) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(primaryScreenGeometry(), primary->geometry());
    const std::optional<QRectF> frame = mainScreenFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(*frame, QRectF(QPointF(0, 0), QSizeF(primary->geometry().size())));
}
