#include "Runtime/MainThreadRuntime.h"

#include <windows.h>

#include "Runtime/MainThreadQueue.h"

namespace {

constexpr UINT_PTR kKeepAliveTimerId = 508;
constexpr UINT kKeepAlivePeriodMs = 1000;

UINT_PTR g_keepAliveTimer = 0;
RuntimeEngines g_engines;

// Only wakes the message loop at least once a second.
void CALLBACK KeepAlive(HWND, UINT, UINT_PTR, DWORD) {}

}  // namespace

void InitMainThreadRuntime(const RuntimeEngines& engines) {
    g_keepAliveTimer = SetTimer(nullptr, kKeepAliveTimerId, kKeepAlivePeriodMs, &KeepAlive);
    MainThreadQueue::Start();
    g_engines = engines;
    if (g_engines.start)
        g_engines.start();
}

void ShutdownMainThreadRuntime() {
    if (g_keepAliveTimer)
        KillTimer(nullptr, g_keepAliveTimer);
    g_keepAliveTimer = 0;
    MainThreadQueue::Stop();
    if (g_engines.stop)
        g_engines.stop();
    g_engines = RuntimeEngines();
}
