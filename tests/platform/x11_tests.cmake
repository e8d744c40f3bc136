# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end tests of the X11 windowing services on a private X server, relative to tests/.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VANTREL_XSESSION_XCB REQUIRED IMPORTED_TARGET xcb)

# Xvfb with openbox and xcompmgr, for every end-to-end test.
add_library(vantrel_xsession STATIC
    support/XSession.cpp
    support/XSession.h
)
target_include_directories(vantrel_xsession PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vantrel_xsession PUBLIC Qt6::Gui Qt6::Core
                      PRIVATE vantrel_options PkgConfig::VANTREL_XSESSION_XCB)

# Its own main: the QApplication has to come up on the private server.
add_executable(vantrel_x11_tests platform/X11WindowingServicesTest.cpp)
target_link_libraries(vantrel_x11_tests PRIVATE vantrel_desktop vantrel_xsession GTest::gtest
                      Qt6::Test vantrel_options)
gtest_discover_tests(vantrel_x11_tests PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
