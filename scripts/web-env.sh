#!/usr/bin/env bash
# Sourced by the Web build's scripts: what they need before building for the
# browser, and the engine's build for it.

# The Debian packages the Web build needs (Emscripten and the tools that
# build the third-party libraries from source), and those its tests add.
OX_WEB_PACKAGES=(emscripten nodejs cmake make pkg-config patch xz-utils bzip2)
OX_WEB_TEST_PACKAGES=(chromium python3)

# Installs what the Web build needs when missing, builds the third-party
# libraries into their cache when absent (scripts/web-deps.sh), and exports
# OX_WEB_DEPS.
ox_web_prepare() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  source "$root/scripts/packages.sh"
  ox_install_missing "${OX_WEB_PACKAGES[@]}"
  # Emscripten's tools run on node and look for their modules where Debian's
  # node keeps them, whichever node is found first.
  export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
  if [ -z "${OX_WEB_DEPS:-}" ]; then
    OX_WEB_DEPS=$("$root/scripts/web-deps.sh" | tail -1)
  fi
  export OX_WEB_DEPS
}

# ox_web_build_engine BUILD_DIR TARGET...: configures BUILD_DIR with
# Emscripten's toolchain (once) and builds the targets named.
ox_web_build_engine() {
  local build=$1 root
  shift
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  if [ ! -f "$build/CMakeCache.txt" ]; then
    mkdir -p "$build"
    local preset=web
    [ "${OX_WEB_TESTS:-OFF}" != ON ] || preset=web-tests
    emcmake cmake -S "$root" --preset "$preset" -B "$build" > "$build/configure.log" 2>&1 ||
      { cat "$build/configure.log"; return 1; }
  fi
  cmake --build "$build" -j"$(nproc)" --target "$@"
}

# The link flags of the third-party libraries, static.
ox_web_library_flags() {
  PKG_CONFIG_LIBDIR=$OX_WEB_DEPS/lib/pkgconfig PKG_CONFIG_PATH= pkg-config --static --libs \
    sdl2 SDL2_image freetype2 sndfile libpng libjpeg libmpg123 vorbisfile
}
