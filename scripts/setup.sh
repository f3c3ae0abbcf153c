#!/usr/bin/env bash
# Installs every Debian package Halcyone needs to build, test and run. Does nothing when they
# are all present. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libfluidsynth-dev libglib2.0-dev libasound2-dev fluid-soundfont-gm fluidsynth
  # JACK 2's server and headers. Both go in one apt command: jackd2's library conflicts with
  # JACK 1's, and without libjack-jackd2-dev beside it apt would remove libjack-dev and with it
  # libfluidsynth-dev, which needs one of the two.
  jackd2 libjack-jackd2-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libpng-dev libhwy-dev
  clang libclang-rt-14-dev
  g++-aarch64-linux-gnu qemu-user-static googletest
  midicsv python3-mido sox hyperfine xvfb xauth xdotool x11-utils python3 python3-xlib
  fonts-dejavu-core fonts-dejavu-extra
  desktop-file-utils appstream man-db groff-base dpkg-dev lintian python3-debian
  shared-mime-info xdg-utils libfile-mimeinfo-perl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
