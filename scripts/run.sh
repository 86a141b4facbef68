#!/usr/bin/env bash
# Builds everything, generates the default data set and runs the show in this terminal.
# Arguments are passed to velq13 (see velq13 --help).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
cd "$build"
exec ./velq13 "$@"
