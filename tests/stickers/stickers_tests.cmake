# SPDX-License-Identifier: GPL-3.0-or-later
# Sticker view, window and manager tests, relative to tests/; built into vantrel_desktop_tests.
set(VANTREL_STICKERS_TESTS
    stickers/FakeFrameTimer.h
    stickers/FramesTest.cpp
    stickers/StickerStyleTest.cpp
    stickers/StickerWindowsTest.cpp
)
