#!/bin/bash
# make dist with a throwaway key, named each way a maintainer can (a .pfx; on a token, SoftHSM2
# standing in), the time stamp from an authority run here: the zip's program verifies with the time
# stamp checked against that authority, no field of the signature holds bytes outside ASCII,
# unsigned it is the linker's program byte for byte, SHA256SUMS names it, no secret reaches a
# command line or the build folder. A key without a time-stamp address: refused in one line, no zip
# or sums left. Without a key: said so, the unsigned release; a release made before (the
# maintainer's signed one) put back.   check_signing.sh BUILD RELEASE
set -euo pipefail
build="$1" release="$2" module=/usr/lib/softhsm/libsofthsm2.so
for need in osslsigncode openssl softhsm2-util python3 "$module" /usr/lib/*/engines-3/pkcs11.so; do
  command -v "$need" >/dev/null || [ -e "$need" ] || { echo "SKIP: no $need (scripts/setup.sh installs it)"; exit 77; }
done
unset ${!DADAROR_SIGN_@}
s="$(mktemp -d)" tsa=""
[ ! -d "$release" ] || mv "$release" "$s/kept"
restore() {
  local status=$?
  [ -z "$tsa" ] || kill -- "-$tsa" || true
  cmake --build "$build" --target dist | grep "DADAROR.exe is NOT signed" &&
    cmp "$release/DADAROR.exe" "$build/DADAROR.exe" || { echo "FAIL: the unsigned release"; status=1; }
  [ ! -d "$s/kept" ] || { rm -rf "$release" && mv "$s/kept" "$release"; }
  rm -rf "$s"; exit $status
}
trap restore EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$s"
openssl rand -hex 16 >pass
openssl req -x509 -newkey rsa:2048 -noenc -keyout key.pem -out cert.pem -days 2 -subj /CN=check 2>/dev/null
openssl req -x509 -newkey rsa:2048 -noenc -keyout tsa.key -out tsa.pem -days 2 -subj /CN=tsa \
  -addext extendedKeyUsage=critical,timeStamping 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.pfx -passout file:pass
openssl x509 -in cert.pem -outform DER -out cert.der
export SOFTHSM2_CONF="$s/softhsm2.conf"
mkdir tokens && echo "directories.tokendir = $s/tokens" >"$SOFTHSM2_CONF"
softhsm2-util --init-token --free --label check --so-pin "$(cat pass)" --pin "$(cat pass)" >/dev/null
openssl pkcs8 -topk8 -nocrypt -in key.pem -out key.p8
softhsm2-util --import key.p8 --token check --label key --id 01 --pin "$(cat pass)" >/dev/null
# The time-stamp authority: openssl ts behind HTTP on 127.0.0.1.
printf '[tsa]\ndefault_tsa=t\n[t]\nserial=serial\ndefault_policy=1.2.3.4\nsigner_digest=sha256\ndigests=sha256\n' >tsa.cnf
echo 01 >serial
setsid python3 -c '
import http.server, subprocess
class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", "tsa.cnf", "-signer", "tsa.pem",
            "-inkey", "tsa.key", "-queryfile", "/dev/stdin", "-out", "/dev/stdout"],
            input=query, stdout=subprocess.PIPE).stdout
        self.send_response(200); self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply))); self.end_headers()
        self.wfile.write(reply)
server = http.server.HTTPServer(("127.0.0.1", 0), Authority)
with open("port", "w") as port:
    port.write(str(server.server_port))
server.serve_forever()' >tsa.log 2>&1 &
tsa=$!
for _ in $(seq 100); do [ ! -s port ] || break; sleep 0.1; done
[ -s port ] || fail "the time-stamp authority did not start"
# osslsigncode as the build calls it, its command lines kept.
mkdir bin && printf '#!/bin/sh\necho "$*" >>%s/argv\nexec %s "$@"\n' "$s" "$(command -v osslsigncode)" >bin/osslsigncode
chmod +x bin/osslsigncode
ts="DADAROR_SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat port)"
while IFS='|' read -r -u 3 row key; do
  if ! env PATH="$s/bin:$PATH" DADAROR_SIGN_PASSWORD_FILE="$s/pass" $key \
      cmake --build "$build" --target dist >dist.out 2>&1; then
    [ "$row" = refused ] || { cat dist.out; fail "$row: make dist"; }
    [ "$(grep -c ^pack_release: dist.out)" = 1 ] && grep -q "pack_release.*DADAROR_SIGN_TIMESTAMP_URL" dist.out ||
      { cat dist.out; fail "$row: not one line naming the time-stamp address"; }
    ! ls "$release"/*.zip "$release/SHA256SUMS" 2>/dev/null || fail "$row: a zip or SHA256SUMS is left"
    continue
  fi
  [ "$row" != refused ] || fail "$row: signed without a time stamp"
  rm -rf zip removed.exe && python3 -m zipfile -e "$release"/DADAROR-*.zip zip
  osslsigncode verify -CAfile cert.pem -TSA-CAfile tsa.pem -in zip/DADAROR.exe >verify.out 2>&1 &&
    grep -q "Timestamp Server Signature verification: ok" verify.out || { cat verify.out; fail "$row: verify"; }
  ! LC_ALL=C grep -n '[^[:print:][:space:]]' verify.out || fail "$row: bytes outside ASCII in the signature"
  osslsigncode remove-signature -in zip/DADAROR.exe -out removed.exe >/dev/null
  cmp removed.exe "$build/DADAROR.exe" || fail "$row: without its signature it is not the unsigned build"
  grep -qx "$(sha256sum <zip/DADAROR.exe | cut -c1-64)  DADAROR.exe" "$release/SHA256SUMS" || fail "$row: SHA256SUMS"
done 3<<EOF
pfx|DADAROR_SIGN_PKCS12=$s/cert.pfx $ts
token|DADAROR_SIGN_PKCS11_MODULE=$module DADAROR_SIGN_KEY=pkcs11:token=check;object=key DADAROR_SIGN_CERT=$s/cert.der $ts
refused|DADAROR_SIGN_PKCS12=$s/cert.pfx
EOF
# The password (the token's PIN too), and the key.
for secret in "$(cat pass)" $(grep -v -- ----- key.pem | head -3); do
  ! grep -qF -- "$secret" argv && ! grep -rlF --exclude-dir=wineprefix -- "$secret" "$build" || fail "a secret leaked"
done
echo "signed from a .pfx and a token, time-stamped, verified, the unsigned bytes back, summed; refused without a time stamp; no secret on a command line or in $build"
