#!/usr/bin/env bash
# Runs every fuzz target (tests/fuzz/*_fuzz.cpp) long, one after the other, each from its seed
# corpus (tests/fuzz/corpus/<target>/, when there is one), and prints a table of runs, speed,
# coverage and findings.
#
#   scripts/fuzz-deep.sh [-r RUNS] [-t SECONDS] [-o DIR] [--no-build] [TARGET...]
#
#   -r RUNS      stop each target after RUNS inputs (default 10000000; 0: no limit)
#   -t SECONDS   stop each target after SECONDS (default: no limit)
#   -o DIR       where the work corpora, logs, findings and the table go
#                (default build/fuzz-deep)
#   --no-build   use the fuzz build as it is
#   TARGET...    only these targets (names as in tests/fuzz, e.g. title_reply_fuzz)
#
# The seed corpora in the repository are read, never written: each target grows a copy under
# DIR/corpus/<target>, which the next run continues from. A finding (crash, leak, time-out,
# out-of-memory input) is kept in DIR/findings/<target>/ and makes the exit status 1.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=10000000
seconds=0
out=build/fuzz-deep
build=1
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    -r) runs="$2"; shift 2 ;;
    -t) seconds="$2"; shift 2 ;;
    -o) out="$2"; shift 2 ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz-deep.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for src in tests/fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$src" .cpp)")
  done
fi

if [ "$build" = 1 ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
table="$out/report.md"
{
  echo "| target | runs | exec/s | runs per CPU s | cov | ft | corpus | seconds | findings |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---|"
} >"$table"

status=0
for t in "${targets[@]}"; do
  bin=build/fuzz/tests/$t
  if [ ! -x "$bin" ]; then
    echo "fuzz-deep.sh: $bin is not built" >&2
    echo "| $t | - | - | - | - | - | - | - | not built |" >>"$table"
    status=1
    continue
  fi
  work="$out/corpus/$t"
  findings="$out/findings/$t"
  log="$out/logs/$t.log"
  mkdir -p "$work" "$findings" "$out/logs"
  seeds=()
  [ -d "tests/fuzz/corpus/$t" ] && seeds=("tests/fuzz/corpus/$t")
  echo "=== $t (runs $runs, seconds $seconds)"
  lim=$runs; [ "$runs" = 0 ] && lim=-1
  start=$(date +%s)
  set +e
  TIMEFORMAT='%3U %3S'
  { time "$bin" -runs="$lim" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" "${seeds[@]}" >"$log" 2>&1; } \
    2>"$out/logs/$t.cpu"
  rc=$?
  set -e
  elapsed=$(($(date +%s) - start))
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  # Runs per second of processor time: on a busy machine exec/s says more about the load.
  per_cpu=$(awk -v n="${executed:-0}" '{ t = $1 + $2; printf "%d", (t > 0 ? n / t : 0) }' \
    "$out/logs/$t.cpu")
  last=$(grep -E '^#[0-9]+' "$log" | grep ' cov: ' | tail -n 1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
  found=$(find "$findings" -type f | wc -l)
  verdict="none"
  if [ "$found" -gt 0 ] || [ "$rc" -ne 0 ]; then
    verdict="$found file(s) in findings/$t (exit $rc)"
    status=1
  fi
  echo "| $t | ${executed:--} | ${speed:--} | $per_cpu | ${cov:--} | ${ft:--} | ${corpus:--} | $elapsed | $verdict |" \
    >>"$table"
  tail -n 1 "$table"
done

echo
cat "$table"
echo
echo "logs, corpora and findings: $out"
exit "$status"
