#!/bin/bash
# make dist with a throwaway certificate made here: the zip's program verifies against it, with
# its signature removed it is the linker's program byte for byte, SHA256SUMS names the signed
# program, and neither the password nor the key reaches a command line or the build folder.
# A last run without a certificate leaves the build folder's release unsigned again.
#   check_signing.sh BUILD_DIR RELEASE_DIR
set -euo pipefail
build="$1" release="$2"
scratch="$(mktemp -d)"
restore() {
  local status=$?
  env -u DADAROR_SIGN_PKCS12 cmake --build "$build" --target dist >"$scratch/unsigned.out" 2>&1 &&
    grep "DADAROR.exe is NOT signed" "$scratch/unsigned.out" &&
    cmp "$release/DADAROR.exe" "$build/DADAROR.exe" ||
    { cat "$scratch/unsigned.out"; echo "FAIL: the release without a certificate"; status=1; }
  rm -rf "$scratch"
  exit $status
}
trap restore EXIT
fail() { echo "FAIL: $*"; exit 1; }

cd "$scratch"
openssl rand -hex 16 >password
cp password password.out
openssl req -x509 -newkey rsa:2048 -keyout key.pem -out cert.pem -days 2 -subj "/CN=DADAROR check" \
  -passout file:password 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.pfx -passin file:password \
  -passout file:password.out
# osslsigncode as called by the build, its command line kept.
mkdir bin
printf '#!/bin/sh\necho "$*" >>%s/argv\nexec %s "$@"\n' "$scratch" "$(command -v osslsigncode)" >bin/osslsigncode
chmod +x bin/osslsigncode

PATH="$scratch/bin:$PATH" DADAROR_SIGN_PKCS12="$scratch/cert.pfx" \
  DADAROR_SIGN_PASSWORD_FILE="$scratch/password" cmake --build "$build" --target dist >dist.out 2>&1 ||
  { cat dist.out; fail "make dist with a certificate failed"; }
grep "pack_release:" dist.out
python3 -m zipfile -e "$release"/DADAROR-*.zip unpacked
osslsigncode verify -CAfile cert.pem -in unpacked/DADAROR.exe >verify.out 2>&1 ||
  { cat verify.out; fail "the zip's program does not verify against the certificate"; }
grep -E "Subject|Text description|URL description|Message digest algorithm  " verify.out
osslsigncode remove-signature -in unpacked/DADAROR.exe -out removed.exe >/dev/null
cmp removed.exe "$build/DADAROR.exe" || fail "without its signature it is not the unsigned build"
grep -qx "$(sha256sum <unpacked/DADAROR.exe | cut -c1-64)  DADAROR.exe" "$release/SHA256SUMS" ||
  fail "SHA256SUMS does not name the signed program"
(cd "$release" && sha256sum -c --quiet SHA256SUMS) || fail "sha256sum -c fails in $release"

# The secrets: the password and the key's lines, on no command line and in no text file of the
# build folder (its logs, CMake's cache and logs, ninja's log, CTest's logs).
secrets=("$(cat password)")
mapfile -t -O 1 secrets < <(grep -v -- '-----' key.pem | head -3)
for secret in "${secrets[@]}"; do
  ! grep -qF -- "$secret" argv || fail "a secret is on osslsigncode's command line"
  ! grep -rIlF --exclude-dir=wineprefix -- "$secret" "$build" || fail "a secret is in $build"
done
echo "signed, verified, unsigned bytes back, summed; ${#secrets[@]} secrets found nowhere"
