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
        const QString path = m_root.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    std::unique_ptr<StickerNSView> makeView(const Sticker& sticker) {
        auto view = std::make_unique<StickerNSView>(
            sticker, [](double, double) {},
            StickerNSView::Services{&m_cache, &m_hub, &m_windowing, {}});
        view->resize(160, 160);
        view->setWindowVisible(true);
        return view;
    }

    QTemporaryDir m_root;
    RecordingWindowingServices m_windowing;
    NotificationHub m_hub;
    MediaCache m_cache;
};

} // namespace

TEST_F(StickerNSViewTest, AStillPictureShowsFittedAndSchedulesNothing) {
    const auto view = makeView(Sticker::withMedia(picture(QStringLiteral("wide.png"), Qt::red)));
    ASSERT_TRUE(waitUntil([&] { return !view->player().currentImage().isNull(); }));
    EXPECT_DOUBLE_EQ(view->mediaAspectRatio(), 2.0);
    EXPECT_EQ(view->style().mediaRect, QRectF(0, 40, 160, 80));
    EXPECT_FALSE(view->player().isPlaying());
    // Frames are kept no larger than the source.
    EXPECT_EQ(view->player().currentImage().size(), QSize(40, 20));
}

TEST_F(StickerNSViewTest, AHiddenStickerDecodesOnlyOnceItsWindowShows) {
    Sticker hidden = Sticker::withMedia(picture(QStringLiteral("a.png"), Qt::blue));
    hidden.isHidden = true;
    auto view = std::make_unique<StickerNSView>(
        hidden, [](double, double) {}, StickerNSView::Services{&m_cache, &m_hub, &m_windowing, {}});
    processPendingEvents();
    EXPECT_EQ(m_cache.decodesStarted(), 0);
    view->setWindowVisible(true);
    EXPECT_EQ(m_cache.decodesStarted(), 1);
    view->setWindowVisible(false);
    view->setWindowVisible(true);
    EXPECT_EQ(m_cache.decodesStarted(), 1);

    // A visible one starts at creation, before its window is even mapped.
    const auto shown = std::make_unique<StickerNSView>(
        Sticker::withMedia(picture(QStringLiteral("b.png"), Qt::red)), [](double, double) {},
        StickerNSView::Services{&m_cache, &m_hub, &m_windowing, {}});
    EXPECT_EQ(m_cache.decodesStarted(), 2);
}

TEST_F(StickerNSViewTest, ASupersededDecodeIsNeverInstalled) {
    Sticker sticker = Sticker::withMedia(picture(QStringLiteral("first.png"), Qt::red, {400, 100}));
    const auto view = makeView(sticker);
    sticker.gifPath = picture(QStringLiteral("second.png"), Qt::green, {10, 30});
    view->applySticker(sticker);
    ASSERT_TRUE(waitUntil([&] { return !view->player().currentImage().isNull(); }));
    processPendingEvents();
    QTest::qWait(50);
    EXPECT_EQ(view->player().currentImage().pixelColor(0, 0), QColor(Qt::green));
    EXPECT_DOUBLE_EQ(view->mediaAspectRatio(), 1.0 / 3.0);
}

TEST_F(StickerNSViewTest, ChangingToAMissingFileLeavesOnlyTheBackground) {
    Sticker sticker = Sticker::withMedia(picture(QStringLiteral("a.png"), Qt::red));
    const auto view = makeView(sticker);
    ASSERT_TRUE(waitUntil([&] { return !view->player().currentImage().isNull(); }));
    sticker.gifPath = m_root.filePath(QStringLiteral("gone.gif"));
    view->applySticker(sticker);
    EXPECT_TRUE(view->player().currentImage().isNull());
    QTest::qWait(50);
    processPendingEvents();
    EXPECT_TRUE(view->player().currentImage().isNull());
    EXPECT_FALSE(view->isStopped());
}

TEST_F(StickerNSViewTest, TheBackgroundPictureIsRequestedAgainOnlyWhenItsStyleOrPathChanges) {
    Sticker sticker = Sticker::withMedia(picture(QStringLiteral("m.png"), Qt::red));
    sticker.bgStyle = BGStyle::image;
    sticker.bgImagePath = picture(QStringLiteral("bg1.png"), Qt::blue);
    const auto view = makeView(sticker);
    EXPECT_EQ(view->loadedBgPath(), sticker.bgImagePath);
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

    // A newer picture wins over one still loading; an unreadable one keeps the last.
    const QString second = picture(QStringLiteral("bg2.png"), Qt::yellow);
    sticker.bgImagePath = picture(QStringLiteral("bg3.png"), Qt::magenta);
    view->applySticker(sticker);
    sticker.bgImagePath = second;
    view->applySticker(sticker);
    ASSERT_TRUE(
        waitUntil([&] { return view->backgroundImage().pixelColor(0, 0) == QColor(Qt::yellow); }));
    QTest::qWait(50);
    processPendingEvents();
    EXPECT_EQ(view->backgroundImage().pixelColor(0, 0), QColor(Qt::yellow));
    sticker.bgImagePath = m_root.filePath(QStringLiteral("missing.png"));
    view->applySticker(sticker);
    QTest::qWait(50);
    processPendingEvents();
    EXPECT_EQ(view->backgroundImage().pixelColor(0, 0), QColor(Qt::yellow));

    sticker.bgImagePath.clear();
    view->applySticker(sticker);
    EXPECT_TRUE(view->backgroundImage().isNull());
}
