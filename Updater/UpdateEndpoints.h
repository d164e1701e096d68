#pragma once
// The maker's addresses and whom the installer trusts, fixed when an executable is built (each
// executable links one configuration): the installer runs elevated, so nothing at run time may
// choose what it downloads or runs. Only the end-to-end test build may move its loopback ports
// (zorva_endpoints' TEST_OVERRIDES). Any thread.
#include <string>
#include <vector>

#include "Updater/PackageTrust.h"

const wchar_t* ManifestPrimaryUrl();
const wchar_t* ManifestFallbackUrl();
const wchar_t* AgreementUrl();
// SHA-256 of the SubjectPublicKeyInfo of each certificate allowed to sign the package, lower-case
// hexadecimal. Empty: every package is refused, unless unsigned packages are allowed.
std::vector<std::string> PinnedSignerKeys();
// kAllowed only when built with ZORVA_ALLOW_UNSIGNED_PACKAGES=ON: without pins, packages then run
// unverified.
UnsignedPackages UnsignedPackagesPolicy();
// PEM certificates of the only CAs trusted for HTTPS; empty: the Windows trust store decides.
const char* ServerCaCertificates();
// The install animation's step: the built-in one, which a test build may shorten.
unsigned InstallStepMs(unsigned builtIn);
