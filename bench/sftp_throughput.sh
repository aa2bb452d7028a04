#!/usr/bin/env bash
# Times a 1 GiB SFTP download and upload through zentrava-cli (sftp:// with key log-in) and through
# OpenSSH's sftp in the same run, against the harness's sshd on loopback. Prints the median wall time of
# each side over RUNS runs, the ratio sftp/ours (above 1: we are faster) and our peak resident memory. A
# benchmark, not a test; run it as root (the harness starts the server) on an otherwise quiet machine.
# Usage: bench/sftp_throughput.sh [zentrava-cli]   (default: $ZENTRAVA_CLI, else build/cli/zentrava-cli)
# Environment: RUNS (default 3), SIZE_MIB (default 1024).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${ZENTRAVA_CLI:-$top/build/cli/zentrava-cli}}
runs=${RUNS:-3}
size_mib=${SIZE_MIB:-1024}
servers=$top/tests/servers
[[ -x "$cli" ]] || { echo "zentrava-cli not found at $cli; build it or pass its path" >&2; exit 1; }
for tool in /usr/bin/time sftp; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (Debian packages: time, openssh-client)" >&2; exit 1; }
done

work=$(mktemp -d)
chmod 0755 "$work"
cleanup() {
    [[ -d $work/state ]] && bash "$servers/stop.sh" "$work/state" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

bash "$servers/start.sh" sshd "$work/state" >"$work/sshd.env"
value() { sed -n "s/^$1=//p" "$work/sshd.env"; }
PORT=$(value PORT)
USER=$(value USER)
KEY=$(value KEY_ED25519)
REMOTE=$(value WORKDIR)
# The user is not chrooted: "//" after the port makes the path absolute. The first run records the host
# key in a data folder of this run's own.
url="sftp://$USER@127.0.0.1:$PORT/$REMOTE"
ours=("$cli" --home "$work/home")
ours_options=(--key "$KEY" --accept-host-key)

# seconds COMMAND...: runs it with /usr/bin/time; prints the wall time in seconds and records the peak
# resident memory (KiB) in $work/last.rss.
seconds() {
    local begin end
    begin=$(date +%s%N)
    /usr/bin/time -v "$@" >/dev/null 2>"$work/time.log" || { cat "$work/time.log" >&2; return 1; }
    end=$(date +%s%N)
    awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.log" >"$work/last.rss"
    awk -v ns=$((end - begin)) 'BEGIN {printf "%.3f\n", ns / 1e9}'
}

median() {
    printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
}

# OpenSSH's sftp with a batch file; batch mode needs key log-in.
openssh=(sftp -q -o BatchMode=yes -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -i "$KEY" -P "$PORT")

# measure DIRECTION: RUNS runs of each tool, alternating, then one result line.
measure() {
    local direction=$1 mine_all=() theirs=() peak=0 i t rss
    echo "get $REMOTE/big.bin $work/down-sftp.bin" >"$work/get.batch"
    echo "put $work/big.bin $REMOTE/up-sftp.bin" >"$work/put.batch"
    for ((i = 0; i < runs; i++)); do
        rm -f "$work/down.bin" "$work/down-sftp.bin"
        if [[ $direction == download ]]; then
            t=$(seconds "${ours[@]}" get "$url/big.bin" "$work/down.bin" "${ours_options[@]}")
            cmp -s "$work/down.bin" "$work/big.bin" || { echo "our download differs" >&2; return 1; }
        else
            t=$(seconds "${ours[@]}" put "$work/big.bin" "$url/up-ours.bin" "${ours_options[@]}")
            cmp -s "$REMOTE/up-ours.bin" "$work/big.bin" || { echo "our upload differs" >&2; return 1; }
        fi
        mine_all+=("$t")
        rss=$(cat "$work/last.rss")
        ((rss > peak)) && peak=$rss
        if [[ $direction == download ]]; then
            t=$(seconds "${openssh[@]}" -b "$work/get.batch" "$USER@127.0.0.1")
        else
            t=$(seconds "${openssh[@]}" -b "$work/put.batch" "$USER@127.0.0.1")
        fi
        theirs+=("$t")
    done
    rm -f "$work/down.bin" "$work/down-sftp.bin"
    local mine others
    mine=$(median "${mine_all[@]}")
    others=$(median "${theirs[@]}")
    awk -v d="$direction" -v o="$mine" -v c="$others" -v s="$size_mib" -v p="$peak" 'BEGIN {
        printf "SFTP sshd  %-8s  ours %7.3f s (%5.0f MB/s)  OpenSSH sftp %7.3f s (%5.0f MB/s)  ratio %.2f  peak RSS %d MiB\n",
            d, o, s * 1.048576 / o, c, s * 1.048576 / c, c / o, p / 1024 }'
}

echo "making a ${size_mib} MiB test file..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$work/big.bin"
install -o "$USER" -m 0644 "$work/big.bin" "$REMOTE/big.bin"

echo "median of $runs runs, ${size_mib} MiB each way; ratio = OpenSSH sftp's wall time / ours (>= 1: as fast or faster)"
measure download
measure upload
