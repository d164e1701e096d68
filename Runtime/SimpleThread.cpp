#include "Runtime/SimpleThread.h"

#include <process.h>

#include "Runtime/ConsoleLogger.h"
#include "Runtime/FileLogger.h"

CSimpleThread::~CSimpleThread() {
    CloseThreadHandle();
}

bool CSimpleThread::StartThread() {
    if (IsRunning())
        return true;
    m_stop.store(false, std::memory_order_release);
    CloseThreadHandle();
    unsigned id = 0;
    m_thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CSimpleThread::ThreadProc, this, 0, &id));
    if (!m_thread)
        return false;
    m_threadId = id;
    return true;
}

bool CSimpleThread::StopThread(DWORD timeoutMs) {
    if (!IsRunning())
        return true;
    m_stop.store(true, std::memory_order_release);
    return DestroyThread(timeoutMs);
}

bool CSimpleThread::IsRunning() {
    if (!m_thread)
        return false;
    DWORD code = 0;
    if (GetExitCodeThread(m_thread, &code) && code == STILL_ACTIVE)
        return true;
    CloseThreadHandle();
    return false;
}

bool CSimpleThread::DestroyThread(DWORD timeoutMs) {
    if (!m_thread)
        return false;
    if (GetCurrentThreadId() != m_threadId) {
        if (WaitForSingleObject(m_thread, timeoutMs) == WAIT_TIMEOUT) {
            FileLogger::Instance().Log(2, __LINE__, L".\\Runtime\\SimpleThread",
                                       L"CSimpleThread::DestroyThread线程结束超时 tid:%d ", m_threadId);
            ConsoleLogger::Instance().Log(2, __LINE__, L".\\Runtime\\SimpleThread",
                                          L"CSimpleThread::DestroyThread线程结束超时 tid:%d ", m_threadId);
            TerminateThread(m_thread, 0);
        }
    }
    CloseThreadHandle();
    return true;
}

void CSimpleThread::CloseThreadHandle() {
    if (m_thread)
        CloseHandle(m_thread);
    m_thread = nullptr;
    m_threadId = 0;
}

unsigned __stdcall CSimpleThread::ThreadProc(void* arg) {
    // Run may end the object's life (its last reference released on this thread),
    // so nothing of the object is touched afterwards.
    static_cast<CSimpleThread*>(arg)->Run();
    return 0;
}
