#!/usr/bin/env bash
# Installs every Debian package QAV needs to build, test and run. Safe to run again: packages that
# are already present are left alone. Needs root (or sudo) for apt-get.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  # The second compiler with its sanitizer and libFuzzer runtimes, and llvm-symbolizer for reports.
  clang libclang-rt-14-dev llvm
  libgtest-dev libgmock-dev libbenchmark-dev
  libsoxr-dev libmpg123-dev libmp3lame-dev libmp3lame0
  libasound2-dev libcurl4-openssl-dev zlib1g-dev libminizip-dev
  qt6-base-dev
  xvfb trayer xdotool x11-utils
  # A window manager for the tests that meet the sheet in a real frame.
  openbox
  # A session bus and the accessibility bus on it, through which the real-window tests read what
  # the program's windows show.
  dbus-daemon at-spi2-core python3-pyatspi
  mpg123 sox libsox-fmt-mp3 lame espeak-ng unzip python3 python3-aiosmtpd
  openssl curl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
