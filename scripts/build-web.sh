#!/usr/bin/env bash
# Builds a game for the web: scripts/build-web.sh GAME_SOURCE... OUTDIR [FILE_OR_FOLDER...]
#
# The engine is built for the browser with Emscripten (into build-web/, with
# the third-party libraries of scripts/web-deps.sh, built once into a cache),
# then the game's C and C++ sources are compiled and linked with it into
# OUTDIR/index.html, index.js and index.wasm. Files and folders named after
# OUTDIR are preloaded into the page's file system at the game's working
# folder, under their own names (OUTDIR/index.data); FILE@PATH places a file
# at PATH instead (a game that opens /usr/share/fonts/... finds it there).
# CFLAGS and CXXFLAGS are added to the game's compile (say,
# -DASSET_DIR=\"assets\").
#
# Serve OUTDIR (python3 -m http.server -d OUTDIR) and open index.html; the
# URL's args value, split at commas, becomes the program's arguments
# (index.html?args=600).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  echo "usage: scripts/build-web.sh GAME_SOURCE... OUTDIR [FILE_OR_FOLDER...]" >&2
  exit 2
}

sources=()
while [ $# -gt 0 ]; do
  case "$1" in
    *.c|*.cc|*.cpp|*.cxx) sources+=("$(realpath "$1")"); shift ;;
    *) break ;;
  esac
done
[ ${#sources[@]} -gt 0 ] && [ $# -gt 0 ] || usage
outdir=$1
shift
preload=()
for item in "$@"; do
  file=$item
  place=/$(basename "$item")
  if [ ! -e "$item" ] && [[ "$item" == *@* ]]; then
    file=${item%@*}
    place=${item##*@}
    [[ "$place" == /* ]] || place=/$place
  fi
  [ -e "$file" ] || { echo "build-web: no such file or folder: $file" >&2; exit 1; }
  preload+=(--preload-file "$(realpath "$file")@$place")
done

source "$root/scripts/web-env.sh"
ox_web_prepare

build=${OX_WEB_BUILD:-$root/build-web}
ox_web_build_engine "$build" oxlen oxlen_main

mkdir -p "$outdir"
rm -f "$outdir/index.html" "$outdir/index.js" "$outdir/index.wasm" "$outdir/index.data"
objects=()
objdir=$(mktemp -d)
trap 'rm -rf "$objdir"' EXIT
for source in "${sources[@]}"; do
  object=$objdir/${#objects[@]}.o
  case "$source" in
    *.c) emcc -O2 ${CFLAGS:-} -I"$root/include" -c "$source" -o "$object" ;;
    *) em++ -O2 -std=c++17 ${CXXFLAGS:-} -I"$root/include" -c "$source" -o "$object" ;;
  esac
  objects+=("$object")
done
mapfile -t link_options < "$build/oxlen-web-link.txt"
# main comes from the entry-point library when the game has WinMain or
# wWinMain instead.
em++ -O2 "${objects[@]}" -Wl,--undefined=main "$build/liboxlen_main.a" "$build/liboxlen.a" \
  $(ox_web_library_flags) "${link_options[@]}" "${preload[@]}" -o "$outdir/index.html"
echo "build-web: $outdir/index.html"
