// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/FrameStore.h"

#include <algorithm>
#include <cstring>
#include <lz4.h>
#include <zstd.h>

namespace {

// A chain of changes longer than this many whole frames gets a key, which bounds a seek.
constexpr qint64 longestChain = 32;

bool opaquePixels(const QImage& frame) {
    for (int y = 0; y < frame.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
}

// The smallest rectangle holding every pixel that differs; empty when none does.
QRect difference(const QImage& before, const QImage& after) {
    int left = after.width();
    int right = -1;
    int top = -1;
    int bottom = -1;
    const auto lineBytes = std::size_t(after.width()) * 4;
    for (int y = 0; y < after.height(); ++y) {
        const auto* a = reinterpret_cast<const quint32*>(before.constScanLine(y));
        const auto* b = reinterpret_cast<const quint32*>(after.constScanLine(y));
        if (std::memcmp(a, b, lineBytes) == 0)
            continue;
        int first = 0;
        while (a[first] == b[first])
            ++first;
        int last = after.width() - 1;
        while (a[last] == b[last])
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
        top = top < 0 ? y : top;
        bottom = y;
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QByteArray xorOf(const QImage& before, const QImage& after, const QRect& rect) {
    QByteArray out(qsizetype(rect.width()) * rect.height() * 4, Qt::Uninitialized);
    auto* to = reinterpret_cast<quint32*>(out.data());
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const auto* a = reinterpret_cast<const quint32*>(before.constScanLine(y)) + rect.left();
        const auto* b = reinterpret_cast<const quint32*>(after.constScanLine(y)) + rect.left();
        for (int x = 0; x < rect.width(); ++x)
            *to++ = a[x] ^ b[x];
    }
    return out;
}

// LZ4 when it saves a tenth or more; otherwise the bytes themselves, which cost no decoding.
std::pair<QByteArray, bool> pack(const char* bytes, int size) {
    QByteArray out(LZ4_compressBound(size), Qt::Uninitialized);
    const int packed = LZ4_compress_default(bytes, out.data(), size, int(out.size()));
    if (packed > 0 && packed < size - size / 10) {
        out.truncate(packed);
        out.squeeze();
        return {out, true};
    }
    return {QByteArray(bytes, size), false};
}

// Fast enough to code a frame as it is decoded; higher levels gain little on such planes.
constexpr int zstdLevel = 1;

// Blue, green, red and, unless opaque, alpha, each a plane of its own; every line but the
// first less the line above, which leaves the small numbers zstd codes tightly.
QByteArray dense(const QImage& frame, bool opaque) {
    const int width = frame.width();
    const int height = frame.height();
    const int planes = opaque ? 3 : 4;
    const qsizetype area = qsizetype(width) * height;
    QByteArray split(area * planes, Qt::Uninitialized);
    auto* out = reinterpret_cast<uchar*>(split.data());
    for (int plane = 0; plane < planes; ++plane) {
        const int shift = plane * 8;
        for (int y = 0; y < height; ++y) {
            const auto* line = reinterpret_cast<const quint32*>(frame.constScanLine(y));
            const auto* above =
                y > 0 ? reinterpret_cast<const quint32*>(frame.constScanLine(y - 1)) : nullptr;
            uchar* to = out + plane * area + qsizetype(y) * width;
            for (int x = 0; x < width; ++x)
                to[x] = uchar((line[x] >> shift) - (above ? above[x] >> shift : 0));
        }
    }
    QByteArray packed(qsizetype(ZSTD_compressBound(std::size_t(split.size()))), Qt::Uninitialized);
    const std::size_t size = ZSTD_compress(packed.data(), std::size_t(packed.size()),
                                           split.constData(), std::size_t(split.size()), zstdLevel);
    if (ZSTD_isError(size))
        return {};
    packed.truncate(qsizetype(size));
    packed.squeeze();
    return packed;
}

// Undoes the prediction of one line of a plane from the line above; the two never overlap,
// which lets the compiler work on many bytes at once.
void addLine(uchar* __restrict line, const uchar* __restrict above, int width) {
    for (int x = 0; x < width; ++x)
        line[x] = uchar(line[x] + above[x]);
}

void joinPlanes(quint32* __restrict to, const uchar* __restrict blue, const uchar* __restrict green,
                const uchar* __restrict red, const uchar* __restrict alpha, int width) {
    if (!alpha) {
        for (int x = 0; x < width; ++x)
            to[x] = 0xFF000000U | quint32(red[x]) << 16 | quint32(green[x]) << 8 | blue[x];
        return;
    }
    for (int x = 0; x < width; ++x)
        to[x] = quint32(alpha[x]) << 24 | quint32(red[x]) << 16 | quint32(green[x]) << 8 | blue[x];
}

} // namespace

FrameStore::FrameStore(Coding coding)
    : m_coding(coding) {}

bool FrameStore::append(const QImage& frame, const std::function<bool(qint64)>& reserve) {
    if (frame.format() != QImage::Format_ARGB32_Premultiplied || frame.isNull() ||
        (!m_first.isNull() && frame.size() != m_first.size()))
        return false;
    const bool opaque = opaquePixels(frame);
    if (m_entries.isEmpty()) {
        const qint64 cost = entryCost + frame.sizeInBytes();
        if (!reserve(cost))
            return false;
        m_first = frame;
        m_entries.append(Entry{{}, frame.rect(), 0, true, Packing::none, opaque});
        m_bytes += cost;
    } else {
        Entry entry = encode(frame, opaque);
        const qint64 cost = entryCost + entry.data.size();
        if (!reserve(cost))
            return false;
        m_pixelsSinceKey =
            entry.key ? 0 : m_pixelsSinceKey + qint64(entry.rect.width()) * entry.rect.height();
        m_entries.append(std::move(entry));
        m_bytes += cost;
    }
    m_previous = frame;
    cover(frame, opaque);
    return true;
}

FrameStore::Entry FrameStore::encode(const QImage& frame, bool opaque) {
    const auto frameBytes = int(frame.sizeInBytes());
    const auto* pixels = reinterpret_cast<const char*>(frame.constBits());
    Entry entry;
    entry.opaque = opaque;
    entry.rect = m_coding == Coding::raw ? frame.rect() : difference(m_previous, frame);
    if (entry.rect.isEmpty())
        return entry;
    const qint64 area = qint64(frame.width()) * frame.height();
    const qint64 changed = qint64(entry.rect.width()) * entry.rect.height();
    const bool chainTooLong = m_pixelsSinceKey + changed > longestChain * area;
    if (m_coding == Coding::compressed && !chainTooLong) {
        const QByteArray delta = xorOf(m_previous, frame, entry.rect);
        const auto [data, compressed] = pack(delta.constData(), int(delta.size()));
        entry.data = data;
        entry.packing = compressed ? Packing::lz4 : Packing::none;
        entry.unpackedSize = int(delta.size());
        // A change over most of the frame may cost more than the frame itself.
        if (changed * 2 < area)
            return entry;
    }
    QByteArray key;
    Packing packing = Packing::none;
    if (m_coding == Coding::raw) {
        key = QByteArray(pixels, frameBytes);
    } else {
        bool compressed = false;
        std::tie(key, compressed) = pack(pixels, frameBytes);
        packing = compressed ? Packing::lz4 : Packing::none;
        // Dense only where it saves a quarter more than LZ4: it costs more to decode.
        if (m_denseKeys && key.size() > frameBytes / 2) {
            QByteArray denser = dense(frame, opaque);
            if (!denser.isEmpty() && denser.size() < key.size() - key.size() / 4) {
                key = std::move(denser);
                packing = Packing::dense;
            }
        }
    }
    if (entry.data.isNull() || key.size() <= entry.data.size()) {
        entry.data = std::move(key);
        entry.packing = packing;
        entry.unpackedSize = packing == Packing::dense
                                 ? int(qint64(frame.width()) * frame.height() * (opaque ? 3 : 4))
                                 : frameBytes;
        entry.key = true;
        entry.rect = frame.rect();
    }
    return entry;
}

void FrameStore::cover(const QImage& frame, bool opaque) {
    m_anyOpaque = m_anyOpaque || opaque;
    if (m_anyOpaque) {
        m_coverage = QImage();
        return;
    }
    if (m_coverage.isNull()) {
        m_coverage = QImage(frame.size(), QImage::Format_Alpha8);
        m_coverage.fill(0);
    }
    for (int y = 0; y < frame.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        uchar* out = m_coverage.scanLine(y);
        for (int x = 0; x < frame.width(); ++x)
            out[x] = std::max(out[x], static_cast<uchar>(qAlpha(in[x])));
    }
}

void FrameStore::finish() {
    if (!m_previous.isNull())
        m_loopRect = difference(m_previous, m_first);
    m_previous = QImage();
    m_entries.squeeze();
    if (!m_coverage.isNull())
        m_bytes += m_coverage.sizeInBytes();
}

QRect FrameStore::changedRect(qsizetype index) const {
    return index == 0 ? m_loopRect : m_entries[index].rect;
}

FrameStore::Scratch::Scratch()
    : zstd(ZSTD_createDCtx()) {}

FrameStore::Scratch::~Scratch() {
    ZSTD_freeDCtx(zstd);
}

void FrameStore::decode(qsizetype index, QImage& target, Scratch& scratch) const {
    const Entry& entry = m_entries[index];
    uchar* pixels = target.bits();
    if (index == 0) {
        std::memcpy(pixels, m_first.constBits(), std::size_t(m_first.sizeInBytes()));
        return;
    }
    if (entry.rect.isEmpty())
        return;
    if (entry.packing == Packing::dense) {
        undense(entry, target, scratch);
        return;
    }
    const char* bytes = entry.data.constData();
    if (entry.packing == Packing::lz4) {
        // A key unpacks straight into the frame, a change beside it.
        if (!entry.key)
            scratch.bytes.resize(entry.unpackedSize);
        char* into = entry.key ? reinterpret_cast<char*>(pixels) : scratch.bytes.data();
        if (LZ4_decompress_safe(bytes, into, int(entry.data.size()), entry.unpackedSize) !=
            entry.unpackedSize)
            return;
        bytes = into;
    }
    if (entry.key) {
        if (bytes != reinterpret_cast<const char*>(pixels))
            std::memcpy(pixels, bytes, std::size_t(entry.unpackedSize));
        return;
    }
    const auto* change = reinterpret_cast<const quint32*>(bytes);
    for (int y = entry.rect.top(); y <= entry.rect.bottom(); ++y) {
        auto* line = reinterpret_cast<quint32*>(target.scanLine(y)) + entry.rect.left();
        for (int x = 0; x < entry.rect.width(); ++x)
            line[x] ^= *change++;
    }
}

void FrameStore::undense(const Entry& entry, QImage& target, Scratch& scratch) const {
    scratch.bytes.resize(entry.unpackedSize);
    auto* planes = reinterpret_cast<uchar*>(scratch.bytes.data());
    if (ZSTD_decompressDCtx(scratch.zstd, planes, std::size_t(entry.unpackedSize),
                            entry.data.constData(),
                            std::size_t(entry.data.size())) != std::size_t(entry.unpackedSize))
        return;
    const int width = target.width();
    const qsizetype area = qsizetype(width) * target.height();
    const uchar* alpha = entry.unpackedSize / area == 4 ? planes + 3 * area : nullptr;
    for (int y = 0; y < target.height(); ++y) {
        const qsizetype at = qsizetype(y) * width;
        if (y > 0) {
            for (int plane = 0; plane < (alpha ? 4 : 3); ++plane)
                addLine(planes + plane * area + at, planes + plane * area + at - width, width);
        }
        joinPlanes(reinterpret_cast<quint32*>(target.scanLine(y)), planes + at, planes + area + at,
                   planes + 2 * area + at, alpha ? alpha + at : nullptr, width);
    }
}

QImage FrameStore::uncompressedKey(qsizetype index) const {
    if (index == 0)
        return m_first;
    const Entry& entry = m_entries[index];
    if (!entry.key || entry.packing != Packing::none)
        return {};
    return QImage(reinterpret_cast<const uchar*>(entry.data.constData()), m_first.width(),
                  m_first.height(), m_first.width() * 4, QImage::Format_ARGB32_Premultiplied);
}

QImage FrameStore::frame(qsizetype index) const {
    if (index < 0 || index >= size())
        return {};
    qsizetype key = index;
    while (!m_entries[key].key)
        --key;
    QImage out(m_first.size(), QImage::Format_ARGB32_Premultiplied);
    Scratch scratch;
    for (qsizetype at = key; at <= index; ++at)
        decode(at, out, scratch);
    return out;
}
