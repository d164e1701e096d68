// Start-up time of GUI programs: from CreateProcess until the program has painted its first
// frame and waits for input (WaitForInputIdle). Each run starts every program once, in turn, so
// that a change of machine load weighs on all of them alike; each program is ended afterwards.
// Prints one median per program, in the order given:
//   StartupBench <runs> <program> [<program> ...]   ->   startup_seconds=<median> (one line each)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {
constexpr DWORD kIdleTimeoutMs = 30000;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds until `program` is idle after its first frame; negative when it never gets there.
double TimeStartup(const wchar_t* program, const LARGE_INTEGER& frequency) {
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\"";
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    LARGE_INTEGER start, idle;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        fwprintf(stderr, L"StartupBench: cannot start %ls (%lu)\n", program, GetLastError());
        return -1;
    }
    const DWORD waited = WaitForInputIdle(info.hProcess, kIdleTimeoutMs);
    QueryPerformanceCounter(&idle);
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, kIdleTimeoutMs);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    if (waited != 0) {
        fwprintf(stderr, L"StartupBench: %ls never became idle\n", program);
        return -1;
    }
    return Seconds(start, idle, frequency);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: StartupBench <runs> <program> [<program> ...]\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    const int programs = argc - 2;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<std::vector<double>> times(programs);
    for (int run = 0; run < runs; ++run) {
        for (int p = 0; p < programs; ++p) {
            const double seconds = TimeStartup(argv[2 + p], frequency);
            if (seconds < 0)
                return 1;
            times[p].push_back(seconds);
        }
    }
    for (auto& samples : times) {
        std::sort(samples.begin(), samples.end());
        wprintf(L"startup_seconds=%.4f\n", samples[samples.size() / 2]);
    }
    return 0;
}
