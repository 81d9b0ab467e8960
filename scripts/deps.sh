#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and
# benchmarking need, when any is missing. Sourced by run, test and package.
set -euo pipefail

velmora_packages=(
  # build
  cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins qt6-wayland libsqlite3-dev libglib2.0-dev libxcb1-dev
  libwayland-dev wayland-protocols libxkbcommon-dev
  # tests
  libgtest-dev libgmock-dev googletest libbenchmark-dev sqlite3 desktop-file-utils libglib2.0-bin dex time faketime
  # desktop sessions
  xauth xvfb xdotool x11-utils openbox xfwm4 wmctrl kwin-x11 kwin-wayland kwin-style-breeze sway wtype foot mutter python3-gi dbus systemd fonts-dejavu-core fonts-noto-core
  # what a screen reader reads of the windows
  at-spi2-core python3-pyatspi
  # metadata, manual page, fuzzing
  appstream man-db clang libclang-rt-14-dev
  # the layout of the sources
  clang-format
)

# Building the Debian package: the tools around the build. The build's own
# packages are the Build-Depends of debian/control.
velmora_package_tools=(build-essential dpkg-dev lintian appstream)

# Runs a command as root: directly when already root, else through sudo.
velmora_as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    env DEBIAN_FRONTEND=noninteractive "$@"
  else
    sudo env DEBIAN_FRONTEND=noninteractive "$@"
  fi
}

# velmora_install_deps [PACKAGE...]: the packages named, else velmora_packages.
velmora_install_deps() {
  local wanted=("$@")
  [ $# -gt 0 ] || wanted=("${velmora_packages[@]}")
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  velmora_as_root apt-get update -qq
  velmora_as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
