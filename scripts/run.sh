#!/usr/bin/env bash
# Runs the tool under wine against the simulated instrument (or a real one).
#   scripts/run.sh                     simulated instrument mapped as COM1
#   scripts/run.sh --port /dev/ttyUSB0 a real instrument behind a USB serial adapter
#   scripts/run.sh --english           the English build
#   scripts/run.sh --headless          never use $DISPLAY: private Xvfb, report and screenshot
# With a display the window opens there and the script ends when it is closed.
# Without one it connects as a user would, prints what the window shows and
# saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

device=""
english=0
headless=0
while [[ $# -gt 0 ]]; do
  case $1 in
    --port) [[ $# -ge 2 ]] || { echo "run: --port needs a device, e.g. /dev/ttyUSB0" >&2; exit 2; }
            device=$2; shift 2 ;;
    --english) english=1; shift ;;
    --headless) headless=1; shift ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) echo "run: unknown option '$1' (see --help)" >&2; exit 2 ;;
  esac
done

if [[ -n $device ]]; then
  [[ -e $device ]] || { echo "run: $device does not exist: is the adapter plugged in?" >&2; exit 1; }
  [[ -c $device ]] || { echo "run: $device is not a serial device" >&2; exit 1; }
  [[ -r $device && -w $device ]] || { echo "run: no read/write access to $device (join group dialout)" >&2; exit 1; }
fi

preset=windows
title="多主一从设置软件"
if ((english)); then preset=windows-english; title="Multi-master/single-slave configuration software"; fi

build() {  # preset
  if [[ ! -f build/$1/build.ninja ]]; then cmake --preset "$1" >/dev/null; fi
  cmake --build --preset "$1" >/dev/null || { echo "run: building $1 failed" >&2; cmake --build --preset "$1"; exit 1; }
}
echo "run: building"
build "$preset"
[[ $preset == windows ]] || build windows   # the UI driver lives there
build native

exe=$root/build/$preset/MultiMasterSetup.exe
state=${TMPDIR:-/tmp}/mms-run-$(id -u)
mkdir -p "$state"
sim_pid=""
cleanup() {
  [[ -z $sim_pid ]] || kill "$sim_pid" 2>/dev/null || true
  bash "$root/tests/e2e/rig/stop.sh" "$state" >/dev/null 2>&1 || true
}
trap cleanup EXIT

if [[ -n $device ]]; then
  link=$device
  echo "run: mapping $device as COM1"
else
  link=$state/ttyCOM1
  "$root/build/native/instrument-sim" --link "$link" >"$state/instrument.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 100); do grep -q '^instrument-sim:' "$state/instrument.log" 2>/dev/null && break; sleep 0.05; done
  grep -q '^instrument-sim:' "$state/instrument.log" \
    || { echo "run: the simulated instrument did not start:" >&2; cat "$state/instrument.log" >&2; exit 1; }
  echo "run: $(head -n 1 "$state/instrument.log") (log: $state/instrument.log)"
fi

display_args=()
use_display=0
if ((!headless)) && [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
  use_display=1
  display_args=(--display "$DISPLAY")
elif ((!headless)); then
  echo "run: no usable display; running under a private Xvfb"
fi

bash "$root/tests/e2e/rig/start.sh" "$state" "${display_args[@]}" --port "COM1=$link" \
  --prefix-cache "$root/build/native/e2e-prefix" --driver "$root/build/windows/mms-driver.exe"

if ((use_display)); then
  set -a; source "$state/rig.env"; set +a
  echo "run: opening the window on $DISPLAY; close it to end"
  wine "$exe" || true
else
  shot=$state/window.png
  MMS_E2E_ENV=$state/rig.env "$root/build/native/mms-show" --exe "$exe" --title "$title" \
    --screenshot "$shot" --connect
fi
if [[ -n $sim_pid ]]; then
  echo "run: the simulated instrument received:"
  grep -E ' (rx|open|close)' "$state/instrument.log" | sed 's/^/  /' | tail -n 20 || echo "  nothing"
fi
