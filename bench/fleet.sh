#!/usr/bin/env bash
# A fleet of simulated devices for measuring runs against many devices at once.
#
#   bench/fleet.sh N [--throttle] [--wait]   start N velta-devsim listeners on free loopback
#                                            ports, each with its own state, and print one
#                                            HOST:PORT line each
#   bench/fleet.sh N --connect HOST:PORT [--throttle] [--wait]
#                                            start N simulators that connect to a tool
#                                            listening there (veltactl --listen)
#   bench/fleet.sh stop                      stop the fleet started last
#
# Without --wait the simulators keep running after the script returns; their process ids are
# kept in $VELTA_FLEET_PIDS (default: velta-fleet.pids in the temporary folder) for "stop".
# With --wait the script stays until it is interrupted and stops them itself. A fleet that
# cannot be started whole is stopped again. The program is $VELTA_DEVSIM, or the developer
# build's.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
devsim=${VELTA_DEVSIM:-$here/build/dev/tools/devsim/velta-devsim}
pids_file=${VELTA_FLEET_PIDS:-${TMPDIR:-/tmp}/velta-fleet.pids}

usage() {
    sed -n '4,10p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

stop_fleet() {
    [[ -f $pids_file ]] || return 0
    while read -r pid; do
        kill "$pid" 2>/dev/null || true
    done <"$pids_file"
    rm -f "$pids_file"
}

[[ $# -ge 1 ]] || usage
if [[ $1 == stop ]]; then
    stop_fleet
    exit 0
fi
[[ $1 =~ ^[1-9][0-9]*$ ]] || usage
count=$1
shift
throttle=()
wait_here=0
connect_to=
while [[ $# -gt 0 ]]; do
    case $1 in
    --throttle) throttle=(--throttle) ;;
    --wait) wait_here=1 ;;
    --connect)
        [[ $# -ge 2 ]] || usage
        connect_to=$2
        shift
        ;;
    *) usage ;;
    esac
    shift
done
[[ -x $devsim ]] || { echo "fleet.sh: no simulator at $devsim" >&2; exit 1; }

stop_fleet  # a fleet left from before
work=$(mktemp -d)
started=0
cleanup() {
    rm -rf "$work"
    if [[ $started -eq 0 || $wait_here -eq 1 ]]; then
        stop_fleet
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

: >"$pids_file"
if [[ -n $connect_to ]]; then
    # Connectors print nothing; they retry until the tool listens.
    for ((i = 1; i <= count; i++)); do
        "$devsim" --connect "$connect_to" "${throttle[@]}" >/dev/null 2>"$work/$i.err" </dev/null &
        echo $! >>"$pids_file"
    done
else
    for ((i = 1; i <= count; i++)); do
        "$devsim" --listen 127.0.0.1:0 "${throttle[@]}" >"$work/$i.out" 2>"$work/$i.err" </dev/null &
        echo $! >>"$pids_file"
    done
    for ((i = 1; i <= count; i++)); do
        for ((tries = 0; tries < 100; tries++)); do
            [[ -s $work/$i.out ]] && break
            sleep 0.05
        done
        if [[ ! -s $work/$i.out ]]; then
            echo "fleet.sh: simulator $i did not start: $(cat "$work/$i.err")" >&2
            exit 1
        fi
        head -n 1 "$work/$i.out"
    done
fi
started=1
if [[ $wait_here -eq 1 ]]; then
    while true; do
        sleep 3600 &
        wait $! || true
    done
fi
