#include "app/ProcessExitWatch.h"

bool CProcessExitWatch::Start(HANDLE process, HWND window, UINT message) {
    Cancel();
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0))
        return false;
    m_process.Reset(own);
    m_window = window;
    m_message = message;
    if (!RegisterWaitForSingleObject(&m_wait, m_process.Get(), &CProcessExitWatch::OnEnded, this, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        m_wait = nullptr;
        m_process.Reset();
        return false;
    }
    return true;
}

void CProcessExitWatch::Cancel() {
    if (m_wait) {
        // Waits for a callback that is running: it only posts, so this never waits long.
        UnregisterWaitEx(m_wait, INVALID_HANDLE_VALUE);
        m_wait = nullptr;
    }
    m_process.Reset();
}

void CALLBACK CProcessExitWatch::OnEnded(void* context, BOOLEAN) {
    auto* self = static_cast<CProcessExitWatch*>(context);
    PostMessageW(self->m_window, self->m_message, 0, 0);
}
