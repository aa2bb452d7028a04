#!/usr/bin/env bash
# start.sh KIND STATEDIR [OWNERPID]: starts one test server on 127.0.0.1 with its config, files, logs and PID
# inside STATEDIR, on free ports, waits until it answers and prints KEY=VALUE lines (PID, HOST, PORT, ...).
# On failure it exits non-zero with the server's log on stderr. stop.sh STATEDIR ends it; so does the end of
# OWNERPID, when given, so a test program that crashes or is killed leaves no server behind.
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
for kind_file in "$ZT_HERE"/kinds/*.sh; do
    # shellcheck source=/dev/null
    source "$kind_file"
done

readonly kinds="proftpd vsftpd pyftpdlib sshd proftpd-sftp socks5 socks5-auth httpproxy httpproxy-auth proftpd-clientcert"
readonly attempts=3
readonly answer_seconds=5
out_keys=()
declare -A out_values
awaited=()

zt_out()
{
    out_keys+=("$1")
    out_values[$1]=$2
}

zt_await()
{
    awaited+=("$1" "$2")
}

usage()
{
    zt_die "usage: start.sh KIND STATEDIR [OWNERPID] (KIND: ${kinds// /, })"
}

answers()
{
    local i
    for ((i = 0; i < ${#awaited[@]}; i += 2)); do
        wait_error=$(zt_python wait "${awaited[i]}" "$SERVER_PID" "${awaited[i + 1]}" "$answer_seconds" 2>&1) ||
            return 1
    done
}

launch()
{
    out_keys=()
    awaited=()
    wait_error=
    rm -f "$STATE"/*.log
    "start_${kind//-/_}"
}

print_values()
{
    local key
    echo "PID=$SERVER_PID"
    echo "HOST=127.0.0.1"
    for key in "${out_keys[@]}"; do
        echo "$key=${out_values[$key]}"
    done
}

print_logs()
{
    local log
    for log in "$STATE"/*.log; do
        if [[ -s $log ]]; then
            echo "--- ${log##*/}"
            cat "$log"
        fi
    done
}

# Polls the owner by its start time (a reused PID is someone else) and stops the server once it is gone.
watch_owner()
{
    local owner=$1 started
    started=$(zt_start_time "$owner")
    [[ -n $started ]] || return 0
    setsid bash -c 'source "$0"; while [[ $(zt_start_time "$1") == "$2" ]]; do sleep 1; done; bash "$ZT_HERE/stop.sh" "$3"' \
        "$ZT_HERE/common.sh" "$owner" "$started" "$STATE" </dev/null >/dev/null 2>&1 &
}

fail()
{
    bash "$ZT_HERE/stop.sh" "$STATE" >/dev/null 2>&1 || true
    {
        echo "test server '$kind' did not start${wait_error:+: $wait_error}"
        print_logs
    } >&2
}

(($# == 2 || $# == 3)) || usage
kind=$1
[[ " $kinds " == *" $kind "* ]] || zt_die "unknown test server kind '$kind' (known: ${kinds// /, })"
mkdir -p "$2"
STATE=$(cd "$2" && pwd)
LOG=$STATE/server.log
[[ ! -e $STATE/server.pid ]] || zt_die "$STATE already holds a started server"
# The test user's servers must reach their folders below this one.
chmod 0711 "$STATE"

trap fail EXIT
for ((attempt = 1; attempt <= attempts; attempt++)); do
    launch
    if answers; then
        trap - EXIT
        [[ -z ${3:-} ]] || watch_owner "$3"
        print_values
        exit 0
    fi
    # Ports are free when picked, but a test running beside this one may take them first.
    grep -qsiE 'in use|bind' "$STATE"/*.log || break
    ((attempt == attempts)) || bash "$ZT_HERE/stop.sh" "$STATE" >/dev/null 2>&1
done
exit 1
