# SPDX-License-Identifier: GPL-3.0-or-later
# Windowing-service tests, relative to tests/.
set(VANTREL_PLATFORM_TESTS
    platform/ScreenCoordinatesTest.cpp
)
