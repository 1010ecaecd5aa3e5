#!/usr/bin/env bash
# Installs the Debian packages the build, the tool under wine and the tests need.
# Idempotent and quiet: packages already present are not touched.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev          # native build and unit tests
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64    # the Windows cross build
  wine wine64                                             # running the tool and its driver
  xvfb x11-utils xdotool imagemagick fonts-wqy-microhei   # private display, screenshots, CJK font
  locales procps psmisc                                   # zh_CN locale, process tools
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# mingw's posix-thread compiler must be the one in use (std::thread needs it).
for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-windres wine Xvfb; do
  command -v "$tool" >/dev/null || { echo "setup: $tool still missing after install" >&2; exit 1; }
done
echo "setup: all packages present"
