#!/usr/bin/env bash
# Checks the formatting, then builds and runs every test: the developer build, the Windows core lane (MinGW-w64 cross build
# under Wine), the package checks, the sanitizer build and a short fuzz smoke.
#   scripts/test.sh           everything (what CI runs)
#   scripts/test.sh --quick   the developer build only
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

# Every C++ file is as the repository's .clang-format writes it.
check_format() {
  echo "=== format ==="
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}

run_preset() {
  echo "=== $1 ==="
  local start=$SECONDS
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
  ctest --preset "$1"
  echo "=== $1: $((SECONDS - start)) s ==="
}

# The desktop file and metainfo are valid, and the .deb built from the developer build holds
# programs that start from a bare unpacked root with the system's Qt.
check_package() {
  echo "=== package ==="
  desktop-file-validate packaging/org.velta.Velta.desktop
  appstreamcli validate --no-net packaging/org.velta.Velta.metainfo.xml
  for page in packaging/*.1; do
    warnings=$(groff -man -ww -z -Tutf8 "$page" 2>&1)
    [ -z "$warnings" ] || { echo "$page: $warnings"; return 1; }
  done
  rm -rf build/dev/package
  (cd build/dev && cpack -G DEB >/dev/null)
  local deb
  deb=$(ls build/dev/package/velta_*.deb)
  dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || {
    echo "$deb: no Qt dependency"
    return 1
  }
  local root
  root=$(mktemp -d)
  dpkg -x "$deb" "$root"
  for f in usr/bin/velta usr/share/applications/org.velta.Velta.desktop \
           usr/share/metainfo/org.velta.Velta.metainfo.xml \
           usr/share/icons/hicolor/48x48/apps/org.velta.Velta.png \
           usr/share/icons/hicolor/scalable/apps/org.velta.Velta.svg \
           usr/share/man/man1/veltactl.1.gz usr/share/man/man1/velta-devsim.1.gz; do
    [ -f "$root/$f" ] || { echo "$deb: $f missing"; rm -rf "$root"; return 1; }
  done
  env -u LD_LIBRARY_PATH "$root/usr/bin/veltactl" --help >/dev/null
  env -u LD_LIBRARY_PATH "$root/usr/bin/velta-devsim" --help >/dev/null
  rm -rf "$root"
  echo "=== package: $deb ==="
}

check_format
echo "=== layers ==="
scripts/check_layers.sh
run_preset dev
if [ "${1:-}" != "--quick" ]; then
  run_preset windows-core
  check_package
  run_preset asan-ubsan
  run_preset fuzz
fi
echo "all tests passed"
