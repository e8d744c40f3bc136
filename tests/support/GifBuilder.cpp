// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/GifBuilder.h"

#include <algorithm>

namespace {

// With a minimum code size of 7 the codes start 8 bits wide and widen only once the code table
// reaches 256 entries; a clear code every 120 pixels keeps it well below that.
constexpr char minimumCodeSize = 7;
constexpr char clearCode = char(0x80);
constexpr char endCode = char(0x81);
constexpr int pixelsPerClear = 120;

void appendWord(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void appendSubBlocks(QByteArray& out, const QByteArray& body) {
    for (qsizetype at = 0; at < body.size(); at += 255) {
        const QByteArray chunk = body.mid(at, 255);
        out.append(char(chunk.size()));
        out.append(chunk);
    }
    out.append('\0');
}

// Every pixel is colour index 0.
QByteArray uncompressedPixels(qint64 pixelCount) {
    QByteArray codes;
    for (qint64 i = 0; i < pixelCount; ++i) {
        if (i % pixelsPerClear == 0)
            codes.append(clearCode);
        codes.append('\0');
    }
    codes.append(endCode);
    return codes;
}

} // namespace

GifBuilder& GifBuilder::setScreen(int width, int height) {
    m_screen = QSize(width, height);
    return *this;
}

GifBuilder& GifBuilder::addFrame(QSize size, QColor colour, std::optional<int> delayCentiseconds,
                                 QPoint offset) {
    if (delayCentiseconds)
        addControlExtension(*delayCentiseconds);
    m_blocks.append(char(0x2C));
    appendWord(m_blocks, offset.x());
    appendWord(m_blocks, offset.y());
    appendWord(m_blocks, size.width());
    appendWord(m_blocks, size.height());
    m_blocks.append(char(0x80)); // a local colour table of two entries
    const QColor rgb = colour.toRgb();
    m_blocks.append(char(rgb.red()));
    m_blocks.append(char(rgb.green()));
    m_blocks.append(char(rgb.blue()));
    m_blocks.append(3, '\0');
    m_blocks.append(minimumCodeSize);
    appendSubBlocks(m_blocks, uncompressedPixels(qint64(size.width()) * size.height()));
    m_extent = m_extent.expandedTo(
        QSize(std::max(0, offset.x() + size.width()), std::max(0, offset.y() + size.height())));
    return *this;
}

GifBuilder& GifBuilder::addControlExtension(int delayCentiseconds) {
    QByteArray body;
    body.append('\0'); // no disposal, no transparency
    appendWord(body, delayCentiseconds);
    body.append('\0');
    return addExtension(0xF9, body);
}

GifBuilder& GifBuilder::addExtension(quint8 label, const QByteArray& body) {
    m_blocks.append(char(0x21));
    m_blocks.append(char(label));
    appendSubBlocks(m_blocks, body);
    return *this;
}

QByteArray GifBuilder::build() const {
    QByteArray out("GIF89a");
    const QSize logical = screen();
    appendWord(out, logical.width());
    appendWord(out, logical.height());
    out.append(3, '\0'); // no global colour table, background 0, no aspect ratio
    out.append(m_blocks);
    out.append(char(0x3B));
    return out;
}

QSize GifBuilder::screen() const {
    return m_screen.value_or(m_extent);
}
