#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests, then the
# end-to-end scenarios under wine and a private Xvfb. Ends with ctest's summary.
#   scripts/test.sh                 all tests
#   scripts/test.sh --native-only   unit tests only (no wine, no display needed)
#   other arguments go to ctest (e.g. -R Window --output-on-failure)
set -euo pipefail
cd "$(dirname "$0")/.."

native_only=0
ctest_args=()
for arg in "$@"; do
  case "$arg" in
    --native-only) native_only=1 ;;
    *) ctest_args+=("$arg") ;;
  esac
done

build() {  # preset
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -- -k 0 >/dev/null || { cmake --build --preset "$1"; exit 1; }
}

echo "== build: native"
build native
if ((native_only)); then
  echo "== tests: native only"
  exec ctest --preset unit "${ctest_args[@]}"
fi
echo "== build: windows, windows-english"
build windows
build windows-english
echo "== tests"
exec ctest --preset native "${ctest_args[@]}"
