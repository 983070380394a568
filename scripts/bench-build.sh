# Sourced by the bench scripts, which set ROOT and BUILD. ox_bench_build
# installs the peers' Debian packages when missing (SFML, libsoxr and
# libsamplerate, which the bench build links), configures BUILD with the
# bench preset and builds the targets given; a failure prints the end of its
# log and ends the script.
ox_bench_build() {
  local peer_package apt
  for peer_package in libsfml-dev libsoxr-dev libsamplerate0-dev; do
    if ! dpkg-query -W -f='${Status}' "$peer_package" 2>/dev/null | grep -q "install ok installed"; then
      if [ "$(id -u)" -eq 0 ]; then apt=(apt-get); else apt=(sudo apt-get); fi
      DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends \
        "$peer_package" > /dev/null
    fi
  done
  mkdir -p "$BUILD"
  cmake -S "$ROOT" --preset bench > "$BUILD/bench-configure.log" 2>&1 || {
    cat "$BUILD/bench-configure.log"; exit 1; }
  cmake --build "$BUILD" -j2 --target "$@" > "$BUILD/bench-build.log" 2>&1 || {
    tail -40 "$BUILD/bench-build.log"; exit 1; }
}
