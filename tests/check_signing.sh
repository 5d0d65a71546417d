#!/bin/sh
# Makes the Windows release files signed with a throwaway self-signed
# certificate, then checks every signature: the installer's, those of the
# programs in the zip, and those of the installed programs and uninstaller.
#   sh tests/check_signing.sh BUILD QT_FOR_WINDOWS    (needs a display: xvfb-run -a)
set -eu
tests=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
work=$build/check_signing
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Entw test signing" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2> /dev/null
echo 'throwaway password' > "$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout "file:$work/password" -out "$work/cert.p12"
ENTW_SIGN_PKCS12=$work/cert.p12 ENTW_SIGN_PASSWORD_FILE=$work/password \
  python3 "$tests/../tools/windows-release" "$build" "$2" "$work/release" > /dev/null

failures=0
# The chain is the certificate itself: trusted here, only the signature is judged.
verify() {
  osslsigncode verify -CAfile "$work/cert.pem" -in "$1" > "$work/verify.txt" 2>&1 ||
    { echo "FAIL: $1 carries no intact signature: $(cat "$work/verify.txt")"; failures=$((failures + 1)); }
}
verify "$work"/release/*-setup.exe
python3 -m zipfile -e "$work"/release/*.zip "$work/zip"
verify "$work"/zip/*/entw.exe
verify "$work"/zip/*/entw-join.exe
grep -q '電子署名がありますが' "$work"/zip/*/はじめにお読みください.txt ||
  { echo "FAIL: the signed release's readme calls it unsigned"; failures=$((failures + 1)); }
ENTW_CHECK_SIGNED_BY=$work/cert.pem sh "$tests/check_installer.sh" "$build" "$work/release" ||
  failures=$((failures + 1))
echo "check_signing: $failures failed"
[ "$failures" -eq 0 ]
