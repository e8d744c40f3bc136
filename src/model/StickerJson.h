// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Sticker.h"

#include <QByteArray>
#include <QList>
#include <optional>

// The stored form of the sticker list: a compact UTF-8 JSON array of records.
namespace StickerJson {

// Fails (no value) when any double is not finite; nothing partial is produced.
std::optional<QByteArray> encode(const QList<Sticker>& stickers);

// One record as encode writes it inside the array; encode is the records joined by commas
// in brackets.
std::optional<QByteArray> encodeRecord(const Sticker& sticker);

// Decodes the array as a whole: one failing record fails it all.
std::optional<QList<Sticker>> decode(const QByteArray& data);

} // namespace StickerJson
