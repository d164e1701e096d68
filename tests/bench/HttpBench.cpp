// Benchmark program (not a test): one file download through CHttpDownloadFile, or the two
// engines idling, measured from inside the process. Prints name=value lines.
//   HttpBench download <url> <local path> <expected size>
//   HttpBench idle <seconds>
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "Http/HttpDownloadFile.h"
#include "Http/HttpEngines.h"
#include "Runtime/MainThreadRuntime.h"

namespace {

struct Outcome {
    bool done = false;
    int type = -1;
    int code = -1;
};

void OnDone(void* user, int type, int code) {
    auto* outcome = static_cast<Outcome*>(user);
    outcome->done = true;
    outcome->type = type;
    outcome->code = code;
}

double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto toSeconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return toSeconds(kernel) + toSeconds(user);
}

// The real message loop, until `done` or the deadline.
template <class Done>
void Pump(Done done, double untilSeconds) {
    while (!done() && Seconds() < untilSeconds) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

int Download(const wchar_t* url, const wchar_t* path, uint64_t expected) {
    constexpr double kLimitSeconds = 600;
    InitMainThreadRuntime(HttpEngines::Engines());
    Outcome outcome;
    double start = Seconds();
    {
        CHttpDownloadFile download;
        download.SetDoneCallback(&OnDone);
        if (!download.Download(url, path, expected, &outcome)) {
            fwprintf(stderr, L"download could not be sent\n");
            return 1;
        }
        Pump([&] { return outcome.done; }, start + kLimitSeconds);
    }
    double elapsed = Seconds() - start;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    ShutdownMainThreadRuntime();
    wprintf(L"result=%d,%d\nseconds=%.3f\npeak_working_set_bytes=%llu\n", outcome.type, outcome.code, elapsed,
            static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    return outcome.done && outcome.type == 0 ? 0 : 1;
}

int Idle(double seconds) {
    InitMainThreadRuntime(HttpEngines::Engines());
    double cpuStart = CpuSeconds();
    double start = Seconds();
    Pump([] { return false; }, start + seconds);
    double cpu = CpuSeconds() - cpuStart;
    double wall = Seconds() - start;
    ShutdownMainThreadRuntime();
    wprintf(L"idle_cpu_seconds=%.3f\nidle_wall_seconds=%.3f\nidle_cpu_percent=%.2f\n", cpu, wall,
            100.0 * cpu / wall);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 5 && wcscmp(argv[1], L"download") == 0)
        return Download(argv[2], argv[3], _wcstoui64(argv[4], nullptr, 10));
    if (argc == 3 && wcscmp(argv[1], L"idle") == 0)
        return Idle(_wtof(argv[2]));
    fwprintf(stderr, L"usage: HttpBench download <url> <path> <size> | idle <seconds>\n");
    return 2;
}
