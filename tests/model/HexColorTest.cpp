// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HexColor.h"

#include <gtest/gtest.h>

namespace {

void expectRgb(const QColor& color, int red, int green, int blue) {
    EXPECT_EQ(color.red(), red);
    EXPECT_EQ(color.green(), green);
    EXPECT_EQ(color.blue(), blue);
    EXPECT_EQ(color.alpha(), 255);
}

} // namespace

TEST(ParseHexColor, AcceptsTheUsualSpellings) {
    for (const char* text :
         {"#ff8800", "FF8800", "  #FF8800  ", "0xFF8800", "0XFF8800", "#FF8800;"})
        expectRgb(parseHexColor(QString::fromLatin1(text)), 255, 136, 0);
}

TEST(ParseHexColor, ReadsTheNumberNotTheShortForm) {
    expectRgb(parseHexColor(u"#FFF"), 0, 15, 255);
    expectRgb(parseHexColor(u"#80FF0000"), 255, 0, 0);
    // Too many digits for 64 bits saturate to all bits set.
    expectRgb(parseHexColor(u"#FFFFFFFFFFFFFFFFFF00"), 255, 255, 255);
    // Reading stops at the first non-digit in the middle.
    expectRgb(parseHexColor(u"#12zz34"), 0, 0, 0x12);
}

TEST(ParseHexColor, GivesBlackForTextWithoutDigits) {
    for (const char* text : {"", "#", "#zz", "0x", "0xZZ", "   "})
        expectRgb(parseHexColor(QString::fromLatin1(text)), 0, 0, 0);
    expectRgb(parseHexColor(u"😀"), 0, 0, 0);
}

TEST(FormatHexColor, TruncatesAndWritesUpperCase) {
    EXPECT_EQ(formatHexColor(QColor::fromRgbF(0.5f, 0.0f, 1.0f)), QStringLiteral("#7F00FF"));
    EXPECT_EQ(formatHexColor(QColor(0xab, 0xcd, 0xef)), QStringLiteral("#ABCDEF"));
    EXPECT_EQ(formatHexColor(QColor()), QStringLiteral("#FFFFFF"));
    EXPECT_EQ(formatHexColor(QColor::fromHsvF(0.0f, 1.0f, 1.0f)), QStringLiteral("#FF0000"));
}

TEST(FormatHexColor, RoundTripsEverySixDigitText) {
    for (int value = 0; value <= 0xFFFFFF; value += 0x010101 * 3 + 7) {
        const QString text = QStringLiteral("#%1").arg(value, 6, 16, QLatin1Char('0')).toUpper();
        EXPECT_EQ(formatHexColor(parseHexColor(text)), text);
    }
    for (int component = 0; component < 256; ++component) {
        const QString text =
            QStringLiteral("#%1%1%1").arg(component, 2, 16, QLatin1Char('0')).toUpper();
        EXPECT_EQ(formatHexColor(parseHexColor(text.toLower())), text);
    }
}
