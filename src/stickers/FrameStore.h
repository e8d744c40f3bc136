// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <functional>

struct ZSTD_DCtx_s;
using ZSTD_DCtx = ZSTD_DCtx_s;

// The frames of one animation at the size they are shown, kept compressed. The first frame is
// kept whole; every later one is the rectangle that changed since the frame before it, XOR-ed
// with what was there and compressed with LZ4, or a key frame of its own where that is smaller
// or the chain of changes since the last key grows long. Where memory is short, a key that LZ4
// cannot halve, as in footage where every pixel changes, is kept dense: split into colour
// planes, each line less the line above, compressed with zstd, which takes less than half the
// bytes there but costs a decode of up to half a frame's painting. Payloads that nothing
// shrinks are kept as they are. Built once on one thread, then only read.
class FrameStore final {
public:
    // raw keeps every frame whole and uncompressed: the baseline that benchmarks compare with.
    enum class Coding { compressed, raw };

    FrameStore() = default;
    explicit FrameStore(Coding coding);

    // Adds frame (Format_ARGB32_Premultiplied, the size of the first) when reserve grants the
    // bytes it costs; false, and nothing added, otherwise or for a frame of another size.
    bool append(const QImage& frame, const std::function<bool(qint64)>& reserve);
    // Ends the build: releases what only building needs and notes what changes at the loop.
    void finish();
    // From the next frame on, keys that LZ4 cannot halve are kept dense.
    void keepKeysDense() { m_denseKeys = true; }
    bool keepsKeysDense() const { return m_denseKeys; }

    qsizetype size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    // Frame 0, whole; null when empty.
    const QImage& first() const { return m_first; }
    QSize frameSize() const { return m_first.size(); }
    qint64 byteCount() const { return m_bytes; }
    // The largest alpha of each pixel over all frames; null when some frame is opaque, which
    // covers everything.
    const QImage& coverage() const { return m_coverage; }

    bool isOpaque(qsizetype index) const { return m_entries[index].opaque; }
    bool isKey(qsizetype index) const { return m_entries[index].key; }
    // Where frame index differs from the frame before it; for frame 0, from the last frame.
    QRect changedRect(qsizetype index) const;
    // A caller's buffers for decoding, reused from frame to frame.
    class Scratch final {
    public:
        Scratch();
        ~Scratch();
        Scratch(const Scratch&) = delete;
        Scratch& operator=(const Scratch&) = delete;

    private:
        friend class FrameStore;
        QByteArray bytes;
        ZSTD_DCtx* zstd = nullptr;
    };

    // Turns target, which holds frame index - 1 unless index is a key, into frame index.
    // target is detached, of frameSize().
    void decode(qsizetype index, QImage& target, Scratch& scratch) const;
    // A key frame kept uncompressed, as an image over the store's own bytes (valid while the
    // store lives); null for any other frame.
    QImage uncompressedKey(qsizetype index) const;
    // Frame index on its own, decoded from the key before it.
    QImage frame(qsizetype index) const;

private:
    enum class Packing : quint8 { none, lz4, dense };
    struct Entry {
        QByteArray data;
        QRect rect; // the changed rectangle; the whole frame for a key, empty for no change
        int unpackedSize = 0;
        bool key = false;
        Packing packing = Packing::none;
        bool opaque = false;
    };
    static constexpr qint64 entryCost = qint64(sizeof(Entry)) + 32;

    Entry encode(const QImage& frame, bool opaque);
    void undense(const Entry& entry, QImage& target, Scratch& scratch) const;
    void cover(const QImage& frame, bool opaque);

    Coding m_coding = Coding::compressed;
    QList<Entry> m_entries;
    QImage m_first;
    QImage m_coverage;
    QRect m_loopRect;
    qint64 m_bytes = 0;
    // Building only.
    QImage m_previous;
    qint64 m_pixelsSinceKey = 0;
    bool m_anyOpaque = false;
    bool m_denseKeys = false;
};
