// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/MediaCache.h"

#include "support/GifBuilder.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class MediaCacheTest : public testing::Test {
protected:
    DecodeRequest gifRequest(const QString& name, QSize box = {50, 50}) {
        DecodeRequest request;
        request.path = m_dir.filePath(name);
        if (!QFileInfo::exists(request.path))
            writeFile(request.path, GifBuilder()
                                        .addFrame({100, 100}, Qt::red, 5)
                                        .addFrame({100, 100}, Qt::blue, 5)
                                        .build());
        request.animated = true;
        request.targetBox = box;
        return request;
    }

    QTemporaryDir m_dir;
    MediaCache m_cache;
};

} // namespace

TEST_F(MediaCacheTest, StickersOfOneFileShareOneDecodeAndOneSet) {
    std::shared_ptr<const DecodedMedia> first;
    std::shared_ptr<const DecodedMedia> second;
    int firstFrames = 0;
    const auto a = m_cache.request(
        gifRequest(QStringLiteral("a.gif")), [&](const QImage&, double) { ++firstFrames; },
        [&](auto media) { first = std::move(media); });
    const auto b = m_cache.request(gifRequest(QStringLiteral("a.gif")), {},
                                   [&](auto media) { second = std::move(media); });
    ASSERT_TRUE(waitUntil([&] { return first && second; }));
    EXPECT_EQ(first, second);
    EXPECT_EQ(m_cache.decodesStarted(), 1);
    EXPECT_EQ(firstFrames, 1);
    EXPECT_EQ(first->frames.size(), 2);
    EXPECT_EQ(first->frames.first().size(), QSize(50, 50));

    // While someone holds the set, a later request gets it without decoding again.
    std::shared_ptr<const DecodedMedia> third;
    const auto c = m_cache.request(gifRequest(QStringLiteral("a.gif")), {},
                                   [&](auto media) { third = std::move(media); });
    ASSERT_TRUE(waitUntil([&] { return third != nullptr; }));
    EXPECT_EQ(third, first);
    EXPECT_EQ(m_cache.decodesStarted(), 1);

    // Another size is another set.
    std::shared_ptr<const DecodedMedia> larger;
    const auto d = m_cache.request(gifRequest(QStringLiteral("a.gif"), {80, 80}), {},
                                   [&](auto media) { larger = std::move(media); });
    ASSERT_TRUE(waitUntil([&] { return larger != nullptr; }));
    EXPECT_EQ(larger->frames.first().size(), QSize(80, 80));
    EXPECT_EQ(m_cache.decodesStarted(), 2);
}

TEST_F(MediaCacheTest, ADroppedTicketHearsNothingAndUnreadableFilesGiveAnEmptySet) {
    bool dropped = false;
    auto ticket = m_cache.request(
        gifRequest(QStringLiteral("b.gif")), [&](const QImage&, double) { dropped = true; },
        [&](auto) { dropped = true; });
    ticket.reset();
    std::shared_ptr<const DecodedMedia> unreadable;
    bool arrived = false;
    DecodeRequest missing = gifRequest(QStringLiteral("c.gif"));
    missing.path = m_dir.filePath(QStringLiteral("missing.gif"));
    const auto other = m_cache.request(missing, {}, [&](auto media) {
        unreadable = std::move(media);
        arrived = true;
    });
    ASSERT_TRUE(waitUntil([&] { return arrived; }));
    QTest::qWait(50);
    processPendingEvents();
    EXPECT_FALSE(dropped);
    EXPECT_TRUE(!unreadable || unreadable->isEmpty());
}

// Sets count once however many stickers show them, all against one budget, which gets every
// byte back when they go; past the budget a new set keeps its first frame and shows still.
TEST_F(MediaCacheTest, OneBudgetCountsEachSetOnceAndCutsWhatComesPastIt) {
    std::shared_ptr<const DecodedMedia> a;
    std::shared_ptr<const DecodedMedia> again;
    std::shared_ptr<const DecodedMedia> b;
    auto first = m_cache.request(gifRequest(QStringLiteral("a.gif")), {},
                                 [&](auto media) { a = std::move(media); });
    auto second = m_cache.request(gifRequest(QStringLiteral("a.gif")), {},
                                  [&](auto media) { again = std::move(media); });
    auto third = m_cache.request(gifRequest(QStringLiteral("b.gif"), {60, 60}), {},
                                 [&](auto media) { b = std::move(media); });
    ASSERT_TRUE(waitUntil([&] { return a && again && b; }));
    EXPECT_EQ(m_cache.budget().used(), a->byteCount() + b->byteCount());
    const qint64 oneSet = a->byteCount();
    a.reset();
    again.reset();
    b.reset();
    EXPECT_EQ(m_cache.budget().used(), 0);

    MediaCache tight(std::make_shared<FrameBudget>(oneSet), FrameStore::Coding::compressed);
    std::shared_ptr<const DecodedMedia> fits;
    std::shared_ptr<const DecodedMedia> past;
    first = tight.request(gifRequest(QStringLiteral("a.gif")), {},
                          [&](auto media) { fits = std::move(media); });
    ASSERT_TRUE(waitUntil([&] { return fits != nullptr; }));
    second = tight.request(gifRequest(QStringLiteral("b.gif"), {60, 60}), {},
                           [&](auto media) { past = std::move(media); });
    ASSERT_TRUE(waitUntil([&] { return past != nullptr; }));
    EXPECT_EQ(fits->frames.size(), 2);
    EXPECT_EQ(past->frames.size(), 1);
    EXPECT_TRUE(past->truncated);
}
