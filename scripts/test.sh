#!/usr/bin/env bash
# Builds and runs every test: the developer build, the sanitizer build and a short fuzz smoke.
#   scripts/test.sh           everything (what CI runs)
#   scripts/test.sh --quick   the developer build only
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

run_preset() {
  echo "=== $1 ==="
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
  ctest --preset "$1"
}

run_preset dev
if [ "${1:-}" != "--quick" ]; then
  run_preset asan-ubsan
  run_preset fuzz
fi
echo "all tests passed"
