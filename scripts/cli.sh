#!/usr/bin/env bash
# Builds the program and starts the command-line companion zentrava-cli with the arguments given.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
"$top/scripts/build.sh" >&2
exec "${ZENTRAVA_BUILD_DIR:-$top/build}/cli/zentrava-cli" "$@"
