// Start-up time of GUI programs: from CreateProcess until the program has painted its first
// frame and waits for input (WaitForInputIdle). Each run starts every program once, so that a change
// of machine load weighs on all of them alike; each program is ended afterwards. The order turns from
// run to run and every other run goes backwards: a start is slowed by the cleanup of the program
// ended just before it, and in a fixed cycle each program would always follow the same one.
// "--dpi=N" before a program starts it (and those after it, until the next "--dpi=") at display scale
// N (HKCU\Control Panel\Desktop LogPixels, which Wine reads when a program starts); the prefix's own
// value is put back when the bench ends, also on failure. The first program started after a change of
// scale pays for Wine rewriting its font settings for the new scale (HKCU\Software\Wine\Fonts
// LogPixels), which a machine that keeps its scale never does: such a start is made once more,
// uncounted, before the timed one. A first round, not counted, starts every program once: the first
// start of each pays for caches (Wine's, the page cache's) that every later start finds filled. Under
// Wine on a shared virtual machine a run during which the host took 2 % or more of the machine's CPU
// time (Linux's steal) is run again, at most as many times as there are runs: such a run slows our
// start more than the minimal program's.
// Prints one median per program, in the order given, and how many runs were taken again:
//   StartupBench <runs> [--dpi=N] <program> [[--dpi=N] <program> ...]
//     ->   startup_seconds=<median> (one line each)
//          runs_taken_again=<count>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {
constexpr DWORD kIdleTimeoutMs = 30000;
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
constexpr wchar_t kDpiOption[] = L"--dpi=";

struct Program {
    const wchar_t* path;
    DWORD dpi;  // 0: the prefix's own scale
};

// Holds the prefix's LogPixels as found and puts it back (or removes it if there was none) when
// the bench ends by any return.
class CDisplayScale {
public:
    CDisplayScale() {
        DWORD size = sizeof(m_saved);
        m_hadValue = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr,
                                  &m_saved, &size) == ERROR_SUCCESS;
    }
    ~CDisplayScale() {
        if (!m_changed)
            return;
        if (m_hadValue)
            Write(m_saved);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }
    CDisplayScale(const CDisplayScale&) = delete;
    CDisplayScale& operator=(const CDisplayScale&) = delete;

    // The scale last set; 0 before the first.
    DWORD Current() const { return m_current; }

    // 0 is the prefix's own scale.
    bool Set(DWORD dpi) {
        if (dpi == 0)
            dpi = m_hadValue ? m_saved : 96;
        if (m_changed && dpi == m_current)
            return true;
        m_changed = true;
        m_current = dpi;
        return Write(dpi);
    }

private:
    static bool Write(DWORD dpi) {
        return RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof(dpi)) ==
               ERROR_SUCCESS;
    }

    DWORD m_saved = 0;
    DWORD m_current = 0;
    bool m_hadValue = false;
    bool m_changed = false;
};

constexpr double kQuietShare = 0.02;
constexpr double kTicksPerSecond = 100;  // Linux's unit in /proc/stat

// Ticks the host gave to other guests while this machine wanted its CPUs, read through Wine's drive
// of the root folder; -1 where there is no such file (not under Wine on Linux).
long long StolenTicks() {
    FILE* stat = _wfopen(L"Z:\\proc\\stat", L"r");
    if (!stat)
        return -1;
    long long user, nice, system, idle, iowait, irq, softirq, steal;
    const int read = fscanf(stat, "cpu %lld %lld %lld %lld %lld %lld %lld %lld", &user, &nice, &system, &idle,
                            &iowait, &irq, &softirq, &steal);
    fclose(stat);
    return read == 8 ? steal : -1;
}

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
    std::vector<Program> programs;
    DWORD dpi = 0;
    for (int i = 2; i < argc; ++i) {
        if (wcsncmp(argv[i], kDpiOption, wcslen(kDpiOption)) == 0)
            dpi = static_cast<DWORD>(_wtoi(argv[i] + wcslen(kDpiOption)));
        else
            programs.push_back({argv[i], dpi});
    }
    if (argc < 3 || programs.empty()) {
        fwprintf(stderr, L"usage: StartupBench <runs> [--dpi=N] <program> [[--dpi=N] <program> ...]\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    const size_t count = programs.size();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    CDisplayScale scale;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    std::vector<std::vector<double>> times(count);
    int takenAgain = 0;
    // Run -1 is the uncounted first round.
    for (int run = -1; run < runs; ++run) {
        std::vector<double> round(count);
        const long long stolenBefore = StolenTicks();
        LARGE_INTEGER roundStart, roundEnd;
        QueryPerformanceCounter(&roundStart);
        for (size_t n = 0; n < count; ++n) {
            const size_t p = run < 0 ? n : (run + (run % 2 == 0 ? n : count - 1 - n)) % count;
            const DWORD scaleBefore = scale.Current();
            if (!scale.Set(programs[p].dpi)) {
                fwprintf(stderr, L"StartupBench: cannot set the display scale %lu\n", programs[p].dpi);
                return 1;
            }
            if (scale.Current() != scaleBefore && TimeStartup(programs[p].path, frequency) < 0)
                return 1;
            round[p] = TimeStartup(programs[p].path, frequency);
            if (round[p] < 0)
                return 1;
        }
        QueryPerformanceCounter(&roundEnd);
        const long long stolenAfter = StolenTicks();
        const double capacity = Seconds(roundStart, roundEnd, frequency) * system.dwNumberOfProcessors;
        const bool disturbed = stolenBefore >= 0 && stolenAfter >= 0 &&
                               (stolenAfter - stolenBefore) / kTicksPerSecond >= kQuietShare * capacity;
        if (run < 0)
            continue;
        if (disturbed && takenAgain < runs) {
            ++takenAgain;
            --run;
            continue;
        }
        for (size_t p = 0; p < count; ++p)
            times[p].push_back(round[p]);
    }
    for (auto& samples : times) {
        std::sort(samples.begin(), samples.end());
        wprintf(L"startup_seconds=%.4f\n", samples[samples.size() / 2]);
    }
    wprintf(L"runs_taken_again=%d\n", takenAgain);
    return 0;
}
