#pragma once
// Start-up and shutdown of the UI thread's runtime: keep-alive timer, task queue and
// its hidden window, and the engines plugged in by the layers above. UI thread only.

// Start and stop of the transfer engines; the HTTP layer provides them.
struct RuntimeEngines {
    void (*start)() = nullptr;
    void (*stop)() = nullptr;
};

void InitMainThreadRuntime(const RuntimeEngines& engines = RuntimeEngines());
void ShutdownMainThreadRuntime();
