// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HexColor.h"
#include "model/StickerJson.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace {

QByteArray record(const char* extra = "") {
    return QByteArray(R"({"gifPath":"/m/a.gif","x":1,"y":2,"size":3)") + extra + "}";
}

std::optional<QList<Sticker>> decodeOne(const char* extra) {
    return StickerJson::decode("[" + record(extra) + "]");
}

} // namespace

// Values are read in any order up to their edges; absent or null optional keys take defaults.
TEST(StickerJson, ReadsGivenValuesAndDefaultsTheRest) {
    const auto given = StickerJson::decode(
        R"([{"zIndex":-9223372036854775808,"layer":"desktop","size":3.5,"y":-2,"x":12,
             "bgOpacity":-4,"cornerRadius":1e308,"gifPath":"\/m\/a.gif","bgStyle":"color",
             "id":"0a1b2c3d-4e5f-6789-abcd-ef0123456789","future":{"nested":[1]}}])");
    ASSERT_TRUE(given);
    EXPECT_EQ(given->at(0),
              Sticker(QUuid("0a1b2c3d-4e5f-6789-abcd-ef0123456789"), "/m/a.gif", "", 12, -2, 3.5,
                      "#FFFFFF", 1e308, -4, BGStyle::color, "", StickerLayer::desktop, false, false,
                      std::numeric_limits<qint64>::min()));
    EXPECT_EQ(decodeOne(R"(,"zIndex":4.0)").value().at(0).zIndex, 4);

    const char* nulls = R"(,"id":null,"name":null,"bgColor":null,"cornerRadius":null,)"
                        R"("bgOpacity":null,"bgStyle":null,"bgImagePath":null,"layer":null,)"
                        R"("isHidden":null,"isLocked":null,"zIndex":null)";
    Sticker expected;
    expected.gifPath = "/m/a.gif";
    std::tie(expected.x, expected.y, expected.size) = std::tuple(1, 2, 3);
    for (const char* extra : {"", "", nulls}) {
        const auto decoded = decodeOne(extra);
        ASSERT_TRUE(decoded) << extra;
        EXPECT_NE(decoded->at(0).id, expected.id);
        expected.id = decoded->at(0).id;
        EXPECT_EQ(decoded->at(0), expected) << extra;
    }
}

// One bad record fails the whole array: wrong types, enumeration texts not matched exactly, ids
// in any but the canonical form without braces, a zIndex fractional or beyond 64 bits, and a
// number too large for a double.
TEST(StickerJson, RefusesWhatIsNotAnArrayOfGoodRecords) {
    for (const char* extra :
         {R"(,"x":"12")", R"(,"x":null)", R"(,"gifPath":5)", R"(,"name":7)",
          R"(,"cornerRadius":true)", R"(,"isHidden":0)", R"(,"bgStyle":"gradient")",
          R"(,"bgStyle":"Color")", R"(,"layer":"top")", R"(,"layer":1)",
          R"(,"id":"{0a1b2c3d-4e5f-6789-abcd-ef0123456789}")",
          R"(,"id":"0a1b2c3d4e5f6789abcdef0123456789")",
          R"(,"id":"0a1b2c3d4-e5f-6789-abcd-ef0123456789")",
          R"(,"id":"0a1b2c3d-4e5f-6789-abcd-ef012345678g")", R"(,"id":42)", R"(,"zIndex":1.5)",
          R"(,"zIndex":1e30)", R"(,"zIndex":"3")", R"(,"cornerRadius":1e999)"})
        EXPECT_FALSE(StickerJson::decode("[" + record() + "," + record(extra) + "]")) << extra;
    for (const QByteArray& text :
         QList<QByteArray>{R"([{"x":1,"y":2,"size":3}])", R"([{"gifPath":"/a","x":1,"y":2}])", "",
                           "not json", "{}", record(), "[1]", "[null]", "[[]]", "[", "null",
                           R"("[]")", QByteArray("[]\0garbage", 10),
                           "[{\"gifPath\":\"/m/\xff\xfe.gif\",\"x\":1,\"y\":2,\"size\":3}]"})
        EXPECT_FALSE(StickerJson::decode(text)) << text.toStdString();
    EXPECT_TRUE(StickerJson::decode(" [ ] "));
}

