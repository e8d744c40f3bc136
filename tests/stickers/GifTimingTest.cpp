// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/GifTiming.h"

#include "support/GifBuilder.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using Delays = std::vector<std::optional<double>>;

namespace {

// Delays between other extensions; a GCE with no image is overridden by a later one and applies
// to the next image only. The larger image spans several data sub-blocks.
const QByteArray sample = GifBuilder()
                              .addExtension(0xFF, QByteArray("NETSCAPE2.0\x03\x01\x00\x00", 15))
                              .addFrame({2, 2}, Qt::red, 0)
                              .addFrame({2, 2}, Qt::red, 1)
                              .addControlExtension(7)
                              .addControlExtension(3)
                              .addFrame({2, 2}, Qt::red)
                              .addExtension(0xFE, QByteArray(600, '\x2C'))
                              .addFrame({30, 30}, Qt::red)
                              .addFrame({2, 2}, Qt::red, 2)
                              .addFrame({2, 2}, Qt::red, 65535)
                              .build();
const Delays sampleDelays{0.0, 0.01, 0.03, std::nullopt, 0.02, 655.35};

} // namespace

// As built, with a 256-entry global colour table, as GIF87a, and cut anywhere: a prefix.
TEST(GifTiming, ReadsTheRawDelayOfEachImageAndSkipsEverythingElse) {
    QByteArray withTable = sample;
    withTable[10] = char(0x87);
    withTable.insert(13, QByteArray(3 * 256, '\x3B'));
    QByteArray old = sample;
    old[4] = '7';
    for (const QByteArray& gif : {sample, withTable, old})
        EXPECT_EQ(GifTiming::readDelays(gif), sampleDelays);
    for (qsizetype length = 0; length < sample.size(); ++length) {
        const Delays part = GifTiming::readDelays(QByteArrayView(sample).first(length));
        ASSERT_LE(part.size(), sampleDelays.size());
        EXPECT_TRUE(std::equal(part.begin(), part.end(), sampleDelays.begin())) << length;
    }
}

TEST(GifTiming, SurvivesGarbageAndRefusesOtherFormats) {
    QRandomGenerator random(7);
    const QByteArray header = GifBuilder().addFrame({1, 1}, Qt::red, 1).build().chopped(1);
    for (int round = 0; round < 200; ++round) {
        QByteArray noise(qsizetype(random.bounded(1, 400)), '\0');
        for (char& byte : noise)
            byte = char(random.bounded(256));
        EXPECT_LE(GifTiming::readDelays(header + noise).size(), 1U + noise.size() / 10);
    }
    for (const char* other : {"\x89PNG\r\n\x1a\n0000000000", "GIF88a0000000", ""})
        EXPECT_TRUE(GifTiming::readDelays(QByteArray(other)).empty()) << other;
}

TEST(GifTiming, HoldsShortDelaysAtTheMinimumAndDefaultsMissingOnes) {
    EXPECT_DOUBLE_EQ(GifTiming::frameDuration(std::nullopt), 0.08);
    const std::pair<double, double> cases[] = {{0.0, 0.02},    {0.01, 0.02}, {0.02, 0.02},
                                               {0.021, 0.021}, {3.5, 3.5},   {655.35, 655.35}};
    for (const auto& [delay, duration] : cases)
        EXPECT_DOUBLE_EQ(GifTiming::frameDuration(delay), duration) << delay;
}
