#!/bin/bash
# make dist with a throwaway certificate: the zip's program verifies, unsigned it is the linker's
# program byte for byte, SHA256SUMS names it, no secret reaches a command line or the build folder;
# then without a certificate: said so, the unsigned release; a release made before (the
# maintainer's signed one) put back.   check_signing.sh BUILD RELEASE
set -euo pipefail
build="$1" release="$2" s="$(mktemp -d)"
[ ! -d "$release" ] || mv "$release" "$s/kept"
restore() {
  local status=$?
  env -u DADAROR_SIGN_PKCS12 cmake --build "$build" --target dist | grep "DADAROR.exe is NOT signed" &&
    cmp "$release/DADAROR.exe" "$build/DADAROR.exe" || { echo "FAIL: the unsigned release"; status=1; }
  [ ! -d "$s/kept" ] || { rm -rf "$release" && mv "$s/kept" "$release"; }
  rm -rf "$s"; exit $status
}
trap restore EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$s"
openssl rand -hex 16 >pass && cp pass pass.out
openssl req -x509 -newkey rsa:2048 -keyout key.pem -out cert.pem -days 2 -subj /CN=check -passout file:pass 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.pfx -passin file:pass -passout file:pass.out
# osslsigncode as the build calls it, its command lines kept.
mkdir bin && printf '#!/bin/sh\necho "$*" >>%s/argv\nexec %s "$@"\n' "$s" "$(command -v osslsigncode)" >bin/osslsigncode
chmod +x bin/osslsigncode
PATH="$s/bin:$PATH" DADAROR_SIGN_PKCS12="$s/cert.pfx" DADAROR_SIGN_PASSWORD_FILE="$s/pass" \
  cmake --build "$build" --target dist >dist.out 2>&1 || { cat dist.out; fail "make dist"; }
python3 -m zipfile -e "$release"/DADAROR-*.zip zip
osslsigncode verify -CAfile cert.pem -in zip/DADAROR.exe >verify.out 2>&1 || { cat verify.out; fail "verify"; }
osslsigncode remove-signature -in zip/DADAROR.exe -out removed.exe >/dev/null
cmp removed.exe "$build/DADAROR.exe" || fail "without its signature it is not the unsigned build"
grep -qx "$(sha256sum <zip/DADAROR.exe | cut -c1-64)  DADAROR.exe" "$release/SHA256SUMS" || fail "SHA256SUMS"
# The password, and the key unlocked (as the signing tool holds it in memory).
for secret in "$(cat pass)" $(openssl pkey -in key.pem -passin file:pass | grep -v -- ----- | head -3); do
  ! grep -qF -- "$secret" argv && ! grep -rlF --exclude-dir=wineprefix -- "$secret" "$build" || fail "a secret leaked"
done
echo "signed, verified, the unsigned bytes back, summed; no secret on a command line or in $build"
