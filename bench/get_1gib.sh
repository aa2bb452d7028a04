#!/usr/bin/env bash
# Times a 1 GiB download through zentrava-cli's queued get (get TARGET NAME -o DIR: the transfer queue
# and a download worker) against the single-file get (get URL LOCALPATH: the protocol engine alone,
# no queue and no worker) in the same run, over plain FTP from the harness's proftpd on loopback. Prints
# the median wall and processor time of each over RUNS runs (the order alternating from run to run) and
# the worker's overhead. A benchmark, not a test; run it as root (the harness starts the server) on an
# otherwise quiet machine.
# Usage: bench/get_1gib.sh [zentrava-cli]   (default: $ZENTRAVA_CLI, else build/cli/zentrava-cli)
# Environment: RUNS (default 3), SIZE_MIB (default 1024).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${ZENTRAVA_CLI:-$top/build/cli/zentrava-cli}}
runs=${RUNS:-3}
size_mib=${SIZE_MIB:-1024}
servers=$top/tests/servers
[[ -x "$cli" ]] || { echo "zentrava-cli not found at $cli; build it or pass its path" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
chmod 0755 "$work" # the server runs as the test user and must reach its root inside
cleanup() {
    bash "$servers/stop.sh" "$work/state" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# seconds COMMAND...: the wall time in seconds; the processor time (user + system) goes to $work/last.cpu.
seconds() {
    local begin end
    # The previous run's dirty pages are written out first, so neither side pays for the other's.
    sync
    begin=$(date +%s%N)
    /usr/bin/time -v "$@" >/dev/null 2>"$work/time.log" || { cat "$work/time.log" >&2; return 1; }
    end=$(date +%s%N)
    awk -F': ' '/(User|System) time \(seconds\)/ {sum += $2} END {print sum}' "$work/time.log" >"$work/last.cpu"
    awk -v ns=$((end - begin)) 'BEGIN {printf "%.3f\n", ns / 1e9}'
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}

bash "$servers/start.sh" proftpd "$work/state" >"$work/env"
value() { sed -n "s/^$1=//p" "$work/env"; }
root=$(value ROOT)
url="ftp://$(value USER):$(value PASSWORD)@127.0.0.1:$(value PORT)"

echo "making a ${size_mib} MiB test file..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$root/big.bin"
chown "$(stat -c %u "$root")" "$root/big.bin"

walls_worker=() walls_engine=() cpus_worker=() cpus_engine=()
for ((i = 0; i < runs; i++)); do
    for side in $( ((i % 2)) && echo "engine worker" || echo "worker engine"); do
        rm -rf "$work/down"
        mkdir -p "$work/down"
        if [[ $side == worker ]]; then
            walls_worker+=("$(seconds "$cli" --home "$work/home" get "$url/" big.bin -o "$work/down")")
            cpus_worker+=("$(cat "$work/last.cpu")")
        else
            walls_engine+=("$(seconds "$cli" --home "$work/home" get "$url/big.bin" "$work/down/big.bin")")
            cpus_engine+=("$(cat "$work/last.cpu")")
        fi
        cmp -s "$work/down/big.bin" "$root/big.bin" || { echo "the $side's download differs" >&2; exit 1; }
    done
done

awk -v w="$(median "${walls_worker[@]}")" -v e="$(median "${walls_engine[@]}")" \
    -v cw="$(median "${cpus_worker[@]}")" -v ce="$(median "${cpus_engine[@]}")" -v s="$size_mib" -v r="$runs" 'BEGIN {
    printf "median of %d runs, %d MiB over FTP (proftpd)\n", r, s
    printf "queue + worker %6.2f s (%4.0f MB/s, cpu %5.2f s)\n", w, s * 1.048576 / w, cw
    printf "engine alone   %6.2f s (%4.0f MB/s, cpu %5.2f s)\n", e, s * 1.048576 / e, ce
    printf "ratio engine/worker %.3f (worker overhead %+.1f%%)\n", e / w, (w / e - 1) * 100 }'
