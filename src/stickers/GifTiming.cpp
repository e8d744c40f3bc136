// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/GifTiming.h"

#include <QBuffer>

namespace GifTiming {
namespace {

constexpr unsigned char extensionIntroducer = 0x21;
constexpr unsigned char imageSeparator = 0x2C;
constexpr unsigned char trailer = 0x3B;
constexpr unsigned char graphicControlLabel = 0xF9;

// A buffered read cursor over a device that refuses, rather than reads past, the end of the
// data; it holds a window of the file, never the whole of it.
class Cursor final {
public:
    explicit Cursor(QIODevice& device)
        : m_device(device) {}

    // True when count bytes can be peeked at.
    bool has(std::size_t count) {
        while (m_buffer.size() - m_at < qsizetype(count)) {
            m_buffer.remove(0, m_at);
            m_at = 0;
            const QByteArray more = m_device.read(chunkBytes);
            if (more.isEmpty())
                return false;
            m_buffer.append(more);
        }
        return true;
    }

    std::optional<unsigned> byte() {
        if (!has(1))
            return std::nullopt;
        return static_cast<unsigned char>(m_buffer[m_at++]);
    }

    unsigned peek(std::size_t offset) const {
        return static_cast<unsigned char>(m_buffer[m_at + qsizetype(offset)]);
    }

    // The next count bytes, after has(count).
    QByteArrayView peekBytes(std::size_t count) const {
        return QByteArrayView(m_buffer).sliced(m_at, qsizetype(count));
    }

    bool skip(std::size_t count) {
        const auto buffered = std::size_t(m_buffer.size() - m_at);
        if (count <= buffered) {
            m_at += qsizetype(count);
            return true;
        }
        m_buffer.clear();
        m_at = 0;
        const auto rest = qint64(count - buffered);
        return m_device.skip(rest) == rest;
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
    static constexpr qint64 chunkBytes = 64 * 1024;

    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_at = 0;
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
    // The view's bytes are read in place.
    QByteArray bytes = QByteArray::fromRawData(data.data(), data.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readDelays(buffer, maxImages);
}

std::vector<std::optional<double>> readDelays(QIODevice& device, std::size_t maxImages) {
    std::vector<std::optional<double>> delays;
    Cursor cursor(device);
    // Header and logical screen descriptor; byte 10 holds the global colour table's flags.
    if (!cursor.has(13))
        return delays;
    const QByteArrayView signature = cursor.peekBytes(6);
    if (signature != "GIF87a" && signature != "GIF89a")
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
