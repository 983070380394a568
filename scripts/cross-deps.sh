#!/usr/bin/env bash
# Sourced by the scripts that build third-party libraries for another target
# (windows-deps.sh, web-deps.sh) from Debian's own source packages, with
# Debian's patches applied, into one cache folder per target.
#
# The sourcing script sets:
#   deps_name         its name, before its log lines
#   cache             the cache folder (cross_deps_cache gives the default);
#                     the libraries install into it, as prefix
#   cmake_configure   an array: the command that configures a CMake project
#                     for the target, with its toolchain arguments
#   target_settings   text that, when it changes, rebuilds every library
#                     (compiler flags shared by all the recipes)
#   <package>_options arrays of extra CMake arguments for the shared codec
#                     recipes below (flac, opus, mpg123, libsndfile)
#   checks_dir        optional: the folder of its recorded configure checks
#                     (see "Recorded configure checks" below)
# and defines one build_<package> function per library, run in the unpacked
# source folder's context: `source` is that folder, `version` the Debian
# version, `jobs` the number of compiler jobs it may use. A library is built
# only when its stamp is missing or was written by another version or
# recipe. Each build's output goes to logs/<package>.log in the cache.

# The default cache folder of a target: per user, outside any clone, so that
# every checkout shares it. OX_DEPS_CACHE moves all the targets' folders.
cross_deps_cache() {
  echo "${OX_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/oxlen}/$1"
}

log() { echo "$deps_name: $*" >&2; }

# ---- Sources --------------------------------------------------------------

