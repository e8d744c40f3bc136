// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/MediaCache.h"

#include "support/GifBuilder.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace {

using Media = std::shared_ptr<const DecodedMedia>;

class MediaCacheTest : public testing::Test {
protected:
    // A two-frame 100×100 GIF, written on first use, fitted into box.
    DecodeRequest gif(const QString& name, QSize box = {50, 50}) {
        const QString path = m_dir.filePath(name);
        if (!QFileInfo::exists(path))
            writeFile(path, GifBuilder()
                                .addFrame({100, 100}, Qt::red, 5)
                                .addFrame({100, 100}, Qt::blue, 5)
                                .build());
        return {path, true, box, {}, nullptr, FrameStore::Coding::compressed};
    }

    static Media fetch(MediaCache& cache, const DecodeRequest& request) {
        Media media;
        const auto ticket = cache.request(request, {}, [&](Media m) { media = std::move(m); });
        EXPECT_TRUE(waitUntil([&] { return media != nullptr; }));
        return media;
    }

    QTemporaryDir m_dir;
    MediaCache m_cache;
};

} // namespace

TEST_F(MediaCacheTest, StickersShareOneDecodeAndOneSetWithinOneBudget) {
    Media first, second;
    int firstFrames = 0;
    const auto a = m_cache.request(
        gif("a.gif"), [&](const QImage&, double) { ++firstFrames; },
        [&](Media media) { first = std::move(media); });
    const auto b = m_cache.request(gif("a.gif"), {}, [&](Media media) { second = media; });
    ASSERT_TRUE(waitUntil([&] { return first && second; }));
    EXPECT_EQ(first, second);
    EXPECT_EQ(firstFrames, 1);
    // While someone holds the set, a later request gets it without decoding again.
    EXPECT_EQ(fetch(m_cache, gif("a.gif")), first);
    EXPECT_EQ(m_cache.decodesStarted(), 1);
    // Another size is another set; the budget counts each set once and gets every byte back.
    Media larger = fetch(m_cache, gif("a.gif", {80, 80}));
    EXPECT_EQ(m_cache.decodesStarted(), 2);
    EXPECT_EQ(m_cache.budget().used(), first->byteCount() + larger->byteCount());

    MediaCache tight(std::make_shared<FrameBudget>(first->byteCount()),
                     FrameStore::Coding::compressed);
    const Media fits = fetch(tight, gif("a.gif"));
    const Media past = fetch(tight, gif("b.gif", {60, 60}));
    EXPECT_EQ(fits->frames.size(), 2);
    EXPECT_EQ(past->frames.size(), 1);
    EXPECT_TRUE(past->truncated);
    first.reset();
    second.reset();
    larger.reset();
    EXPECT_EQ(m_cache.budget().used(), 0);
}

TEST_F(MediaCacheTest, ADroppedTicketHearsNothingAndAnUnreadableFileGivesAnEmptySet) {
    bool dropped = false;
    std::ignore = m_cache.request(
        gif("b.gif"), [&](const QImage&, double) { dropped = true; },
        [&](Media) { dropped = true; });
    DecodeRequest missing = gif("b.gif");
    missing.path = m_dir.filePath("missing.gif");
    std::optional<Media> unreadable;
    const auto ticket = m_cache.request(missing, {}, [&](Media media) { unreadable = media; });
    ASSERT_TRUE(waitUntil([&] { return unreadable.has_value(); }));
    QTest::qWait(50);
    processPendingEvents();
    EXPECT_FALSE(dropped);
    EXPECT_TRUE(!*unreadable || (*unreadable)->isEmpty());
}
