// Holds Wine's desktop for a whole test run: Wine runs its desktop shell ("explorer.exe /desktop")
// only while some program uses the desktop, and a shell that has once ended no longer answers for
// the shell windows list in that server's life. Started first by the test runner, killed at its end.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"zorva desktop holder", WS_POPUP, 0, 0, 1, 1,
                                  nullptr, nullptr, nullptr, nullptr);
    if (!window)
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
