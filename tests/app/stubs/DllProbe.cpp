// Linked like the installer: restricts the DLL search first, then uses one function of every DLL the
// installer delay-loads and records where each came from ("<dll>=<full path>" lines in
// "DllProbe.cmdline.txt"). With "/plain-load" it instead loads "version.dll" by bare name before any
// restriction, the way an unprotected program would, to show that a planted copy is then taken.
#define SECURITY_WIN32
#include <windows.h>

#include <bcrypt.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <mmsystem.h>
#include <oleacc.h>
#include <security.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <string>

#include "app/DllSearch.h"
#include "tests/app/stubs/StubRecord.h"

namespace {

constexpr const wchar_t* kProbed[] = {L"winmm.dll",   L"version.dll",  L"msimg32.dll",
                                      L"gdiplus.dll", L"comctl32.dll", L"crypt32.dll",
                                      L"bcrypt.dll",  L"secur32.dll",  L"wintrust.dll",
                                      L"oleacc.dll"};

// Each call reaches its DLL through the delay-load import table, as the installer's calls do.
void UseEveryDll() {
    timeGetTime();
    DWORD handle = 0;
    GetFileVersionInfoSizeW(L"kernel32.dll", &handle);
    AlphaBlend(nullptr, 0, 0, 0, 0, nullptr, 0, 0, 0, 0, BLENDFUNCTION{});
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok)
        Gdiplus::GdiplusShutdown(token);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr))
        CertCloseStore(store, 0);
    UCHAR random[8];
    BCryptGenRandom(nullptr, random, sizeof(random), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    InitSecurityInterfaceW();
    WTHelperProvDataFromStateData(nullptr);
    wchar_t role[32];
    GetRoleTextW(ROLE_SYSTEM_PUSHBUTTON, role, 32);
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    DWORD n = module ? GetModuleFileNameW(module, path, MAX_PATH) : 0;
    return std::wstring(path, n);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    if (wcsstr(commandLine, L"/plain-load")) {
        HMODULE planted = LoadLibraryW(L"version.dll");
        StubRecord::AppendLine(L"DllProbe", L"version.dll=" + ModulePath(planted));
        return 0;
    }
    RestrictDllSearch();
    UseEveryDll();
    for (const wchar_t* name : kProbed) {
        // Also a bare-name load at run time, as system DLLs do for their own helpers.
        HMODULE module = LoadLibraryW(name);
        StubRecord::AppendLine(L"DllProbe", std::wstring(name) + L"=" + ModulePath(module));
    }
    return 0;
}
