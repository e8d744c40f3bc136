// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Sticker.h"

#include "model/AppLanguage.h"

#include <gtest/gtest.h>

TEST(Sticker, DisplayNameFallsBackToTheMediaFileName) {
    Sticker s = Sticker::withMedia(QStringLiteral("/x/Media/ABC.gif"));
    EXPECT_EQ(s.displayName(), QStringLiteral("ABC.gif"));
    // Any name wins, even a blank one.
    s.name = QStringLiteral("  ");
    EXPECT_EQ(s.displayName(), QStringLiteral("  "));
    s.name.clear();
    s.gifPath = QStringLiteral("/x/dir/");
    EXPECT_EQ(s.displayName(), QStringLiteral("dir"));
    s.gifPath.clear();
    EXPECT_EQ(s.displayName(), QString());
}

TEST(StickerEnums, RawValuesRoundTripAndUnknownTextsGiveNoValue) {
    for (const BGStyle style : {BGStyle::none, BGStyle::color, BGStyle::image})
        EXPECT_EQ(bgStyleFromRawValue(rawValue(style)), style);
    for (const StickerLayer layer : {StickerLayer::desktop, StickerLayer::floating})
        EXPECT_EQ(stickerLayerFromRawValue(rawValue(layer)), layer);
    EXPECT_FALSE(bgStyleFromRawValue(u"Color"));
    EXPECT_FALSE(stickerLayerFromRawValue(u""));
    EXPECT_FALSE(appLanguageFromRawValue(u"EN"));
    EXPECT_EQ(appLanguageFromRawValue(u"en"), AppLanguage::en);
}
