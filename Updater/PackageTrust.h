#pragma once
// Decides whether a package may run with administrator rights: an Authenticode signature that
// WinVerifyTrust accepts (no UI; revocation checked where an answer can be had, a known-revoked
// certificate refused) by a signer whose public key is pinned. Any thread; the functions keep no state.
#include <windows.h>

#include <wincrypt.h>

#include <string>
#include <vector>

#include "Runtime/ScopedHandle.h"

enum class PackageVerdict {
    kTrusted,          // signature intact, signer pinned
    kUnverified,       // no pins, and unsigned packages allowed on purpose: accepted without a check
    kNoPins,           // no pins, and unsigned packages not allowed: nothing can be trusted
    kCannotOpen,       // the file cannot be opened with writing and deleting denied
    kBadSignature,     // unsigned, changed after signing, or refused by WinVerifyTrust
    kSignerNotPinned,  // an intact signature by a key that is not pinned
};

struct TrustResult {
    PackageVerdict verdict = PackageVerdict::kCannotOpen;
    LONG status = 0;  // WinVerifyTrust's answer, or the system error of the open
    bool Accepted() const {
        return verdict == PackageVerdict::kTrusted || verdict == PackageVerdict::kUnverified;
    }
};

// What an installer built without pins does with a package. Refusing is the default: allowing is a
// build made on purpose to run unsigned packages.
enum class UnsignedPackages { kRefused, kAllowed };

namespace PackageTrust {

// Opens the file for reading with writing, deleting and renaming denied to everyone, so that what
// is checked is what runs: hold it until the package's process has started. Invalid on failure.
CScopedHandle OpenLocked(const std::wstring& path);
// Checks the file open in `file` (from OpenLocked on `path`) against the pins (hexadecimal, any case).
TrustResult Verify(HANDLE file,
                   const std::wstring& path,
                   const std::vector<std::string>& pins,
                   UnsignedPackages withoutPins = UnsignedPackages::kRefused);
// OpenLocked and Verify in one, for callers that do not run the file.
TrustResult VerifyPath(const std::wstring& path,
                       const std::vector<std::string>& pins,
                       UnsignedPackages withoutPins = UnsignedPackages::kRefused);
// SHA-256 of the certificate's DER-encoded SubjectPublicKeyInfo, lower-case hexadecimal (what
// `openssl x509 -pubkey | openssl pkey -pubin -outform der | sha256sum` prints); empty on failure.
std::string SignerKeyPin(PCCERT_CONTEXT certificate);

}  // namespace PackageTrust
