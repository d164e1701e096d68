// Stand-in for the platform's launcher "ZorvaLauncher.exe": records how it was started and exits.
#include <windows.h>

#include "tests/app/stubs/StubRecord.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return StubRecord::AppendLine(L"ZorvaLauncher", GetCommandLineW()) ? 0 : 1;
}
