# SPDX-License-Identifier: GPL-3.0-or-later
# Decoding tests, relative to tests/; built into vantrel_desktop_tests.
set(VANTREL_DECODING_TESTS
    stickers/MediaDecodingTest.cpp
)
