#pragma once
// Listener that sees a window's messages before the paint manager handles them. UI thread only.
#include <windows.h>

namespace SkinUI {

class IMessageFilterUI {
public:
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

protected:
    ~IMessageFilterUI() = default;
};

// Gets every message of the loop for its window before dispatch; returning 0 consumes it.
class ITranslateAccelerator {
public:
    virtual LRESULT TranslateAccelerator(MSG* pMsg) = 0;

protected:
    ~ITranslateAccelerator() = default;
};

}  // namespace SkinUI
