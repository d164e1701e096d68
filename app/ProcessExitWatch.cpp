#include "app/ProcessExitWatch.h"

bool CProcessExitWatch::Start(HANDLE process, HWND window, UINT message) {
    Cancel();
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0))
        return false;
    m_process.Reset(own);
    m_window = window;
    m_message = message;
    if (!SetTimer(m_window, TimerId(), kLookMs, &CProcessExitWatch::OnTimer)) {
        Cancel();
        return false;
    }
    PostIfEnded();
    return true;
}

void CProcessExitWatch::Cancel() {
    if (m_window)
        KillTimer(m_window, TimerId());
    m_window = nullptr;
    m_process.Reset();
}

void CALLBACK CProcessExitWatch::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    reinterpret_cast<CProcessExitWatch*>(id)->PostIfEnded();
}

void CProcessExitWatch::PostIfEnded() {
    // A tick that was already due when the watch was cancelled finds no process.
    if (!m_process.IsValid() || WaitForSingleObject(m_process.Get(), 0) != WAIT_OBJECT_0)
        return;
    const HWND window = m_window;
    Cancel();
    PostMessageW(window, m_message, 0, 0);
}
