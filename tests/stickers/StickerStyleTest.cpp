// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerStyle.h"

#include "stickers/StickerPainter.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <tuple>

namespace {

const QRectF view(0, 0, 160, 160);

Sticker withStyle(BGStyle style, double cornerRadius = 20) {
    Sticker s = Sticker::withMedia(QStringLiteral("/m/a.gif"));
    s.bgStyle = style;
    s.cornerRadius = cornerRadius;
    return s;
}

} // namespace

TEST(StickerStyle, FitsTheMediaWholeAndCentredAndCropsAPictureEvenly) {
    EXPECT_EQ(StickerStyle::fitAspect(view, 2.0), QRectF(0, 40, 160, 80));
    EXPECT_EQ(StickerStyle::fitAspect(view, 0.5), QRectF(40, 0, 80, 160));
    for (const double ratio : {1.0, 0.0, -3.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(StickerStyle::fitAspect(view, ratio), view) << ratio;
    EXPECT_EQ(StickerStyle::fitAspect(QRectF(0, 0, 0, 0), 2.0), QRectF(0, 0, 0, 0));
    // A 1000×0 image reads as 1000:1.
    const QRectF thin = StickerStyle::fitAspect(view, 1000.0);
    EXPECT_DOUBLE_EQ(thin.height(), 0.16);
    EXPECT_DOUBLE_EQ(thin.center().y(), 80);
    // A picture background fills the view, cropped evenly.
    EXPECT_EQ(StickerStyle::fillSourceRect(QSizeF(400, 200), QSizeF(160, 160)),
              QRectF(100, 0, 200, 200));
    EXPECT_EQ(StickerStyle::fillSourceRect(QSizeF(100, 300), QSizeF(160, 160)),
              QRectF(0, 100, 100, 100));
    EXPECT_EQ(StickerStyle::fillSourceRect(QSizeF(0, 0), QSizeF(160, 160)), QRectF(0, 0, 0, 0));
}

TEST(StickerStyle, RoundsTheMediaRelativeToItsShorterSide) {
    const std::tuple<double, double, double> radii[] = {{20, 2.0, 10}, {80, 1.0, 80}, {0, 1.0, 0}};
    for (const auto& [radius, ratio, expected] : radii)
        EXPECT_DOUBLE_EQ(StickerStyle::forSticker(withStyle(BGStyle::none, radius), view, ratio)
                             .mediaCornerRadius,
                         expected);
    // Even an absurd radius draws a sane shape inside the media rectangle.
    const StickerStyle huge = StickerStyle::forSticker(withStyle(BGStyle::color, 1e9), view, 1.0);
    EXPECT_TRUE(view.contains(huge.mediaPath.boundingRect()));
    const StickerStyle negative =
        StickerStyle::forSticker(withStyle(BGStyle::color, -40), view, 1.0);
    EXPECT_TRUE(negative.outline.contains(QPointF(0.5, 0.5)));
}

TEST(StickerStyle, ColourCarriesTheOpacityAndImageItsOwn) {
    Sticker red = withStyle(BGStyle::color);
    red.bgColor = QStringLiteral("#FF0000");
    red.bgOpacity = 0.5;
    const QColor color = StickerStyle::forSticker(red, view, 1.0).backgroundColor;
    EXPECT_EQ(color.rgb(), qRgb(255, 0, 0));
    EXPECT_NEAR(color.alphaF(), 0.5, 0.01);
    red.bgColor = QStringLiteral("no digits");
    red.bgOpacity = 7;
    EXPECT_EQ(StickerStyle::forSticker(red, view, 1.0).backgroundColor, QColor(0, 0, 0, 255));

    Sticker picture = withStyle(BGStyle::image);
    picture.bgOpacity = 0.25;
    EXPECT_DOUBLE_EQ(StickerStyle::forSticker(picture, view, 1.0).backgroundOpacity, 0.25);
}

// The rounded mask cuts each of the media's four corners and nothing else, at any pixel ratio,
// also for media that does not fill the view.
TEST(StickerStyle, ThePainterRoundsEachCornerOfTheMediaAndKeepsItsMiddle) {
    for (const qreal ratio : {1.0, 2.0}) {
        const StickerStyle style = StickerStyle::forSticker(withStyle(BGStyle::none), view, 2.0);
        StickerPainter painter;
        painter.setStyle(style, QImage());
        const QSize pixels = (view.size() * ratio).toSize();
        QImage frame((style.mediaRect.size() * ratio).toSize(),
                     QImage::Format_ARGB32_Premultiplied);
        frame.fill(Qt::red);
        QImage out(pixels, QImage::Format_ARGB32_Premultiplied);
        out.setDevicePixelRatio(ratio);
        out.fill(Qt::blue);
        QPainter p(&out);
        painter.paint(p, view.size().toSize(), ratio, frame);
        p.end();

        const QRect media(QPoint(0, 40 * int(ratio)), QSize(160, 80) * int(ratio));
        for (const QPoint corner :
             {media.topLeft(), media.topRight(), media.bottomLeft(), media.bottomRight()})
            EXPECT_EQ(qAlpha(out.pixel(corner)), 0) << ratio << corner.x() << corner.y();
        EXPECT_EQ(out.pixel(media.center()), qRgb(255, 0, 0));
        // The middle of every edge is whole; outside the media the view is clear.
        for (const QPoint edge :
             {QPoint(media.center().x(), media.top()), QPoint(media.center().x(), media.bottom()),
              QPoint(media.left(), media.center().y()), QPoint(media.right(), media.center().y())})
            EXPECT_EQ(out.pixel(edge), qRgb(255, 0, 0)) << ratio << edge.x() << edge.y();
        EXPECT_EQ(qAlpha(out.pixel(80 * int(ratio), 10 * int(ratio))), 0);
    }
}
