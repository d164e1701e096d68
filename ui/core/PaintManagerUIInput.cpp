// CPaintManagerUI: window messages turned into control events, and pre-translation of the loop.
#include <windowsx.h>

#include "ui/core/ListenerList.h"
#include "ui/core/PaintManagerUI.h"

namespace SkinUI {

namespace {

constexpr UINT kReflectBase = 0x2000;  // child windows get their own notifications back as this + message
constexpr DWORD kDefaultHoverTimeMs = 400;
constexpr UINT kShortcutFindFlags = kFindMeFirst | kFindTopFirst | kFindEnabled;

WORD MapKeyState() {
    WORD state = 0;
    if (::GetKeyState(VK_CONTROL) < 0)
        state |= kKeyStateControl;
    if (::GetKeyState(VK_RBUTTON) < 0)
        state |= kKeyStateRButton;
    if (::GetKeyState(VK_LBUTTON) < 0)
        state |= kKeyStateLButton;
    if (::GetKeyState(VK_SHIFT) < 0)
        state |= kKeyStateShift;
    if (::GetKeyState(VK_MENU) < 0)
        state |= kKeyStateAlt;
    return state;
}

POINT PointOf(LPARAM lParam) {
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

WCHAR UpperChar(WCHAR ch) {
    return static_cast<WCHAR>(
        reinterpret_cast<UINT_PTR>(::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(ch)))));
}

struct TFindShortcut {
    WCHAR ch = 0;
    bool bPickNext = false;
};

// Offers a message to the filters in order; the first that sets its handled flag ends the walk.
bool RunFilters(const std::vector<IMessageFilterUI*>& filters,
                UINT uMsg,
                WPARAM wParam,
                LPARAM lParam,
                LRESULT& lRes) {
    return VisitListeners(filters, [&](IMessageFilterUI* pFilter) {
        bool bHandled = false;
        const LRESULT result = pFilter->MessageHandler(uMsg, wParam, lParam, bHandled);
        if (bHandled)
            lRes = result;
        return bHandled;
    });
}

}  // namespace

