// CPaintManagerUI: window messages turned into control events, and pre-translation of the loop.
#include <windowsx.h>

#include "ui/core/AccessibleUI.h"
#include "ui/core/ListenerList.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/WindowWnd.h"

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
    // What each message means for the controls; true when it is consumed here.
    switch (uMsg) {
        case kMsgDelayedCleanup:
            RunDelayedCleanup();
            return true;
        case kMsgAccessibleAction:
            CAccessibleUI::RunPendingActions(this);
            return true;
        case WM_GETOBJECT:
            lRes = CAccessibleUI::AnswerGetObject(this, wParam, lParam);
            return lRes != 0;
        case WM_CLOSE:
            OnClose();
            return false;
        case WM_ERASEBKGND:
            lRes = 1;
            return true;
        case WM_PAINT:
            OnPaint();
            return true;
        case WM_PRINTCLIENT:
            PrintClient(reinterpret_cast<HDC>(wParam), lParam);
            return true;
        case WM_GETMINMAXINFO:
            ApplyTrackingLimits(*reinterpret_cast<MINMAXINFO*>(lParam));
            return false;
        case WM_SIZE:
            OnSize();
            return true;
        case WM_TIMER:
            return OnTimer(wParam);
        case WM_MOUSEHOVER:
            return OnMouseHover(lParam);
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return false;
        case WM_MOUSEMOVE:
            OnMouseMove(lParam);
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
            OnButtonDown(uMsg, wParam, lParam);
            return true;
        case WM_LBUTTONUP:
            return OnButtonUp(wParam, lParam);
        case WM_CONTEXTMENU:
            return OnContextMenu(wParam, lParam);
        case WM_MOUSEWHEEL:
            return OnMouseWheel(wParam, lParam);
        case WM_KEYDOWN:
            return OnKey(kEventKeyDown, wParam, lParam);
        case WM_KEYUP:
            return OnKey(kEventKeyUp, wParam, lParam);
        case WM_CHAR:
            return OnKey(kEventChar, wParam, lParam);
        case WM_SETCURSOR:
            return OnSetCursor(wParam, lParam, lRes);
        case WM_NOTIFY: {
            auto* pHeader = reinterpret_cast<const NMHDR*>(lParam);
            return pHeader != nullptr && Reflect(pHeader->hwndFrom, uMsg, wParam, lParam, lRes);
        }
        case WM_COMMAND:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            return lParam != 0 && Reflect(reinterpret_cast<HWND>(lParam), uMsg, wParam, lParam, lRes);
        default:
            return false;
    }
}

TEventUI CPaintManagerUI::MakeInputEvent(int type, CControlUI* pSender, WPARAM wParam, LPARAM lParam) const {
    TEventUI event = MakeEvent(type, pSender);
    if (IsKeyEvent(type))
        event.key = static_cast<WCHAR>(wParam);
    event.wParam = wParam;
    event.lParam = lParam;
    event.keyState = MapKeyState();
    return event;
}

void CPaintManagerUI::Send(TEventUI event) {
    event.sender->Event(event);
}

void CPaintManagerUI::OnClose() {
    if (m_pEventHover != nullptr)
        Send(MakeEvent(kEventMouseLeave, m_pEventHover));
    if (m_pEventClick != nullptr)
        Send(MakeEvent(kEventButtonUp, m_pEventClick));
    SetFocus(nullptr);
    HWND hOwner = ::GetWindow(m_hWndPaint, GW_OWNER);
    if (hOwner != nullptr)
        ::SetFocus(hOwner);
}

void CPaintManagerUI::ApplyTrackingLimits(MINMAXINFO& info) const {
    const SIZE minSize = GetMinInfo();
    const SIZE maxSize = GetMaxInfo();
    if (minSize.cx > 0)
        info.ptMinTrackSize.x = minSize.cx;
    if (minSize.cy > 0)
        info.ptMinTrackSize.y = minSize.cy;
    if (maxSize.cx > 0)
        info.ptMaxTrackSize.x = maxSize.cx;
    if (maxSize.cy > 0)
        info.ptMaxTrackSize.y = maxSize.cy;
}

void CPaintManagerUI::OnSize() {
    if (m_pFocus != nullptr)
        Send(MakeEvent(kEventWindowSize, m_pFocus));
    if (m_pRoot != nullptr)
        m_pRoot->NeedUpdate();
}

bool CPaintManagerUI::OnTimer(WPARAM uWinTimer) {
    for (auto& timer : m_aTimers) {
        if (timer->hWnd == m_hWndPaint && timer->uWinTimer == uWinTimer && !timer->bKilled) {
            // The handler may kill or add timers, which reshapes the list.
            TEventUI event = MakeEvent(kEventTimer, timer->pSender);
            event.wParam = timer->nLocalID;
            Send(event);
            return true;
        }
    }
    return false;
}

