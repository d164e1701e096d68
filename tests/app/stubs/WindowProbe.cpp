// Looks at the installer's main window from another process, as the user would see it: records
// "iconic=<0|1> foreground=<0|1>" for the window of class "InstallPackages", or "none". Started with
// "minimize", it first minimizes that window, as the task bar would. Started with "hold", it holds the
// installer's single-instance name without any window, records "held" (or "taken") and waits to be ended.
#include <windows.h>

#include <string>

#include "app/SingleInstance.h"
#include "tests/app/stubs/StubRecord.h"

namespace {
// Bounds the hold should the test forget to end this process.
constexpr DWORD kHoldMs = 60000;
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    if (wcscmp(commandLine, L"hold") == 0) {
        CSingleInstance held(kInstallerInstanceName);
        if (!StubRecord::AppendLine(L"WindowProbe", held.IsFirst() ? L"held" : L"taken"))
            return 1;
        Sleep(kHoldMs);
        return 0;
    }
    HWND window = FindWindowW(L"InstallPackages", nullptr);
    std::wstring state = L"none";
    if (window) {
        if (wcscmp(commandLine, L"minimize") == 0)
            ShowWindow(window, SW_MINIMIZE);
        state = L"iconic=" + std::to_wstring(IsIconic(window) ? 1 : 0) + L" foreground=" +
                std::to_wstring(GetForegroundWindow() == window ? 1 : 0);
    }
    return StubRecord::AppendLine(L"WindowProbe", state) ? 0 : 1;
}
