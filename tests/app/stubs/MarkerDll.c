// A DLL planted beside a program under a system DLL's name. Loading it leaves "<its name>.loaded"
// in ZORVA_MARKER_DIR (else beside it), so a test sees that the planted copy was taken.
#include <windows.h>

static void LeaveMarker(HINSTANCE self) {
    wchar_t module[MAX_PATH] = {0};
    DWORD n = GetModuleFileNameW(self, module, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    const wchar_t* name = module;
    for (const wchar_t* p = module; *p; ++p)
        if (*p == L'\\')
            name = p + 1;
    wchar_t folder[MAX_PATH] = {0};
    DWORD f = GetEnvironmentVariableW(L"ZORVA_MARKER_DIR", folder, MAX_PATH);
    if (f == 0 || f >= MAX_PATH)
        lstrcpynW(folder, module, (int)(name - module));
    wchar_t marker[2 * MAX_PATH + 16] = {0};
    lstrcpyW(marker, folder);
    lstrcatW(marker, L"\\");
    lstrcatW(marker, name);
    lstrcatW(marker, L".loaded");
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        LeaveMarker(self);
    return TRUE;
}
