// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/StickerNSView.h"

#include "stickers/NotificationHub.h"
#include "stickers/RecordingWindowingServices.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class StickerNSViewTest : public testing::Test {
protected:
    QString picture(const QString& name, QColor color, QSize size = {40, 20}) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(color);
        EXPECT_TRUE(image.save(m_root.filePath(name)));
        return m_root.filePath(name);
    }

    // A view as its window gives it: 160 points square and, unless told otherwise, shown.
    std::unique_ptr<StickerNSView> makeView(const Sticker& sticker, bool shown = true) {
        auto view = std::make_unique<StickerNSView>(
            sticker, [](double, double) {},
            StickerNSView::Services{&m_cache, &m_hub, &m_windowing, {}});
        if (shown) {
            view->resize(160, 160);
            view->setWindowVisible(true);
        }
        return view;
    }

    Sticker withBackground(const QString& path) {
        Sticker sticker = Sticker::withMedia(picture("m.png", Qt::red));
        sticker.bgStyle = BGStyle::image;
        sticker.bgImagePath = path;
        return sticker;
    }

    static void settle() {
        QTest::qWait(50);
        processPendingEvents();
    }

    QTemporaryDir m_root;
    RecordingWindowingServices m_windowing;
    NotificationHub m_hub;
    MediaCache m_cache;
};

} // namespace

// A visible sticker starts decoding at creation, before its window is mapped.
TEST_F(StickerNSViewTest, AHiddenStickerDecodesOnlyOnceItsWindowShows) {
    Sticker hidden = Sticker::withMedia(picture("a.png", Qt::blue));
    hidden.isHidden = true;
    const auto view = makeView(hidden, false);
    processPendingEvents();
    EXPECT_EQ(m_cache.decodesStarted(), 0);
    for (const bool visible : {true, false, true}) {
        view->setWindowVisible(visible);
        EXPECT_EQ(m_cache.decodesStarted(), 1);
    }
    const auto shown = makeView(Sticker::withMedia(picture("b.png", Qt::red)), false);
    EXPECT_EQ(m_cache.decodesStarted(), 2);
}

// A still picture shows no larger than its source; a missing file leaves only the background.
TEST_F(StickerNSViewTest, ASupersededDecodeIsNeverInstalled) {
    Sticker sticker = Sticker::withMedia(picture("first.png", Qt::red, {400, 100}));
    const auto view = makeView(sticker);
    sticker.gifPath = picture("second.png", Qt::green, {10, 30});
    view->applySticker(sticker);
    const QImage& shown = view->player().currentImage();
    ASSERT_TRUE(waitUntil([&] { return !shown.isNull(); }));
    settle();
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::green));
    EXPECT_EQ(shown.size(), QSize(10, 30));
    EXPECT_DOUBLE_EQ(view->mediaAspectRatio(), 1.0 / 3.0);
    EXPECT_FALSE(view->player().isPlaying());

    sticker.gifPath = m_root.filePath("gone.gif");
    view->applySticker(sticker);
    settle();
    EXPECT_TRUE(shown.isNull());
    EXPECT_FALSE(view->isStopped());
}

// A newer picture wins over one still loading; an unreadable one keeps the last.
TEST_F(StickerNSViewTest, TheBackgroundPictureIsRequestedAgainOnlyWhenItsStyleOrPathChanges) {
    Sticker sticker = withBackground(picture("bg1.png", Qt::blue));
    const auto view = makeView(sticker);
    ASSERT_TRUE(waitUntil([&] { return !view->backgroundImage().isNull(); }));
    const int decodes = m_cache.decodesStarted();
    sticker.size = 170;
    sticker.cornerRadius = 3;
    view->applySticker(sticker);
    EXPECT_EQ(m_cache.decodesStarted(), decodes);
    sticker.bgStyle = BGStyle::color;
    view->applySticker(sticker);
    EXPECT_FALSE(view->loadedBgPath());
    sticker.bgStyle = BGStyle::image;
    view->applySticker(sticker);
    EXPECT_EQ(view->loadedBgPath(), sticker.bgImagePath);

    const QString second = picture("bg2.png", Qt::yellow);
    sticker.bgImagePath = picture("bg3.png", Qt::magenta);
    view->applySticker(sticker);
    sticker.bgImagePath = second;
    view->applySticker(sticker);
    const auto colour = [&] { return view->backgroundImage().pixelColor(0, 0); };
    ASSERT_TRUE(waitUntil([&] { return colour() == QColor(Qt::yellow); }));
    sticker.bgImagePath = m_root.filePath("missing.png");
    view->applySticker(sticker);
    settle();
    EXPECT_EQ(colour(), QColor(Qt::yellow));
    sticker.bgImagePath.clear();
    view->applySticker(sticker);
    EXPECT_TRUE(view->backgroundImage().isNull());
}

// Pictures are decoded for the size shown: growing re-decodes one, shrinking only the media.
TEST_F(StickerNSViewTest, ABackgroundPictureIsDecodedAgainWhenTheStickerGrowsPastIt) {
    const auto view = makeView(withBackground(picture("large.png", Qt::blue, {2000, 1000})));
    view->show(); // resize events come only while shown
    ASSERT_TRUE(waitUntil([&] { return !view->backgroundImage().isNull(); }));
    EXPECT_LT(view->backgroundImage().width(), 2000);
    view->resize(900, 900);
    ASSERT_TRUE(waitUntil([&] { return view->backgroundImage().width() == 2000; }));
    const int decodes = m_cache.decodesStarted();
    view->resize(200, 200);
    ASSERT_TRUE(waitUntil([&] { return m_cache.decodesStarted() > decodes; }));
    processPendingEvents();
    EXPECT_EQ(m_cache.decodesStarted(), decodes + 1);
    EXPECT_EQ(view->backgroundImage().width(), 2000);
}