# Source packages come from the archive this machine already installs from,
# through an apt view private to the cache: the system's deb entries copied
# as deb-src entries into a sources list of the cache's own, with its own
# package lists. The system's apt configuration and lists are never
# changed. apt_private holds the options that select that view.
apt_private=()
ensure_deb_src() {
  local dir=$cache/apt
  mkdir -p "$dir/lists/partial" "$dir/sources.list.d"
  : > "$dir/sources.list"
  rm -f "$dir/sources.list.d/"*
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    # The deb-src list that earlier versions of this script added.
    [ -f "$file" ] && [ "$(basename "$file")" != oxlen-deb-src.sources ] || continue
    sed 's/^Types: .*\bdeb\b.*$/Types: deb-src/' "$file" > "$dir/sources.list.d/$(basename "$file")"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && [ "$(basename "$file")" != oxlen-deb-src.list ] || continue
    sed -n 's/^deb \(.*\)/deb-src \1/p' "$file" >> "$dir/sources.list"
  done
  apt_private=(-o Dir::Etc::SourceList="$dir/sources.list"
    -o Dir::Etc::SourceParts="$dir/sources.list.d" -o Dir::State::Lists="$dir/lists"
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
  # Once a day is enough: the lists are the cache's own.
  if [ -z "$(find "$dir/lists" -maxdepth 1 -name '*Sources*' -mtime -1 2> /dev/null)" ]; then
    log "reading the archive's source package lists"
    apt-get "${apt_private[@]}" update -qq > /dev/null
  fi
}

# Fetches one version of a source package into downloads/ unless it is
# there already; fails when its files cannot be had.
fetch_source() {
  local package=$1 version=$2
  local upstream=${version#*:}
  upstream=${upstream%-*}
  local dsc=$cache/downloads/${package}_${version#*:}.dsc
  local orig=$cache/downloads/${package}_${upstream}.orig.tar.
  mkdir -p "$cache/downloads"
  [ -f "$dsc" ] && ls "$orig"* > /dev/null 2>&1 && return 0
  log "fetching $package $version"
  # A missing upstream signature (.asc) fails the download of that file
  # only; the tarballs are checked when they are unpacked.
  (cd "$cache/downloads" && apt-get "${apt_private[@]}" source --download-only -qq "$package=$version" \
    > /dev/null 2>&1) || true
  [ -f "$dsc" ] && ls "$orig"* > /dev/null 2>&1
}

# The newest version of a source package that the archive offers and can
# deliver: a release and its point or security updates can all be listed, in
# any order, and an update listed in the index is not always in the pool.
source_version() {
  local versions=() newest i
  mapfile -t versions < <(apt-cache "${apt_private[@]}" showsrc "$1" | sed -n 's/^Version: //p' | sort -u)
  while [ ${#versions[@]} -gt 0 ]; do
    newest=0
    for i in "${!versions[@]}"; do
      if dpkg --compare-versions "${versions[$i]}" gt "${versions[$newest]}"; then newest=$i; fi
    done
    if fetch_source "$1" "${versions[$newest]}"; then
      echo "${versions[$newest]}"
      return
    fi
    log "$1 ${versions[$newest]} cannot be fetched; trying an older version"
    unset "versions[$newest]"
    versions=("${versions[@]}")
  done
  log "no source package $1"
  return 1
}

# Unpacks a fetched source package, with Debian's patches, into
# src/<package>; sets `source` to that folder. `version` is the package's
# version.
unpack() {
  local package=$1
  local upstream=${version#*:}
  upstream=${upstream%-*}
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

# ---- Stamps ---------------------------------------------------------------

stamp_of() { echo "$cache/stamps/$1"; }

# What a stamp records: the source version and the recipe that built it
# (with its target's options and the target's shared settings), so that a
# changed recipe rebuilds its library.
stamp_text() {
  echo "$version $(recipe_text "$1" | md5sum | cut -c1-12)"
}

# The recipe of a package: its build function, its target's options for it
# and the target's shared settings, with the cache folder's path (which
# differs from machine to machine) as "<cache>".
recipe_text() {
  { declare -f "build_$1"; declare -p "${1//-/_}_options" 2> /dev/null
    echo "${target_settings:-}"; } | sed "s|$cache|<cache>|g"
}

done_building() {
  mkdir -p "$cache/stamps"
  stamp_text "$1" > "$(stamp_of "$1")"
  rm -rf "$cache/src/$1" "$cache/build/$1"
}

# Writes versions.txt in the cache, one "package version" line per library
# built there, and logs it.
record_versions() {
  local stamp
  : > "$cache/versions.txt"
  for stamp in "$cache"/stamps/*; do
    [ -f "$stamp" ] || continue
    echo "$(basename "$stamp") $(cut -d' ' -f1 "$stamp")" >> "$cache/versions.txt"
  done
  log "versions: $(tr '\n' ',' < "$cache/versions.txt" | sed 's/,$//; s/,/, /g')"
}

# ---- Builds ---------------------------------------------------------------

# ---- Recorded configure checks ---------------------------------------------
#
# A project's configure checks (this header, that function, the size of a
# type, what a small program prints) each compile, and some run, a program:
# hundreds a library, and under Emscripten about a second each. What they
# find depends only on the target, the library's version and its recipe, so
# a target may keep them, once recorded, in the repository (checks_dir: one
# <package>.cmake, an initial cache for CMake, or <package>.site, a site file
# for an Autoconf script), and the checks are then skipped. A record's first
# line names the version and recipe it was recorded with (as a stamp does);
# a record of another one is ignored, the library configures from scratch,
# and its new record is written to the cache's checks/ folder, to be copied
# into checks_dir.

# Prints the record of a package's checks (argument 2: its extension) that
# matches its version and recipe, or nothing.
checks_record() {
  local record=${checks_dir:-/nonexistent}/$1.$2
  if [ -f "$record" ] && [ "$(head -1 "$record")" = "$(checks_key "$1")" ]; then
    echo "$record"
  fi
}

# The first line of a record of the package named: its version and recipe,
# as its stamp has them.
checks_key() {
  echo "# configure checks of $1 $(stamp_text "$1")"
}

# Where a new record of the package's checks goes (argument 2: its
# extension): the cache's checks/ folder.
checks_new_record() {
  mkdir -p "$cache/checks"
  echo "$cache/checks/$1.$2"
}

# Prints the check results of a configured CMake cache as an initial cache:
# the internal entries that CMake's check modules write (their help text
# starts "Have ", "Test ", "Result of " or "CHECK_TYPE_SIZE"), leaving out
# any whose value holds a path.
record_cmake_checks() {
  checks_key "$1"
  awk '
    /^\/\/(Have |Test |Result of |CHECK_TYPE_SIZE)/ { check = 1; next }
    check && /^[A-Za-z0-9_.+-]+:INTERNAL=/ {
      name = $0; sub(/:INTERNAL=.*/, "", name)
      value = $0; sub(/^[^=]*=/, "", value)
      if (value !~ /[\/"\\$;]/) printf "set(%s \"%s\" CACHE INTERNAL \"\")\n", name, value
    }
    { check = 0 }' "$2" | sort
}

# Prints the check results of an Autoconf cache file as a site file: its
# ac_cv_ values, less the environment the script ran in, the machine it ran
# on and any value that names the cache folder.
record_autoconf_checks() {
  checks_key "$1"
  grep '^ac_cv_' "$2" | grep -v -e '^ac_cv_env_' -e '^ac_cv_build=' | grep -vF "$cache" | sort || true
}

# Configures, builds and installs the CMake project in `source` for the
# target, with the extra CMake arguments given.
cmake_build() {
  local name=$1
  shift
  local build=$cache/build/$name seed=() record
  rm -rf "$build"
  record=$(checks_record "$name" cmake)
  [ -z "$record" ] || seed=(-C "$record")
  "${cmake_configure[@]}" "${seed[@]}" -S "$source" -B "$build" -G "Unix Makefiles" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$cache" \
    -DCMAKE_PREFIX_PATH="$cache" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_POLICY_DEFAULT_CMP0074=NEW "$@" > "$cache/logs/$name.log" 2>&1
  if [ -n "${checks_dir:-}" ] && [ -z "$record" ]; then
    record_cmake_checks "$name" "$build/CMakeCache.txt" > "$(checks_new_record "$name" cmake)"
  fi
  cmake --build "$build" -j"$jobs" >> "$cache/logs/$name.log" 2>&1
  cmake --install "$build" >> "$cache/logs/$name.log" 2>&1
}

# Builds one library unless its stamp is current.
build() {
  local package=$1
  version=$(source_version "$package")
  if [ -f "$(stamp_of "$package")" ] &&
     [ "$(cat "$(stamp_of "$package")")" = "$(stamp_text "$package")" ]; then
    return
  fi
  mkdir -p "$cache/logs"
  rm -f "$cache/checks/$package".*
  unpack "$package"
  log "building $package $version"
  local started=$SECONDS
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
  log "built $package in $((SECONDS - started)) s"
  local record
  for record in "$cache/checks/$package".*; do
    [ ! -f "$record" ] || log "$package configured without recorded checks; its new record: $record"
  done
}

# Builds the libraries named, one after another.
build_chain() {
  local package
  for package in "$@"; do build "$package"; done
}

# Builds independent chains side by side, one compiler job each: most of
# the time goes into configuring, which runs on one core. Each argument is
# one chain, its libraries separated by spaces.
build_chains() {
  local chain pids=() pid status=0
  for chain in "$@"; do
    # shellcheck disable=SC2086 # a chain is a list of names
    (jobs=1; build_chain $chain) &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
  [ $status -eq 0 ] || exit 1
}

# ---- Codec recipes shared by the targets ----------------------------------

flac_options=()
opus_options=()
mpg123_options=()
libsndfile_options=()

build_libogg() {
  cmake_build libogg -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
}

build_libvorbis() {
  cmake_build libvorbis -DBUILD_TESTING=OFF
}

build_flac() {
  cmake_build flac -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DWITH_OGG=ON \
    "${flac_options[@]}"
}

build_opus() {
  # The release tarball leaves out the file that only picks a default build
  # type; the build type is given here anyway.
  [ -f "$source/opus_buildtype.cmake" ] || : > "$source/opus_buildtype.cmake"
  cmake_build opus -DOPUS_BUILD_TESTING=OFF -DOPUS_BUILD_PROGRAMS=OFF -DBUILD_TESTING=OFF \
    -DOPUS_STACK_PROTECTOR=OFF "${opus_options[@]}"
  # Its CMake build writes the library's ABI version (0.8.0) where the
  # release's version belongs.
  local upstream=${version#*:}
  sed -i "s/^Version: .*/Version: ${upstream%%[-+]*}/" "$cache/lib/pkgconfig/opus.pc"
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
    -DNO_MESSAGES=ON "${mpg123_options[@]}"
}

build_libsndfile() {
  cmake_build libsndfile -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
    -DENABLE_CPACK=OFF -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=ON -DINSTALL_MANPAGES=OFF \
    -DENABLE_PACKAGE_CONFIG=ON -DINSTALL_PKGCONFIG_MODULE=ON "${libsndfile_options[@]}"
}
