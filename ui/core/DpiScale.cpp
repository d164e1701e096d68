#include "ui/core/DpiScale.h"

namespace SkinUI {

CDpiScale CDpiScale::ForWindow(HWND hWnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && hWnd != nullptr) {
        const UINT dpi = getDpiForWindow(hWnd);
        if (dpi != 0)
            return CDpiScale(dpi);
    }
    HDC hDC = ::GetDC(nullptr);
    const int dpi = hDC != nullptr ? ::GetDeviceCaps(hDC, LOGPIXELSX) : 0;
    if (hDC != nullptr)
        ::ReleaseDC(nullptr, hDC);
    return CDpiScale(dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi);
}

}  // namespace SkinUI
