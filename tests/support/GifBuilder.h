// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPoint>
#include <QSize>
#include <optional>

// Writes GIF89a files byte by byte, so tests control every block: one flat-coloured image per
// frame with its own colour table, an optional Graphic Control Extension, any extension in
// between and any logical screen. The pixel data is LZW without compression: a clear code
// every few codes keeps the code size at 8 bits, one byte per pixel.
class GifBuilder final {
public:
    // The logical screen; without it, the smallest one holding every frame.
    GifBuilder& setScreen(int width, int height);

    // A frame of size at offset, filled with colour (opaque), preceded by a GCE with the delay
    // when one is given. The offset may put the frame partly or wholly outside the screen.
    GifBuilder& addFrame(QSize size, QColor colour, std::optional<int> delayCentiseconds = {},
                         QPoint offset = {});

    // A GCE with no image after it; the delay is meant for whatever image comes next.
    GifBuilder& addControlExtension(int delayCentiseconds);

    // An extension block with label (0xFE comment, 0xFF application, ...) at this point of the
    // stream, its body split into sub-blocks of at most 255 bytes.
    GifBuilder& addExtension(quint8 label, const QByteArray& body);

    QByteArray build() const;

private:
    QSize screen() const;

    QByteArray m_blocks;
    std::optional<QSize> m_screen;
    QSize m_extent{0, 0};
};
