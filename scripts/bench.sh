#!/bin/bash
# make bench: start-up figures (launch to the first message box and to the main window, against
# a bare dialog hosting the same browser control) and the apply run's figures, over several runs,
# written to bench/*.md.
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/.." && pwd)"
export DADAROR_BUILD_DIR="${DADAROR_BUILD_DIR:-$ROOT/build}"
RUNS="${BENCH_RUNS:-7}"
cmake --build "$DADAROR_BUILD_DIR" --target bench_programs >/dev/null || exit 1
unset DISPLAY
bash "$HERE/prefix.sh" start || exit 1
trap 'bash "$HERE/prefix.sh" stop' EXIT
source "$HERE/wine-env.sh"
winpath() { echo "Z:$(echo "$1" | sed 's|/|\\|g')"; }
B="$DADAROR_BUILD_DIR"
mkdir -p "$ROOT/bench"
out="$B/bench-startup.md"
wine "$B/tests/bench/bench_startup.exe" "$(winpath "$B/e2e/DADAROR.exe")" \
     "$(winpath "$B/tests/bench/bench_floor.exe")" "$RUNS" "$(winpath "$out")" || exit 1
{
  echo "# Start-up benchmark"
  echo
  echo "Measured by \`make bench\` on $(date -u +%Y-%m-%d), $(nproc) cores, Wine $(wine --version 2>/dev/null | tr -d '\r')."
  echo "The program is the test build (update service on 127.0.0.1, refused at once: no network)."
  echo
  cat "$out"
  echo "| exe size (build/DADAROR.exe) | $(stat -c %s "$B/DADAROR.exe") bytes (limit 409600 bytes, 400 KiB) |"
} > "$ROOT/bench/startup.md"
cat "$ROOT/bench/startup.md"
if [ -x "$B/tests/bench/bench_apply.exe" ] || [ -f "$B/tests/bench/bench_apply.exe" ]; then
  wine "$B/tests/bench/bench_apply.exe" "$RUNS" "$(winpath "$ROOT/bench/apply.md")" >/dev/null && cat "$ROOT/bench/apply.md"
fi
