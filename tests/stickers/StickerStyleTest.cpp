// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerStyle.h"

#include "stickers/StickerPainter.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <tuple>

namespace {

const QRectF view(0, 0, 160, 160);

StickerStyle styleOf(BGStyle style, double cornerRadius, double ratio = 1.0,
                     const QString& colour = {}, double opacity = 1) {
    Sticker s = Sticker::withMedia(QStringLiteral("/m/a.gif"));
    s.bgStyle = style;
    s.cornerRadius = cornerRadius;
    s.bgColor = colour;
    s.bgOpacity = opacity;
    return StickerStyle::forSticker(s, view, ratio);
}

} // namespace

TEST(StickerStyle, FitsTheMediaWholeAndCentredAndCropsAPictureEvenly) {
    EXPECT_EQ(StickerStyle::fitAspect(view, 2.0), QRectF(0, 40, 160, 80));
    EXPECT_EQ(StickerStyle::fitAspect(view, 0.5), QRectF(40, 0, 80, 160));
    for (const double ratio : {1.0, 0.0, -3.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(StickerStyle::fitAspect(view, ratio), view) << ratio;
    EXPECT_EQ(StickerStyle::fitAspect(QRectF(), 2.0), QRectF());
    const QRectF thin = StickerStyle::fitAspect(view, 1000.0);
    EXPECT_DOUBLE_EQ(thin.height(), 0.16);
    EXPECT_DOUBLE_EQ(thin.center().y(), 80);
    const std::pair<QSizeF, QRectF> crops[] = {
        {{400, 200}, {100, 0, 200, 200}}, {{100, 300}, {0, 100, 100, 100}}, {{0, 0}, {}}};
    for (const auto& [picture, source] : crops)
        EXPECT_EQ(StickerStyle::fillSourceRect(picture, view.size()), source);
}

// A broken colour and opacity fall back to opaque black.
TEST(StickerStyle, RoundsTheMediaByItsShorterSideAndColoursTheBackground) {
    const std::tuple<double, double, double> radii[] = {{20, 2.0, 10}, {80, 1.0, 80}, {0, 1.0, 0}};
    for (const auto& [radius, ratio, expected] : radii)
        EXPECT_DOUBLE_EQ(styleOf(BGStyle::none, radius, ratio).mediaCornerRadius, expected);
    EXPECT_TRUE(view.contains(styleOf(BGStyle::color, 1e9).mediaPath.boundingRect()));
    EXPECT_TRUE(styleOf(BGStyle::color, -40).outline.contains(QPointF(0.5, 0.5)));
    const QColor red = styleOf(BGStyle::color, 20, 1.0, "#FF0000", 0.5).backgroundColor;
    EXPECT_EQ(red.rgb(), qRgb(255, 0, 0));
    EXPECT_NEAR(red.alphaF(), 0.5, 0.01);
    EXPECT_EQ(styleOf(BGStyle::color, 20, 1.0, "no digits", 7).backgroundColor, QColor(Qt::black));
}

// At any pixel ratio, also for media that does not fill the view. A frame of the size before a
// resize is stretched over the media, translucent pixels replacing what was there.
TEST(StickerStyle, ThePainterRoundsEachCornerOfTheMediaAndKeepsItsMiddle) {
    const std::tuple<int, int, QColor, bool> cases[] = {{1, 1, Qt::red, false},
                                                        {2, 1, Qt::red, false},
                                                        {1, 2, QColor(255, 0, 0, 128), true},
                                                        {1, 2, QColor(255, 0, 0, 128), false}};
    for (const auto& [ratio, shrink, colour, resizing] : cases) {
        const StickerStyle style = styleOf(BGStyle::none, 20, 2.0);
        StickerPainter painter;
        painter.setStyle(style, QImage());
        QImage frame((style.mediaRect.size() * ratio / shrink).toSize(),
                     QImage::Format_ARGB32_Premultiplied);
        frame.fill(colour);
        QImage out((view.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        out.setDevicePixelRatio(ratio);
        out.fill(Qt::blue);
        QPainter p(&out);
        painter.paint(p, view.size().toSize(), ratio, frame, false, resizing);
        p.end();

        const QRect media(QPoint(0, 40 * ratio), QSize(160, 80) * ratio);
        const QPoint middle = media.center();
        for (const QPoint corner :
             {media.topLeft(), media.topRight(), media.bottomLeft(), media.bottomRight()})
            EXPECT_EQ(qAlpha(out.pixel(corner)), 0) << ratio << corner.x() << corner.y();
        for (const QPoint inside :
             {middle, QPoint(middle.x(), media.top()), QPoint(middle.x(), media.bottom()),
              QPoint(media.left(), middle.y()), QPoint(media.right(), middle.y())})
            EXPECT_EQ(out.pixelColor(inside), colour) << ratio << inside.x() << inside.y();
        EXPECT_EQ(qAlpha(out.pixel(80 * ratio, 10 * ratio)), 0);
    }
}
