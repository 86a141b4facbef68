#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running, testing and measuring need,
# and only those that are missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  # libraries the program links
  libopenmpt-dev libsdl2-dev libstb-dev
  # the default data generator's single-stroke fonts
  libhersheyfont-dev hershey-fonts-data
  # tests: GoogleTest, a terminal emulator library, tmux, window tests under X (evilwm:
  # a small window manager, since full screen is the window manager's business)
  libgtest-dev libgmock-dev libvterm-dev tmux xvfb xauth xdotool x11-utils evilwm
  # sanitizers and libFuzzer
  clang libclang-rt-14-dev
  # benchmarks and their peers
  libbenchmark-dev libcaca-dev libchafa-dev
  # independent readers for checking generated data
  libxmp-dev libxml2-utils imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}" >&2
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
