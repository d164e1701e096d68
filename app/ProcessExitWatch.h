#pragma once
// Tells a window when a process has ended, without blocking the window's thread: a package that
// works for minutes must not leave the window unanswered ("not responding"). A timer of the window
// looks at the process a few times a second and posts one message to the window; no thread of the
// system's pool is started for it (under Wine each keeps a megabyte resident). UI thread only; the
// watch must outlive the window's timers, as a member of the window's object does.
#include <windows.h>

#include "Runtime/ScopedHandle.h"

class CProcessExitWatch {
public:
    CProcessExitWatch() = default;
    ~CProcessExitWatch() { Cancel(); }
    CProcessExitWatch(const CProcessExitWatch&) = delete;
    CProcessExitWatch& operator=(const CProcessExitWatch&) = delete;

    // Posts `message` to `window` once `process` has ended (at once if it already has). The watch
    // holds its own handle to the process. False when the watch could not be set up.
    bool Start(HANDLE process, HWND window, UINT message);
    // No message is posted after this returns (one already posted may still arrive).
    void Cancel();

private:
    static constexpr UINT kLookMs = 100;
    static void CALLBACK OnTimer(HWND window, UINT, UINT_PTR id, DWORD);
    // The timer's id is the watch itself: unique among the window's timers, and it finds the watch.
    UINT_PTR TimerId() const { return reinterpret_cast<UINT_PTR>(this); }
    void PostIfEnded();

    CScopedHandle m_process;
    HWND m_window = nullptr;
    UINT m_message = 0;
};
