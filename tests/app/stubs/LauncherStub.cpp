// Stand-in for the platform's launcher "ZorvaLauncher.exe": records how it was started and exits.
// Besides the command line it records who started it and where: "<parent image>|<current folder>"
// in "ZorvaLauncher.origin", so that a test can tell a start through the shell from our own.
// and "1" or "0" in "ZorvaLauncher.admin": whether its token is a member of Administrators.
// The records go beside the program: started through the desktop shell it has the shell's
// environment, and Wine makes its shell on demand from whichever program first needed a desktop.
#include <windows.h>

#include <tlhelp32.h>

#include "tests/app/stubs/StubRecord.h"

namespace {

// The image name of the process that created this one, "?" when it is gone.
std::wstring ParentImage() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return L"?";
    DWORD parent = 0;
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId())
            parent = entry.th32ParentProcessID;
    std::wstring image = L"?";
    for (BOOL more = Process32FirstW(snapshot, &entry); more && parent;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == parent)
            image = entry.szExeFile;
    CloseHandle(snapshot);
    return image;
}

bool IsAdministrator() {
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(admins);
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) &&
           CheckTokenMembership(nullptr, admins, &member) && member;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    const std::wstring here = StubRecord::ProgramFolder();
    const bool origin =
        StubRecord::AppendLineIn(here, L"ZorvaLauncher.origin", ParentImage() + L"|" + folder);
    const bool admin =
        StubRecord::AppendLineIn(here, L"ZorvaLauncher.admin", IsAdministrator() ? L"1" : L"0");
    return origin && admin && StubRecord::AppendLineIn(here, L"ZorvaLauncher", GetCommandLineW()) ? 0 : 1;
}
