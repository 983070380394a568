#!/usr/bin/env bash
# Sourced by the other scripts: ox_install_missing installs, with apt-get,
# those of the Debian packages named as arguments that are not installed yet
# (through sudo when not root). Extra apt-get output goes where
# OX_APT_OUTPUT points (default: standard output).
ox_install_missing() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  local apt=(apt-get)
  [ "$(id -u)" -eq 0 ] || apt=(sudo apt-get)
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" \
    > "${OX_APT_OUTPUT:-/dev/stdout}"
}
