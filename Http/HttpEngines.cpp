#include "Http/HttpEngines.h"

#include <windows.h>

#include <curl/curl.h>

#include <memory>

#include "Http/CurlWorkshop.h"
#include "Http/HttpClock.h"
#include "Http/HttpMgr.h"
#include "Runtime/MainThreadQueue.h"

namespace {

constexpr UINT_PTR kTimerId = 100;

struct Engine {
    std::unique_ptr<CCurlWorkshop> worker;
    std::unique_ptr<CHttpMgr> manager;
};

Engine g_command;
Engine g_download;
bool g_started = false;
UINT_PTR g_timer = 0;
int g_timerTicks = 0;

Engine& EngineOf(HttpEngine engine) {
    return engine == HttpEngine::kCommand ? g_command : g_download;
}

void CALLBACK HttpTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    // Downloads get their speed tick every other timer tick, starting with the first.
    if (g_timerTicks % 2 == 0 && g_download.manager)
        g_download.manager->TickRunning();
    if (g_download.manager)
        g_download.manager->CheckRetries(HttpTickCount());
    if (g_command.manager)
        g_command.manager->CheckRetries(HttpTickCount());
    ++g_timerTicks;
}

void StartEngine(Engine& engine) {
    if (engine.worker)
        return;
    // Here, on the UI thread before any worker runs, because libcurl's global set-up is not
    // safe to race with the workers' first calls. It loads the system's security packages
    // (tens of milliseconds), which is why nothing of this runs before a transfer is asked for.
    static const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)curlReady;
    if (!g_timer) {
        g_timerTicks = 0;
        g_timer = SetTimer(nullptr, kTimerId, HttpEngines::kTimerPeriodMs, &HttpTimerProc);
    }
    engine.worker.reset(new CCurlWorkshop());
    engine.worker->Init();
    engine.worker->StartThread();
    engine.manager.reset(new CHttpMgr());
}

void StopEngine(Engine& engine) {
    if (engine.worker) {
        engine.worker->StopThread(INFINITE);
        engine.worker->Shutdown();
        engine.worker.reset();
    }
    if (engine.manager) {
        engine.manager->DetachAll();
        engine.manager.reset();
    }
}

}  // namespace

namespace HttpEngines {

RuntimeEngines Engines() {
    RuntimeEngines engines;
    engines.start = &Start;
    engines.stop = &Stop;
    return engines;
}

void Start() {
    // Each engine starts with its first request: the first page needs none of them.
    g_started = true;
}

void Stop() {
    if (!g_started)
        return;
    StopEngine(g_command);
    StopEngine(g_download);
    // Events the workers posted after the task queue was emptied would outlive the
    // managers they are addressed to.
    MainThreadQueue::Stop();
    if (g_timer)
        KillTimer(nullptr, g_timer);
    g_timer = 0;
    g_started = false;
}

CCurlWorkshop* Worker(HttpEngine engine) {
    return EngineOf(engine).worker.get();
}

CHttpMgr* Manager(HttpEngine engine) {
    if (g_started)
        StartEngine(EngineOf(engine));
    return EngineOf(engine).manager.get();
}

}  // namespace HttpEngines
