// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <functional>

// Bounds that keep hostile or huge files from exhausting memory or time.
struct DecodeLimits {
    qint64 maxTotalFrameBytes = qint64(256) * 1024 * 1024; // one sticker's frames together
    int maxCanvasSide = 16384;                             // refused before decoding
    int allocationLimitMb = 128;                           // one decoded image's pixels
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
};

// Frames in file order, each scaled to fit targetBox (never above the source size), in
// QImage::Format_ARGB32_Premultiplied; durations have the same length.
struct DecodedMedia {
    QList<QImage> frames;
    QList<double> durations;
    double aspectRatio = 1.0; // first image's width / max(height, 1), of the source
    QSize sourceSize;
    qint64 byteCount = 0;
    bool truncated = false; // frames were left out to stay within maxTotalFrameBytes

    bool isEmpty() const { return frames.isEmpty(); }
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
