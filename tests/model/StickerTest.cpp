// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Sticker.h"

#include "model/AppLanguage.h"

#include <gtest/gtest.h>

TEST(Sticker, NewStickerCarriesTheDefaultsAndAFreshId) {
    const Sticker a = Sticker::withMedia(QStringLiteral("/m/a.gif"));
    const Sticker b = Sticker::withMedia(QStringLiteral("/m/a.gif"));
    EXPECT_FALSE(a.id.isNull());
    EXPECT_NE(a.id, b.id);
    EXPECT_EQ(a.x, 200);
    EXPECT_EQ(a.y, 300);
    EXPECT_EQ(a.size, 160);
    EXPECT_EQ(a.bgColor, QStringLiteral("#FFFFFF"));
    EXPECT_EQ(a.cornerRadius, 20);
    EXPECT_EQ(a.bgOpacity, 0.8);
    EXPECT_EQ(a.bgStyle, BGStyle::none);
    EXPECT_EQ(a.layer, StickerLayer::floating);
    EXPECT_FALSE(a.isHidden);
    EXPECT_FALSE(a.isLocked);
    EXPECT_EQ(a.zIndex, 0);
    EXPECT_EQ(a.idText(), a.idText().toUpper());
    EXPECT_EQ(a.idText().size(), 36);
}

TEST(Sticker, DisplayNameFallsBackToTheMediaFileName) {
    Sticker s = Sticker::withMedia(QStringLiteral("/x/Media/ABC.gif"));
    EXPECT_EQ(s.displayName(), QStringLiteral("ABC.gif"));
    s.name = QStringLiteral("cat");
    EXPECT_EQ(s.displayName(), QStringLiteral("cat"));
    s.name = QStringLiteral("  ");
    EXPECT_EQ(s.displayName(), QStringLiteral("  "));
    s.name.clear();
    s.gifPath = QStringLiteral("/x/dir/");
    EXPECT_EQ(s.displayName(), QStringLiteral("dir"));
    s.gifPath.clear();
    EXPECT_EQ(s.displayName(), QString());
}

TEST(Sticker, EqualityComparesEveryField) {
    const Sticker a = Sticker::withMedia(QStringLiteral("/a.gif"));
    Sticker b = a;
    EXPECT_EQ(a, b);
    b.zIndex = 1;
    EXPECT_NE(a, b);
    b = a;
    b.bgOpacity = 0.5;
    EXPECT_NE(a, b);
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
