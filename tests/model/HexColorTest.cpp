// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HexColor.h"

#include <QStringList>
#include <gtest/gtest.h>

// Input as typed or pasted: prefixes and stray punctuation are tolerated, the number is read as
// written (no #RGB short form), too many digits saturate, and text without digits gives black.
TEST(ParseHexColor, ReadsTheLongestRunOfDigitsAsRgb) {
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
}

// Components are truncated, and every byte value survives the 16-bit storage of QColor.
TEST(FormatHexColor, TruncatesWritesUpperCaseAndRoundTripsEveryComponent) {
    EXPECT_EQ(formatHexColor(QColor::fromRgbF(0.5f, 0.0f, 1.0f)), "#7F00FF");
    EXPECT_EQ(formatHexColor(QColor()), "#FFFFFF");
    EXPECT_EQ(formatHexColor(QColor::fromHsvF(0.0f, 1.0f, 1.0f)), "#FF0000");
    for (int component = 0; component < 256; ++component) {
        const QString text = QString("#%1%1%1").arg(component, 2, 16, QChar('0')).toUpper();
        EXPECT_EQ(formatHexColor(parseHexColor(text.toLower())), text);
    }
}
