#include "app/ShellChild.h"

#include <userenv.h>

#include <vector>

#include "Runtime/ScopedHandle.h"

namespace {

constexpr UINT kRefusedExitCode = 2011;

class CEnvironmentBlock {
public:
    explicit CEnvironmentBlock(HANDLE token) {
        if (!CreateEnvironmentBlock(&m_block, token, FALSE))
            m_block = nullptr;
    }
    ~CEnvironmentBlock() {
        if (m_block)
            DestroyEnvironmentBlock(m_block);
    }
    CEnvironmentBlock(const CEnvironmentBlock&) = delete;
    CEnvironmentBlock& operator=(const CEnvironmentBlock&) = delete;
    void* Get() const { return m_block; }

private:
    void* m_block = nullptr;
};

// The image is "explorer.exe" in the folder that `folderOf` gives.
bool IsSystemExplorer(const std::wstring& image, UINT(WINAPI* folderOf)(LPWSTR, UINT)) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = folderOf(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const std::wstring explorer = std::wstring(folder, length) + L"\\explorer.exe";
    return CompareStringOrdinal(image.c_str(), static_cast<int>(image.size()), explorer.c_str(),
                                static_cast<int>(explorer.size()), TRUE) == CSTR_EQUAL;
}

// What a token may do that matters here: administrator group enabled, elevated.
struct Rights {
    bool administrator = false;
    bool elevated = false;
    bool operator==(const Rights& other) const {
        return administrator == other.administrator && elevated == other.elevated;
    }
};

bool RightsOf(HANDLE token, Rights& rights) {
    HANDLE impersonation = nullptr;
    if (!DuplicateToken(token, SecurityIdentification, &impersonation))
        return false;
    const CScopedHandle check(impersonation);
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(admins);
    BOOL member = FALSE;
    TOKEN_ELEVATION elevation = {};
    DWORD bytes = 0;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) ||
        !CheckTokenMembership(check.Get(), admins, &member) ||
        !GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &bytes))
        return false;
    rights.administrator = member != FALSE;
    rights.elevated = elevation.TokenIsElevated != 0;
    return true;
}

// The started (suspended) child has the shell's rights, not more: a system that ignored the parent
// would have given it ours.
bool HasShellRights(HANDLE child, const Rights& shell) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(child, TOKEN_QUERY | TOKEN_DUPLICATE, &token))
        return false;
    const CScopedHandle childToken(token);
    Rights rights;
    return RightsOf(childToken.Get(), rights) && rights == shell;
}

}  // namespace

namespace ShellChild {

DWORD DesktopShellProcessId() {
    // The shell's desktop window, else its taskbar: Wine's shell has only the taskbar.
    HWND shell = GetShellWindow();
    if (!shell)
        shell = FindWindowW(L"Shell_TrayWnd", nullptr);
    DWORD processId = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &processId))
        return 0;
    // Any program may create a window of that class; only the system's own shell is believed (Wine
    // runs it from the system folder).
    CScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t image[MAX_PATH] = {};
    DWORD length = ARRAYSIZE(image);
    if (!process.IsValid() || !QueryFullProcessImageNameW(process.Get(), 0, image, &length))
        return 0;
    return IsSystemExplorer(std::wstring(image, length), GetWindowsDirectoryW) ||
                   IsSystemExplorer(std::wstring(image, length), GetSystemDirectoryW)
               ? processId
               : 0;
}

bool Start(DWORD shellProcessId,
           const std::wstring& program,
           const std::wstring& commandLine,
           const std::wstring& folder) {
    if (shellProcessId == 0 || shellProcessId == GetCurrentProcessId())
        return false;
    CScopedHandle shell(
        OpenProcess(PROCESS_CREATE_PROCESS | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellProcessId));
    if (!shell.IsValid())
        return false;
    // Without a block of its own the child would get ours: an administrator's profile folders and
    // temporary folder when the installer was elevated with another account's credentials.
    HANDLE shellToken = nullptr;
    if (!OpenProcessToken(shell.Get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE, &shellToken))
        return false;
    const CScopedHandle token(shellToken);
    const CEnvironmentBlock environment(token.Get());
    Rights shellRights;
    if (!environment.Get() || !RightsOf(token.Get(), shellRights))
        return false;

    SIZE_T listBytes = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listBytes);
    std::vector<BYTE> listStorage(listBytes);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listStorage.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &listBytes))
        return false;
    HANDLE parent = shell.Get();
    const bool ready = UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent,
                                                 sizeof(parent), nullptr, nullptr);
    std::wstring line = commandLine.empty() ? L"\"" + program + L"\"" : commandLine;
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof(startup);
    startup.lpAttributeList = list;
    PROCESS_INFORMATION info = {};
    const bool started =
        ready && CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE,
                                EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED,
                                environment.Get(), folder.empty() ? nullptr : folder.c_str(),
                                &startup.StartupInfo, &info);
    DeleteProcThreadAttributeList(list);
    if (!started)
        return false;
    const CScopedHandle process(info.hProcess);
    const CScopedHandle thread(info.hThread);
    if (!HasShellRights(process.Get(), shellRights)) {
        TerminateProcess(process.Get(), kRefusedExitCode);
        return false;
    }
    ResumeThread(thread.Get());
    return true;
}

}  // namespace ShellChild
