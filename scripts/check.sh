#!/bin/bash
# Second opinions on every change, behind `make check` and `make fuzz`:
#   0. the program alone, as a Windows developer builds it: a copy of the sources without tests/,
#      in a folder whose path holds a blank and Hangul (as a Windows user's folders may), configured
#      with -DBUILD_TESTING=OFF and no GoogleTest to be found (build/notests); and no build file
#      but the Debian toolchain files names a path under /usr/;
#   1. clang builds the program for 32-bit Windows with -Wall -Wextra -Werror (build/clang);
#   2. clang-tidy runs the checks of .clang-tidy over src/ with that build's compile database;
#   3. the fuzz targets of tests/fuzz run natively under ASan and UBSan (build/fuzz), FUZZ_SECONDS
#      each (20 for `make check`); a finding fails the run and its input is kept in
#      build/fuzz/findings/.
# `check.sh fuzz` runs only step 3.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${DADAROR_BUILD_DIR:-$PWD/build}
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
JOBS=${JOBS:-$(nproc)}
TARGETS=(update_answer url_reference navigation_guard ssd_match)

if [ "${1:-check}" != fuzz ]; then
  echo "== the program without its tests ($BUILD/notests)"
  debian=$(git ls-files -- CMakeLists.txt 'cmake/*' '*/CMakeLists.txt' | grep -v '^cmake/toolchain-' |
           xargs grep -n '/usr/' || true)
  [ -z "$debian" ] || { echo "$debian"; echo "a build file names a Debian path"; exit 1; }
  rm -rf "$BUILD/notests"
  odd="$BUILD/notests/새 폴더"
  mkdir -p "$odd/src 한글"
  git ls-files -z -- . ':!:tests/' | xargs -0 cp --parents -t "$odd/src 한글"
  cmake -S "$odd/src 한글" -B "$odd/build 한글" -G Ninja -DBUILD_TESTING=OFF -DDADAROR_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw32.cmake -DCMAKE_BUILD_TYPE=Release \
        -DDADAROR_GOOGLETEST_DIR="$BUILD/notests/no-googletest" >/dev/null
  cmake --build "$odd/build 한글" >/dev/null
  # The release packed there too, unsigned: a maintainer's certificate is not wanted here.
  (unset "${!DADAROR_SIGN_@}"; cmake --build "$odd/build 한글" --target dist >/dev/null)
  for f in DADAROR.exe velo-ssd.cfg release/SHA256SUMS; do
    [ -s "$odd/build 한글/$f" ] || { echo "no $f built without the tests in $odd"; exit 1; }
  done
  echo "DADAROR.exe, velo-ssd.cfg and the release built in \"$odd\" without tests/ and GoogleTest"

  echo "== clang build for Windows ($BUILD/clang)"
  if [ ! -f "$BUILD/clang/build.ninja" ]; then
    cmake -S . -B "$BUILD/clang" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw32-clang.cmake \
          -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DDADAROR_WERROR=ON \
          -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
  fi
  cmake --build "$BUILD/clang"

  echo "== clang-tidy over src/"
  run-clang-tidy -p "$BUILD/clang" -j "$JOBS" -quiet "$PWD/src/" >"$BUILD/clang/tidy.log" 2>&1 || {
    sed 's/\x1b\[[0-9;]*m//g' "$BUILD/clang/tidy.log" | grep -E -A3 '(warning|error):' || cat "$BUILD/clang/tidy.log"
    echo "clang-tidy: findings above (full output: $BUILD/clang/tidy.log)"
    exit 1
  }
fi

echo "== fuzz targets, ${FUZZ_SECONDS} s each ($BUILD/fuzz)"
if [ ! -f "$BUILD/fuzz/build.ninja" ]; then
  cmake -S tests/fuzz -B "$BUILD/fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$BUILD/fuzz"
mkdir -p "$BUILD/fuzz/findings"
failed=()
for t in "${TARGETS[@]}"; do
  # New inputs go to the build folder's corpus; the repository's seeds are only read.
  mkdir -p "$BUILD/fuzz/corpus/$t"
  log="$BUILD/fuzz/$t.log"
  if "$BUILD/fuzz/fuzz_$t" -max_total_time="$FUZZ_SECONDS" -max_len=4096 -timeout=10 \
       -print_final_stats=1 -artifact_prefix="$BUILD/fuzz/findings/$t-" \
       "$BUILD/fuzz/corpus/$t" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    reached=$(sed -En 's/^#[0-9]+[[:space:]]+DONE +(cov: .*) lim:.*/\1/p' "$log")
    echo "$t: $runs runs, $rate per second; $reached"
  else
    tail -40 "$log"
    echo "$t: FINDING (input in $BUILD/fuzz/findings/; add it to tests/fuzz/corpus/$t and a unit test)"
    failed+=("$t")
  fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzzing found faults in: ${failed[*]}"; exit 1; }
