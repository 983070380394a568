#!/usr/bin/env bash
# Builds the third-party libraries of the Web build as static WebAssembly
# libraries for Emscripten, from Debian's own source packages with Debian's
# patches applied (scripts/cross-deps.sh): zlib, libpng, libjpeg-turbo,
# FreeType, SDL2, SDL2_image with libwebp, and libsndfile with the codecs it
# reads and writes through (libogg, libvorbis, libFLAC, libopus, libmpg123,
# LAME). Emscripten's own ports would download their sources; these are
# built here instead. Everything lands in one cache folder outside the clone
# (default ~/.cache/oxlen/web; OX_DEPS_CACHE moves the parent folder,
# OX_WEB_DEPS names this one), each library with a pkg-config module in
# lib/pkgconfig; a library is built only when its stamp there is missing or
# out of date. versions.txt there lists the Debian versions built. The
# libraries' configure checks, recorded once in scripts/web/checks/, are not
# run again (a third of the time on a fresh machine); a library whose
# version or recipe has changed since then configures from scratch and
# leaves a new record in the cache's checks/ folder.
#
# Programs linking SDL2 need the link flag that sdl2.pc's Libs line carries:
# --js-library=<cache>/share/oxlen-web/sdl2-library.js, which keeps two
# functions of Emscripten's runtime that SDL's audio code calls.
#
# Prints the cache folder's path on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source "$root/scripts/cross-deps.sh"
deps_name=web-deps
cache=${OX_WEB_DEPS:-$(cross_deps_cache web)}
checks_dir=$root/scripts/web/checks
jobs=2

# Emscripten's tools run on Debian's Node.js modules (acorn and the like),
# which a Node.js from elsewhere does not look for.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# Debian's emcc runs the first python3 on the PATH; a version manager's shim
# there costs more than the compiler on the many small configure checks.
[ ! -x /usr/bin/python3 ] || export EMSDK_PYTHON=/usr/bin/python3
# pkg-config finds the libraries of the cache only, never the host's ones;
# emconfigure takes its search path from EM_PKG_CONFIG_PATH.
export PKG_CONFIG_LIBDIR=$cache/lib/pkgconfig PKG_CONFIG_PATH= EM_PKG_CONFIG_PATH=$cache/lib/pkgconfig

# ---- Packages -------------------------------------------------------------

# Its own output goes to standard error: standard output's last line is the
# cache folder's path.
ensure_packages() {
  source "$root/scripts/packages.sh"
  source "$root/scripts/web-env.sh"
  OX_APT_OUTPUT=/dev/null ox_install_missing "${OX_WEB_PACKAGES[@]}" >&2
}

# ---- Target settings ------------------------------------------------------

# CMake's check_type_size finds sizes by compiling a program and reading the
# numbers out of the binary, which Emscripten's JavaScript output does not
# hold: the libraries' checks get wasm32's sizes here instead. Each check
# sets two variables, its own and HAVE_ with its name.
write_initial_cache() {
  local name size
  mkdir -p "$cache/build"
  {
    echo "# wasm32 type sizes for check_type_size (written by scripts/web-deps.sh)"
    while read -r name size; do
      echo "set($name $size CACHE INTERNAL \"\")"
      echo "set(HAVE_$name TRUE CACHE INTERNAL \"\")"
    done <<'EOF'
INT16_SIZE 2
UINT16_SIZE 2
U_INT16_SIZE 2
INT32_SIZE 4
UINT32_SIZE 4
U_INT32_SIZE 4
INT64_SIZE 8
SHORT_SIZE 2
INT_SIZE 4
LONG_SIZE 4
LONG_LONG_SIZE 8
SIZE_T 4
UNSIGNED_LONG 4
OFF64_T 8
SIZEOF_INT64_T 8
SIZEOF_LONG 4
SIZEOF_LONG_LONG 8
SIZEOF_SSIZE_T 4
SIZEOF_WCHAR_T 4
SIZEOF_VOIDP 4
SIZEOF_OFF_T 8
SIZEOF_OFF64_T 8
EOF
  } > "$cache/build/wasm32-sizes.cmake"
}

