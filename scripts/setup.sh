#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the screenshots need, when missing.
set -euo pipefail

packages=(
  build-essential locales cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-serialport-dev libgl-dev
  libgtest-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev clang-format
  socat xvfb xauth openbox fonts-noto-cjk qt6-translations-l10n imagemagick xdotool
  g++-mingw-w64-x86-64-posix googletest wine64
  desktop-file-utils appstream dpkg-dev file groff-base
)

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Windows tests run under Wine as a Japanese Windows, which needs this locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