CControlUI* CALLBACK CPaintManagerUI::FindControlFromShortcut(CControlUI* pThis, LPVOID pData) {
    if (!pThis->IsVisible())
        return nullptr;
    auto* fs = static_cast<TFindShortcut*>(pData);
    // A label names the control that follows it.
    if (fs->bPickNext)
        return pThis;
    WCHAR ch = pThis->GetShortcut();
    if (ch == 0 || ch != fs->ch)
        return nullptr;
    if (pThis->GetInterface(L"Label") != nullptr) {
        fs->bPickNext = true;
        return nullptr;
    }
    return pThis;
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (m_hWndPaint == nullptr)
        return false;
    if (RunFilters(m_aMessageFilters, uMsg, wParam, lParam, lRes))
        return true;

    switch (uMsg) {
        case kMsgDelayedCleanup:
            RunDelayedCleanup();
            return true;
        case WM_CLOSE: {
            if (m_pEventHover != nullptr) {
                TEventUI event = MakeEvent(kEventMouseLeave, m_pEventHover);
                m_pEventHover->Event(event);
            }
            if (m_pEventClick != nullptr) {
                TEventUI event = MakeEvent(kEventButtonUp, m_pEventClick);
                m_pEventClick->Event(event);
            }
            SetFocus(nullptr);
            HWND hOwner = ::GetWindow(m_hWndPaint, GW_OWNER);
            if (hOwner != nullptr)
                ::SetFocus(hOwner);
            return false;
        }
        case WM_ERASEBKGND:
            lRes = 1;
            return true;
        case WM_PAINT:
            OnPaint();
            return true;
        case WM_PRINTCLIENT:
            PrintClient(reinterpret_cast<HDC>(wParam), lParam);
            return true;
        case WM_GETMINMAXINFO: {
            auto* pInfo = reinterpret_cast<MINMAXINFO*>(lParam);
            if (m_szMinWindow.cx > 0)
                pInfo->ptMinTrackSize.x = m_szMinWindow.cx;
            if (m_szMinWindow.cy > 0)
                pInfo->ptMinTrackSize.y = m_szMinWindow.cy;
            if (m_szMaxWindow.cx > 0)
                pInfo->ptMaxTrackSize.x = m_szMaxWindow.cx;
            if (m_szMaxWindow.cy > 0)
                pInfo->ptMaxTrackSize.y = m_szMaxWindow.cy;
            return false;
        }
        case WM_SIZE:
            if (m_pFocus != nullptr) {
                TEventUI event = MakeEvent(kEventWindowSize, m_pFocus);
                m_pFocus->Event(event);
            }
            if (m_pRoot != nullptr)
                m_pRoot->NeedUpdate();
            return true;
        case WM_TIMER:
            for (auto& timer : m_aTimers) {
                if (timer->hWnd == m_hWndPaint && timer->uWinTimer == wParam && !timer->bKilled) {
                    // The handler may kill or add timers, which reshapes the list.
                    CControlUI* pSender = timer->pSender;
                    TEventUI event = MakeEvent(kEventTimer, pSender);
                    event.wParam = timer->nLocalID;
                    pSender->Event(event);
                    return true;
                }
            }
            return false;
        case WM_MOUSEHOVER: {
            m_bMouseTracking = false;
            CControlUI* pHover = FindControl(PointOf(lParam));
            if (pHover == nullptr)
                return false;
            if (m_pEventHover != nullptr) {
                TEventUI event = MakeEvent(kEventMouseHover, m_pEventHover);
                event.ptMouse = PointOf(lParam);
                m_pEventHover->Event(event);
            }
            ShowTooltip(pHover);
            return true;
        }
        case WM_MOUSELEAVE:
            if (m_hwndTooltip != nullptr)
                ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
            if (m_bMouseTracking)
                ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
            m_bMouseTracking = false;
            return false;
        case WM_MOUSEMOVE:
            OnMouseMove(lParam);
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
            OnButtonDown(uMsg, wParam, lParam);
            return true;
        case WM_LBUTTONUP: {
            m_ptLastMousePos = PointOf(lParam);
            CControlUI* pClick = m_pEventClick;
            if (pClick == nullptr)
                return false;
            ReleaseCapture();
            TEventUI event = MakeEvent(kEventButtonUp, pClick);
            event.wParam = wParam;
            event.lParam = lParam;
            event.keyState = MapKeyState();
            pClick->Event(event);
            m_pEventClick = nullptr;
            return true;
        }
        case WM_CONTEXTMENU: {
            POINT pt = PointOf(lParam);
            ::ScreenToClient(m_hWndPaint, &pt);
            m_ptLastMousePos = pt;
            CControlUI* pClick = m_pEventClick;
            if (pClick == nullptr)
                return false;
            ReleaseCapture();
            TEventUI event = MakeEvent(kEventContextMenu, pClick);
            event.wParam = wParam;
            event.lParam = reinterpret_cast<LPARAM>(pClick);
            event.keyState = static_cast<WORD>(wParam);
            pClick->Event(event);
            m_pEventClick = nullptr;
            return true;
        }
        case WM_MOUSEWHEEL: {
            POINT pt = PointOf(lParam);
            ::ScreenToClient(m_hWndPaint, &pt);
            m_ptLastMousePos = pt;
            CControlUI* pControl = FindControl(pt);
            if (pControl == nullptr || pControl->GetManager() != this)
                return false;
            const int zDelta = GET_WHEEL_DELTA_WPARAM(wParam);
            TEventUI event = MakeEvent(kEventScrollWheel, pControl);
            event.wParam = zDelta < 0 ? SB_LINEDOWN : SB_LINEUP;
            event.lParam = lParam;
            event.keyState = MapKeyState();
            pControl->Event(event);
            // Scrolling moved the content under the mouse.
            ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, MAKELPARAM(m_ptLastMousePos.x, m_ptLastMousePos.y));
            return true;
        }
        case WM_KEYDOWN: {
            CControlUI* pFocus = m_pFocus;
            if (pFocus == nullptr)
                return false;
            TEventUI event = MakeEvent(kEventKeyDown, pFocus);
            event.key = static_cast<WCHAR>(wParam);
            event.wParam = wParam;
            event.lParam = lParam;
            event.keyState = MapKeyState();
            m_pEventKey = pFocus;
            pFocus->Event(event);
            return true;
        }
        case WM_KEYUP: {
            CControlUI* pKey = m_pEventKey;
            if (pKey == nullptr)
                return false;
            TEventUI event = MakeEvent(kEventKeyUp, pKey);
            event.key = static_cast<WCHAR>(wParam);
            event.wParam = wParam;
            event.lParam = lParam;
            event.keyState = MapKeyState();
            pKey->Event(event);
            m_pEventKey = nullptr;
            return true;
        }
        case WM_CHAR: {
            CControlUI* pFocus = m_pFocus;
            if (pFocus == nullptr)
                return false;
            TEventUI event = MakeEvent(kEventChar, pFocus);
            event.key = static_cast<WCHAR>(wParam);
            event.wParam = wParam;
            event.lParam = lParam;
            event.keyState = MapKeyState();
            pFocus->Event(event);
            return true;
        }
        case WM_SETCURSOR: {
            if (LOWORD(lParam) != HTCLIENT || m_bMouseCapture)
                return false;
            POINT pt;
            ::GetCursorPos(&pt);
            ::ScreenToClient(m_hWndPaint, &pt);
            CControlUI* pControl = FindControl(pt);
            if (pControl == nullptr || (pControl->GetControlFlags() & kFlagSetCursor) == 0)
                return false;
            TEventUI event = MakeEvent(kEventSetCursor, pControl);
            event.ptMouse = pt;
            event.wParam = wParam;
            event.lParam = lParam;
            event.keyState = MapKeyState();
            pControl->Event(event);
            lRes = TRUE;
            return true;
        }
        case WM_NOTIFY: {
            auto* pHeader = reinterpret_cast<const NMHDR*>(lParam);
            if (pHeader == nullptr)
                return false;
            lRes = ::SendMessageW(pHeader->hwndFrom, kReflectBase + uMsg, wParam, lParam);
            return true;
        }
        case WM_COMMAND:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            if (lParam == 0)
                return false;
            lRes = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectBase + uMsg, wParam, lParam);
            return true;
        default:
            return false;
    }
}

