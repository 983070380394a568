# The test suite's Windows part (included by tests/CMakeLists.txt): GoogleTest
# built from Debian's sources with the cross compiler, the Win32 twins of the
# platform-specific test helpers, and stand-ins under the names of the Linux
# helpers' libraries so that the rest of the test build reads the same.

# GoogleTest from the googletest package's sources (it names itself
# GTest::gtest); the tests' main is the suite's own
# (tests/support/win32/OxTestMain.cpp), which also serves the child
# processes of RunInChild.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
add_library(ox_test_main STATIC ${CMAKE_CURRENT_LIST_DIR}/../tests/support/win32/OxTestMain.cpp)
target_include_directories(ox_test_main PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests/support)
target_link_libraries(ox_test_main PUBLIC gtest ox_test_support)
set(OX_TEST_MAIN ox_test_main)

# Stand-ins: what links the X11 and XTest helpers links their user32 twin;
# the image writers of SDL2_image, libpng and libjpeg are GDI+'s encoders or
# written byte by byte; there is no WebP writer; the mixer's SDL2 device is
# waveOut.
add_library(X11::X11 INTERFACE IMPORTED)
set_target_properties(X11::X11 PROPERTIES INTERFACE_LINK_LIBRARIES "user32;gdi32"
  INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_CURRENT_LIST_DIR}/../tests/support/standin)
add_library(X11::Xtst INTERFACE IMPORTED)
add_library(PkgConfig::SDL2_IMAGE INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2_IMAGE PROPERTIES INTERFACE_LINK_LIBRARIES "gdiplus;ole32")
add_library(PkgConfig::WEBP INTERFACE IMPORTED)
add_library(PkgConfig::PNG INTERFACE IMPORTED)
add_library(PkgConfig::JPEG INTERFACE IMPORTED)
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2 PROPERTIES INTERFACE_LINK_LIBRARIES "${OX_WIN32_LIBRARIES}")

# The support sources: the POSIX and X11 ones are replaced by their twins.
macro(ox_windows_test_support sources)
  list(FILTER ${sources} EXCLUDE REGEX "/support/(OxTestSupport|OxX11Support|OxImageEncoders|OxGamepadSupport)\\.cpp$")
  file(GLOB OX_WIN32_SUPPORT CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../tests/support/win32/Ox*Win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../tests/support/win32/OxWin32Support.cpp)
  list(APPEND ${sources} ${OX_WIN32_SUPPORT})
endmacro()

# The XInput pad test runs beside a stand-in xinput1_4.dll (in a folder of
# their own, so that no other program loads it); Wine is told to take the
# DLL found there over its own.
function(ox_windows_xinput_test)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/xinput)
  add_library(ox_xinput_stand_in SHARED
    ${PROJECT_SOURCE_DIR}/tests/support/win32/OxXInputStandIn.c
    ${PROJECT_SOURCE_DIR}/tests/support/win32/OxXInputStandIn.def)
  set_target_properties(ox_xinput_stand_in PROPERTIES PREFIX "" OUTPUT_NAME xinput1_4
    RUNTIME_OUTPUT_DIRECTORY ${folder})
  add_executable(xinput_pad_test ${PROJECT_SOURCE_DIR}/tests/win32/xinput_pad_test.cpp)
  target_compile_options(xinput_pad_test PRIVATE -Wall -Wextra)
  target_link_libraries(xinput_pad_test PRIVATE ox_test_support ${OX_TEST_MAIN})
  set_target_properties(xinput_pad_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${folder})
  add_dependencies(xinput_pad_test ox_xinput_stand_in)
  gtest_discover_tests(xinput_pad_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30
    PROPERTIES TIMEOUT 120 ENVIRONMENT "WINEDLLOVERRIDES=xinput1_4=n" LABELS display)
endfunction()
