#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in a prefix of its own under the build folder
# (VELTA_WINEPREFIX, or build/wine beside this checkout), so no user's ~/.wine is touched.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${VELTA_WINEPREFIX:-$here/build/wine}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer at first start
unset DISPLAY WAYLAND_DISPLAY
# Run as a Japanese Windows does (ANSI code page 932), so that a narrow path or text that
# assumes UTF-8 fails here as it would on an operator's PC. Wine takes the code page from the
# locale, which must exist on the Linux side for file names to map (scripts/setup.sh makes it).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  echo "wine-run: the ja_JP.UTF-8 locale is missing; run scripts/setup.sh" >&2
  exit 1
fi
export LC_ALL=ja_JP.UTF-8
wine="$(command -v wine64 || true)"
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
# The first start creates the prefix (about half a minute); test programs started together
# wait for one another here instead of each creating it.
mkdir -p "$WINEPREFIX"
(
  flock 9
  [ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot --init >/dev/null 2>&1 || true
) 9>"$WINEPREFIX.lock"
exec "$wine" "$@"
