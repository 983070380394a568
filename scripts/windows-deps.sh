#!/usr/bin/env bash
# Builds the third-party libraries of the Windows build that Debian ships only
# for Linux (FreeType, GLEW, libsndfile with the codecs it decodes through:
# libogg, libvorbis, libFLAC, libopus, libmpg123 and LAME, without which
# libsndfile leaves MP3 out) as static MinGW-w64 libraries, from Debian's own
# source packages with Debian's patches applied. Everything lands in one
# cache folder (default .cache/windows-deps, ignored by git; OX_WINDOWS_DEPS
# overrides it); a library is built only when its stamp there is missing.
# Prints the cache folder's path on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cache=${OX_WINDOWS_DEPS:-$root/.cache/windows-deps}
prefix=$cache
jobs=2
triplet=x86_64-w64-mingw32
toolchain=$root/cmake/mingw-w64-x86_64.cmake

log() { echo "windows-deps: $*" >&2; }

# ---- Packages -------------------------------------------------------------

# Its own output goes to standard error: standard output's last line is the
# cache folder's path.
ensure_packages() {
  source "$root/scripts/packages.sh"
  OX_APT_OUTPUT=/dev/null ox_install_missing g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 cmake make pkg-config patch xz-utils bzip2 >&2
}

# Source packages come from the archive this machine already installs from:
# its deb entries are copied as deb-src entries when there are none yet.
ensure_deb_src() {
  if apt-cache showsrc libogg 2>/dev/null | grep -q '^Package:'; then return; fi
  log "adding deb-src entries for the configured archive"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/oxlen-deb-src.sources
  elif [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list \
      > /etc/apt/sources.list.d/oxlen-deb-src.list
  fi
  apt-get update -qq
}

# ---- Sources --------------------------------------------------------------

# Fetches a source package into downloads/ and unpacks it, with Debian's
# patches, into src/<package>; sets `source` to that folder and `version` to
# the package's version.
unpack() {
  local package=$1
  version=$(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | head -1)
  local upstream=${version#*:}
  upstream=${upstream%-*}
  mkdir -p "$cache/downloads"
  if ! ls "$cache/downloads/${package}_${upstream}.orig.tar."* > /dev/null 2>&1; then
    log "fetching $package $version"
    # A missing upstream signature (.asc) fails the download of that file
    # only; the tarballs are checked below by unpacking them.
    (cd "$cache/downloads" && apt-get source --download-only -qq "$package=$version" \
      > /dev/null 2>&1) || true
  fi
  local orig
  orig=$(ls "$cache/downloads/${package}_${upstream}.orig.tar."* 2>/dev/null | grep -v '\.asc$' | head -1)
  [ -n "$orig" ] || { log "no source tarball for $package $version"; exit 1; }
  source=$cache/src/$package
  rm -rf "$source"
  mkdir -p "$source"
  tar -xf "$orig" -C "$source" --strip-components=1
  # Extra upstream tarballs (FreeType's documentation) unpack into folders of
  # their component's name, where Debian's patches expect them.
  local component name
  for component in "$cache/downloads/${package}_${upstream}.orig-"*.tar.*; do
    case "$component" in *.asc|*'*'*) continue ;; esac
    name=${component##*.orig-}
    name=${name%%.tar.*}
    mkdir -p "$source/$name"
    tar -xf "$component" -C "$source/$name" --strip-components=1
  done
  local debian
  debian=$(ls "$cache/downloads/${package}_${version#*:}.debian.tar."* 2>/dev/null | head -1)
  if [ -n "$debian" ]; then
    tar -xf "$debian" -C "$source"
    if [ -f "$source/debian/patches/series" ]; then
      local patch
      while read -r patch _; do
        case "$patch" in ''|'#'*) continue ;; esac
        patch -d "$source" -p1 -s -t --forward < "$source/debian/patches/$patch"
      done < "$source/debian/patches/series"
    fi
  fi
}

stamp_of() { echo "$prefix/stamps/$1"; }

# What a stamp records: the source version and the recipe that built it, so
# that a changed recipe rebuilds its library.
stamp_text() { echo "$version $(declare -f "build_$1" | md5sum | cut -c1-12)"; }

done_building() {
  mkdir -p "$prefix/stamps"
  stamp_text "$1" > "$(stamp_of "$1")"
  rm -rf "$cache/src/$1" "$cache/build/$1"
}

cmake_build() {
  local name=$1
  shift
  local build=$cache/build/$name
  rm -rf "$build"
  cmake -S "$source" -B "$build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DOX_WINDOWS_DEPS="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_POLICY_DEFAULT_CMP0074=NEW "$@" > "$cache/logs/$name.log" 2>&1
  cmake --build "$build" -j"$jobs" >> "$cache/logs/$name.log" 2>&1
  cmake --install "$build" >> "$cache/logs/$name.log" 2>&1
}

build() {
  local package=$1
  version=$(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | head -1)
  if [ -f "$(stamp_of "$package")" ] &&
     [ "$(cat "$(stamp_of "$package")")" = "$(stamp_text "$package")" ]; then
    return
  fi
  mkdir -p "$cache/logs"
  unpack "$package"
  log "building $package $version"
  # In a subshell of its own, outside any condition, so that the first
  # failing step ends the build.
  local status=0
  set +e
  (set -e; "build_$package") 2>> "$cache/logs/$package.log"
  status=$?
  set -e
  if [ $status -ne 0 ]; then
    log "building $package failed; its log: $cache/logs/$package.log"
    tail -20 "$cache/logs/$package.log" >&2
    exit 1
  fi
  done_building "$package"
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

# Builds the libraries named, one after another.
build_chain() {
  local package
  for package in "$@"; do build "$package"; done
}

ensure_packages
ensure_deb_src
# Two independent chains side by side, one compiler job each: most of the
# time goes into configuring, which runs on one core. libsndfile, which
# links every codec, comes last, with both jobs.
jobs=1
build_chain libogg libvorbis flac freetype glew &
first=$!
build_chain opus mpg123 lame &
second=$!
status=0
wait "$first" || status=1
wait "$second" || status=1
[ $status -eq 0 ] || exit 1
jobs=2
build libsndfile
echo "$prefix"