# Emscripten's CMake toolchain asks emcc for its versions (two runs of
# emcc -v) each time CMake reads it, that is for every one of the hundreds of
# configure checks the libraries make: this one gives them once.
write_toolchain() {
  local about clang emscripten
  about=$(emcc -v 2>&1)
  clang=$(sed -n 's/.*clang version \([0-9.]*\).*/\1/p' <<< "$about" | head -1)
  emscripten=$(sed -n 's/^emcc (.*) \([0-9.]*\).*/\1/p' <<< "$about" | head -1)
  [ -n "$clang" ] && [ -n "$emscripten" ] || { log "cannot read emcc -v: $about"; exit 1; }
  mkdir -p "$cache/build"
  cat > "$cache/build/emscripten.cmake" <<EOF
# Emscripten's toolchain with the versions it would ask emcc for (written by
# scripts/web-deps.sh)
set(CMAKE_C_COMPILER_VERSION $clang)
set(CMAKE_CXX_COMPILER_VERSION $clang)
set(EMSCRIPTEN_VERSION $emscripten)
include($(em-config EMSCRIPTEN_ROOT)/cmake/Modules/Platform/Emscripten.cmake)
EOF
}

set_target() {
  write_initial_cache
  write_toolchain
  # Programs that CMake runs while configuring (check_c_source_runs) run
  # under Node.js, which loads Emscripten 3.1.6's output only without its
  # fetch(). The cache's libraries are found as well as Emscripten's own.
  # The few programs that the libraries' builds link (tools and tests, never
  # used here) link unoptimised, which takes Emscripten a fraction of the
  # time.
  cmake_configure=(emcmake cmake -C "$cache/build/wasm32-sizes.cmake"
    -DCMAKE_TOOLCHAIN_FILE="$cache/build/emscripten.cmake"
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch"
    -DCMAKE_FIND_ROOT_PATH="$cache" -DCMAKE_EXE_LINKER_FLAGS=-O0)
  # A new Emscripten or new sizes rebuild everything.
  target_settings=$(cat "$cache/build/emscripten.cmake" "$cache/build/wasm32-sizes.cmake" | md5sum)
  # Emscripten calls its target x86, whose SSE, AVX and assembly code does
  # not compile to WebAssembly.
  flac_options=(-DWITH_STACK_PROTECTOR=OFF -DWITH_AVX=OFF -DWITH_ASM=OFF)
  local extension
  for extension in SSE SSE2 SSE4_1 AVX; do
    opus_options+=(-DOPUS_X86_MAY_HAVE_$extension=OFF -DOPUS_X86_PRESUME_$extension=OFF)
  done
  # mpg123's type size checks use CheckTypeSize without including it
  # (another module does on other targets): included after its project().
  echo 'include(CheckTypeSize)' > "$cache/build/mpg123-project.cmake"
  mpg123_options=(-DCMAKE_PROJECT_INCLUDE="$cache/build/mpg123-project.cmake")
}

