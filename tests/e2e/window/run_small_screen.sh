#!/bin/bash
# Runs a test program on a screen of 1024 x 600: a display of that size (Xvfb) and a Wine prefix
# of its own (build/wineprefix-small, made once), since Wine takes the screen size from the
# display its first process of a prefix started on. Both are ended afterwards.
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../../.." && pwd)"
export DADAROR_BUILD_DIR="${DADAROR_BUILD_DIR:-$ROOT/build}"
export WINEPREFIX="$DADAROR_BUILD_DIR/wineprefix-small"
export DADAROR_OWN_XVFB=0

xvfb_pid=""
for n in $(seq 141 190); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    Xvfb ":$n" -screen 0 1024x600x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      break
    fi
    xvfb_pid=""
  fi
done
[ -n "$xvfb_pid" ] || { echo "small screen: no free display for Xvfb" >&2; exit 1; }

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

bash "$ROOT/scripts/prefix.sh" create || exit 1
source "$ROOT/scripts/wine-env.sh"
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit >/dev/null 2>&1 || true
wine "$@"
