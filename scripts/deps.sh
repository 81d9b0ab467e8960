#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and
# benchmarking need, when any is missing. Sourced by run and test.
set -euo pipefail

velmora_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libsqlite3-dev libglib2.0-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  sqlite3 desktop-file-utils xauth xvfb xdotool dex time
  clang libclang-rt-14-dev
)

velmora_install_deps() {
  local missing=()
  for p in "${velmora_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
