#include "app/DllSearch.h"

#include <delayimp.h>

#include <string>

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Resolved at run time: a Windows 7 without the search-path update lacks these.
SetDefaultDllDirectoriesFn FindSetDefaultDllDirectories() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel)
        return nullptr;
    return reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
}

std::wstring SystemFolder() {
    wchar_t path[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return std::wstring();
    return std::wstring(path, n);
}

// Runs for every delay-loaded import, also one reached from a static constructor before
// RestrictDllSearch, so the planted-DLL guard never depends on the order of start-up code.
FARPROC WINAPI DelayLoadNotify(unsigned notify, PDelayLoadInfo info) {
    if (notify != dliNotePreLoadLibrary || !info || !info->szDll)
        return nullptr;
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(info->szDll));
}

}  // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = &DelayLoadNotify;
}

bool RestrictDllSearch() {
    if (SetDefaultDllDirectoriesFn restrict = FindSetDefaultDllDirectories())
        return restrict(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    // Without it, at least take the current folder off the search path.
    SetDllDirectoryW(L"");
    return false;
}

HMODULE LoadSystemLibrary(const char* name) {
    std::wstring wide;
    for (const char* p = name; *p; ++p)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    if (wide.empty())
        return nullptr;
    // A bare name searched in the system folder keeps side-by-side redirection (common controls 6).
    HMODULE module = LoadLibraryExW(wide.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    const std::wstring folder = SystemFolder();
    if (folder.empty())
        return nullptr;
    return LoadLibraryW((folder + L"\\" + wide).c_str());
}
