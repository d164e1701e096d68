#!/usr/bin/env python3
"""Writes the update manifest "zvinstall.txt" for a release package:

  publish-manifest.py PACKAGE --url URL [--url MIRROR ...] --version VERSION [--out FILE]
                      [--pin HEX ... | --build BUILD_DIR] [--ca-file PEM]

The manifest names the package's URL ("Url", further URLs as "Url1" to "Url9"), its size, MD5 and
SHA-256 and the version. When signer pins are given (--pin, or the ZORVA_SIGNER_PINS the build in
BUILD_DIR was configured with), the package must carry an intact Authenticode signature whose signer
chains to a CA of --ca-file (default: the system's CA bundle) and whose public key is pinned; else
nothing is written and the exit code is 1, since the installer would refuse that package anyway.
"""
import argparse
import hashlib
import os
import re
import subprocess
import sys
import tempfile

MAX_MIRRORS = 9
SYSTEM_CA = "/etc/ssl/certs/ca-certificates.crt"


def fail(message):
    print("publish-manifest: " + message, file=sys.stderr)
    sys.exit(1)


def run(command, data=None):
    return subprocess.run(command, input=data, capture_output=True, timeout=120)


def pins_of_build(build):
    cache = os.path.join(build, "CMakeCache.txt")
    if not os.path.exists(cache):
        fail("no CMakeCache.txt in " + build)
    with open(cache, encoding="utf-8") as f:
        for line in f:
            if line.startswith("ZORVA_SIGNER_PINS:"):
                return [p for p in re.split(r"[;,\s]+", line.split("=", 1)[1]) if p]
    return []


def spki_pin(certificate_pem):
    """SHA-256 of the certificate's SubjectPublicKeyInfo, as the installer computes it."""
    public_key = run(["openssl", "x509", "-pubkey", "-noout"], certificate_pem.encode())
    der = run(["openssl", "pkey", "-pubin", "-outform", "der"], public_key.stdout)
    if public_key.returncode or der.returncode:
        fail("cannot read a certificate of the signature")
    return hashlib.sha256(der.stdout).hexdigest()


def serial_of(certificate_pem):
    out = run(["openssl", "x509", "-serial", "-noout"], certificate_pem.encode()).stdout.decode()
    return out.strip().split("=", 1)[-1].upper()


def signer_pin(package, ca_file):
    """The pin of the package's signer; exits when the signature is missing, broken or untrusted."""
    verify = run(["osslsigncode", "verify", "-in", package, "-CAfile", ca_file])
    report = (verify.stdout + verify.stderr).decode(errors="replace")
    if verify.returncode != 0:
        fail("%s: signature missing, broken or not from a CA of %s:\n%s" % (package, ca_file, report[-1500:]))
    signer = re.search(r"Signer's certificate:.*?Serial\s*:\s*([0-9A-Fa-f]+)", report, re.S)
    if not signer:
        fail("%s: no signer named by osslsigncode" % package)
    with tempfile.TemporaryDirectory() as work:
        signature = os.path.join(work, "signature.der")
        if run(["osslsigncode", "extract-signature", "-in", package, "-out", signature]).returncode:
            fail("%s: cannot extract the signature" % package)
        bag = run(["openssl", "pkcs7", "-inform", "DER", "-in", signature, "-print_certs"]).stdout.decode()
    for pem in re.findall(r"-----BEGIN CERTIFICATE-----.*?-----END CERTIFICATE-----\n?", bag, re.S):
        if serial_of(pem) == signer.group(1).upper():
            return spki_pin(pem)
    fail("%s: the signer's certificate is not in the signature" % package)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("package")
    parser.add_argument("--url", action="append", required=True, help="package URL; repeat for mirrors")
    parser.add_argument("--version", required=True)
    parser.add_argument("--out", default="zvinstall.txt")
    parser.add_argument("--pin", action="append", default=[], help="pinned signer key (SHA-256 of SPKI, hex)")
    parser.add_argument("--build", help="take the pins from this build folder's CMake cache")
    parser.add_argument("--ca-file", default=SYSTEM_CA, help="CA certificates the signer must chain to")
    args = parser.parse_args()

    if len(args.url) > 1 + MAX_MIRRORS:
        fail("at most %d URLs" % (1 + MAX_MIRRORS))
    pins = [p.lower() for p in args.pin + (pins_of_build(args.build) if args.build else [])]
    for pin in pins:
        if not re.fullmatch(r"[0-9a-f]{64}", pin):
            fail("pin %r is not 64 hexadecimal digits" % pin)
    if pins:
        signer = signer_pin(args.package, args.ca_file)
        if signer not in pins:
            fail("%s is signed by key %s, which is not pinned" % (args.package, signer))
    else:
        print("publish-manifest: warning: no signer pinned; the package is not checked", file=sys.stderr)

    with open(args.package, "rb") as f:
        data = f.read()
    lines = ["[Install]", "Url=" + args.url[0]]
    lines += ["Url%d=%s" % (i, url) for i, url in enumerate(args.url[1:], 1)]
    lines += ["Size=%d" % len(data), "Md5=" + hashlib.md5(data).hexdigest(),
              "Sha256=" + hashlib.sha256(data).hexdigest(), "Version=" + args.version]
    with open(args.out, "w", encoding="utf-8", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    print("publish-manifest: wrote %s for %s (%d bytes)" % (args.out, args.package, len(data)))


if __name__ == "__main__":
    main()
