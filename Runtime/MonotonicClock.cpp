#include "Runtime/MonotonicClock.h"

#include <windows.h>

#include <mmsystem.h>

namespace {

constexpr unsigned long long kEpochDifference = 116444736000000000ULL;
constexpr double kResyncDriftMs = 500.0;
constexpr double kMaxSkewMs = 31.25;
constexpr double kBackwardToleranceMs = 2000.0;

double MsSince1970(const FILETIME& ft) {
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    return static_cast<double>(t.QuadPart - kEpochDifference) / 10000.0;
}

double CoarseMs() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return MsSince1970(ft);
}

// The system time to the microsecond where the system can tell it (Windows 8 and later); before, the
// timer resolution is raised to 1 ms for the reading. The precise reading also keeps the multimedia
// library (and, under Wine, its audio compression manager) out of the process.
double BaseCoarseMs() {
    using PreciseTime = void(WINAPI*)(LPFILETIME);
    static const auto precise = reinterpret_cast<PreciseTime>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    if (precise) {
        FILETIME ft;
        precise(&ft);
        return MsSince1970(ft);
    }
    timeBeginPeriod(1);
    const double ms = CoarseMs();
    timeEndPeriod(1);
    return ms;
}

struct ClockState {
    bool tested = false;
    bool hasCounter = false;
    double frequency = 0;
    bool synced = false;
    double baseCoarse = 0;
    double baseFine = 0;
    double lastFine = 0;
    DWORD lastTick = 0;
    bool haveLast = false;
    double previous = 0;
    double largest = 0;
};

ClockState g_clock;

double EstimateMs(ClockState& s) {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const double fine = static_cast<double>(counter.QuadPart) * 1000.0 / s.frequency;
    const DWORD tick = GetTickCount();
    if (s.haveLast) {
        const double counterElapsed = fine - s.lastFine;
        const double tickElapsed = static_cast<double>(static_cast<DWORD>(tick - s.lastTick));
        if (counterElapsed - tickElapsed > kResyncDriftMs || tickElapsed - counterElapsed > kResyncDriftMs)
            s.synced = false;
    }
    s.lastFine = fine;
    s.lastTick = tick;
    s.haveLast = true;

    if (!s.synced) {
        s.baseCoarse = BaseCoarseMs();
        s.baseFine = fine;
        s.synced = true;
    }
    double estimate = s.baseCoarse + (fine - s.baseFine);
    const double coarse = CoarseMs();
    if (estimate - coarse > kMaxSkewMs || coarse - estimate > kMaxSkewMs)
        s.synced = false;
    if (estimate < s.previous && s.previous - estimate < kBackwardToleranceMs)
        return s.previous;
    s.previous = estimate;
    return estimate;
}

}  // namespace

double MonotonicSeconds() {
    ClockState& s = g_clock;
    if (!s.tested) {
        LARGE_INTEGER frequency;
        s.hasCounter = QueryPerformanceFrequency(&frequency) && frequency.QuadPart != 0;
        s.frequency = static_cast<double>(frequency.QuadPart);
        s.tested = true;
    }
    const double ms = s.hasCounter ? EstimateMs(s) : CoarseMs();
    double seconds = ms / 1000.0;
    if (seconds < s.largest)
        seconds = s.largest;
    s.largest = seconds;
    return seconds;
}