void CPaintManagerUI::OnMouseMove(LPARAM lParam) {
    if (!m_bMouseTracking) {
        TRACKMOUSEEVENT tme = {};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_HOVER | TME_LEAVE;
        tme.hwndTrack = m_hWndPaint;
        tme.dwHoverTime =
            m_hwndTooltip == nullptr
                ? kDefaultHoverTimeMs
                : static_cast<DWORD>(::SendMessageW(m_hwndTooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        ::_TrackMouseEvent(&tme);
        m_bMouseTracking = true;
    }
    const POINT pt = PointOf(lParam);
    m_ptLastMousePos = pt;
    CControlUI* pNewHover = FindControl(pt);
    if (pNewHover != nullptr && pNewHover->GetManager() != this)
        return;
    if (pNewHover != m_pEventHover && m_pEventHover != nullptr) {
        CControlUI* pOld = m_pEventHover;
        m_pEventHover = nullptr;
        TEventUI event = MakeEvent(kEventMouseLeave, pOld);
        pOld->Event(event);
        if (m_hwndTooltip != nullptr)
            ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
    }
    if (pNewHover != m_pEventHover && pNewHover != nullptr) {
        m_pEventHover = pNewHover;
        TEventUI event = MakeEvent(kEventMouseEnter, pNewHover);
        pNewHover->Event(event);
    }
    CControlUI* pTarget = m_pEventClick != nullptr ? m_pEventClick : pNewHover;
    if (pTarget != nullptr) {
        TEventUI event = MakeEvent(kEventMouseMove, pTarget);
        event.lParam = lParam;
        event.keyState = MapKeyState();
        pTarget->Event(event);
    }
}

void CPaintManagerUI::OnButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    ::SetFocus(m_hWndPaint);
    m_ptLastMousePos = PointOf(lParam);
    CControlUI* pControl = FindControl(m_ptLastMousePos);
    if (pControl == nullptr || pControl->GetManager() != this)
        return;
    int type = kEventButtonDown;
    m_pEventClick = pControl;
    if (uMsg == WM_LBUTTONDBLCLK)
        type = kEventDblClick;
    else
        pControl->SetFocus();
    if (uMsg == WM_RBUTTONDOWN)
        type = kEventRButtonDown;
    SetCapture();
    TEventUI event = MakeEvent(type, pControl);
    event.wParam = wParam;
    event.lParam = lParam;
    event.keyState = MapKeyState();
    pControl->Event(event);
}

void CPaintManagerUI::ShowTooltip(CControlUI* pHover) {
    m_sToolTipText = pHover->GetToolTip();
    if (m_sToolTipText.empty())
        return;
    HINSTANCE hInst = GetInstance() != nullptr ? GetInstance() : ::GetModuleHandleW(nullptr);
    m_ToolTip = {};
    m_ToolTip.cbSize = TTTOOLINFOW_V1_SIZE;
    m_ToolTip.uFlags = TTF_IDISHWND;
    m_ToolTip.hwnd = m_hWndPaint;
    m_ToolTip.uId = reinterpret_cast<UINT_PTR>(m_hWndPaint);
    m_ToolTip.hinst = hInst;
    m_ToolTip.lpszText = &m_sToolTipText[0];
    m_ToolTip.rect = pHover->GetPos();
    if (m_hwndTooltip == nullptr) {
        m_hwndTooltip = ::CreateWindowExW(
            0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWndPaint, nullptr, hInst, nullptr);
        ::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
    }
    ::SendMessageW(m_hwndTooltip, TTM_SETMAXTIPWIDTH, 0, pHover->GetToolTipWidth());
    ::SendMessageW(m_hwndTooltip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
    ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_ToolTip));
}

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (RunFilters(m_aPreMessageFilters, uMsg, wParam, lParam, lRes))
        return true;
    switch (uMsg) {
        case WM_KEYDOWN:
            if (wParam != VK_TAB)
                return false;
            SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
            return true;
        case WM_SYSKEYDOWN:
            if (m_pFocus != nullptr) {
                TEventUI event = MakeEvent(kEventSysKey, m_pFocus);
                event.key = static_cast<WCHAR>(wParam);
                event.wParam = wParam;
                event.lParam = lParam;
                event.keyState = MapKeyState();
                m_pFocus->Event(event);
            }
            return false;
        case WM_SYSCHAR: {
            if (m_pRoot == nullptr)
                return false;
            TFindShortcut fs;
            fs.ch = UpperChar(static_cast<WCHAR>(wParam));
            CControlUI* pControl = m_pRoot->FindControl(FindControlFromShortcut, &fs, kShortcutFindFlags);
            if (pControl == nullptr)
                return false;
            pControl->SetFocus();
            pControl->Activate();
            return true;
        }
        default:
            return false;
    }
}

