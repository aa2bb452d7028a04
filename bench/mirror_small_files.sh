#!/usr/bin/env bash
# Times a tree of many small files (COUNT files of FILE_KIB KiB in FOLDERS folders) mirrored down and up
# through zentrava-cli's mirror (the transfer queue and its workers) and through lftp's mirror, at the
# same parallelism, in the same run, against the harness servers on loopback: plain FTP (proftpd),
# explicit FTPS (vsftpd, TLS session reuse required) and SFTP (sshd); each mirror is run a second time
# over the unchanged tree, which copies nothing (the goal there: a ratio of at least 1.5). Prints each
# side's wall time and the ratio lftp/ours (above 1: we are faster). A benchmark, not a test; run it as root (the harness
# starts the servers) on an otherwise quiet machine.
# Usage: bench/mirror_small_files.sh [zentrava-cli]   (default: $ZENTRAVA_CLI, else build/cli/zentrava-cli)
# Environment: COUNT (default 1000), FOLDERS (default 10), FILE_KIB (default 8), PARALLEL (default "1 4"),
# KINDS (default "proftpd vsftpd sshd").
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${ZENTRAVA_CLI:-$top/build/cli/zentrava-cli}}
count=${COUNT:-1000}
folders=${FOLDERS:-10}
file_kib=${FILE_KIB:-8}
parallels=${PARALLEL:-1 4}
kinds=${KINDS:-proftpd vsftpd sshd}
servers=$top/tests/servers
[[ -x "$cli" ]] || { echo "zentrava-cli not found at $cli; build it or pass its path" >&2; exit 1; }
command -v lftp >/dev/null || { echo "lftp is missing (Debian package lftp; scripts/deps.sh --test)" >&2; exit 1; }

work=$(mktemp -d)
chmod 0755 "$work" # the servers run as the test user and must reach their roots inside
home=$work/home
mkdir -p "$home"
cleanup() {
    [[ -f $work/proftpd.pid ]] && kill -TERM -- "-$(cat "$work/proftpd.pid")" 2>/dev/null || true
    for state in "$work"/state-*; do
        [[ -d $state ]] && bash "$servers/stop.sh" "$state" >/dev/null 2>&1 || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# start KIND: runs the server and sets PORT, USER, PASSWORD, CERT and DISK (the writable folder on disk)
# and REMOTE (the same folder as the client names it).
start() {
    local kind=$1 env=$work/$1.env
    bash "$servers/start.sh" "$kind" "$work/state-$kind" >"$env"
    PORT=$(sed -n 's/^PORT=//p' "$env")
    USER=$(sed -n 's/^USER=//p' "$env")
    PASSWORD=$(sed -n 's/^PASSWORD=//p' "$env")
    CERT=$(sed -n 's/^CERT=//p' "$env")
    if [[ $kind == sshd ]]; then
        DISK=$(sed -n 's/^WORKDIR=//p' "$env")
        REMOTE=$DISK
    else
        DISK=$(sed -n 's/^ROOT=//p' "$env")
        REMOTE=
    fi
}

# The harness gives proftpd 20 passive ports, which a thousand data connections in a few seconds use up
# (ports in TIME_WAIT cannot be bound again): it is started again on the same port with a wide range.
widen_passive_ports() {
    local state=$work/state-proftpd pid i
    pid=$(cat "$state/server.pid")
    kill -TERM -- "-$pid"
    for ((i = 0; i < 50 && $(kill -0 "$pid" 2>/dev/null && echo 1 || echo 0); i++)); do sleep 0.1; done
    sed -i 's/^\( *PassivePorts\) .*/\1 40000 49999/' "$state/proftpd.conf"
    setsid /usr/sbin/proftpd --nodaemon --config "$state/proftpd.conf" </dev/null >/dev/null 2>&1 &
    echo $! >"$work/proftpd.pid"
    for ((i = 0; i < 50; i++)); do
        (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && return
        sleep 0.1
    done
    echo "proftpd did not come back on port $PORT" >&2
    return 1
}

# The tree: FOLDERS folders below "tree", COUNT files spread over them.
make_tree() {
    python3 - "$1" "$count" "$folders" "$file_kib" <<'PY'
import os, sys
root, count, folders, kib = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
for i in range(count):
    folder = os.path.join(root, "d%02d" % (i % folders))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%05d.bin" % i), "wb") as f:
        f.write(os.urandom(kib * 1024))
PY
}

# seconds COMMAND...: the wall time of the command in seconds; its output goes to $work/last.log.
seconds() {
    local begin end
    sync
    begin=$(date +%s%N)
    "$@" >"$work/last.log" 2>&1 || { echo "failed: $*" >&2; tail -5 "$work/last.log" >&2; return 1; }
    end=$(date +%s%N)
    awk -v ns=$((end - begin)) 'BEGIN {printf "%.3f\n", ns / 1e9}'
}

# fresh PATH: an empty folder the server's user owns.
fresh() {
    rm -rf "$1"
    install -d -o "$(stat -c %u "$DISK")" -m 0755 "$1"
}

same_tree() {
    diff -r "$1" "$2" >/dev/null || { echo "$label: $3 differs from the source" >&2; return 1; }
}

lftp_script() {
    local settings="set net:max-retries 1; set xfer:clobber on; set ssl:verify-certificate no"
    case $kind in
    proftpd) settings+="; set ftp:ssl-allow false" ;;
    vsftpd) settings+="; set ftp:ssl-force true; set ftp:ssl-protect-data true" ;;
    sshd) settings+="; set sftp:connect-program 'ssh -a -x -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null'" ;;
    esac
    echo "$settings; open -u '$USER','$PASSWORD' $lftp_url; $1"
}

