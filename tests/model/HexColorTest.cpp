// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HexColor.h"

#include <gtest/gtest.h>

namespace {

QColor parsed(const char* text) {
    return parseHexColor(QString::fromUtf8(text));
}

} // namespace

// Input as typed or pasted: prefixes and stray punctuation are tolerated, the number is read as
// written (no #RGB short form), and text without digits gives black.
TEST(ParseHexColor, ReadsTheLongestRunOfDigitsAsRgb) {
    for (const char* text :
         {"#ff8800", "FF8800", "  #FF8800  ", "0xFF8800", "0XFF8800", "#FF8800;"})
        EXPECT_EQ(parsed(text), QColor(255, 136, 0)) << text;
    for (const char* text : {"", "#", "#zz", "0x", "0xZZ", "   ", "😀"})
        EXPECT_EQ(parsed(text), QColor(0, 0, 0)) << text;
    EXPECT_EQ(parsed("#FFF"), QColor(0, 15, 255));
    EXPECT_EQ(parsed("#80FF0000"), QColor(255, 0, 0));
    EXPECT_EQ(parsed("#12zz34"), QColor(0, 0, 0x12));
    // Too many digits for 64 bits saturate to all bits set.
    EXPECT_EQ(parsed("#FFFFFFFFFFFFFFFFFF00"), QColor(255, 255, 255));
}

TEST(FormatHexColor, TruncatesAndWritesUpperCase) {
    EXPECT_EQ(formatHexColor(QColor::fromRgbF(0.5f, 0.0f, 1.0f)), QStringLiteral("#7F00FF"));
    EXPECT_EQ(formatHexColor(QColor(0xab, 0xcd, 0xef)), QStringLiteral("#ABCDEF"));
    EXPECT_EQ(formatHexColor(QColor()), QStringLiteral("#FFFFFF"));
    EXPECT_EQ(formatHexColor(QColor::fromHsvF(0.0f, 1.0f, 1.0f)), QStringLiteral("#FF0000"));
}

// Every byte value survives the 16-bit storage of QColor and the truncation back.
TEST(FormatHexColor, RoundTripsEveryComponentValue) {
    for (int component = 0; component < 256; ++component) {
        const QString text =
            QStringLiteral("#%1%1%1").arg(component, 2, 16, QLatin1Char('0')).toUpper();
        EXPECT_EQ(formatHexColor(parseHexColor(text.toLower())), text);
    }
}
