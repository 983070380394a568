# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers, the
# posix-threads variant (the one whose libstdc++ has std::thread). Installed
# with the Windows package as lib/cmake/Oxlen/mingw-w64-x86_64.cmake for a
# game's own build (-DCMAKE_PREFIX_PATH=<the package's prefix>).
# OX_WINDOWS_DEPS names the folder where scripts/windows-deps.sh installed the
# third-party libraries; they and the MinGW headers are the only places
# searched for libraries and headers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${OX_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${OX_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${OX_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT OX_WINDOWS_DEPS AND DEFINED ENV{OX_WINDOWS_DEPS})
  set(OX_WINDOWS_DEPS $ENV{OX_WINDOWS_DEPS})
endif()
# Try-compile projects get the setting too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OX_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${OX_MINGW_TRIPLET})
# Packages are searched only under the root paths: the prefixes a game's
# build names (an installed engine) are roots too.
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
if(OX_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${OX_WINDOWS_DEPS})
  # pkg-config reads only the .pc files of the cross-built libraries.
  set(ENV{PKG_CONFIG_LIBDIR} ${OX_WINDOWS_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs and discovery run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
