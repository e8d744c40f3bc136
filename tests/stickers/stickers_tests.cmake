# SPDX-License-Identifier: GPL-3.0-or-later
# Sticker view, window and manager tests, relative to tests/; built into vantrel_desktop_tests.
set(VANTREL_STICKERS_TESTS
    stickers/FakeFrameTimer.h
    stickers/FramePlayerTest.cpp
    stickers/FrameStoreTest.cpp
    stickers/MediaCacheTest.cpp
    stickers/RecordingWindowingServices.h
    stickers/StickerNSViewTest.cpp
    stickers/StickerStyleTest.cpp
    stickers/StickerWindowManagerTest.cpp
    stickers/StickerWindowTest.cpp
)
