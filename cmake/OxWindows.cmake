# The Windows build's part of the project (included by CMakeLists.txt when
# cross-compiling with cmake/mingw-w64-x86_64.cmake): the third-party
# libraries as static imported targets under the names the Linux build uses,
# the Win32 backend's sources, and how oxlen.dll is linked.

if(NOT OX_WINDOWS_DEPS)
  message(FATAL_ERROR "OX_WINDOWS_DEPS is not set: run scripts/windows-deps.sh and pass "
    "-DOX_WINDOWS_DEPS=<the folder it prints>")
endif()

# Every program and oxlen.dll carry the compiler's runtime (libgcc, libstdc++,
# winpthread) inside, so a game ships only oxlen.dll beside its .exe.
add_link_options(-static)
# windows.h would otherwise define min and max as macros; math.h defines M_PI
# only when asked.
add_compile_definitions(NOMINMAX _USE_MATH_DEFINES)

include(${CMAKE_CURRENT_LIST_DIR}/OxStaticPackage.cmake)
ox_static_package(GLEW glew)
ox_static_package(FREETYPE freetype2)
# libFLAC is built with stack protection (libssp); libmpg123 resolves paths
# with shlwapi.
ox_static_package(SNDFILE sndfile ssp shlwapi)
ox_static_package(MPG123 libmpg123 shlwapi)
ox_static_package(VORBISFILE vorbisfile)

# The system libraries the Win32 backend calls.
set(OX_WIN32_LIBRARIES gdiplus shlwapi ole32 winmm opengl32 gdi32 user32 kernel32)

function(ox_windows_library target)
  target_link_libraries(${target} PRIVATE PkgConfig::GLEW PkgConfig::FREETYPE PkgConfig::SNDFILE
    PkgConfig::MPG123 PkgConfig::VORBISFILE ${OX_WIN32_LIBRARIES} Threads::Threads)
  # oxlen.dll with liboxlen.dll.a; exactly the functions marked OX_API leave
  # it, and no symbol of the static libraries linked into it.
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME oxlen
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    IMPORT_PREFIX lib IMPORT_SUFFIX .dll.a)
  target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)
endfunction()
