#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" "$@"
