#!/usr/bin/env bash
# Brings up the end-to-end rig: a wine prefix with its own persistent wineserver,
# a private Xvfb display, and pseudo-terminal links mapped as COM ports.
# Writes STATE_DIR/rig.env for the scenarios; tests/e2e/rig/stop.sh ends it.
#
# usage: start.sh STATE_DIR [--screen WxH | --display :N] [--prefix-cache DIR]
#                           [--port COMn=LINKPATH]... [--driver EXE] [--env KEY=VALUE]...
# --display uses an X display that is already there instead of a private Xvfb.
set -euo pipefail

RIG_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(cd "$RIG_DIR/../../.." && pwd)

die() { echo "e2e rig: $*" >&2; exit 1; }
alive() {  # a zombie (nobody reaps in some containers) counts as gone
  [[ -n ${1:-} && -r /proc/$1/stat ]] && [[ $(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) != Z ]]
}
now_ms() { date +%s%3N; }

usage() {
  cat >&2 <<'EOF'
usage: start.sh STATE_DIR [--screen WxH] [--prefix-cache DIR] [--port COMn=LINKPATH]...
                          [--driver EXE] [--env KEY=VALUE]...
EOF
  exit 1
}

[[ $# -ge 1 && $1 != -* ]] || usage
STATE_DIR=$1; shift
SCREEN=1366x768
USE_DISPLAY=
PREFIX_DIR=
DRIVER_EXE=${MMS_DRIVER_EXE:-}
PORT_ARGS=()
EXTRA_ENV=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --screen) [[ $# -ge 2 ]] || usage; SCREEN=$2; shift 2 ;;
    --display) [[ $# -ge 2 ]] || usage; USE_DISPLAY=$2; shift 2 ;;
    --prefix-cache) [[ $# -ge 2 ]] || usage; PREFIX_DIR=$2; shift 2 ;;
    --port) [[ $# -ge 2 ]] || usage; PORT_ARGS+=("$2"); shift 2 ;;
    --driver) [[ $# -ge 2 ]] || usage; DRIVER_EXE=$2; shift 2 ;;
    --env) [[ $# -ge 2 ]] || usage; EXTRA_ENV+=("$2"); shift 2 ;;
    *) echo "e2e rig: unknown option '$1'" >&2; usage ;;
  esac
done

[[ $SCREEN =~ ^([1-9][0-9]{2,4})x([1-9][0-9]{2,4})$ ]] \
  || die "bad --screen '$SCREEN' (expected WxH, e.g. 1366x768)"

for tool in wine wineserver Xvfb; do
  command -v "$tool" >/dev/null 2>&1 || die "$tool not found; run scripts/setup.sh"
done
for tool in iconv timeout setsid flock realpath; do
  command -v "$tool" >/dev/null 2>&1 || die "$tool not found; run scripts/setup.sh"
done
HAVE_XDPYINFO=0
command -v xdpyinfo >/dev/null 2>&1 && HAVE_XDPYINFO=1

STATE_DIR=$(realpath -m -- "$STATE_DIR")
[[ -z $PREFIX_DIR ]] || PREFIX_DIR=$(realpath -m -- "$PREFIX_DIR")
[[ -n $DRIVER_EXE || ! -f $REPO_DIR/build/windows/mms-driver.exe ]] \
  || DRIVER_EXE=$REPO_DIR/build/windows/mms-driver.exe
if [[ -n $DRIVER_EXE ]]; then
  [[ -f $DRIVER_EXE ]] || die "driver '$DRIVER_EXE' not found; build the windows preset"
  DRIVER_EXE=$(realpath -- "$DRIVER_EXE")
fi

for kv in "${EXTRA_ENV[@]}"; do
  [[ $kv =~ ^[A-Za-z_][A-Za-z0-9_]*= ]] || die "bad --env '$kv' (expected KEY=VALUE)"
done

# Ports: COMn=LINKPATH, n in 1..256, each COM number once.
[[ ${#PORT_ARGS[@]} -gt 0 ]] || PORT_ARGS=("COM1=$STATE_DIR/ttyCOM1")
declare -A PORT_LINK=()
PORT_NAMES=()
for mapping in "${PORT_ARGS[@]}"; do
  [[ $mapping =~ ^[Cc][Oo][Mm]([1-9][0-9]{0,2})=(/.+)$ ]] \
    || die "bad --port '$mapping' (expected COMn=/absolute/link/path)"
  num=$((10#${BASH_REMATCH[1]}))
  (( num <= 256 )) || die "bad --port '$mapping' (COM number above 256)"
  name=COM$num
  [[ -z ${PORT_LINK[$name]+x} ]] || die "--port $name given twice"
  PORT_LINK[$name]=${BASH_REMATCH[2]}
  PORT_NAMES+=("$name")
done

T0=$(now_ms)
ENV_FILE=$STATE_DIR/rig.env
[[ -n $PREFIX_DIR ]] || PREFIX_DIR=$STATE_DIR/prefix
mkdir -p "$STATE_DIR" "$PREFIX_DIR"

# Earlier rig in this state dir: end it first, so that a rerun starts clean.
if [[ -f $ENV_FILE ]]; then
  "$RIG_DIR/stop.sh" "$STATE_DIR" >/dev/null
fi
rm -f "$STATE_DIR"/driver-*.log  # the last run's driver logs only

# One rig per prefix: a second one would share (and kill) the first one's wineserver.
OWNER_FILE=$PREFIX_DIR/.mms-rig-owner
if [[ -f $OWNER_FILE ]]; then
  owner=$(<"$OWNER_FILE")
  if [[ $owner != "$STATE_DIR" && -f $owner/rig.env ]]; then
    opid=$(sed -n 's/^XVFB_PID=//p' "$owner/rig.env")
    if alive "$opid"; then
      die "prefix $PREFIX_DIR is in use by the rig in $owner; stop it (tests/e2e/rig/stop.sh $owner) or use another --prefix-cache"
    fi
  fi
fi

export WINEPREFIX=$PREFIX_DIR
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
unset WINESERVER WINELOADER || true

# Locale: glibc needs zh_CN.UTF-8 for wine to convert Unix-side Chinese text.
LOCPATH_VALUE=
if ! locale -a 2>/dev/null | grep -Eqix 'zh_CN\.utf-?8'; then
  command -v localedef >/dev/null 2>&1 || die "localedef not found; run scripts/setup.sh"
  # Kept beside the prefix so that a cached prefix also spares the 2 s of localedef.
  cached=$PREFIX_DIR/.mms-locale
  if [[ ! -f $cached/zh_CN.UTF-8/LC_CTYPE ]]; then
    rm -rf "$cached.tmp"; mkdir -p "$cached.tmp"
    localedef -i zh_CN -f UTF-8 "$cached.tmp/zh_CN.UTF-8" >"$STATE_DIR/localedef.log" 2>&1 \
      || die "localedef for zh_CN.UTF-8 failed (see $STATE_DIR/localedef.log); run scripts/setup.sh"
    rm -rf "$cached"; mv "$cached.tmp" "$cached"
  fi
  rm -rf "$STATE_DIR/locale"
  ln -s "$cached" "$STATE_DIR/locale"
  LOCPATH_VALUE=$STATE_DIR/locale
  export LOCPATH=$LOCPATH_VALUE
fi
# bash itself cannot load the private locale (LOCPATH reaches only child processes).
{ export LC_ALL=zh_CN.UTF-8; } 2>/dev/null

T_XVFB=$(now_ms)
# Xvfb on the first free display from :90; a lost race shows as an exited Xvfb.
IFS=x read -r SCREEN_W SCREEN_H <<<"$SCREEN"
XVFB_PID=
DISPLAY_NUM=
if [[ -n $USE_DISPLAY ]]; then
  [[ $USE_DISPLAY =~ ^:([0-9]+)(\.[0-9]+)?$ ]] || die "bad --display '$USE_DISPLAY' (expected :N)"
  DISPLAY_NUM=${BASH_REMATCH[1]}
  if [[ $HAVE_XDPYINFO = 1 ]]; then
    xdpyinfo -display "$USE_DISPLAY" >/dev/null 2>&1 || die "X display $USE_DISPLAY does not answer"
    SCREEN=$(xdpyinfo -display "$USE_DISPLAY" | sed -n 's/^ *dimensions: *\([0-9]*x[0-9]*\).*/\1/p' | head -n 1)
  fi
else
  for n in $(seq 90 189); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    setsid Xvfb ":$n" -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp \
      </dev/null >"$STATE_DIR/xvfb.log" 2>&1 &
    pid=$!
    ready=0
    for _ in $(seq 1 200); do
      alive "$pid" || break
      if [[ -S /tmp/.X11-unix/X$n ]]; then
        if [[ $HAVE_XDPYINFO = 0 ]] || xdpyinfo -display ":$n" >/dev/null 2>&1; then
          ready=1; break
        fi
      fi
      sleep 0.05
    done
    if [[ $ready = 1 ]]; then XVFB_PID=$pid; DISPLAY_NUM=$n; break; fi
    if alive "$pid"; then
      kill "$pid" 2>/dev/null || true
      die "Xvfb :$n did not accept connections within 10 s (see $STATE_DIR/xvfb.log)"
    fi
    wait "$pid" 2>/dev/null || true
  done
  [[ -n $XVFB_PID ]] || die "no free X display in :90-:189 (or Xvfb fails: see $STATE_DIR/xvfb.log)"
fi
export DISPLAY=:$DISPLAY_NUM
T_XVFB=$(( $(now_ms) - T_XVFB ))

# From here on a failure must not leave Xvfb or wine running.
RIG_UP=0
cleanup_on_error() {
  [[ $RIG_UP = 1 ]] && return 0
  [[ ! -e $WINEPREFIX/system.reg ]] || timeout 10 wineserver -k >/dev/null 2>&1 || true
  [[ -z $XVFB_PID ]] || kill "$XVFB_PID" 2>/dev/null || true  # removes its own lock files on SIGTERM
}
trap 'cleanup_on_error' EXIT

# Prefix, built once; the marker is written only after a complete build.
MARKER=$PREFIX_DIR/.mms-rig-prefix-ready
T_PREFIX=$(now_ms)
PREFIX_BUILT=cached
{
  flock -w 300 9 || die "timed out waiting for another rig building $PREFIX_DIR"
  if [[ ! -f $MARKER ]]; then
    PREFIX_BUILT=new
    # Only a half-built prefix is cleared: never a directory given by mistake.
    others=$(find "$PREFIX_DIR" -mindepth 1 -maxdepth 1 ! -name '.mms-*' | head -n 1)
    if [[ -n $others && ! -e $PREFIX_DIR/system.reg && ! -e $PREFIX_DIR/drive_c ]]; then
      die "--prefix-cache $PREFIX_DIR holds files but no wine prefix; give an empty or new directory"
    fi
    timeout 60 wineserver -k >/dev/null 2>&1 || true
    find "$PREFIX_DIR" -mindepth 1 -maxdepth 1 ! -name '.mms-*' -exec rm -rf {} +
    timeout 180 wineboot -i </dev/null >"$STATE_DIR/wineboot.log" 2>&1 \
      || die "wineboot -i failed for $PREFIX_DIR (see $STATE_DIR/wineboot.log)"
    timeout 60 wineserver -w || die "the server of the new prefix did not end within 60 s"
    touch "$MARKER"
  fi
} 9>"$PREFIX_DIR/.mms-rig-lock"
T_PREFIX=$(( $(now_ms) - T_PREFIX ))
echo "$STATE_DIR" >"$OWNER_FILE"

# Registry: fonts that render Chinese, digits and Latin; unmanaged windows (no window
# manager); the Ports key replaced as a whole so that earlier mappings go.
reg_escape() { local s=${1//\\/\\\\}; printf '%s' "${s//\"/\\\"}"; }
REG_TXT=$STATE_DIR/setup.reg.txt
{
  printf 'Windows Registry Editor Version 5.00\n\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n'
  for face in 微软雅黑 "Microsoft YaHei" SimSun 宋体 NSimSun; do
    printf '"%s"="WenQuanYi Micro Hei"\n' "$face"
  done
  printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n\n'
  printf '[-HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
  for name in "${PORT_NAMES[@]}"; do
    printf '"%s"="%s"\n' "$name" "$(reg_escape "${PORT_LINK[$name]}")"
  done
} >"$REG_TXT"
REG_FILE=$STATE_DIR/setup.reg
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$REG_TXT" | sed 's/\x0a\x00/\x0d\x00\x0a\x00/g'; } >"$REG_FILE"

# A port link that does not exist yet gets a dangling placeholder (wine lists and
# opens the port either way); the simulated instrument re-points it at its pty.
for name in "${PORT_NAMES[@]}"; do
  link=${PORT_LINK[$name]}
  mkdir -p "$(dirname "$link")"
  if [[ ! -e $link && ! -L $link ]]; then
    ln -s "$STATE_DIR/no-instrument-yet-$name" "$link"
  fi
done

server_pid() {
  local d f
  for d in /proc/[0-9]*; do
    [[ $(cat "$d/comm" 2>/dev/null) == wineserver* ]] || continue
    for f in "$d"/fd/*; do
      if [[ $(readlink "$f" 2>/dev/null) == "$WINEPREFIX" ]]; then echo "${d#/proc/}"; return 0; fi
    done
  done
  return 1
}

start_server() {  # warm-up command...
  # Own log and stdin: a server started by a test's wine process would write into
  # that test's pipes and keep them open. The daemon returns once it accepts clients.
  timeout 30 wineserver -p </dev/null >>"$STATE_DIR/wineserver.log" 2>&1 \
    || die "wineserver -p failed (see $STATE_DIR/wineserver.log)"
  WINESERVER_PID=$(server_pid) || die "wineserver started but its process was not found"
  # The first wine process starts the background services, which inherit its
  # output: never a pipe that someone waits on.
  timeout 60 "$@" </dev/null >>"$STATE_DIR/warmup.log" 2>&1 || die "warm-up '$*' failed (see $STATE_DIR/warmup.log)"
}

serialcomm() {
  # reg.exe prints in the ANSI code page (GBK here): only ASCII fields are used.
  timeout 30 wine reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' </dev/null 2>/dev/null \
    | tr -d '\r' | awk '$0 ~ /REG_SZ/ && $NF ~ /^COM[0-9]+$/ { print $NF }' | paste -sd, -
}

missing_ports() {
  local listed=",$1," name out=""
  for name in "${PORT_NAMES[@]}"; do
    [[ $listed == *",$name,"* ]] || out+="$name "
  done
  printf '%s' "$out"
}

ports_in_prefix() {
  # The server has just loaded system.reg and nothing wrote the key since, so the
  # file holds what the devices were started with. Non-ASCII shows escaped, which
  # only costs a restart.
  awk '
    /^\[/ { inports = ($0 ~ /^\[Software\\\\Wine\\\\Ports\]/); next }
    inports && /^"[Cc][Oo][Mm][0-9]+"="/ {
      line = $0; sub(/^"/, "", line); name = toupper(substr(line, 1, index(line, "\"") - 1))
      value = substr(line, index(line, "=\"") + 2); sub(/"$/, "", value); gsub(/\\\\/, "\\", value)
      print name "=" value
    }' "$WINEPREFIX/system.reg" 2>/dev/null | sort
}

T_WINE=$(now_ms)
: >"$STATE_DIR/wineserver.log"
: >"$STATE_DIR/warmup.log"
REG_WIN_PATH=Z:${REG_FILE//\//\\}
# The Ports key is read when the server's devices start: restart only if the prefix
# held another mapping (a cached prefix usually holds this one already).
WANT_PORTS=$(for name in "${PORT_NAMES[@]}"; do printf '%s=%s\n' "$name" "${PORT_LINK[$name]}"; done | sort)
HAD_PORTS=$(ports_in_prefix || true)
start_server wine regedit /S "$REG_WIN_PATH"
RESTARTED=no
if [[ $HAD_PORTS != "$WANT_PORTS" ]]; then
  RESTARTED=yes
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || die "wineserver did not end after -k"
  start_server wine cmd /c exit
fi
SERIALCOMM=$(serialcomm || true)
missing=$(missing_ports "$SERIALCOMM")
[[ -z $missing ]] || die "ports not listed under HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM: $missing(listed: ${SERIALCOMM:-none})"
T_WINE=$(( $(now_ms) - T_WINE ))

PORTS=$(for name in "${PORT_NAMES[@]}"; do printf '%s=%s,' "$name" "${PORT_LINK[$name]}"; done)
PORTS=${PORTS%,}
{
  echo "STATE_DIR=$STATE_DIR"
  echo "WINEPREFIX=$WINEPREFIX"
  echo "WINEDEBUG=$WINEDEBUG"
  echo "WINEDLLOVERRIDES=$WINEDLLOVERRIDES"
  echo "LC_ALL=$LC_ALL"
  [[ -z $LOCPATH_VALUE ]] || echo "LOCPATH=$LOCPATH_VALUE"
  echo "DISPLAY=$DISPLAY"
  echo "XVFB_PID=$XVFB_PID"
  echo "WINESERVER_PID=$WINESERVER_PID"
  echo "SCREEN=$SCREEN"
  echo "TTY_LINK=${PORT_LINK[${PORT_NAMES[0]}]}"
  echo "PORTS=$PORTS"
  echo "SERIALCOMM=$SERIALCOMM"
  [[ -z $DRIVER_EXE ]] || echo "DRIVER_EXE=$DRIVER_EXE"
  for kv in "${EXTRA_ENV[@]}"; do echo "$kv"; done
} >"$ENV_FILE.tmp"
mv "$ENV_FILE.tmp" "$ENV_FILE"
RIG_UP=1

echo "e2e rig up: DISPLAY=$DISPLAY ${SCREEN} prefix=$PREFIX_DIR ($PREFIX_BUILT, ${T_PREFIX} ms)" \
     "ports=$PORTS SERIALCOMM=$SERIALCOMM server-restart=$RESTARTED" \
     "time: xvfb ${T_XVFB} ms, wine ${T_WINE} ms, total $(( $(now_ms) - T0 )) ms" \
     "env=$ENV_FILE"
