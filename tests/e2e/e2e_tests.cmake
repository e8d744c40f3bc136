# SPDX-License-Identifier: GPL-3.0-or-later
# The real program on a private X server, relative to tests/.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VANTREL_XSESSION_XCB REQUIRED IMPORTED_TARGET xcb xau)

# Xvfb with openbox and xcompmgr, for every end-to-end test.
add_library(vantrel_xsession STATIC
    support/XSession.cpp
    support/XSession.h
)
target_include_directories(vantrel_xsession PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vantrel_xsession PUBLIC Qt6::Gui Qt6::Core
                      PRIVATE vantrel_options PkgConfig::VANTREL_XSESSION_XCB)

add_executable(vantrel_e2e_tests
    e2e/DesktopMatrixTest.cpp
    e2e/FirstRunAndTrayTest.cpp
    e2e/ProgramOnXServer.cpp
    e2e/ProgramOnXServer.h
    e2e/StickersOnDesktopTest.cpp
)
target_link_libraries(vantrel_e2e_tests PRIVATE vantrel_test_support vantrel_xsession vantrel_options)
target_compile_definitions(vantrel_e2e_tests PRIVATE VANTREL_BINARY="$<TARGET_FILE:vantrel>")
add_dependencies(vantrel_e2e_tests vantrel)
gtest_discover_tests(vantrel_e2e_tests PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
