#!/usr/bin/env bash
# Times a 1 GiB download and upload through zentrava-cli and through curl in the same run, against the
# harness servers on loopback: plain FTP (proftpd) and explicit FTPS (vsftpd with session reuse
# required, and proftpd). Prints the median wall time of each side over RUNS runs, the ratio curl/ours
# (above 1: we are faster) and our peak resident memory. A benchmark, not a test; run it as root (the
# harness starts the servers) on an otherwise quiet machine.
# Usage: bench/ftp_throughput.sh [zentrava-cli]   (default: $ZENTRAVA_CLI, else build/cli/zentrava-cli)
# Environment: RUNS (default 3), SIZE_MIB (default 1024).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${ZENTRAVA_CLI:-$top/build/cli/zentrava-cli}}
runs=${RUNS:-3}
size_mib=${SIZE_MIB:-1024}
servers=$top/tests/servers
[[ -x "$cli" ]] || { echo "zentrava-cli not found at $cli; build it or pass its path" >&2; exit 1; }
for tool in /usr/bin/time curl; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (Debian packages: time, curl)" >&2; exit 1; }
done

work=$(mktemp -d)
chmod 0755 "$work" # the servers run as the test user and must reach their roots inside
cleanup() {
    for state in "$work"/state-*; do
        [[ -d $state ]] && bash "$servers/stop.sh" "$state" >/dev/null 2>&1 || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# start KIND: runs the server and sets PORT, USER, PASSWORD and ROOT from what start.sh prints.
start() {
    local kind=$1
    bash "$servers/start.sh" "$kind" "$work/state-$kind" >"$work/$kind.env"
    PORT=$(sed -n 's/^PORT=//p' "$work/$kind.env")
    USER=$(sed -n 's/^USER=//p' "$work/$kind.env")
    PASSWORD=$(sed -n 's/^PASSWORD=//p' "$work/$kind.env")
    ROOT=$(sed -n 's/^ROOT=//p' "$work/$kind.env")
}

# seconds COMMAND...: runs it with /usr/bin/time; prints the wall time in seconds and records the peak
# resident memory (KiB) in $work/last.rss and the processor time (user + system) in $work/last.cpu.
seconds() {
    local begin end
    # The previous run's dirty pages are written out first, so neither side pays for the other's.
    sync
    begin=$(date +%s%N)
    /usr/bin/time -v "$@" >/dev/null 2>"$work/time.log" || { cat "$work/time.log" >&2; return 1; }
    end=$(date +%s%N)
    awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.log" >"$work/last.rss"
    awk -F': ' '/(User|System) time \(seconds\)/ {sum += $2} END {print sum}' "$work/time.log" >"$work/last.cpu"
    awk -v ns=$((end - begin)) 'BEGIN {printf "%.3f\n", ns / 1e9}'
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}

ours() {
    if [[ $direction == download ]]; then
        seconds "$cli" get "$url/big.bin" "$work/down.bin" --accept-certificate
    else
        seconds "$cli" put "$work/big.bin" "$url/up-ours.bin" --accept-certificate
    fi
}

theirs() {
    if [[ $direction == download ]]; then
        seconds curl -sS "${curl_flags[@]}" -o "$work/down.bin" "$curl_url/big.bin"
    else
        seconds curl -sS "${curl_flags[@]}" -T "$work/big.bin" "$curl_url/up-curl.bin"
    fi
}

# measure LABEL DIRECTION URL CURLURL CURLFLAGS...: RUNS runs of each tool, the order alternating from
# run to run, then one result line. The machine is shared, so the processor time (user + system) is
# printed too: it is far less disturbed by other work than the wall time.
measure() {
    label=$1 direction=$2 url=$3 curl_url=$4
    curl_flags=("${@:5}")
    local walls_ours=() walls_curl=() cpus_ours=() cpus_curl=() peak=0 i t rss
    for ((i = 0; i < runs; i++)); do
        for side in $( ((i % 2)) && echo "curl ours" || echo "ours curl"); do
            rm -f "$work/down.bin"
            if [[ $side == ours ]]; then
                t=$(ours)
                walls_ours+=("$t")
                cpus_ours+=("$(cat "$work/last.cpu")")
                rss=$(cat "$work/last.rss")
                ((rss > peak)) && peak=$rss
                if [[ $direction == download && $i == 0 ]]; then
                    cmp -s "$work/down.bin" "$work/big.bin" || { echo "$label: our download differs" >&2; return 1; }
                fi
            else
                t=$(theirs)
                walls_curl+=("$t")
                cpus_curl+=("$(cat "$work/last.cpu")")
            fi
        done
    done
    awk -v l="$label" -v d="$direction" -v o="$(median "${walls_ours[@]}")" -v c="$(median "${walls_curl[@]}")" \
        -v co="$(median "${cpus_ours[@]}")" -v cc="$(median "${cpus_curl[@]}")" -v s="$size_mib" -v p="$peak" 'BEGIN {
        printf "%-13s %-8s ours %6.2f s (%4.0f MB/s, cpu %5.2f s)  curl %6.2f s (%4.0f MB/s, cpu %5.2f s)  ratio %.2f  peak RSS %d MiB\n",
            l, d, o, s * 1.048576 / o, co, c, s * 1.048576 / c, cc, c / o, p / 1024 }'
}

echo "making a ${size_mib} MiB test file..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$work/big.bin"

start proftpd
install -o "$(stat -c %u "$ROOT")" -m 0644 "$work/big.bin" "$ROOT/big.bin"
proftpd_url="$USER:$PASSWORD@127.0.0.1:$PORT"
start vsftpd
install -o "$(stat -c %u "$ROOT")" -m 0644 "$work/big.bin" "$ROOT/big.bin"
vsftpd_url="$USER:$PASSWORD@127.0.0.1:$PORT"

echo "median of $runs runs, ${size_mib} MiB each way; ratio = curl's wall time / ours (>= 1: as fast or faster)"
for direction in download upload; do
    measure "FTP proftpd" "$direction" "ftp://$proftpd_url" "ftp://$proftpd_url"
    measure "FTPS vsftpd" "$direction" "ftpes://$vsftpd_url" "ftp://$vsftpd_url" --ssl-reqd --insecure
    measure "FTPS proftpd" "$direction" "ftpes://$proftpd_url" "ftp://$proftpd_url" --ssl-reqd --insecure
done
