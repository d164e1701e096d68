#pragma once
// Tells a window when a process has ended, without blocking the window's thread: a package that
// works for minutes must not leave the window unanswered ("not responding"). The wait runs on the
// system's thread pool and posts one message to the window. Start, Cancel and the destructor: UI
// thread only.
#include <windows.h>

#include "Runtime/ScopedHandle.h"

class CProcessExitWatch {
public:
    CProcessExitWatch() = default;
    ~CProcessExitWatch() { Cancel(); }
    CProcessExitWatch(const CProcessExitWatch&) = delete;
    CProcessExitWatch& operator=(const CProcessExitWatch&) = delete;

    // Posts `message` to `window` once `process` has ended (at once if it already has). The watch
    // holds its own handle to the process. False when the wait could not be set up.
    bool Start(HANDLE process, HWND window, UINT message);
    // No message is posted after this returns (one already posted may still arrive).
    void Cancel();

private:
    static void CALLBACK OnEnded(void* context, BOOLEAN timedOut);

    CScopedHandle m_process;
    HANDLE m_wait = nullptr;
    HWND m_window = nullptr;
    UINT m_message = 0;
};
