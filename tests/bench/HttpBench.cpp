// Benchmark program (not a test): one file download through CHttpDownloadFile, or the two
// engines idling, measured from inside the process. Prints name=value lines.
//   HttpBench download <url> <local path> <expected size> [digests]
//   HttpBench idle <seconds>
//   HttpBench stall <seconds>
// "digests" asks the download for the digest the installer computes (SHA-256; MD5 only for a
// manifest without it) and also measures the longest time the UI
// thread took to answer a posted message (ui_max_stall_ms); "stall" measures that figure with the
// engines idle.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
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

// How long the UI thread takes to answer a posted message: a prober thread posts one message at
// a time to a window of the UI thread, waits for the answer, and keeps the longest wait.
class StallProbe {
public:
    StallProbe() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &StallProbe::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"HttpBenchStallProbe";
        RegisterClassW(&wc);
        m_window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   wc.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_thread = CreateThread(nullptr, 0, &StallProbe::Run, this, 0, nullptr);
    }
    ~StallProbe() {
        Stop();
        DestroyWindow(m_window);
        CloseHandle(m_answered);
        CloseHandle(m_stop);
    }
    // Ends the probing; the figure is final afterwards.
    void Stop() {
        if (!m_thread)
            return;
        SetEvent(m_stop);
        // The prober may be waiting for an answer that only this thread's loop gives.
        while (MsgWaitForMultipleObjects(1, &m_thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    double MaxMs() const { return m_maxSeconds * 1000.0; }

private:
    static constexpr UINT kProbe = WM_APP + 1;
    static constexpr DWORD kIntervalMs = 5;
    static constexpr DWORD kAnswerLimitMs = 60000;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message != kProbe)
            return DefWindowProcW(window, message, wparam, lparam);
        auto* probe = reinterpret_cast<StallProbe*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        SetEvent(probe->m_answered);
        return 0;
    }
    static DWORD WINAPI Run(void* self) {
        auto* probe = static_cast<StallProbe*>(self);
        while (WaitForSingleObject(probe->m_stop, kIntervalMs) == WAIT_TIMEOUT) {
            double start = Seconds();
            PostMessageW(probe->m_window, kProbe, 0, 0);
            WaitForSingleObject(probe->m_answered, kAnswerLimitMs);
            probe->m_maxSeconds = std::max(probe->m_maxSeconds, Seconds() - start);
        }
        return 0;
    }

    HWND m_window = nullptr;
    HANDLE m_thread = nullptr;
    HANDLE m_answered = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE m_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    double m_maxSeconds = 0;
};

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

int Download(const wchar_t* url, const wchar_t* path, uint64_t expected, bool digests) {
    constexpr double kLimitSeconds = 600;
    InitMainThreadRuntime(HttpEngines::Engines());
    Outcome outcome;
    std::unique_ptr<StallProbe> probe;
    if (digests)
        probe = std::make_unique<StallProbe>();
    double start = Seconds();
    {
        CHttpDownloadFile download;
        download.SetDoneCallback(&OnDone);
        if (digests)
            download.SetDigests(kDigestSha256);
        if (!download.Download(url, path, expected, &outcome)) {
            fwprintf(stderr, L"download could not be sent\n");
            return 1;
        }
        Pump([&] { return outcome.done; }, start + kLimitSeconds);
        if (digests)
            wprintf(L"sha256=%hs\n", download.Digests().sha256.c_str());
    }
    double elapsed = Seconds() - start;
    if (probe) {
        probe->Stop();
        wprintf(L"ui_max_stall_ms=%.1f\n", probe->MaxMs());
    }
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

int Stall(double seconds) {
    InitMainThreadRuntime(HttpEngines::Engines());
    StallProbe probe;
    Pump([] { return false; }, Seconds() + seconds);
    probe.Stop();
    ShutdownMainThreadRuntime();
    wprintf(L"ui_max_stall_ms=%.1f\n", probe.MaxMs());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if ((argc == 5 || (argc == 6 && wcscmp(argv[5], L"digests") == 0)) && wcscmp(argv[1], L"download") == 0)
        return Download(argv[2], argv[3], _wcstoui64(argv[4], nullptr, 10), argc == 6);
    if (argc == 3 && wcscmp(argv[1], L"idle") == 0)
        return Idle(_wtof(argv[2]));
    if (argc == 3 && wcscmp(argv[1], L"stall") == 0)
        return Stall(_wtof(argv[2]));
    fwprintf(stderr,
             L"usage: HttpBench download <url> <path> <size> [digests] | idle <seconds> | stall <seconds>\n");
    return 2;
}
