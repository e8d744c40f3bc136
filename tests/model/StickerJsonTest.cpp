// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/StickerJson.h"

#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace {

QByteArray minimalRecord(const char* extra = "") {
    return QByteArray(R"({"gifPath":"/m/a.gif","x":1,"y":2,"size":3)") + extra + "}";
}

std::optional<QList<Sticker>> decodeOne(const char* extra) {
    return StickerJson::decode("[" + minimalRecord(extra) + "]");
}

Sticker sample() {
    Sticker s = Sticker::withMedia(QStringLiteral("/home/a/.local/share/Vantrel/Media/X.gif"));
    s.name = QStringLiteral("Кот \"quoted\" \\ \n\t😀");
    s.x = -12.25;
    s.y = 1e300;
    s.size = 0.1;
    s.bgColor = QStringLiteral("#ABCDEF");
    s.bgStyle = BGStyle::image;
    s.bgImagePath = QStringLiteral("/b/c.png");
    s.layer = StickerLayer::desktop;
    s.isHidden = true;
    s.isLocked = true;
    s.zIndex = std::numeric_limits<qint64>::max();
    return s;
}

} // namespace

// Absent or null optional keys take their defaults; a missing id is a fresh one each time.
TEST(StickerJson, AbsentOrNullOptionalKeysTakeTheirDefaults) {
    const char* nulls = R"(,"id":null,"name":null,"bgColor":null,"cornerRadius":null,)"
                        R"("bgOpacity":null,"bgStyle":null,"bgImagePath":null,"layer":null,)"
                        R"("isHidden":null,"isLocked":null,"zIndex":null)";
    Sticker expected;
    expected.gifPath = QStringLiteral("/m/a.gif");
    std::tie(expected.x, expected.y, expected.size) = std::tuple(1, 2, 3);
    for (const char* extra : {"", "", nulls}) {
        const auto decoded = decodeOne(extra);
        ASSERT_TRUE(decoded) << extra;
        EXPECT_FALSE(decoded->at(0).id.isNull());
        EXPECT_NE(decoded->at(0).id, expected.id);
        expected.id = decoded->at(0).id;
        EXPECT_EQ(decoded->at(0), expected) << extra;
    }
}

TEST(StickerJson, ReadsGivenValuesInAnyOrderUpToTheirEdges) {
    const auto decoded = StickerJson::decode(
        R"([{"zIndex":-9223372036854775808,"layer":"desktop","size":3.5,"y":-2,"x":12,
             "bgOpacity":-4,"cornerRadius":1e308,"gifPath":"\/m\/a.gif",
             "id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","future":{"nested":[1]}}])");
    ASSERT_TRUE(decoded);
    const Sticker& s = decoded->at(0);
    EXPECT_EQ(s.idText(), QStringLiteral("0A1B2C3D-4E5F-6789-ABCD-EF0123456789"));
    EXPECT_EQ(s.gifPath, QStringLiteral("/m/a.gif"));
    EXPECT_EQ(s.x, 12.0);
    EXPECT_EQ(s.layer, StickerLayer::desktop);
    EXPECT_EQ(s.zIndex, std::numeric_limits<qint64>::min());
    EXPECT_EQ(s.bgOpacity, -4);
    EXPECT_EQ(s.cornerRadius, 1e308);
    const auto integralDouble = decodeOne(R"(,"zIndex":4.0)");
    ASSERT_TRUE(integralDouble);
    EXPECT_EQ(integralDouble->at(0).zIndex, 4);
    // A number too large for a double is not a finite value.
    EXPECT_FALSE(decodeOne(R"(,"cornerRadius":1e999)"));
}

// One bad record fails the whole array: wrong types, unknown enumeration texts, ids in any but
// the canonical form without braces, and a zIndex that is fractional or beyond 64 bits.
TEST(StickerJson, RefusesWhatIsNotAnArrayOfGoodRecords) {
    for (const char* extra :
         {R"(,"x":"12")", R"(,"x":null)", R"(,"gifPath":5)", R"(,"name":7)",
          R"(,"cornerRadius":true)", R"(,"isHidden":0)", R"(,"bgStyle":"gradient")",
          R"(,"layer":"top")", R"(,"layer":1)", R"(,"id":"{0a1b2c3d-4e5f-6789-abcd-ef0123456789}")",
          R"(,"id":"0a1b2c3d4e5f6789abcdef0123456789")",
          R"(,"id":"0a1b2c3d4-e5f-6789-abcd-ef0123456789")",
          R"(,"id":"0a1b2c3d-4e5f-6789-abcd-ef012345678g")", R"(,"id":42)", R"(,"zIndex":1.5)",
          R"(,"zIndex":1e30)", R"(,"zIndex":"3")"}) {
        const QByteArray array = "[" + minimalRecord() + "," + minimalRecord(extra) + "]";
        EXPECT_FALSE(StickerJson::decode(array)) << extra;
    }
    for (const QByteArray& text :
         {QByteArray(R"([{"x":1,"y":2,"size":3}])"),
          QByteArray(R"([{"gifPath":"/a","x":1,"y":2}])"), QByteArray(), QByteArray("not json"),
          QByteArray("{}"), minimalRecord(), QByteArray("[1]"), QByteArray("[null]"),
          QByteArray("[[]]"), QByteArray("["), QByteArray("null"), QByteArray("\"[]\""),
          QByteArray("[]\0garbage", 10),
          QByteArray("[{\"gifPath\":\"/m/\xff\xfe.gif\",\"x\":1,\"y\":2,\"size\":3}]")})
        EXPECT_FALSE(StickerJson::decode(text)) << text.toStdString();
    EXPECT_TRUE(StickerJson::decode(" [ ] "));
}

TEST(StickerJson, WritesAllKeysCompactlyWithEscapedSlashes) {
    Sticker s = Sticker::withMedia(QStringLiteral("/Users/a"));
    s.id = QUuid::fromString(QStringLiteral("0a1b2c3d-4e5f-6789-abcd-ef0123456789"));
    s.zIndex = 3;
    const auto encoded = StickerJson::encode({s});
    ASSERT_TRUE(encoded);
    EXPECT_EQ(*encoded,
              QByteArray(R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","gifPath":"\/Users\/a",)"
                         R"("name":"","x":200,"y":300,"size":160,"bgColor":"#FFFFFF",)"
                         R"("cornerRadius":20,"bgOpacity":0.8,"bgStyle":"none","bgImagePath":"",)"
                         R"("layer":"floating","isHidden":false,"isLocked":false,"zIndex":3}])"));
    EXPECT_EQ(*StickerJson::encode({}), QByteArray("[]"));
}

// Every field survives exactly, also control characters and a list of many or large records.
TEST(StickerJson, RoundTripsEveryFieldExactly) {
    Sticker control = sample();
    control.name = QString::fromUtf8("\x01\x1f\x7f") + QChar(0x2028);
    Sticker big = sample();
    big.name = QString(5 * 1024 * 1024, u'я');
    QList<Sticker> list(10000, sample());
    list << control << big;
    const auto encoded = StickerJson::encode(list);
    ASSERT_TRUE(encoded);
    const auto decoded = StickerJson::decode(*encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, list);
}

TEST(StickerJson, RefusesToEncodeNonFiniteNumbers) {
    const double nonFinite[] = {std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity()};
    for (const double value : nonFinite) {
        for (double Sticker::*field : {&Sticker::x, &Sticker::y, &Sticker::size,
                                       &Sticker::cornerRadius, &Sticker::bgOpacity}) {
            Sticker s = sample();
            s.*field = value;
            EXPECT_FALSE(StickerJson::encode({sample(), s}));
        }
    }
}
