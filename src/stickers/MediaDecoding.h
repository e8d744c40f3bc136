// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/FrameBudget.h"
#include "stickers/FrameStore.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

// Bounds that keep hostile or huge files from exhausting memory or time.
struct DecodeLimits {
    // One decoded set's share of the frame budget, so that no file takes what all the others
    // need: a quarter of the default budget.
    qint64 maxTotalFrameBytes = FrameBudget::defaultBytes / 4;
    int maxCanvasSide = 16384;   // refused before decoding
    int allocationLimitMb = 128; // one decoded image's pixels
    int maxFrames = 100000;

    // True when an image of size may be decoded: both sides in 1..maxCanvasSide and its 32-bit
    // pixels within allocationLimitMb.
    bool allowsImage(QSize size) const;
};

struct DecodeRequest {
    QString path;
    bool animated = false; // true: every frame with its duration; false: image 0 only
    QSize targetBox;       // device pixels the media is fitted into; empty: source size
    DecodeLimits limits;
    std::shared_ptr<FrameBudget> budget; // null: only the set's own share bounds it
    FrameStore::Coding coding = FrameStore::Coding::compressed;
};

// Frames in file order, each scaled to fit targetBox (never above the source size), in
// QImage::Format_ARGB32_Premultiplied; durations have the same length. Its lease holds the
// frames' bytes against the budget for as long as the set lives.
struct DecodedMedia {
    FrameStore frames;
    QList<double> durations;
    double aspectRatio = 1.0; // first image's width / max(height, 1), of the source
    QSize sourceSize;
    bool truncated = false;   // frames were left out to stay within the set's share or the budget
    bool cutByBudget = false; // frames were left out for the budget, not for the set's share
    // True when a set cut by the budget would at least double in a new decode: the budget has
    // room for it twice over. Each new decode doubles the set or completes it, so a set grows
    // back in a few steps and never decodes again for nothing.
    bool mayGrow() const;
    FrameBudget::Lease lease{nullptr, 0};

    bool isEmpty() const { return frames.isEmpty(); }
    qint64 byteCount() const { return frames.byteCount(); }
};

// Runs on a worker thread. Calls firstFrame (with the first frame and the aspect ratio) as soon
// as that frame is decoded, and checks cancelled between frames: a cancelled decode returns an
// empty result. An unreadable, missing or refused file gives an empty result, or the frames
// that decoded before the failure. HEIC and HEIF go through libheif. Photos come upright, turned
// as their orientation metadata says.
DecodedMedia decodeMedia(const DecodeRequest& request, const std::function<bool()>& cancelled = {},
                         const std::function<void(const QImage&, double)>& firstFrame = {});

// The size of image 0 scaled to fit box, never above source; box empty: source.
QSize fittedPixelSize(QSize source, QSize box);
