// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/GifTiming.h"

namespace GifTiming {
namespace {

constexpr unsigned char extensionIntroducer = 0x21;
constexpr unsigned char imageSeparator = 0x2C;
constexpr unsigned char trailer = 0x3B;
constexpr unsigned char graphicControlLabel = 0xF9;

// A read cursor that refuses, rather than reads past, the end of the data.
class Cursor final {
public:
    explicit Cursor(QByteArrayView data)
        : m_data(data)
        , m_size(std::size_t(data.size())) {}

    bool atEnd() const { return m_at >= m_size; }
    bool has(std::size_t count) const { return count <= m_size - m_at; }

    std::optional<unsigned> byte() {
        if (atEnd())
            return std::nullopt;
        return static_cast<unsigned char>(m_data[qsizetype(m_at++)]);
    }

    unsigned peek(std::size_t offset) const {
        return static_cast<unsigned char>(m_data[qsizetype(m_at + offset)]);
    }

    bool skip(std::size_t count) {
        if (!has(count))
            return false;
        m_at += count;
        return true;
    }

    // Skips data sub-blocks up to and including the zero-length terminator.
    bool skipSubBlocks() {
        while (const std::optional<unsigned> length = byte()) {
            if (*length == 0)
                return true;
            if (!skip(*length))
                return false;
        }
        return false;
    }

private:
    QByteArrayView m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

std::size_t colourTableBytes(unsigned flags) {
    return (flags & 0x80) != 0 ? 3 * (std::size_t(2) << (flags & 0x07)) : 0;
}

// The delay of a GCE whose label is already read; its body is a sub-block of (normally) 4
// bytes with the delay in bytes 2 and 3.
std::optional<double> readControlExtension(Cursor& cursor, bool& intact) {
    std::optional<double> delay;
    if (cursor.has(4) && cursor.peek(0) >= 4)
        delay = double(cursor.peek(2) | (cursor.peek(3) << 8)) / 100.0;
    intact = cursor.skipSubBlocks();
    return delay;
}

} // namespace

std::vector<std::optional<double>> readDelays(QByteArrayView data, std::size_t maxImages) {
    std::vector<std::optional<double>> delays;
    if (!data.startsWith("GIF87a") && !data.startsWith("GIF89a"))
        return delays;
    Cursor cursor(data);
    // Header and logical screen descriptor; byte 10 holds the global colour table's flags.
    if (!cursor.has(13))
        return delays;
    const unsigned screenFlags = cursor.peek(10);
    if (!cursor.skip(13 + colourTableBytes(screenFlags)))
        return delays;

    std::optional<double> pending;
    while (delays.size() < maxImages) {
        const std::optional<unsigned> introducer = cursor.byte();
        if (!introducer || *introducer == trailer)
            break;
        if (*introducer == extensionIntroducer) {
            const std::optional<unsigned> label = cursor.byte();
            if (!label)
                break;
            bool intact = false;
            if (*label == graphicControlLabel) {
                if (const std::optional<double> delay = readControlExtension(cursor, intact))
                    pending = delay;
            } else {
                intact = cursor.skipSubBlocks();
            }
            if (!intact)
                break;
        } else if (*introducer == imageSeparator) {
            // Left, top, width, height, then the flags of the local colour table.
            if (!cursor.has(9))
                break;
            const unsigned imageFlags = cursor.peek(8);
            cursor.skip(9);
            delays.push_back(pending);
            pending.reset();
            // The local colour table, the LZW minimum code size, then the data sub-blocks.
            if (!cursor.skip(colourTableBytes(imageFlags) + 1) || !cursor.skipSubBlocks())
                break;
        } else {
            break;
        }
    }
    return delays;
}

double frameDuration(std::optional<double> delay) {
    if (!delay)
        return defaultDelay;
    return *delay > minimumDuration ? *delay : minimumDuration;
}

} // namespace GifTiming
