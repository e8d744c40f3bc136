// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <optional>
#include <vector>

// Frame delays read from a GIF's own Graphic Control Extensions. Qt's reader rewrites short
// delays, so the raw values come from the file's blocks; the pixels come from QImageReader.
namespace GifTiming {

// The delay in seconds, unclamped, of each image of the GIF in data, in image order; no value
// for an image without a GCE. Stops at the trailer, at malformed data, at the end of data or
// after maxImages images; never reads outside data. Not a GIF: an empty list.
std::vector<std::optional<double>> readDelays(QByteArrayView data, std::size_t maxImages = 100000);
// The same, read from device as it streams by.
std::vector<std::optional<double>> readDelays(QIODevice& device, std::size_t maxImages = 100000);

// The display time of a frame: the delay when above 0.02 s, else 0.02 s; 0.08 s without one.
double frameDuration(std::optional<double> delay);

inline constexpr double defaultDelay = 0.08;
inline constexpr double minimumDuration = 0.02;

} // namespace GifTiming