TEST(StickerJson, WritesAllKeysCompactlyWithEscapedSlashes) {
    Sticker s = Sticker::withMedia("/Users/a");
    s.id = QUuid::fromString("0a1b2c3d-4e5f-6789-abcd-ef0123456789");
    s.zIndex = 3;
    EXPECT_EQ(StickerJson::encode({s}),
              QByteArray(R"([{"id":"0A1B2C3D-4E5F-6789-ABCD-EF0123456789","gifPath":"\/Users\/a",)"
                         R"("name":"","x":200,"y":300,"size":160,"bgColor":"#FFFFFF",)"
                         R"("cornerRadius":20,"bgOpacity":0.8,"bgStyle":"none","bgImagePath":"",)"
                         R"("layer":"floating","isHidden":false,"isLocked":false,"zIndex":3}])"));
    EXPECT_EQ(StickerJson::encode({}), QByteArray("[]"));
}

// Every field survives exactly, in many or large records; a non-finite number fails the list.
TEST(StickerJson, RoundTripsEveryFieldExactlyAndRefusesNonFiniteNumbers) {
    const Sticker sample(QUuid::createUuid(), "/home/a/.local/share/Vantrel/Media/X.gif",
                         "Кот \"quoted\" \\ \n\t😀", -12.25, 1e300, 0.1, "#ABCDEF", 7.5, 0.25,
                         BGStyle::image, "/b/c.png", StickerLayer::desktop, true, true,
                         std::numeric_limits<qint64>::max());
    QList<Sticker> list(10002, sample);
    list[0].name = QString::fromUtf8("\x01\x1f\x7f") + QChar(0x2028);
    list[1].name = QString(5 * 1024 * 1024, u'я');
    list[2].layer = StickerLayer::floating;
    list[2].bgStyle = BGStyle::none;
    EXPECT_EQ(StickerJson::decode(StickerJson::encode(list).value_or("")), list);
    for (const double value :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        for (double Sticker::*field : {&Sticker::x, &Sticker::y, &Sticker::size,
                                       &Sticker::cornerRadius, &Sticker::bgOpacity}) {
            Sticker s = sample;
            s.*field = value;
            EXPECT_FALSE(StickerJson::encode({sample, s}));
        }
    }
}

// Input as typed or pasted: prefixes and stray punctuation are tolerated, the number is read as
// written (no #RGB short form), too many digits saturate, and text without digits gives black.
// Output truncates components, and every byte value survives the 16-bit storage of QColor.
TEST(HexColor, ReadsTheLongestRunOfDigitsAsRgbAndWritesUpperCase) {
    const std::pair<QColor, QStringList> cases[] = {
        {QColor(255, 136, 0), {"#ff8800", "  #FF8800  ", "0XFF8800", "#FF8800;"}},
        {Qt::black, {"", "#zz", "0x", "😀"}},
        {QColor(0, 15, 255), {"#FFF"}},
        {Qt::red, {"#80FF0000"}},
        {QColor(0, 0, 0x12), {"#12zz34"}},
        {Qt::white, {"#FFFFFFFFFFFFFFFFFF00"}}};
    for (const auto& [color, texts] : cases)
        for (const QString& text : texts)
            EXPECT_EQ(parseHexColor(text), color) << text.toStdString();
    EXPECT_EQ(formatHexColor(QColor::fromRgbF(0.5f, 0.0f, 1.0f)), "#7F00FF");
    EXPECT_EQ(formatHexColor(QColor()), "#FFFFFF");
    EXPECT_EQ(formatHexColor(QColor::fromHsvF(0.0f, 1.0f, 1.0f)), "#FF0000");
    for (int component = 0; component < 256; ++component) {
        const QString text = QString("#%1%1%1").arg(component, 2, 16, QChar('0')).toUpper();
        EXPECT_EQ(formatHexColor(parseHexColor(text.toLower())), text);
    }
}

// Any name wins, even a blank one; else the media file's name, or its directory's.
TEST(Sticker, DisplayNameFallsBackToTheMediaFileName) {
    const struct {
        const char *name, *gifPath, *shown;
    } cases[] = {{"", "/x/Media/ABC.gif", "ABC.gif"},
                 {"  ", "/x/Media/ABC.gif", "  "},
                 {"", "/x/dir//", "dir"},
                 {"", "/", "/"},
                 {"", "", ""}};
    for (const auto& c : cases) {
        Sticker s = Sticker::withMedia(c.gifPath);
        s.name = c.name;
        EXPECT_EQ(s.displayName(), c.shown) << c.gifPath;
    }
}
