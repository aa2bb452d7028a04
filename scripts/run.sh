#!/usr/bin/env bash
# Builds the program and starts the desktop client with the arguments given (a site path or an address).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
"$top/scripts/build.sh" >&2
exec "${ZENTRAVA_BUILD_DIR:-$top/build}/ui/zentrava" "$@"
