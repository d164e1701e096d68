#pragma once
// The two transfer engines (commands in memory, file downloads), each a worker and its
// manager, and the 500 ms HTTP timer that ticks downloads and releases retries.
// UI thread only.
#include "Http/HttpBase.h"
#include "Runtime/MainThreadRuntime.h"

class CCurlWorkshop;
class CHttpMgr;

namespace HttpEngines {

constexpr unsigned kTimerPeriodMs = 500;

// What InitMainThreadRuntime/ShutdownMainThreadRuntime call to start and stop both engines.
RuntimeEngines Engines();
// Allows the engines to run; each one starts when its manager is first asked for.
void Start();
// Only from ShutdownMainThreadRuntime, once the task queue has stopped: it also drops what
// the workers posted meanwhile.
void Stop();

// The manager, starting its engine (worker, timer, libcurl's global set-up) on first use;
// null between Stop and Start.
CHttpMgr* Manager(HttpEngine engine);
// Null until the engine has started.
CCurlWorkshop* Worker(HttpEngine engine);
inline CCurlWorkshop* CommandWorker() {
    return Worker(HttpEngine::kCommand);
}
inline CHttpMgr* CommandManager() {
    return Manager(HttpEngine::kCommand);
}
inline CCurlWorkshop* DownloadWorker() {
    return Worker(HttpEngine::kDownload);
}
inline CHttpMgr* DownloadManager() {
    return Manager(HttpEngine::kDownload);
}

}  // namespace HttpEngines
