# SPDX-License-Identifier: GPL-3.0-or-later
# Media decoding sources of vantrel_desktop, relative to src/.
set(VANTREL_DECODING_SOURCES
    stickers/FrameBudget.cpp
    stickers/FrameBudget.h
    stickers/FrameStore.cpp
    stickers/FrameStore.h
    stickers/GifTiming.cpp
    stickers/GifTiming.h
    stickers/HeifDecoding.cpp
    stickers/HeifDecoding.h
    stickers/MediaDecoding.cpp
    stickers/MediaDecoding.h
)
