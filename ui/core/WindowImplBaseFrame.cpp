// WindowImplBase: the borderless frame - non-client area, hit testing, tracking sizes, rounded region.
#include "ui/core/WindowImplBase.h"

#include <windowsx.h>

#include <cwchar>

#include "ui/core/GdiScoped.h"

namespace SkinUI {

namespace {

// Controls of these classes, and their layouts, drag the window inside the caption band.
constexpr LPCWSTR kPassiveClasses[] = {L"VerticalLayoutUI", L"HorizontalLayoutUI", L"TileLayoutUI",
                                       L"TabLayoutUI",      L"ChildLayoutUI",      L"ControlUI",
                                       L"ContainerUI",      L"ProgressUI",         L"LabelUI"};

bool IsPassiveClass(LPCWSTR pstrClass) {
    for (LPCWSTR passive : kPassiveClasses) {
        if (std::wcscmp(passive, pstrClass) == 0)
            return true;
    }
    return false;
}

MONITORINFO NearestMonitor(HWND hWnd) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor;
}

}  // namespace

bool WindowImplBase::IsPassiveChain(CControlUI* pControl) {
    for (; pControl != nullptr; pControl = pControl->GetParent()) {
        if (!IsPassiveClass(pControl->GetClass()))
            return false;
    }
    return true;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, bool& bHandled) {
    if (::IsIconic(m_hWnd)) {
        bHandled = false;
        return 0;
    }
    // Nothing of the frame is drawn by the system, so activation needs no redraw.
    return wParam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM wParam, LPARAM lParam, bool&) {
    RECT* pRect = wParam != 0 ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                              : reinterpret_cast<RECT*>(lParam);
    if (!::IsZoomed(m_hWnd))
        return 0;
    // A maximised borderless window would otherwise cover the task bar.
    const MONITORINFO monitor = NearestMonitor(m_hWnd);
    pRect->right = pRect->left + (monitor.rcWork.right - monitor.rcWork.left);
    pRect->bottom = pRect->top + (monitor.rcWork.bottom - monitor.rcWork.top);
    return WVR_REDRAW;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) {
    return 0;
}

LRESULT WindowImplBase::OnNcLButtonDown(UINT, WPARAM, LPARAM, bool& bHandled) {
    m_PaintManager.SetFocus(nullptr);
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
    const POINT ptScreen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    POINT pt = ptScreen;
    ::ScreenToClient(m_hWnd, &pt);
    RECT rcClient = {};
    ::GetClientRect(m_hWnd, &rcClient);

    if (!::IsZoomed(m_hWnd)) {
        const SIZE grip = m_PaintManager.GetGripSize();
        if (grip.cx > 0 && grip.cy > 0) {
            RECT rcWindow = {};
            ::GetWindowRect(m_hWnd, &rcWindow);
            if (ptScreen.x > rcWindow.right - grip.cx && ptScreen.y > rcWindow.bottom - grip.cy)
                return HTBOTTOMRIGHT;
        }
        const RECT box = m_PaintManager.GetSizeBox();
        const bool left = pt.x < rcClient.left + box.left;
        const bool right = pt.x >= rcClient.right - box.right;
        if (pt.y < rcClient.top + box.top)
            return left ? HTTOPLEFT : (right ? HTTOPRIGHT : HTTOP);
        if (pt.y >= rcClient.bottom - box.bottom)
            return left ? HTBOTTOMLEFT : (right ? HTBOTTOMRIGHT : HTBOTTOM);
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
    }

    const RECT caption = m_PaintManager.GetCaptionRect();
    if (pt.x >= rcClient.left + caption.left && pt.x < rcClient.right - caption.right &&
        pt.y >= caption.top && pt.y < caption.bottom) {
        if (IsPassiveChain(m_PaintManager.FindControl(pt)))
            return HTCAPTION;
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& bHandled) {
    auto* pInfo = reinterpret_cast<MINMAXINFO*>(lParam);
    const MONITORINFO monitor = NearestMonitor(m_hWnd);
    RECT rcWork = monitor.rcWork;
    ::OffsetRect(&rcWork, -monitor.rcMonitor.left, -monitor.rcMonitor.top);
    pInfo->ptMaxPosition = {rcWork.left, rcWork.top};
    pInfo->ptMaxTrackSize = {rcWork.right - rcWork.left, rcWork.bottom - rcWork.top};
    const SIZE minInfo = m_PaintManager.GetMinInfo();
    pInfo->ptMinTrackSize = {minInfo.cx, minInfo.cy};
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& bHandled) {
    const SIZE corner = m_PaintManager.GetRoundCorner();
    if (!::IsIconic(m_hWnd) && (corner.cx != 0 || corner.cy != 0)) {
        RECT rcWindow = {};
        ::GetWindowRect(m_hWnd, &rcWindow);
        CGdiObject<HRGN> region(::CreateRoundRectRgn(0, 0, rcWindow.right - rcWindow.left + 1,
                                                     rcWindow.bottom - rcWindow.top + 1, corner.cx,
                                                     corner.cy));
        // The window owns the region once it is set.
        if (region && ::SetWindowRgn(m_hWnd, region.Get(), TRUE) != 0)
            region.Release();
    }
    bHandled = false;
    return 0;
}

}  // namespace SkinUI
