#!/usr/bin/env bash
# Builds everything and runs the whole test suite; ends with CTest's summary.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" --test
"$top/scripts/build.sh" "$@"
cd "${ZENTRAVA_BUILD_DIR:-$top/build}"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j"$(nproc)" --timeout 600
