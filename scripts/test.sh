#!/bin/bash
# Runs every test: one Wine prefix per run, created once and shared; the Wine server primed once
# and ended at the end; our own Xvfb at 24-bit colour so that pictures are deterministic.
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/.." && pwd)"
export DADAROR_BUILD_DIR="${DADAROR_BUILD_DIR:-$ROOT/build}"
unset DISPLAY
bash "$HERE/prefix.sh" start || exit 1
export DISPLAY="$(cat "$DADAROR_BUILD_DIR/xvfb.display")"
trap 'bash "$HERE/prefix.sh" stop' EXIT
# The build's test web server port must be ours alone: a suite of another checkout on it would
# answer our programs and count theirs.
port="$(sed -n 's/^E2E_HTTP_PORT:[A-Z]*=//p' "$DADAROR_BUILD_DIR/CMakeCache.txt" 2>/dev/null)"
if [ -n "$port" ]; then
  holder="$(ss -Hltnp "sport = :$port" 2>/dev/null)"
  if [ -n "$holder" ]; then
    echo "make test: port $port of this build's test web server is taken: $holder" >&2
    echo "make test: end that run, or configure this build folder anew (rm $DADAROR_BUILD_DIR/CMakeCache.txt)" >&2
    exit 1
  fi
fi
start=$(date +%s)
ctest --test-dir "$DADAROR_BUILD_DIR" --output-on-failure -j "${CTEST_JOBS:-2}" ${CTEST_ARGS:-}
rc=$?
echo "make test: ctest finished in $(( $(date +%s) - start )) s (exit $rc)"
exit $rc