# measure N: one download and one upload at parallelism N with each tool, each followed by a second run
# over the unchanged tree (which copies nothing); one result line each.
measure() {
    local n=$1 ours theirs
    fresh "$DISK/up-ours"
    fresh "$DISK/up-lftp"
    rm -rf "$work/down-ours" "$work/down-lftp"
    local down_ours=("$cli" --home "$home" mirror "$url" "$REMOTE/tree" "$work/down-ours" --parallel "$n")
    local down_lftp=(lftp -c "$(lftp_script "mirror --parallel=$n $REMOTE/tree $work/down-lftp/tree")")
    ours=$(seconds "${down_ours[@]}")
    same_tree "$work/src/tree" "$work/down-ours" "our download"
    theirs=$(seconds "${down_lftp[@]}")
    same_tree "$work/src/tree" "$work/down-lftp/tree" "lftp's download"
    report download "$n" "$ours" "$theirs"
    ours=$(seconds "${down_ours[@]}")
    grep -q "^copied: 0," "$work/last.log" || { echo "$label: our second download copied files" >&2; return 1; }
    theirs=$(seconds "${down_lftp[@]}")
    report "down again" "$n" "$ours" "$theirs"
    local up_ours=("$cli" --home "$home" mirror "$url" "$REMOTE/up-ours/tree" "$work/src/tree" --reverse
        --parallel "$n")
    local up_lftp=(lftp -c "$(lftp_script "mirror -R --parallel=$n $work/src/tree $REMOTE/up-lftp/tree")")
    ours=$(seconds "${up_ours[@]}")
    same_tree "$work/src/tree" "$DISK/up-ours/tree" "our upload"
    theirs=$(seconds "${up_lftp[@]}")
    same_tree "$work/src/tree" "$DISK/up-lftp/tree" "lftp's upload"
    report upload "$n" "$ours" "$theirs"
    ours=$(seconds "${up_ours[@]}")
    grep -q "^copied: 0," "$work/last.log" || { echo "$label: our second upload copied files" >&2; return 1; }
    theirs=$(seconds "${up_lftp[@]}")
    report "up again" "$n" "$ours" "$theirs"
}

report() {
    awk -v l="$label" -v d="$1" -v n="$2" -v o="$3" -v t="$4" -v c="$count" 'BEGIN {
        printf "%-13s %-10s parallel %d  ours %7.2f s (%5.1f ms/file)  lftp %7.2f s (%5.1f ms/file)  ratio %.2f\n",
            l, d, n, o, o * 1000 / c, t, t * 1000 / c, t / o }'
}

# The workers take only certificates and host keys the user already trusts: put them on record.
trust() {
    case $kind in
    vsftpd)
        { echo '<TRUSTED Description="Zentrava Pro Trusted Certificates"><CERTIFICATE>'
          cat "$CERT"
          echo '</CERTIFICATE></TRUSTED>'; } >"$home/certifates.xml" ;;
    sshd) "$cli" --home "$home" ls "$url" --accept-host-key --trust >/dev/null ;;
    esac
}

echo "making $count files of $file_kib KiB in $folders folders..."
make_tree "$work/src/tree"
echo "ratio = lftp's wall time / ours (>= 1: as fast or faster); one run each"
for kind in $kinds; do
    start "$kind"
    [[ $kind == proftpd ]] && widen_passive_ports
    auth="$(python3 -c 'import sys, urllib.parse as u; print(u.quote(sys.argv[1], safe=""))' "$USER"):$(python3 -c 'import sys, urllib.parse as u; print(u.quote(sys.argv[1], safe=""))' "$PASSWORD")"
    case $kind in
    proftpd) label="FTP proftpd" url="ftp://$auth@127.0.0.1:$PORT/" lftp_url="ftp://127.0.0.1:$PORT" ;;
    vsftpd) label="FTPS vsftpd" url="ftpes://$auth@127.0.0.1:$PORT/" lftp_url="ftp://127.0.0.1:$PORT" ;;
    sshd) label="SFTP sshd" url="sftp://$auth@127.0.0.1:$PORT/$REMOTE/" lftp_url="sftp://127.0.0.1:$PORT" ;;
    esac
    trust
    rm -rf "$DISK/tree"
    cp -r "$work/src/tree" "$DISK/tree"
    chown -R "$(stat -c %u "$DISK")" "$DISK/tree"
    for n in $parallels; do
        measure "$n"
    done
done
