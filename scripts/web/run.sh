#!/usr/bin/env bash
# Runs a program of the Web build in headless Chromium (see run.mjs for the
# command forms, the exit codes and the page protocol):
#   scripts/web/run.sh PROGRAM.js [ARG...]
#   scripts/web/run.sh --page URL_OR_FILE [--screenshot OUT.png] [--save PATH=HOSTFILE]...
# The runner's one npm dependency, pinned by package-lock.json beside this
# script, is installed with `npm ci` into a cache folder outside the clone
# (OX_WEB_NODE_CACHE, default ${XDG_CACHE_HOME:-$HOME/.cache}/oxlen/web-node)
# the first time and whenever the lock file changes. Several runs may start
# at once (ctest -j): the install is done under a lock, by one of them.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache=${OX_WEB_NODE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/oxlen/web-node}

# installed.lock is a copy of the lock file that the finished install was
# made from: written last, so an interrupted install is redone.
stamp=$cache/installed.lock
if ! cmp -s "$here/package-lock.json" "$stamp"; then
  mkdir -p "$cache"
  (
    flock 9
    if ! cmp -s "$here/package-lock.json" "$stamp"; then
      echo "run.sh: installing the runner's npm packages into $cache" >&2
      rm -rf "$stamp" "$cache/node_modules"
      cp "$here/package.json" "$here/package-lock.json" "$cache/"
      npm ci --prefix "$cache" --no-audit --no-fund --loglevel=error >&2
      cp "$here/package-lock.json" "$stamp"
    fi
  ) 9> "$cache/.install-lock"
fi

OX_WEB_NODE_MODULES="$cache/node_modules" exec node "$here/run.mjs" "$@"
