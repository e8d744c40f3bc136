# SPDX-License-Identifier: GPL-3.0-or-later
# Windowing-service sources of vantrel_desktop, relative to src/.
set(VANTREL_PLATFORM_SOURCES
    platform/ExitHook.cpp
    platform/ExitHook.h
    platform/MemoryRelease.cpp
    platform/MemoryRelease.h
    platform/NullWindowingServices.h
    platform/QuitSignals.cpp
    platform/QuitSignals.h
    platform/RuntimeDirectory.cpp
    platform/RuntimeDirectory.h
    platform/ScreenCoordinates.cpp
    platform/ScreenCoordinates.h
    platform/WindowingServices.cpp
    platform/WindowingServices.h
    platform/x11/DesktopLevelKeeper.cpp
    platform/x11/DesktopLevelKeeper.h
    platform/x11/X11WindowingServices.cpp
    platform/x11/X11WindowingServices.h
    platform/x11/Xcb.cpp
    platform/x11/Xcb.h
)
