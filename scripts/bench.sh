#!/usr/bin/env bash
# Builds and runs the benchmarks under a private rig; prints figures, never fails a test run.
#   scripts/bench.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-9}
for preset in windows native; do
  [[ -f build/$preset/build.ninja ]] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done
state=${TMPDIR:-/tmp}/mms-bench-$(id -u)
trap 'bash "$root/tests/e2e/rig/stop.sh" "$state" >/dev/null 2>&1 || true' EXIT
bash tests/e2e/rig/start.sh "$state" --prefix-cache "$root/build/native/e2e-prefix" \
  --driver "$root/build/windows/mms-driver.exe" >/dev/null
echo "== startup"
MMS_E2E_ENV=$state/rig.env MMS_APP_EXE=$root/build/windows/MultiMasterSetup.exe \
  build/native/bench/bench_startup "$runs"
echo "== handshake"
MMS_E2E_ENV=$state/rig.env MMS_APP_EXE=$root/build/windows/MultiMasterSetup.exe \
  build/native/bench/bench_handshake 5
