// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowingServices.h"

#include "platform/NullWindowingServices.h"
#include "platform/x11/X11WindowingServices.h"

#include <QGuiApplication>

std::unique_ptr<WindowingServices> createWindowingServices() {
    if (QGuiApplication::platformName() == u"xcb") {
        if (auto x11 = X11WindowingServices::create())
            return x11;
    }
    return std::make_unique<NullWindowingServices>();
}
