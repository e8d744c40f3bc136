// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/MediaDecoding.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <memory>

// Decodes the frames of one decoded set on the main thread for every sticker that plays it. A
// frame decoded for one sticker serves the others as it is; a frame that no sticker shows any
// more is turned into a later one in place, touching only what changed between them.
class FrameSource final {
public:
    explicit FrameSource(std::shared_ptr<const DecodedMedia> media);

    const DecodedMedia& media() const { return *m_media; }
    qsizetype frameCount() const { return m_media->frames.size(); }
    // Frame index, from a frame kept here, or from the key frame before it.
    QImage frame(qsizetype index);

private:
    struct Slot {
        qsizetype index = -1;
        QImage image;
        quint64 lastUse = 0;
        bool ours = false; // our own buffer, which may be overwritten once nobody else holds it
    };

    Slot* find(qsizetype index);
    Slot& spareSlot(qsizetype index);
    void decodeFrom(const Slot* previous, qsizetype index, Slot& target);
    void prune();

    std::shared_ptr<const DecodedMedia> m_media;
    QList<Slot> m_slots;
    FrameStore::Scratch m_scratch;
    quint64 m_clock = 0;
};
