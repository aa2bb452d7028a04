#!/usr/bin/env bash
# Configures and builds into build/ (or $ZENTRAVA_BUILD_DIR); extra arguments go to CMake.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${ZENTRAVA_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
