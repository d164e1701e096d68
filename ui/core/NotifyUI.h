#pragma once
// Notifications a control sends to the window's listeners, named by their type name.
// Delivered synchronously on the UI thread.
#include <windows.h>

#include <string>

namespace SkinUI {

class CControlUI;

struct TNotifyUI {
    std::wstring type;
    std::wstring virtualWnd;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;
    POINT ptMouse = {0, 0};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class INotifyUI {
public:
    virtual void Notify(TNotifyUI& msg) = 0;

protected:
    ~INotifyUI() = default;
};

}  // namespace SkinUI
