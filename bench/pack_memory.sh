#!/usr/bin/env bash
# Packs a 5 GiB sparse file into zip and tar.gz and prints the peak resident memory of each run, which
# must stay flat (a few MiB), not grow with the file. A benchmark, not a test: it reads 5 GiB twice and
# writes the tar (5 GiB) to disk.
# Usage: bench/pack_memory.sh [zentrava-cli]   (default: $ZENTRAVA_CLI, else build/cli/zentrava-cli)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${ZENTRAVA_CLI:-$top/build/cli/zentrava-cli}}
[[ -x "$cli" ]] || { echo "zentrava-cli not found at $cli; build it or pass its path" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing (Debian package: time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
truncate -s 5G "$work/big.bin"
mkdir "$work/out"

peak() {
    local kind=$1 log="$work/$1.time"
    /usr/bin/time -v "$cli" pack "$kind" "$work/big.bin" -o "$work/out" >"$work/$kind.out" 2>"$log"
    local kib seconds
    kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log")
    printf '%-6s peak resident memory: %6d KiB (%s MiB), wall clock %s, archive %s bytes\n' \
        "$kind" "$kib" "$((kib / 1024))" "$seconds" "$(stat -c %s "$(cat "$work/$kind.out")")"
}

peak zip
unzip -l "$work/out/big.zip" | tail -n 1
peak targz
rm -f "$work/out/big.tar"