# Writes lib/pkgconfig/<name>.pc for a library whose build installs none.
# Arguments: the module's name, its description, then its Libs, Cflags and
# Requires lines.
write_pc() {
  local upstream=${version#*:}
  mkdir -p "$cache/lib/pkgconfig"
  cat > "$cache/lib/pkgconfig/$1.pc" <<EOF
prefix=$cache
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: $1
Description: $2
Version: ${upstream%%[-+]*}
Requires: ${5:-}
Libs: $3
Cflags: $4
EOF
}

# ---- Libraries ------------------------------------------------------------

build_zlib() {
  # zlib's own configure script (its CMake build fails on Debian's tarball).
  (cd "$source" && emconfigure ./configure --static --prefix="$cache" \
    && emmake make -j"$jobs" libz.a && emmake make install) > "$cache/logs/zlib.log" 2>&1
}

build_libpng1.6() {
  # No SIMD code: its x86 filters do not compile to WebAssembly.
  cmake_build libpng1.6 -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DZLIB_ROOT="$cache"
}

build_libjpeg-turbo() {
  # The libjpeg (6b) interface alone, as Debian's libjpeg62-turbo, without
  # the x86 SIMD code.
  cmake_build libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DCMAKE_INSTALL_DEFAULT_LIBDIR=lib
}

build_freetype() {
  # Outline and bitmap fonts only: no PNG-coloured or shaped text. Unlike on
  # Windows, its gzip reader uses the cache's zlib: its own copy of zlib
  # exports the same functions, which clash with zlib's when a program links
  # both (as libpng makes it).
  cmake_build freetype -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
}

build_libsdl2() {
  # Video (WebGL through OpenGL ES 2), events, joysticks and game
  # controllers, timers and audio; no threads (a page without
  # SharedArrayBuffer) and no test library.
  cmake_build libsdl2 -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_TESTS=OFF \
    -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_HIDAPI=OFF -DSDL_CCACHE=OFF \
    -DSDL2_DISABLE_SDL2MAIN=ON -DSDL2_DISABLE_UNINSTALL=ON
  # SDL's audio code calls two functions of Emscripten's JavaScript library
  # that this Emscripten leaves out unless asked for: a JavaScript library
  # file asks for them, and sdl2.pc passes it to the linker.
  local share=$cache/share/oxlen-web
  mkdir -p "$share"
  cat > "$share/sdl2-library.js" <<'EOF'
// Linked with --js-library by every program that links SDL2: SDL's audio
// code calls these functions of Emscripten's runtime, which are left out
// unless something asks for them.
DEFAULT_LIBRARY_FUNCS_TO_INCLUDE.push('$autoResumeAudioContext', '$dynCall');
EOF
  sed -i "s|^Libs: .*|& --js-library=$share/sdl2-library.js|" "$cache/lib/pkgconfig/sdl2.pc"
  grep -q -- '--js-library=' "$cache/lib/pkgconfig/sdl2.pc"
}

build_libwebp() {
  # The decoder, encoder, demuxer and muxer libraries, without threads,
  # SIMD or tools.
  cmake_build libwebp -DWEBP_ENABLE_SIMD=OFF -DWEBP_USE_THREAD=OFF -DWEBP_BUILD_ANIM_UTILS=OFF \
    -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF \
    -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF \
    -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF -DWEBP_BUILD_WEBP_JS=OFF
}

build_libsdl2-image() {
  # BMP, GIF, TGA, PNM and WebP as the engine loads them, and SDL_image's
  # other formats that need no further library; PNG and JPEG through its
  # built-in decoders (the engine has its own libpng and libjpeg ones).
  cmake_build libsdl2-image -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_VENDORED=OFF \
    -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_BACKEND_STB=ON \
    -DSDL2IMAGE_WEBP=ON -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_TIF=OFF \
    -DSDL2IMAGE_SVG=OFF
  # SDL_image writes its module only when built as a shared library.
  write_pc SDL2_image "image loading library for Simple DirectMedia Layer" \
    "-L\${libdir} -lSDL2_image -lwebp" "-I\${includedir}/SDL2" sdl2
}

build_lame() {
  # LAME has only its Autotools build: the encoder library alone. Its
  # config.sub predates Emscripten's own name for the target.
  local build=$cache/build/lame record
  rm -rf "$build"
  mkdir -p "$build"
  record=$(checks_record lame site)
  (cd "$build" && CONFIG_SITE=${record:-/dev/null} emconfigure "$source/configure" \
      --cache-file="$build/config.cache" --host=wasm32-unknown-none --prefix="$cache" \
      --enable-static --disable-shared --disable-frontend --disable-decoder \
      --disable-gtktest --disable-analyzer-hooks \
      && emmake make -j"$jobs" -C libmp3lame && emmake make -C libmp3lame install \
      && emmake make -C include install) > "$cache/logs/lame.log" 2>&1
  [ -n "$record" ] || record_autoconf_checks lame "$build/config.cache" > "$(checks_new_record lame site)"
  # Debian's patch adds the module to the Autotools sources, which are not
  # regenerated here.
  write_pc lame "high quality MPEG Audio Layer III (MP3) encoder library" \
    "-L\${libdir} -lmp3lame" "-I\${includedir}/lame"
}

# ---- Main -----------------------------------------------------------------

ensure_packages
ensure_deb_src
mkdir -p "$cache"
set_target
# SDL2_image needs SDL2 and libwebp, FreeType and libpng zlib; libsndfile,
# which links every codec, comes last, with both jobs.
build_chains "libjpeg-turbo libsdl2 libwebp libsdl2-image" \
  "zlib freetype libpng1.6 libogg libvorbis flac opus mpg123 lame"
jobs=2
build libsndfile
record_versions
echo "$cache"
