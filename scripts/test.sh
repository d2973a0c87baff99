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
start=$(date +%s)
ctest --test-dir "$DADAROR_BUILD_DIR" --output-on-failure -j "${CTEST_JOBS:-2}" ${CTEST_ARGS:-}
rc=$?
echo "make test: ctest finished in $(( $(date +%s) - start )) s (exit $rc)"
exit $rc
