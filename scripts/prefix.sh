#!/bin/bash
# Creates the test prefix once (build/wineprefix) and configures it for deterministic runs.
#   prefix.sh create   - make the prefix if it is missing
#   prefix.sh start    - start Xvfb (if no display) and a persistent wineserver, primed
#   prefix.sh stop     - end this prefix's wineserver and our Xvfb
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/wine-env.sh"
mkdir -p "$DADAROR_BUILD_DIR"

start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && [ "${DADAROR_OWN_XVFB:-1}" != 1 ]; then return; fi
  if [ -f "$DADAROR_BUILD_DIR/xvfb.pid" ] && kill -0 "$(cat "$DADAROR_BUILD_DIR/xvfb.pid")" 2>/dev/null; then
    export DISPLAY="$(cat "$DADAROR_BUILD_DIR/xvfb.display")"; return
  fi
  # 24-bit colour: lower depths merge near colours (RGB 254,0,0 into the transparent red).
  for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      echo $! >"$DADAROR_BUILD_DIR/xvfb.pid"
      echo ":$n" >"$DADAROR_BUILD_DIR/xvfb.display"
      for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
      export DISPLAY=":$n"
      return
    fi
  done
  echo "prefix: no free display for Xvfb" >&2; exit 1
}

# Bump when the prefix's configuration below changes: an older prefix is then made anew.
PREFIX_VERSION=3

create() {
  if [ -f "$WINEPREFIX/.dadaror-ready-$PREFIX_VERSION" ]; then return; fi
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  echo "prefix: creating $WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 || true
  # No window manager under Xvfb: Wine draws and manages windows itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  # The dialog font does not exist here: map it to an installed Korean font.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "돋움" /t REG_SZ /d "NanumGothicCoding" /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Dotum" /t REG_SZ /d "NanumGothicCoding" /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS Shell Dlg" /t REG_SZ /d "NanumGothic" /f >/dev/null 2>&1
  # Keyboard cues (focus rectangles, access-key underlines) shown only once the keyboard is used,
  # as Windows has them by default; Wine's own default shows them always.
  wine reg add 'HKCU\Control Panel\Desktop' /v UserPreferencesMask /t REG_BINARY /d 1000028012000000 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.dadaror-ready-$PREFIX_VERSION"
}

case "${1:-}" in
  create) create ;;
  start)
    start_xvfb
    create
    wineserver -p >/dev/null 2>&1 || true
    wine cmd /c exit >/dev/null 2>&1 || true
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    if [ -f "$DADAROR_BUILD_DIR/xvfb.pid" ]; then
      kill "$(cat "$DADAROR_BUILD_DIR/xvfb.pid")" 2>/dev/null || true
      rm -f "$DADAROR_BUILD_DIR/xvfb.pid" "$DADAROR_BUILD_DIR/xvfb.display"
    fi
    ;;
  *) echo "usage: prefix.sh create|start|stop" >&2; exit 2 ;;
esac
