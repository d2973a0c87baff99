#!/bin/bash
# make dist with throwaway keys, from a .pfx and on a token (SoftHSM2), time-stamped by an authority run
# here: the zip's program verifies, its time stamp against that authority, its signature in ASCII; unsigned
# it is the build's program, SHA256SUMS names it, no secret is on osslsigncode's command lines or in the
# build. No time-stamp address, a stamp the system's roots do not trust or a PIN in the key: one line, no
# zip, no sums. No key: said so; a release made before put back.
set -euo pipefail
build="$1" release="$2" hsm=/usr/lib/softhsm/libsofthsm2.so s="$(mktemp -d)" tsa=""   # BUILD RELEASE
for need in osslsigncode softhsm2-util $hsm /usr/lib/*/engines-3/pkcs11.so; do command -v "$need" >/dev/null ||
  [ -e "$need" ] || { echo "SKIP: no $need (scripts/setup.sh installs it)"; exit 77; }; done
unset ${!DADAROR_SIGN_@}; [ ! -d "$release" ] || mv "$release" "$s/kept"
restore() {
  local status=$?; [ -z "$tsa" ] || kill -- "-$tsa" || true
  cmake --build "$build" --target dist | grep "DADAROR.exe is NOT signed" &&
    cmp "$release/DADAROR.exe" "$build/DADAROR.exe" || { echo "FAIL: the unsigned release"; status=1; }
  [ ! -d "$s/kept" ] || { rm -rf "$release" && mv "$s/kept" "$release"; }; rm -rf "$s"; exit $status
}
trap restore EXIT; fail() { echo "FAIL: $*"; exit 1; }
cd "$s" && openssl rand -hex 16 >pass && echo 01 >serial && mkdir tokens bin
export SOFTHSM2_CONF="$s/softhsm2.conf" DADAROR_SIGN_PASSWORD_FILE="$s/pass"
for k in check:codeSigning tsa:timeStamping; do openssl req -x509 -newkey rsa:2048 -noenc -keyout ${k%:*}.key \
  -out ${k%:*}.pem -days 2 -subj /CN=${k%:*} -addext extendedKeyUsage=critical,${k#*:} 2>/dev/null; done
openssl pkcs12 -export -inkey check.key -in check.pem -out check.pfx -passout file:pass
openssl x509 -in check.pem -outform DER -out check.der && echo "directories.tokendir = $s/tokens" >"$SOFTHSM2_CONF"
softhsm2-util --init-token --free --label check --so-pin "$(cat pass)" --pin "$(cat pass)" >/dev/null
softhsm2-util --import check.key --token check --label key --id 01 --pin "$(cat pass)" >/dev/null
printf '[tsa]\ndefault_tsa=t\n[t]\nserial=serial\ndefault_policy=1.2.3.4\nsigner_digest=sha256\ndigests=sha256\n' >tsa.cnf
setsid python3 -uc 'import http.server as h, subprocess as p
class Authority(h.BaseHTTPRequestHandler):
  def do_POST(t):
    r = p.run("openssl ts -reply -config tsa.cnf -signer tsa.pem -inkey tsa.key -queryfile /dev/stdin -out /dev/stdout"
              .split(), input=t.rfile.read(int(t.headers["Content-Length"])), stdout=p.PIPE).stdout
    t.send_response(200); t.send_header("Content-Type", "application/timestamp-reply"); t.end_headers(); t.wfile.write(r)
d = h.HTTPServer(("127.0.0.1", 0), Authority); print(d.server_port); d.serve_forever()' >port 2>/dev/null &
tsa=$! && for _ in $(seq 100); do [ ! -s port ] || break; sleep 0.1; done
printf '#!/bin/sh\necho "$*" >>%s/argv\nexec %s "$@"\n' "$s" "$(command -v osslsigncode)" >bin/osslsigncode && chmod +x bin/*
ts="DADAROR_SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat port) DADAROR_SIGN_TSA_CAFILE=$s/tsa.pem"
for key in "DADAROR_SIGN_PKCS12=$s/check.pfx" \
           "DADAROR_SIGN_PKCS11_MODULE=$hsm DADAROR_SIGN_KEY=pkcs11:token=check;object=key DADAROR_SIGN_CERT=$s/check.der"; do
  env PATH="$s/bin:$PATH" $key $ts cmake --build "$build" --target dist >out 2>&1 &&
    rm -rf zip removed.exe && python3 -m zipfile -e "$release"/DADAROR-*.zip zip || { cat out; fail "$key"; }
  osslsigncode verify -CAfile check.pem -TSA-CAfile tsa.pem -in zip/DADAROR.exe >out 2>&1 && ! LC_ALL=C grep '[^[:print:][:space:]]' out &&
    grep -q "Timestamp Server Signature verification: ok" out || { cat out; fail "$key: verify"; }
  osslsigncode remove-signature -in zip/DADAROR.exe -out removed.exe >/dev/null && cmp removed.exe "$build/DADAROR.exe" &&
    grep -qx "$(sha256sum <zip/DADAROR.exe | cut -c1-64)  DADAROR.exe" "$release/SHA256SUMS" || fail "$key: unsigned bytes, sums"
done
! env DADAROR_SIGN_PKCS12="$s/check.pfx" cmake --build "$build" --target dist >out 2>&1 && [ "$(grep -c ^pack_release: out)" = 1 ] &&
  grep -q "^pack_release:.*TIMESTAMP_URL" out && ! ls "$release"/*.zip "$release"/SHA256SUMS 2>/dev/null || { cat out; fail "no time stamp"; }
! env DADAROR_SIGN_PKCS12="$s/check.pfx" $ts DADAROR_SIGN_TSA_CAFILE= cmake --build "$build" --target dist >out 2>&1 && [ "$(grep -c ^pack_release: out)" = 1 ] &&
  grep -q "^pack_release:.*does not verify against the system's roots" out && ! ls "$release"/*.zip "$release"/SHA256SUMS 2>/dev/null || { cat out; fail "untrusted time stamp"; }
! env DADAROR_SIGN_PKCS11_MODULE=$hsm "DADAROR_SIGN_KEY=pkcs11:token=check;object=key;pin-value=$(cat pass)" DADAROR_SIGN_CERT="$s/check.der" $ts \
  cmake --build "$build" --target dist >out 2>&1 && grep -q "^pack_release:.*PIN" out && ! ls "$release"/*.zip 2>/dev/null || { cat out; fail "a PIN in the key"; }
for secret in "$(cat pass)" $(grep -v -- ----- check.key | head -3); do   # the password (the PIN too), the key
  ! grep -qF -- "$secret" argv && ! grep -rlF --exclude-dir=wineprefix -- "$secret" "$build" || fail "a secret leaked"; done
