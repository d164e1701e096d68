#!/usr/bin/env bash
# Signed and unsigned copies of a small program for the package trust tests:
#   sign-samples.sh PKI_DIR PROGRAM OUTDIR
# pinned.exe (the test signer), other.exe (another CA's signer), unsigned.exe, and changed.exe
# (pinned.exe with one byte of its code changed after signing).
set -euo pipefail
pki=$1 program=$2 out=$3
mkdir -p "$out"
osslsigncode sign -certs "$pki/signer.pem" -key "$pki/signer.key" -in "$program" -out "$out/pinned.exe.new" >/dev/null
mv -f "$out/pinned.exe.new" "$out/pinned.exe"
osslsigncode sign -certs "$pki/other.pem" -key "$pki/other.key" -in "$program" -out "$out/other.exe.new" >/dev/null
mv -f "$out/other.exe.new" "$out/other.exe"
cp -f "$program" "$out/unsigned.exe"
python3 - "$out/pinned.exe" "$out/changed.exe" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[0x400 + 16] ^= 0x01  # inside the first section, which the signature covers
open(sys.argv[2], "wb").write(data)
PY