bool CPaintManagerUI::OnMouseHover(LPARAM lParam) {
    m_bMouseTracking = false;
    CControlUI* pHover = FindControl(PointOf(lParam));
    if (pHover == nullptr)
        return false;
    if (m_pEventHover != nullptr) {
        TEventUI event = MakeEvent(kEventMouseHover, m_pEventHover);
        event.ptMouse = PointOf(lParam);
        Send(event);
    }
    ShowTooltip(pHover);
    return true;
}

void CPaintManagerUI::OnMouseLeave() {
    if (m_hwndTooltip != nullptr)
        ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
    if (m_bMouseTracking)
        ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
    m_bMouseTracking = false;
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
        ::TrackMouseEvent(&tme);
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
        Send(MakeEvent(kEventMouseLeave, pOld));
        if (m_hwndTooltip != nullptr)
            ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
    }
    if (pNewHover != m_pEventHover && pNewHover != nullptr) {
        m_pEventHover = pNewHover;
        Send(MakeEvent(kEventMouseEnter, pNewHover));
    }
    CControlUI* pTarget = m_pEventClick != nullptr ? m_pEventClick : pNewHover;
    if (pTarget != nullptr)
        Send(MakeInputEvent(kEventMouseMove, pTarget, 0, lParam));
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
    Send(MakeInputEvent(type, pControl, wParam, lParam));
}

bool CPaintManagerUI::OnButtonUp(WPARAM wParam, LPARAM lParam) {
    m_ptLastMousePos = PointOf(lParam);
    CControlUI* pClick = m_pEventClick;
    if (pClick == nullptr)
        return false;
    ReleaseCapture();
    Send(MakeInputEvent(kEventButtonUp, pClick, wParam, lParam));
    m_pEventClick = nullptr;
    return true;
}

POINT CPaintManagerUI::StoreScreenPos(LPARAM lParam) {
    POINT pt = PointOf(lParam);
    ::ScreenToClient(m_hWndPaint, &pt);
    m_ptLastMousePos = pt;
    return pt;
}

bool CPaintManagerUI::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    StoreScreenPos(lParam);
    CControlUI* pClick = m_pEventClick;
    if (pClick == nullptr)
        return false;
    ReleaseCapture();
    TEventUI event = MakeInputEvent(kEventContextMenu, pClick, wParam, reinterpret_cast<LPARAM>(pClick));
    event.keyState = static_cast<WORD>(wParam);
    Send(event);
    m_pEventClick = nullptr;
    return true;
}

bool CPaintManagerUI::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    CControlUI* pControl = FindControl(StoreScreenPos(lParam));
    if (pControl == nullptr || pControl->GetManager() != this)
        return false;
    const int zDelta = GET_WHEEL_DELTA_WPARAM(wParam);
    Send(MakeInputEvent(kEventScrollWheel, pControl, zDelta < 0 ? SB_LINEDOWN : SB_LINEUP, lParam));
    // Scrolling moved the content under the mouse.
    ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, MAKELPARAM(m_ptLastMousePos.x, m_ptLastMousePos.y));
    return true;
}

bool CPaintManagerUI::OnKey(int type, WPARAM wParam, LPARAM lParam) {
    // Key up goes to the control that saw key down, wherever the focus went meanwhile.
    CControlUI* pTarget = type == kEventKeyUp ? m_pEventKey : m_pFocus;
    if (pTarget == nullptr)
        return false;
    if (type == kEventKeyDown)
        m_pEventKey = pTarget;
    Send(MakeInputEvent(type, pTarget, wParam, lParam));
    if (type == kEventKeyUp)
        m_pEventKey = nullptr;
    return true;
}

bool CPaintManagerUI::OnSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (LOWORD(lParam) != HTCLIENT || m_bMouseCapture)
        return false;
    POINT pt;
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWndPaint, &pt);
    CControlUI* pControl = FindControl(pt);
    if (pControl == nullptr || (pControl->GetControlFlags() & kFlagSetCursor) == 0)
        return false;
    TEventUI event = MakeInputEvent(kEventSetCursor, pControl, wParam, lParam);
    event.ptMouse = pt;
    Send(event);
    lRes = TRUE;
    return true;
}

bool CPaintManagerUI::Reflect(HWND hChild, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    lRes = ::SendMessageW(hChild, kReflectBase + uMsg, wParam, lParam);
    return true;
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
        CWindowWnd::LoadCommonControls();
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
            m_bFocusCues = true;
            SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
            return true;
        case WM_SYSKEYDOWN:
            if (m_pFocus != nullptr)
                Send(MakeInputEvent(kEventSysKey, m_pFocus, wParam, lParam));
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
