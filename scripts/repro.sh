#!/bin/bash
# make repro: the release builds the same bytes wherever and whenever it is built. Two clean
# clones of the checked-out commit, in two folders of different names and depths, are built one
# after the other (the second in another time zone and with another umask); their DADAROR.exe,
# velo-ssd.cfg, release zip and SHA256SUMS must be byte-identical, and each SHA256SUMS must pass
# `sha256sum -c`. Uncommitted changes are not part of the check: it builds the commit. The check
# is of the unsigned release: a key named by the environment is not used.
set -euo pipefail
unset DADAROR_SIGN_PKCS12 DADAROR_SIGN_PKCS11_MODULE DADAROR_SIGN_KEY DADAROR_SIGN_CERT \
      DADAROR_SIGN_PASSWORD_FILE DADAROR_SIGN_TIMESTAMP_URL
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/.." && pwd)"
commit="$(git -C "$ROOT" rev-parse HEAD)"
if [ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]; then
  echo "repro: uncommitted changes are left out; building commit $commit"
fi
work="$(mktemp -d /tmp/dadaror-repro.XXXXXX)"
trap 'rm -rf "$work"' EXIT

build_one() {
  local src="$1"
  git clone -q --no-checkout "$ROOT" "$src"
  git -C "$src" -c advice.detachedHead=false checkout -q "$commit"
  cmake -S "$src" -B "$src/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-i686-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$src/build" --target dist >/dev/null
  (cd "$src/build/release" && sha256sum -c SHA256SUMS)
}

start=$(date +%s)
first="$work/first"
second="$work/second/a/longer/path"
build_one "$first"
(umask 077; TZ=Asia/Seoul build_one "$second")

status=0
zip_name="$(cd "$first/build" && ls release/DADAROR-*.zip)"
for f in DADAROR.exe velo-ssd.cfg "$zip_name" release/SHA256SUMS; do
  if cmp -s "$first/build/$f" "$second/build/$f"; then
    echo "repro: $f identical ($(sha256sum < "$first/build/$f" | cut -c1-16)...)"
  else
    echo "repro: $f DIFFERS between the two builds"
    status=1
  fi
done
echo "repro: commit $commit, two builds in $(( $(date +%s) - start )) s"
exit $status
