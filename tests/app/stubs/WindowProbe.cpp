// Looks at the installer's main window from another process, as the user would see it: records
// "iconic=<0|1> foreground=<0|1>" for the window of class "InstallPackages", or "none". Started with
// "minimize", it first minimizes that window, as the task bar would.
#include <windows.h>

#include <string>

#include "tests/app/stubs/StubRecord.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
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
