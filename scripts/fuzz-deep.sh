#!/usr/bin/env bash
# Runs every fuzz target (tests/fuzz/*_fuzz.cpp) long, one after the other, each from its seed
# corpus (tests/fuzz/corpus/<target>/, when there is one), and prints a table of runs, speed,
# coverage and findings.
#
#   scripts/fuzz-deep.sh [-r RUNS] [-t SECONDS] [-p] [-m] [-o DIR] [--no-build] [TARGET...]
#
#   -r RUNS      stop each target after RUNS inputs (default 10000000; 0: no limit)
#   -t SECONDS   stop each target after SECONDS (default: no limit)
#   -p           stop each target at a plateau: once it has had at least 60 seconds of processor
#                time and the last quarter of that time found no new coverage (-r and -t still
#                cap it)
#   -m           afterwards merge what the run found into the seed corpus (libFuzzer's
#                -merge=1: only inputs that add coverage are copied), to commit it
#   -o DIR       where the work corpora, logs, findings and the table go
#                (default build/fuzz-deep)
#   --no-build   use the fuzz build as it is
#   TARGET...    only these targets (names as in tests/fuzz, e.g. title_reply_fuzz)
#
# The table gives, beside the final coverage, what the last quarter of each run added (cov and
# ft at three quarters of its processor time against the end): 0 there means the target had levelled off.
# The seed corpora in the repository are read, and written only by -m: each target grows a copy under
# DIR/corpus/<target>, which the next run continues from. A finding (crash, leak, time-out,
# out-of-memory input) is kept in DIR/findings/<target>/ and makes the exit status 1.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=10000000
seconds=0
out=build/fuzz-deep
build=1
plateau=0
merge=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    -r) runs="$2"; shift 2 ;;
    -t) seconds="$2"; shift 2 ;;
    -o) out="$2"; shift 2 ;;
    -p) plateau=1; shift ;;
    -m) merge=1; shift ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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
  echo "| target | runs | exec/s | runs per CPU s | cov | ft | cov +last ¼ | ft +last ¼ | corpus | seconds | findings |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|"
} >"$table"

ticks=$(getconf CLK_TCK)
status=0
for t in "${targets[@]}"; do
  bin=build/fuzz/tests/$t
  if [ ! -x "$bin" ]; then
    echo "fuzz-deep.sh: $bin is not built" >&2
    echo "| $t | - | - | - | - | - | - | - | - | - | not built |" >>"$table"
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
  ( time "$bin" -runs="$lim" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" "${seeds[@]}" >"$log" 2>&1 ) \
    2>"$out/logs/$t.cpu" &
  runner=$!
  # Once a second: the fuzzer's processor seconds so far and its coverage, kept as "cpu cov ft".
  # Quarters are taken in processor time, so that a busy machine does not fake a plateau.
  samples="$out/logs/$t.samples"
  : >"$samples"
  best=-1
  gained=0
  interrupted=0
  while kill -0 "$runner" 2>/dev/null; do
    sleep 1
    pid=$(pgrep -P "$runner" -n || true)
    [ -n "$pid" ] && [ -r "/proc/$pid/stat" ] || continue
    cpu=$(awk -v hz="$ticks" '{ sub(/^.*\) /, ""); printf "%d", ($12 + $13) / hz }' \
      "/proc/$pid/stat" 2>/dev/null || true)
    line=$(tail -c 8192 "$log" 2>/dev/null | grep -aE '^#[0-9]+.* cov: ' | tail -n 1)
    c=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$line")
    f=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$line")
    [ -n "$c" ] && [ -n "$cpu" ] || continue
    echo "$cpu $c ${f:-0}" >>"$samples"
    if [ "$c" -gt "$best" ]; then
      best=$c
      gained=$cpu
    fi
    if [ "$plateau" = 1 ] && [ "$interrupted" = 0 ] && [ "$cpu" -ge 60 ] &&
      [ $((4 * (cpu - gained))) -ge "$cpu" ]; then
      kill -INT "$pid" 2>/dev/null || true
      interrupted=1
    fi
  done
  wait "$runner"
  rc=$?
  # libFuzzer leaves with 72 when interrupted; here that is the plateau stop, not a finding.
  [ "$interrupted" = 1 ] && [ "$rc" = 72 ] && rc=0
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
  # What the last quarter of the run added: coverage at three quarters of its processor time
  # against the end.
  read -r cov_gain ft_gain < <(awk '
    { t[NR] = $1; c[NR] = $2; f[NR] = $3 }
    END {
      if (NR == 0) { print "- -"; exit }
      q = 1
      for (i = 1; i <= NR; i++) if (t[i] <= t[NR] * 3 / 4) q = i
      print c[NR] - c[q], f[NR] - f[q]
    }' "$samples")
  found=$(find "$findings" -type f | wc -l)
  verdict="none"
  if [ "$found" -gt 0 ] || [ "$rc" -ne 0 ]; then
    verdict="$found file(s) in findings/$t (exit $rc)"
    status=1
  fi
  echo "| $t | ${executed:--} | ${speed:--} | $per_cpu | ${cov:--} | ${ft:--} | $cov_gain | $ft_gain | ${corpus:--} | $elapsed | $verdict |" \
    >>"$table"
  tail -n 1 "$table"
  if [ "$merge" = 1 ]; then
    mkdir -p "tests/fuzz/corpus/$t"
    before=$(find "tests/fuzz/corpus/$t" -type f | wc -l)
    "$bin" -merge=1 -rss_limit_mb=2048 -timeout=10 "tests/fuzz/corpus/$t" "$work" \
      >"$out/logs/$t.merge" 2>&1 || { echo "fuzz-deep.sh: merge of $t failed" >&2; status=1; }
    echo "seed corpus of $t: $before -> $(find "tests/fuzz/corpus/$t" -type f | wc -l) files"
  fi
done

echo
cat "$table"
echo
echo "logs, corpora and findings: $out"
exit "$status"
