#pragma once
// Base of worker threads: start, cooperative stop, wait with a time-out.
// The owning thread calls StartThread/StopThread/IsRunning/DestroyThread; Run executes
// on the new thread and must return soon after IsStopping() becomes true.
#include <windows.h>

#include <atomic>

class CSimpleThread {
public:
    CSimpleThread() = default;
    virtual ~CSimpleThread();
    CSimpleThread(const CSimpleThread&) = delete;
    CSimpleThread& operator=(const CSimpleThread&) = delete;

    virtual bool StopThread(DWORD timeoutMs);
    virtual bool StartThread();
    virtual void Run() = 0;

    bool IsRunning();
    bool DestroyThread(DWORD timeoutMs);
    DWORD ThreadId() const { return m_threadId; }

protected:
    bool IsStopping() const { return m_stop.load(std::memory_order_acquire); }

private:
    static unsigned __stdcall ThreadProc(void* arg);
    void CloseThreadHandle();

    // Owned by the owning thread only: the thread procedure never touches these,
    // so closing the handle cannot race with the thread ending.
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
    std::atomic<bool> m_stop{false};
};
