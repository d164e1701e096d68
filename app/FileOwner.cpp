#include "app/FileOwner.h"

#include <aclapi.h>

namespace {

// NT SERVICE\TrustedInstaller: the service SID that owns the system's own files.
constexpr BYTE kServiceAuthority[] = {0, 0, 0, 0, 0, 5};
constexpr DWORD kServiceRid = 80;
constexpr DWORD kTrustedInstallerRids[] = {956008885, 3425973126, 1946305106, 2253419018, 3152436397};

bool IsTrustedInstaller(PSID sid) {
    SID_IDENTIFIER_AUTHORITY authority;
    memcpy(authority.Value, kServiceAuthority, sizeof(authority.Value));
    PSID trustedInstaller = nullptr;
    const DWORD* r = kTrustedInstallerRids;
    if (!AllocateAndInitializeSid(&authority, 6, kServiceRid, r[0], r[1], r[2], r[3], r[4], 0, 0,
                                  &trustedInstaller))
        return false;
    const bool same = EqualSid(sid, trustedInstaller) != FALSE;
    FreeSid(trustedInstaller);
    return same;
}

struct LocalMemory {
    ~LocalMemory() { LocalFree(p); }
    HLOCAL p = nullptr;
};

}  // namespace

bool IsTrustedOwner(PSID owner) {
    if (!owner || !IsValidSid(owner))
        return false;
    return IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid) ||
           IsTrustedInstaller(owner);
}

bool IsOwnedByTrustedAccount(const std::wstring& path) {
    PSID owner = nullptr;
    LocalMemory descriptor;
    DWORD result = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                         nullptr, nullptr, nullptr, &descriptor.p);
    // The owner points into the descriptor, which lives until the end of this scope.
    return result == ERROR_SUCCESS && IsTrustedOwner(owner);
}
