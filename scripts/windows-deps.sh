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
# FLAC's headers declare its functions as DLL imports unless told that the
# library is static.
libsndfile_options=(-DCMAKE_C_FLAGS=-DFLAC__NO_DLL)

# ---- Packages -------------------------------------------------------------

# Its own output goes to standard error: standard output's last line is the
# cache folder's path.
ensure_packages() {
  source "$root/scripts/packages.sh"
  OX_APT_OUTPUT=/dev/null ox_install_missing g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 cmake make pkg-config patch xz-utils bzip2 >&2
}

# ---- Libraries --------------------------------------------------------------

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
