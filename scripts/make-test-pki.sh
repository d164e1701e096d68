#!/usr/bin/env bash
# Makes the throw-away keys and certificates of the signing and HTTPS tests in OUTDIR (a build
# folder: no private key of these is ever committed). Idempotent: an existing set is kept.
#   make-test-pki.sh OUTDIR
# ca            test CA; it issues the pinned code signer and the loopback TLS server
# signer        the pinned code signer          other         a code signer of another CA
# server        TLS server for localhost/127.0.0.1, issued by the test CA
# server-other-ca  the same names, issued by another CA
# server-wrong-name  issued by the test CA for another host name
# *.pin         SHA-256 of a certificate's SubjectPublicKeyInfo, hexadecimal
set -euo pipefail
out=${1:?output folder}
[ -f "$out/.done" ] && exit 0
mkdir -p "$out"
cd "$out"
days=3650

key() { openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$1.key" 2>/dev/null; }

self_signed_ca() {
  key "$1"
  openssl req -x509 -new -key "$1.key" -subj "/CN=$2" -days $days -out "$1.pem" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
}

# issue NAME CA SUBJECT EXTENSIONS...
issue() {
  local name=$1 ca=$2 subject=$3
  shift 3
  key "$name"
  openssl req -new -key "$name.key" -subj "/CN=$subject" -out "$name.csr"
  printf '%s\n' "$@" >"$name.ext"
  openssl x509 -req -in "$name.csr" -CA "$ca.pem" -CAkey "$ca.key" -CAcreateserial -days $days \
    -extfile "$name.ext" -out "$name.pem" 2>/dev/null
  rm -f "$name.csr" "$name.ext"
}

pin() {
  openssl x509 -in "$1.pem" -pubkey -noout | openssl pkey -pubin -outform der | sha256sum | cut -d' ' -f1 \
    >"$1.pin"
}

self_signed_ca ca "Zorva Test CA"
self_signed_ca other-ca "Other Test CA"
signing=("keyUsage=critical,digitalSignature" "extendedKeyUsage=codeSigning")
issue signer ca "Zorva Test Signer" "${signing[@]}"
issue other other-ca "Other Signer" "${signing[@]}"
tls=("keyUsage=critical,digitalSignature,keyEncipherment" "extendedKeyUsage=serverAuth")
loopback="subjectAltName=DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1"
issue server ca localhost "${tls[@]}" "$loopback"
issue server-other-ca other-ca localhost "${tls[@]}" "$loopback"
issue server-wrong-name ca other.zorva.test "${tls[@]}" "subjectAltName=DNS:other.zorva.test"
pin signer
pin other
touch .done
