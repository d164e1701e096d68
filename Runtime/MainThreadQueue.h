#pragma once
// The process's main-thread task queue and its hidden message-only window.
// Start/Stop on the UI thread; PostToMainThread (MainThreadTask.h) from any thread.
#include <windows.h>

#include <cstddef>

namespace MainThreadQueue {

// Creates the hidden window and registers the wake-up message, once per process.
bool Start();
// Drops every queued task without running it and destroys the hidden window.
void Stop();
// Runs queued tasks for about one bounded pass; what is left runs on the next message.
void RunPass();
size_t PendingCount();
HWND Window();
UINT Message();

}  // namespace MainThreadQueue
