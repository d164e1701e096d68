#include "Runtime/MainThreadQueue.h"

#include <deque>

#include "Runtime/AutoLock.h"
#include "Runtime/MainThreadTask.h"
#include "Runtime/MonotonicClock.h"

namespace {

constexpr double kPassSeconds = 0.05;
constexpr wchar_t kWindowClass[] = L"ThreadingWindowClass";
constexpr wchar_t kMessageName[] = L"com.zorva.MainThreadFired";

struct QueueItem {
    MainThreadRunner runner;
    CRefPtr<MainThreadTaskBase> task;
};

CLock& QueueLock() {
    static CLock lock;
    return lock;
}

std::deque<QueueItem>& Queue() {
    static std::deque<QueueItem> queue;
    return queue;
}

HWND g_window = nullptr;
UINT g_message = 0;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == g_message && g_message != 0) {
        MainThreadQueue::RunPass();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

void RunMainThreadTask(const CRefPtr<MainThreadTaskBase>& task) {
    task->Run();
}

void PostToMainThread(MainThreadRunner runner, const CRefPtr<MainThreadTaskBase>& task) {
    bool wasEmpty;
    HWND window;
    {
        CAutoLock hold(QueueLock());
        wasEmpty = Queue().empty();
        Queue().push_back(QueueItem{runner, task});
        window = g_window;
    }
    // A queue that already held items has a wake-up message on its way.
    if (wasEmpty && window)
        PostMessageW(window, g_message, 0, 0);
}

namespace MainThreadQueue {

bool Start() {
    QueueLock();
    if (g_window)
        return true;
    g_message = RegisterWindowMessageW(kMessageName);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &WindowProc;
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, kWindowClass, L"", 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, HWND_MESSAGE, nullptr, nullptr, nullptr);
    bool pending;
    {
        CAutoLock hold(QueueLock());
        g_window = window;
        pending = !Queue().empty();
    }
    // Tasks posted before the window existed still need their wake-up.
    if (window && pending)
        PostMessageW(window, g_message, 0, 0);
    return window != nullptr;
}

void Stop() {
    std::deque<QueueItem> dropped;
    HWND window;
    {
        CAutoLock hold(QueueLock());
        dropped.swap(Queue());
        window = g_window;
        g_window = nullptr;
    }
    // The tasks are released here, outside the lock, without running.
    dropped.clear();
    if (window)
        DestroyWindow(window);
}

void RunPass() {
    const double start = MonotonicSeconds();
    for (;;) {
        QueueItem item;
        {
            CAutoLock hold(QueueLock());
            if (Queue().empty())
                return;
            item = Queue().front();
            Queue().pop_front();
        }
        item.runner(item.task);
        if (MonotonicSeconds() - start > kPassSeconds) {
            HWND window;
            {
                CAutoLock hold(QueueLock());
                window = Queue().empty() ? nullptr : g_window;
            }
            if (window)
                PostMessageW(window, g_message, 0, 0);
            return;
        }
    }
}

size_t PendingCount() {
    CAutoLock hold(QueueLock());
    return Queue().size();
}

HWND Window() {
    return g_window;
}

UINT Message() {
    return g_message;
}

}  // namespace MainThreadQueue
