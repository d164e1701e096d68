// Asks the installer's main window from another process, every 100 ms until it is hidden or gone, whether
// it answers: WM_NULL through SendMessageTimeout, as Windows does before it calls a window "not
// responding". Every 5 s it also moves the window, as a user dragging it would. Records
// "calls=<n> slowest_ms=<ms> timeouts=<n> moves=<landed>/<tried>".
#include <windows.h>

#include <algorithm>
#include <string>

#include "tests/app/stubs/StubRecord.h"

namespace {

constexpr UINT kPeriodMs = 100;
constexpr UINT kAnswerTimeoutMs = 1000;
constexpr int kCallsPerMove = 50;
constexpr int kMoveBy = 20;
constexpr ULONGLONG kFindMs = 10000;
constexpr ULONGLONG kLongestMs = 180000;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    HWND window = nullptr;
    const ULONGLONG start = GetTickCount64();
    while (!window && GetTickCount64() - start < kFindMs) {
        window = FindWindowW(L"InstallPackages", nullptr);
        Sleep(kPeriodMs);
    }
    if (!window)
        return StubRecord::AppendLine(L"AnswerProbe", L"none") ? 0 : 1;
    int calls = 0, timeouts = 0, moves = 0, landed = 0;
    ULONGLONG slowest = 0;
    // A closing window is hidden first; the hide is not the user's wait.
    while (IsWindow(window) && IsWindowVisible(window) && GetTickCount64() - start < kLongestMs) {
        const ULONGLONG before = GetTickCount64();
        DWORD_PTR result = 0;
        const bool timedOut = !SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result) &&
                              GetLastError() == ERROR_TIMEOUT;
        if (!IsWindowVisible(window))
            break;
        if (timedOut)
            ++timeouts;
        slowest = std::max(slowest, GetTickCount64() - before);
        if (++calls % kCallsPerMove == 0 && IsWindow(window)) {
            RECT rect = {};
            GetWindowRect(window, &rect);
            const int x = rect.left + (moves % 2 == 0 ? kMoveBy : -kMoveBy);
            ++moves;
            const ULONGLONG moveStart = GetTickCount64();
            SetWindowPos(window, nullptr, x, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            slowest = std::max(slowest, GetTickCount64() - moveStart);
            RECT after = {};
            if (GetWindowRect(window, &after) && after.left == x)
                ++landed;
        }
        Sleep(kPeriodMs);
    }
    const std::wstring line = L"calls=" + std::to_wstring(calls) + L" slowest_ms=" + std::to_wstring(slowest) +
                              L" timeouts=" + std::to_wstring(timeouts) + L" moves=" + std::to_wstring(landed) +
                              L"/" + std::to_wstring(moves);
    return StubRecord::AppendLine(L"AnswerProbe", line) ? 0 : 1;
}
