# SPDX-License-Identifier: GPL-3.0-or-later
# Media decoding sources of vantrel_desktop, relative to src/.
set(VANTREL_DECODING_SOURCES
    stickers/GifTiming.cpp
    stickers/GifTiming.h
    stickers/HeifDecoding.cpp
    stickers/HeifDecoding.h
    stickers/MediaDecoding.cpp
    stickers/MediaDecoding.h
)
