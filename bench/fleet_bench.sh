#!/usr/bin/env bash
# Set-all of one settings file to many simulated devices at once, each simulator throttled to
# a 38400-baud line, against the same on one device and in turn.
#
#   bench/fleet_bench.sh [--devices N] [--listen-devices M] [--in-turn]
#
# Prints, in seconds: one device; N devices with --jobs N (and, with --in-turn, the same N
# devices one after the other); M devices connecting to veltactl --listen with --jobs M, with
# veltactl's peak memory. Defaults: N = 16, M = 96. Uses the developer build.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
veltactl=${VELTACTL:-$here/build/dev/tools/veltactl/veltactl}
export VELTA_DEVSIM=${VELTA_DEVSIM:-$here/build/dev/tools/devsim/velta-devsim}
devices=16
listen_devices=96
in_turn=0
while [[ $# -gt 0 ]]; do
    case $1 in
    --devices) devices=$2; shift ;;
    --listen-devices) listen_devices=$2; shift ;;
    --in-turn) in_turn=1 ;;
    *) sed -n '5p' "$0" >&2; exit 2 ;;
    esac
    shift
done

work=$(mktemp -d)
export VELTA_FLEET_PIDS=$work/fleet.pids
trap '"$here/bench/fleet.sh" stop; rm -rf "$work"' EXIT

# Runs a command, prints its wall time in seconds and its peak memory in MB.
timed() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys, time
start = time.monotonic()
r = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL)
took = time.monotonic() - start
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024
print(f"{took:.2f} {peak:.0f} {r.returncode}")
PY
}

# The file: what a factory-state device holds, read from an unthrottled simulator.
"$here/bench/fleet.sh" 1 >"$work/one.txt"
"$veltactl" --tcp "$(cat "$work/one.txt")" --fast --quiet read-all "$work/all.dat"
"$here/bench/fleet.sh" stop

"$here/bench/fleet.sh" "$devices" --throttle >"$work/fleet.txt"
targets=$(paste -sd, "$work/fleet.txt")
first=$(head -n 1 "$work/fleet.txt")

read -r one _ rc < <(timed "$veltactl" --tcp "$first" --fast --quiet set-all "$work/all.dat")
echo "one device:            $one s (exit $rc)"
read -r many peak rc < <(timed "$veltactl" --tcp "$targets" --jobs "$devices" --fast --quiet \
    set-all "$work/all.dat")
echo "$devices devices, --jobs $devices: $many s, peak $peak MB (exit $rc)"
if [[ $in_turn -eq 1 ]]; then
    read -r turn _ rc < <(timed "$veltactl" --tcp "$targets" --fast --quiet set-all "$work/all.dat")
    echo "$devices devices in turn:   $turn s (exit $rc)"
fi
"$here/bench/fleet.sh" stop

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
(sleep 0.3; "$here/bench/fleet.sh" "$listen_devices" --connect "127.0.0.1:$port" --throttle) &
read -r listen peak rc < <(timed "$veltactl" --listen "$port" --count "$listen_devices" \
    --jobs "$listen_devices" --fast --quiet set-all "$work/all.dat")
echo "$listen_devices devices to --listen, --jobs $listen_devices: $listen s, peak $peak MB (exit $rc)"
