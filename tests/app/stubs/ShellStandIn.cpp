// Stand-in for the user's desktop shell, for a test that makes it the parent of a program: it does
// nothing until the test ends it, and ends by itself after two minutes should the test not.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    constexpr DWORD kLifetimeMs = 120000;
    Sleep(kLifetimeMs);
    return 0;
}
