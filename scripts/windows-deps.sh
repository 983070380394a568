#!/usr/bin/env bash
# Builds the third-party libraries of the Windows build that Debian ships only
# for Linux (FreeType, GLEW, libsndfile with the codecs it decodes through:
# libogg, libvorbis, libFLAC, libopus, libmpg123 and LAME, without which
# libsndfile leaves MP3 out) as static MinGW-w64 libraries, from Debian's own
# source packages with Debian's patches applied (scripts/cross-deps.sh).
# Everything lands in one cache folder outside the clone (default
# ~/.cache/oxlen/windows; OX_DEPS_CACHE moves the parent folder,
# OX_WINDOWS_DEPS names this one); a library is built only when its stamp
# there is missing or out of date. versions.txt there lists the Debian
# versions built. Prints the cache folder's path on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source "$root/scripts/cross-deps.sh"
deps_name=windows-deps
cache=${OX_WINDOWS_DEPS:-$(cross_deps_cache windows)}
prefix=$cache
jobs=2
triplet=x86_64-w64-mingw32
toolchain=$root/cmake/mingw-w64-x86_64.cmake
cmake_configure=(cmake -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DOX_WINDOWS_DEPS="$prefix")
target_settings=

# ---- Packages -------------------------------------------------------------

# Its own output goes to standard error: standard output's last line is the
# cache folder's path.
ensure_packages() {
  source "$root/scripts/packages.sh"
  OX_APT_OUTPUT=/dev/null ox_install_missing g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 cmake make pkg-config patch xz-utils bzip2 >&2
}

# ---- Libraries --------------------------------------------------------------

build_libogg() {
  cmake_build libogg -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
}

build_libvorbis() {
  cmake_build libvorbis -DBUILD_TESTING=OFF
}

build_flac() {
  cmake_build flac -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DWITH_OGG=ON
}

build_opus() {
  # The release tarball leaves out the file that only picks a default build
  # type; the build type is given here anyway.
  [ -f "$source/opus_buildtype.cmake" ] || : > "$source/opus_buildtype.cmake"
  cmake_build opus -DOPUS_BUILD_TESTING=OFF -DOPUS_BUILD_PROGRAMS=OFF -DBUILD_TESTING=OFF \
    -DOPUS_STACK_PROTECTOR=OFF
}

build_mpg123() {
  # Built without its console messages: the library writes nothing to
  # standard error, and damaged MP3 files would otherwise make it. Besides
  # its message macros, the decoder prints a few notes itself unless a
  # handle is marked quiet, which libsndfile does not do: every handle is.
  sed -i 's/^#define NOQUIET .*/#define NOQUIET 0/' "$source/src/libmpg123/mpg123lib_intern.h"
  grep -q '^#define NOQUIET 0$' "$source/src/libmpg123/mpg123lib_intern.h"
  # The CMake build lives in ports/cmake; only the decoder library is needed.
  source=$source/ports/cmake
  cmake_build mpg123 -DBUILD_PROGRAMS=OFF -DBUILD_LIBOUT123=OFF -DBUILD_LIBSYN123=OFF \
    -DNO_MESSAGES=ON
}

build_lame() {
  # LAME has only its Autotools build: the encoder library alone.
  local build=$cache/build/lame
  rm -rf "$build"
  mkdir -p "$build"
  (cd "$build" && "$source/configure" --host=$triplet --prefix="$prefix" \
      CC=$triplet-gcc-posix --enable-static --disable-shared --disable-frontend \
      --disable-decoder --disable-gtktest --disable-analyzer-hooks \
      && make -j"$jobs" -C libmp3lame && make -C libmp3lame install \
      && make -C include install) > "$cache/logs/lame.log" 2>&1
}

build_libsndfile() {
  # FLAC's headers declare its functions as DLL imports unless told that the
  # library is static.
  cmake_build libsndfile -DCMAKE_C_FLAGS=-DFLAC__NO_DLL -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
    -DENABLE_CPACK=OFF -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=ON -DINSTALL_MANPAGES=OFF \
    -DENABLE_PACKAGE_CONFIG=ON -DINSTALL_PKGCONFIG_MODULE=ON
}

build_freetype() {
  # Outline and bitmap fonts only: no compressed, PNG-coloured or shaped text.
  cmake_build freetype -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
}

build_glew() {
  # GLEW's generated loader is one source file; compiled as a static library.
  local build=$cache/build/glew
  rm -rf "$build"
  mkdir -p "$build" "$prefix/lib" "$prefix/include/GL" "$prefix/lib/pkgconfig"
  $triplet-gcc-posix -O2 -DGLEW_STATIC -DGLEW_NO_GLU -I"$source/include" \
    -c "$source/src/glew.c" -o "$build/glew.o"
  $triplet-ar rcs "$prefix/lib/libglew32.a" "$build/glew.o"
  cp "$source"/include/GL/*.h "$prefix/include/GL/"
  cat > "$prefix/lib/pkgconfig/glew.pc" <<EOF
prefix=$prefix
Name: glew
Description: The OpenGL Extension Wrangler library (static)
Version: ${version%%-*}
Cflags: -I\${prefix}/include -DGLEW_STATIC -DGLEW_NO_GLU
Libs: -L\${prefix}/lib -lglew32 -lopengl32
EOF
}

# ---- Main -----------------------------------------------------------------

ensure_packages
ensure_deb_src
mkdir -p "$cache"
# libsndfile, which links every codec, comes last, with both jobs.
build_chains "libogg libvorbis flac freetype glew" "opus mpg123 lame"
jobs=2
build libsndfile
record_versions
echo "$prefix"
