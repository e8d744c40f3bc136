// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Sticker.h"

#include <gtest/gtest.h>

// Any name wins, even a blank one; else the media file's name, or its directory's.
TEST(Sticker, DisplayNameFallsBackToTheMediaFileName) {
    const struct {
        const char *name, *gifPath, *shown;
    } cases[] = {{"", "/x/Media/ABC.gif", "ABC.gif"},
                 {"  ", "/x/Media/ABC.gif", "  "},
                 {"", "/x/dir/", "dir"},
                 {"", "", ""}};
    for (const auto& c : cases) {
        Sticker s = Sticker::withMedia(QString::fromUtf8(c.gifPath));
        s.name = QString::fromUtf8(c.name);
        EXPECT_EQ(s.displayName(), QString::fromUtf8(c.shown)) << c.gifPath;
    }
}

TEST(StickerEnums, RawValuesRoundTripAndAreMatchedExactly) {
    for (const BGStyle style : {BGStyle::none, BGStyle::color, BGStyle::image})
        EXPECT_EQ(bgStyleFromRawValue(rawValue(style)), style);
    for (const StickerLayer layer : {StickerLayer::desktop, StickerLayer::floating})
        EXPECT_EQ(stickerLayerFromRawValue(rawValue(layer)), layer);
    EXPECT_FALSE(bgStyleFromRawValue(u"Color"));
}
