#!/usr/bin/env bash
# Ends the rig that tests/e2e/rig/start.sh brought up in STATE_DIR: every wine
# process of its prefix, then its Xvfb. Harmless when nothing runs.
#
# usage: stop.sh STATE_DIR
set -euo pipefail

[[ $# -eq 1 ]] || { echo "usage: stop.sh STATE_DIR" >&2; exit 1; }
STATE_DIR=$1
ENV_FILE=$STATE_DIR/rig.env
if [[ ! -f $ENV_FILE ]]; then
  echo "e2e rig: nothing to stop in $STATE_DIR (no rig.env)"
  exit 0
fi

rig_var() { sed -n "s/^$1=//p" "$ENV_FILE" | head -n 1; }
alive() {  # a zombie (nobody reaps in some containers) counts as gone
  [[ -n ${1:-} && -r /proc/$1/stat ]] && [[ $(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) != Z ]]
}
# Our pid only if it still is the program we started (pids get reused).
is_ours() { alive "$1" && [[ $(cat "/proc/$1/comm" 2>/dev/null) == "$2"* ]]; }
wait_gone() {  # pid, tenths of a second
  local i
  for ((i = 0; i < $2; i++)); do alive "$1" || return 0; sleep 0.1; done
  return 1
}

PREFIX=$(rig_var WINEPREFIX)
XVFB_PID=$(rig_var XVFB_PID)
SERVER_PID=$(rig_var WINESERVER_PID)
DISPLAY_VALUE=$(rig_var DISPLAY)
notes=()

if [[ -n $PREFIX ]] && command -v wineserver >/dev/null 2>&1; then
  # -k ends the server and every process of the prefix; a SIGTERM to the server
  # alone would leave the services running.
  WINEPREFIX=$PREFIX timeout 20 wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$PREFIX timeout 20 wineserver -w >/dev/null 2>&1 || notes+=("wineserver -w timed out")
fi
if is_ours "$SERVER_PID" wineserver; then
  wait_gone "$SERVER_PID" 50 || { kill -KILL "$SERVER_PID" 2>/dev/null || true; notes+=("wineserver killed"); }
fi

if is_ours "$XVFB_PID" Xvfb; then
  kill -TERM "$XVFB_PID" 2>/dev/null || true
  wait_gone "$XVFB_PID" 50 || { kill -KILL "$XVFB_PID" 2>/dev/null || true; notes+=("Xvfb killed"); }
fi
# Xvfb removes these itself on SIGTERM, not after SIGKILL; only ours, only if its
# server is gone.
if [[ $DISPLAY_VALUE =~ ^:([0-9]+)$ ]]; then
  n=${BASH_REMATCH[1]}
  if [[ -f /tmp/.X$n-lock ]]; then
    lockpid=$(tr -dc '0-9' <"/tmp/.X$n-lock" 2>/dev/null || true)
    if [[ $lockpid == "$XVFB_PID" ]] && ! alive "$XVFB_PID"; then
      rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    fi
  fi
fi

mv -f "$ENV_FILE" "$ENV_FILE.stopped"
echo "e2e rig stopped: $STATE_DIR${notes[*]:+ (${notes[*]})}"
