#!/bin/bash
# Environment of every Wine run of the project: a disposable prefix under build/, never ~/.wine.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Each build folder has its own prefix and display (several builds may run side by side).
export DADAROR_BUILD_DIR="${DADAROR_BUILD_DIR:-$ROOT/build}"
export WINEPREFIX="${WINEPREFIX:-$DADAROR_BUILD_DIR/wineprefix}"
export WINEARCH="${WINEARCH:-win64}"
export WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL=ko_KR.UTF-8
export LANG=ko_KR.UTF-8
# No Mono or Gecko installer may ever wait for a click.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ -f "$DADAROR_BUILD_DIR/xvfb.display" ] && [ "${DADAROR_OWN_XVFB:-1}" = 1 ]; then
  export DISPLAY="$(cat "$DADAROR_BUILD_DIR/xvfb.display")"
fi
