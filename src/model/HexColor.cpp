// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HexColor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

int hexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads the longest run of hex digits after an optional 0x; too many digits saturate.
std::uint64_t scanHex(QStringView text) {
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X') &&
        hexDigitValue(text[2]) >= 0)
        text = text.mid(2);
    std::uint64_t value = 0;
    bool overflow = false;
    for (const QChar c : text) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            break;
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 4))
            overflow = true;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    return overflow ? std::numeric_limits<std::uint64_t>::max() : value;
}

int toByte(float component) {
    // Truncation, not rounding; the epsilon absorbs the 16-bit storage of QColor.
    const double scaled = std::trunc(static_cast<double>(component) * 255.0 + 1e-6);
    return static_cast<int>(std::clamp(scaled, 0.0, 255.0));
}

} // namespace

QColor parseHexColor(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && !text[begin].isLetterOrNumber())
        ++begin;
    while (end > begin && !text[end - 1].isLetterOrNumber())
        --end;
    const std::uint64_t value = scanHex(text.mid(begin, end - begin));
    return QColor(static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>(value & 0xFF));
}

QString formatHexColor(const QColor& color) {
    const QColor rgb = color.isValid() ? color.toRgb() : QColor(Qt::white);
    return QStringLiteral("#%1%2%3")
        .arg(toByte(rgb.redF()), 2, 16, QLatin1Char('0'))
        .arg(toByte(rgb.greenF()), 2, 16, QLatin1Char('0'))
        .arg(toByte(rgb.blueF()), 2, 16, QLatin1Char('0'))
        .toUpper();
}