bool CPaintManagerUI::TranslateAccelerator(MSG* pMsg) {
    return VisitListeners(m_aTranslateAccelerators, [pMsg](ITranslateAccelerator* pTranslator) {
        return pTranslator->TranslateAccelerator(pMsg) == 0;
    });
}

bool CPaintManagerUI::TranslateMessage(const MSG* pMsg) {
    if (pMsg == nullptr || pMsg->hwnd == nullptr)
        return false;
    MSG msg = *pMsg;
    const bool bChild = (::GetWindowLongW(pMsg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
    // A handler may create or destroy windows, and with them managers.
    bool bConsumed = false;
    VisitListeners(AllManagers(), [&](CPaintManagerUI* pManager) {
        bool bTarget = pMsg->hwnd == pManager->m_hWndPaint;
        for (HWND hParent = pMsg->hwnd; bChild && !bTarget && hParent != nullptr;
             hParent = ::GetParent(hParent))
            bTarget = hParent == pManager->m_hWndPaint;
        if (!bTarget)
            return false;
        LRESULT lRes = 0;
        bConsumed = pManager->TranslateAccelerator(&msg) ||
                    pManager->PreMessageHandler(msg.message, msg.wParam, msg.lParam, lRes);
        // A top-level window has one manager; a child's ancestors may each have one.
        return bConsumed || !bChild;
    });
    return bConsumed;
}

}  // namespace SkinUI
