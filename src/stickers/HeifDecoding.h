// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stickers/MediaDecoding.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>

// HEIC and HEIF through libheif, which Qt's image plugins do not read.
namespace HeifDecoding {

// True when data opens with an ftyp box of a brand libheif knows (heic, heix, mif1, msf1, ...).
bool isHeif(QByteArrayView data);

// The primary image of the file at path with its transformations applied, in
// QImage::Format_ARGB32_Premultiplied; a null image when it cannot be read, or when it exceeds
// limits.maxCanvasSide or limits.allocationLimitMb, which is checked before decoding. libheif
// reads only the parts of the file that image needs.
QImage decodePrimaryImage(const QString& path, const DecodeLimits& limits);

} // namespace HeifDecoding
