#!/usr/bin/env bash
# stop.sh STATEDIR: ends the server that start.sh started there (by the PID it recorded), with every
# process it forked, and removes what it left outside STATEDIR. Does nothing when nothing runs.
set -euo pipefail
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"

readonly grace_steps=50 # of 0.1 s, for SIGTERM and then SIGKILL

(($# == 1)) || zt_die "usage: stop.sh STATEDIR"
STATE=$1

# The whole tree, gathered before anything dies: orphans would leave it (sshd's sessions start their own).
tree_of()
{
    local stat_file stat fields pid queue more
    declare -A children
    for stat_file in /proc/[0-9]*/stat; do
        read -r stat 2>/dev/null <"$stat_file" || continue
        read -r -a fields <<<"${stat##*) }"
        pid=${stat_file#/proc/}
        children[${fields[1]}]+=" ${pid%/stat}"
    done
    queue=("$1")
    while ((${#queue[@]})); do
        pid=${queue[0]}
        queue=("${queue[@]:1}")
        echo "$pid"
        read -r -a more <<<"${children[$pid]:-}"
        queue+=("${more[@]}")
    done
}

any_alive()
{
    local pid
    for pid in "$@"; do
        zt_alive "$pid" && return 0
    done
    return 1
}

signal_all()
{
    local signal=$1 pid
    shift
    kill "-$signal" -- "-$1" 2>/dev/null || true
    for pid in "$@"; do
        kill "-$signal" "$pid" 2>/dev/null || true
    done
}

wait_gone()
{
    local step
    for ((step = 0; step < grace_steps; step++)); do
        any_alive "$@" || return 0
        sleep 0.1
    done
    return 1
}

stop_server()
{
    local pid=$1 processes
    [[ $(zt_start_time "$pid") == $(cat "$STATE/server.start" 2>/dev/null) ]] || return 0
    mapfile -t processes < <(tree_of "$pid")
    signal_all TERM "${processes[@]}"
    wait_gone "${processes[@]}" && return
    signal_all KILL "${processes[@]}"
    wait_gone "${processes[@]}" || echo "processes ${processes[*]} outlived SIGKILL" >&2
}

remove_leftovers()
{
    local path
    if [[ -f $STATE/cleanup ]]; then
        while IFS= read -r path; do
            rm -f -- "$path"
        done <"$STATE/cleanup"
        rm -f "$STATE/cleanup"
    fi
}

if [[ -f $STATE/server.pid ]]; then
    stop_server "$(cat "$STATE/server.pid")"
    rm -f "$STATE/server.pid" "$STATE/server.start"
fi
remove_leftovers
