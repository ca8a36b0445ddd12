#!/usr/bin/env bash
# Builds the tool and starts it against the device simulator, so that every setting is
# answered without hardware: the simulator serves a pseudo-terminal, and a configuration of
# its own (under build/demo/) maps the tool's COM1 to it. The simulator stops with the tool.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev

demo=build/demo
mkdir -p "$demo/config/velta"
rm -f "$demo/devsim.out"
build/dev/tools/devsim/velta-devsim --pty --log "$demo/devsim.log" \
  --state-out "$demo/device-state.txt" >"$demo/devsim.out" &
devsim=$!
trap 'kill "$devsim" 2>/dev/null || true; wait "$devsim" 2>/dev/null || true' EXIT

# The simulator prints the path of its pty as soon as it is ready.
for _ in $(seq 50); do
  [ -s "$demo/devsim.out" ] && break
  kill -0 "$devsim" 2>/dev/null || { echo "demo: the simulator did not start" >&2; exit 1; }
  sleep 0.1
done
pty=$(head -n 1 "$demo/devsim.out")
[ -n "$pty" ] || { echo "demo: the simulator printed no pty" >&2; exit 1; }

# Serial link, RS-232C, COM1 on the simulator's pty.
cat >"$demo/config/velta/velta.ini" <<INI
[VELTA_Section]
Interface=0
com_port=0
rs_control=0
com_path0=$pty
INI

echo "demo: device simulator on $pty (log: $demo/devsim.log, state at exit: $demo/device-state.txt)"
XDG_CONFIG_HOME="$PWD/$demo/config" build/dev/src/ui/velta
