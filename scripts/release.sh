#!/usr/bin/env bash
# Makes dist/ for a release: the 32-bit installer program (the stub that every
# setup.exe begins with), the packer mkinstaller (an optimised build without
# sanitizers) with its guide packer.md, a sample setup.exe signed by the
# packer, and SHA256SUMS over them; prints the stub's size.
#
# The sample is signed with SIGN_CERT and SIGN_KEY (PEM files; SIGN_PASSWORD
# for a key under a password) when they are set, otherwise with a throwaway
# self-signed certificate made here, which proves the signing step and nothing
# about the publisher. Two runs from one commit give byte-identical stubs:
# scripts/compare-builds.sh checks that.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset tools >/dev/null
cmake --build --preset tools -j2 --target mkinstaller
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 --target installer sample_setup

rm -rf dist
mkdir dist
cp build/win32/installer/installer.exe dist/installer.exe
cp build/tools/tools/mkinstaller dist/mkinstaller
cp docs/packer.md dist/packer.md

keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
cert=${SIGN_CERT:-}
key=${SIGN_KEY:-}
if [ -z "$cert" ] || [ -z "$key" ]; then
  echo "release: no SIGN_CERT and SIGN_KEY; signing the sample with a throwaway certificate"
  cert=$keys/cert.pem
  key=$keys/key.pem
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Vorlixa sample signer" \
    -keyout "$key" -out "$cert" 2>/dev/null
fi
# The packer reads the key's password from the variable itself and hands it
# to the signer on a pipe: it never appears on a command line.
password=()
if [ -n "${SIGN_PASSWORD:-}" ]; then
  export SIGN_PASSWORD
  password=(--password-env SIGN_PASSWORD)
fi
dist/mkinstaller --stub dist/installer.exe --payload build/win32/sample-payload \
  --agent "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8) Gecko/20051111 Firefox/1.5" \
  --url "http://www.example.com/vorlixa/installed.html" -o dist/setup.exe \
  --sign "$cert" "$key" "${password[@]}"
osslsigncode verify -CAfile "$cert" -in dist/setup.exe >/dev/null

(cd dist && sha256sum installer.exe mkinstaller packer.md setup.exe >SHA256SUMS)
echo "release: dist/ holds $(cd dist && echo *)"
echo "release: stub dist/installer.exe is $(stat -c %s dist/installer.exe) bytes"
