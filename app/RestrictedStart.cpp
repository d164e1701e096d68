#include "app/RestrictedStart.h"

#include <windows.h>

#include "Runtime/ScopedHandle.h"

namespace {

constexpr DWORD kTokenAccess =
    TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID;

// Lowers the token to medium integrity. A system without integrity levels, or one that refuses, keeps
// the level: the group and privileges are what take the rights away.
void LowerToMediumIntegrity(HANDLE token) {
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(sid);
    if (!CreateWellKnownSid(WinMediumLabelSid, nullptr, sid, &size))
        return;
    TOKEN_MANDATORY_LABEL label = {};
    label.Label.Sid = sid;
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    SetTokenInformation(token, TokenIntegrityLevel, &label, sizeof(label) + GetLengthSid(sid));
}

}  // namespace

namespace RestrictedStart {

bool Start(const std::wstring& program, const std::wstring& commandLine, const std::wstring& folder) {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), kTokenAccess, &own))
        return false;
    CScopedHandle ownToken(own);
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(admins);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size))
        return false;
    SID_AND_ATTRIBUTES denyOnly = {admins, 0};
    HANDLE restricted = nullptr;
    if (!CreateRestrictedToken(own, DISABLE_MAX_PRIVILEGE, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted))
        return false;
    CScopedHandle token(restricted);
    LowerToMediumIntegrity(token.Get());
    std::wstring line = commandLine.empty() ? L"\"" + program + L"\"" : commandLine;
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    // A restricted copy of our own primary token needs no special privilege to be assigned.
    if (!CreateProcessAsUserW(token.Get(), program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                              folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

}  // namespace RestrictedStart
