// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HexColor.h"

#include <gtest/gtest.h>

// Input as typed or pasted: prefixes and stray punctuation are tolerated, the number is read as
// written (no #RGB short form), and text without digits gives black.
TEST(ParseHexColor, ReadsTheLongestRunOfDigitsAsRgb) {
    const std::pair<const char*, QColor> cases[] = {
        {"#ff8800", QColor(255, 136, 0)},
        {"  #FF8800  ", QColor(255, 136, 0)},
        {"0XFF8800", QColor(255, 136, 0)},
        {"#FF8800;", QColor(255, 136, 0)},
        {"", Qt::black},
        {"#zz", Qt::black},
        {"0x", Qt::black},
        {"😀", Qt::black},
        {"#FFF", QColor(0, 15, 255)},
        {"#80FF0000", QColor(255, 0, 0)},
        {"#12zz34", QColor(0, 0, 0x12)},
        // Too many digits for 64 bits saturate to all bits set.
        {"#FFFFFFFFFFFFFFFFFF00", QColor(255, 255, 255)},
    };
    for (const auto& [text, color] : cases)
        EXPECT_EQ(parseHexColor(QString::fromUtf8(text)), color) << text;
}

// Components are truncated, and every byte value survives the 16-bit storage of QColor.
TEST(FormatHexColor, TruncatesWritesUpperCaseAndRoundTripsEveryComponent) {
    EXPECT_EQ(formatHexColor(QColor::fromRgbF(0.5f, 0.0f, 1.0f)), QStringLiteral("#7F00FF"));
    EXPECT_EQ(formatHexColor(QColor()), QStringLiteral("#FFFFFF"));
    EXPECT_EQ(formatHexColor(QColor::fromHsvF(0.0f, 1.0f, 1.0f)), QStringLiteral("#FF0000"));
    for (int component = 0; component < 256; ++component) {
        const QString text =
            QStringLiteral("#%1%1%1").arg(component, 2, 16, QLatin1Char('0')).toUpper();
        EXPECT_EQ(formatHexColor(parseHexColor(text.toLower())), text);
    }
}
