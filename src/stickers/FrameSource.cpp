// SPDX-License-Identifier: GPL-3.0-or-later
#include "stickers/FrameSource.h"

#include <cstring>

namespace {

// Buffers nobody holds are kept for reuse, up to this many.
constexpr int spareBuffers = 2;

bool isSpare(const QImage& image) {
    return image.isDetached();
}

} // namespace

FrameSource::FrameSource(std::shared_ptr<const DecodedMedia> media)
    : m_media(std::move(media)) {}

FrameSource::Slot* FrameSource::find(qsizetype index) {
    for (Slot& slot : m_slots) {
        if (slot.index == index && !slot.image.isNull())
            return &slot;
    }
    return nullptr;
}

QImage FrameSource::frame(qsizetype index) {
    const FrameStore& store = m_media->frames;
    if (index < 0 || index >= store.size())
        return {};
    Slot* slot = find(index);
    if (!slot) {
        if (const QImage kept = store.uncompressedKey(index); !kept.isNull()) {
            m_slots.append(Slot{index, kept, 0, false});
            slot = &m_slots.last();
        } else {
            // The target first: adding a slot moves the others.
            Slot& target = spareSlot(index);
            const Slot* previous = store.isKey(index) ? nullptr : find(index - 1);
            decodeFrom(previous, index, target);
            slot = &target;
        }
    }
    slot->lastUse = ++m_clock;
    const QImage image = slot->image;
    prune();
    return image;
}

// A buffer of ours that nobody else holds: the one closest before index, which needs the least
// work, else the least recently used; or a new one.
FrameSource::Slot& FrameSource::spareSlot(qsizetype index) {
    const auto rank = [index](const Slot& slot) {
        const qsizetype behind = index - slot.index;
        return behind == 1 || behind == 2 ? behind : 3;
    };
    Slot* best = nullptr;
    for (Slot& slot : m_slots) {
        if (!slot.ours || !isSpare(slot.image))
            continue;
        if (!best || rank(slot) < rank(*best) ||
            (rank(slot) == rank(*best) && slot.lastUse < best->lastUse))
            best = &slot;
    }
    if (best)
        return *best;
    m_slots.append(Slot{
        -1, QImage(m_media->frames.frameSize(), QImage::Format_ARGB32_Premultiplied), 0, true});
    return m_slots.last();
}

void FrameSource::decodeFrom(const Slot* previous, qsizetype index, Slot& target) {
    const FrameStore& store = m_media->frames;
    if (previous == &target) {
        // Nobody shows the frame before any more: it becomes this one where it lies.
    } else if (previous && index >= 2 && target.index == index - 2) {
        // The two frames differ only where the earlier one changed.
        const QRect changed = store.changedRect(index - 1);
        for (int y = changed.top(); y <= changed.bottom(); ++y)
            std::memcpy(target.image.scanLine(y) + changed.left() * 4,
                        previous->image.constScanLine(y) + changed.left() * 4,
                        std::size_t(changed.width()) * 4);
    } else if (previous) {
        std::memcpy(target.image.bits(), previous->image.constBits(),
                    std::size_t(previous->image.sizeInBytes()));
    } else {
        // No frame before it at hand: decode from the key frame before it.
        qsizetype key = index;
        while (!store.isKey(key))
            --key;
        for (qsizetype at = key; at < index; ++at)
            store.decode(at, target.image, m_scratch);
    }
    store.decode(index, target.image, m_scratch);
    target.index = index;
}

void FrameSource::prune() {
    int spare = 0;
    for (qsizetype i = m_slots.size() - 1; i >= 0; --i) {
        const Slot& slot = m_slots[i];
        if (!isSpare(slot.image))
            continue;
        // Frames that live in the store cost nothing to find again; a few buffers are reused.
        if (!slot.ours || ++spare > spareBuffers)
            m_slots.removeAt(i);
    }
}
