#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default build/). Extra CMake arguments come from
# CMAKE_ARGS, for example CMAKE_ARGS="-DVELQ_SANITIZE=address,undefined".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build=${BUILD_DIR:-$root/build}
# shellcheck disable=SC2086
cmake -S "$root" -B "$build" -G Ninja ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" --parallel
