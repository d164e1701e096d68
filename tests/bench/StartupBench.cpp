// Start-up time of a GUI program: from CreateProcess until the program has painted its first
// frame and waits for input (WaitForInputIdle), median of several runs; each run is ended
// afterwards.   StartupBench <program> [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {
constexpr DWORD kIdleTimeoutMs = 30000;
constexpr int kDefaultRuns = 5;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: StartupBench <program> [runs]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : kDefaultRuns;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
        STARTUPINFOW startup = {sizeof(startup)};
        PROCESS_INFORMATION info = {};
        LARGE_INTEGER start, idle;
        QueryPerformanceCounter(&start);
        if (!CreateProcessW(argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info)) {
            fwprintf(stderr, L"StartupBench: cannot start %ls (%lu)\n", argv[1], GetLastError());
            return 1;
        }
        const DWORD waited = WaitForInputIdle(info.hProcess, kIdleTimeoutMs);
        QueryPerformanceCounter(&idle);
        TerminateProcess(info.hProcess, 0);
        WaitForSingleObject(info.hProcess, kIdleTimeoutMs);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
        if (waited != 0) {
            fwprintf(stderr, L"StartupBench: %ls never became idle\n", argv[1]);
            return 1;
        }
        times.push_back(Seconds(start, idle, frequency));
    }
    std::sort(times.begin(), times.end());
    wprintf(L"startup_seconds=%.4f\n", times[times.size() / 2]);
    return 0;
}
