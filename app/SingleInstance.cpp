#include "app/SingleInstance.h"

CSingleInstance::CSingleInstance(const wchar_t* name) : m_mutex(CreateMutexW(nullptr, FALSE, name)) {
    m_first = !(m_mutex.IsValid() && GetLastError() == ERROR_ALREADY_EXISTS);
}

bool CSingleInstance::ActivateWindow(const wchar_t* className) {
    HWND window = FindWindowW(className, nullptr);
    if (!window)
        return false;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    // An open box of that window (the quit question, a failure) is what the user must see.
    SetForegroundWindow(GetLastActivePopup(window));
    return true;
}
