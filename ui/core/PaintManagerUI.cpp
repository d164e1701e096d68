// CPaintManagerUI: life cycle, listeners, focus and tab order, timers, notifications and lookups.
#include "ui/core/PaintManagerUI.h"

#include <algorithm>

#include "ui/core/AccessibleUI.h"
#include "ui/core/ImagePrefetch.h"
#include "ui/core/ListenerList.h"

namespace SkinUI {

namespace {

template <class T>
bool AddUnique(std::vector<T*>& list, T* item) {
    if (item == nullptr || std::find(list.begin(), list.end(), item) != list.end())
        return false;
    list.push_back(item);
    return true;
}

template <class T>
bool RemoveItem(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

// Native ids of control timers run 3-254: 0 is not an id, and a window's own code uses 1 and 2 (the
// main window's animation and retry timers).
constexpr UINT kTimerIdRange = 0xFF;
constexpr UINT kLastWindowTimerId = 2;

struct TFindTabInfo {
    CControlUI* pFocus = nullptr;
    CControlUI* pLast = nullptr;
    bool bForward = true;
    bool bNextIsIt = false;
};

}  // namespace

std::vector<CPaintManagerUI*>& CPaintManagerUI::AllManagers() {
    static std::vector<CPaintManagerUI*> managers;
    return managers;
}

CPaintManagerUI::CPaintManagerUI() {
    m_pDefaultFont = CreateSkinFont(nullptr, 0, false, false, false);
}

CPaintManagerUI::~CPaintManagerUI() {
    RunDelayedCleanup();
    // The tree's destructors call back into ForgetControl, so the maps must still be alive here.
    m_pRoot.reset();
    DeleteAllTimers();
    if (m_hwndTooltip != nullptr) {
        ::DestroyWindow(m_hwndTooltip);
        m_hwndTooltip = nullptr;
    }
    m_offscreen.reset();
    m_layered.reset();
    if (m_hDcPaint != nullptr)
        ::ReleaseDC(m_hWndPaint, m_hDcPaint);
    RemoveItem(AllManagers(), this);
    CAccessibleUI::ManagerGone(this);
}

void CPaintManagerUI::Init(HWND hWnd) {
    if (m_hDcPaint != nullptr)
        ::ReleaseDC(m_hWndPaint, m_hDcPaint);
    m_hWndPaint = hWnd;
    m_hDcPaint = ::GetDC(hWnd);
    // A window made for this manager is not yet shown; one already on screen may have been painted.
    m_bPainted = ::IsWindowVisible(hWnd) != FALSE;
    m_scale = CDpiScale::ForWindow(hWnd);
    HWND hOwner = ::GetWindow(hWnd, GW_OWNER);
    for (const CPaintManagerUI* pOther : AllManagers()) {
        if (hOwner != nullptr && pOther->m_hWndPaint == hOwner)
            m_bFocusCues = pOther->m_bFocusCues;
    }
    AddUnique(AllManagers(), this);
}

bool CPaintManagerUI::AttachRoot(CControlUI* pControl) {
    if (pControl == nullptr)
        return false;
    SetFocus(nullptr);
    m_pEventKey = nullptr;
    m_pEventHover = nullptr;
    m_pEventClick = nullptr;
    if (m_pRoot != nullptr) {
        m_aPostPaintControls.clear();
        AddDelayedCleanup(m_pRoot.release());
    }
    m_pRoot.reset(pControl);
    m_bUpdateNeeded = true;
    m_bFirstLayout = true;
    m_bFocusNeeded = true;
    return InitControls(pControl);
}

bool CPaintManagerUI::InitControls(CControlUI* pControl, CControlUI* pParent) {
    if (pControl == nullptr)
        return false;
    pControl->SetManager(this, pParent != nullptr ? pParent : pControl->GetParent(), true);
    pControl->FindControl(FindControlFromNameHash, this, 0);
    return true;
}

void CPaintManagerUI::ForgetControl(CControlUI* pControl) {
    if (pControl == nullptr)
        return;
    CAccessibleUI::ControlGone(pControl);
    if (pControl == m_pEventKey)
        m_pEventKey = nullptr;
    if (pControl == m_pEventHover)
        m_pEventHover = nullptr;
    if (pControl == m_pEventClick) {
        m_pEventClick = nullptr;
        if (m_bMouseCapture)
            ReleaseCapture();
    }
    if (pControl == m_pFocus)
        m_pFocus = nullptr;
    if (pControl == m_pFocusPending)
        m_pFocusPending = nullptr;
    KillTimer(pControl);
    RemoveItem(m_aPostPaintControls, pControl);
    const std::wstring name = pControl->GetName();
    if (!name.empty() && m_mNameHash.Find(name.c_str()) == pControl)
        m_mNameHash.Remove(name.c_str());
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* pControl) {
    if (pControl == nullptr)
        return;
    pControl->SetManager(this, nullptr, false);
    m_aDelayedCleanup.emplace_back(pControl);
    if (m_hWndPaint != nullptr)
        ::PostMessageW(m_hWndPaint, kMsgDelayedCleanup, 0, 0);
}

void CPaintManagerUI::RunDelayedCleanup() {
    // Deleting may queue further controls; those wait for their own message.
    std::vector<std::unique_ptr<CControlUI>> controls;
    controls.swap(m_aDelayedCleanup);
    controls.clear();
}

bool CPaintManagerUI::AddNotifier(INotifyUI* pNotifier) {
    return AddUnique(m_aNotifiers, pNotifier);
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pNotifier) {
    return RemoveItem(m_aNotifiers, pNotifier);
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* pFilter) {
    return AddUnique(m_aPreMessageFilters, pFilter);
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* pFilter) {
    return RemoveItem(m_aPreMessageFilters, pFilter);
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* pFilter) {
    return AddUnique(m_aMessageFilters, pFilter);
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* pFilter) {
    return RemoveItem(m_aMessageFilters, pFilter);
}

bool CPaintManagerUI::AddPostPaint(CControlUI* pControl) {
    return AddUnique(m_aPostPaintControls, pControl);
}

bool CPaintManagerUI::RemovePostPaint(CControlUI* pControl) {
    return RemoveItem(m_aPostPaintControls, pControl);
}

bool CPaintManagerUI::AddTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator) {
    return AddUnique(m_aTranslateAccelerators, pTranslateAccelerator);
}

bool CPaintManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator) {
    return RemoveItem(m_aTranslateAccelerators, pTranslateAccelerator);
}

TEventUI CPaintManagerUI::MakeEvent(int type, CControlUI* pSender) const {
    TEventUI event;
    event.type = type;
    event.sender = pSender;
    event.timestamp = ::GetTickCount();
    event.ptMouse = m_ptLastMousePos;
    return event;
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
    msg.ptMouse = m_ptLastMousePos;
    msg.timestamp = ::GetTickCount();
    if (m_bUsedVirtualWnd && msg.sender != nullptr)
        msg.virtualWnd = msg.sender->GetVirtualWnd();
    if (msg.sender != nullptr && msg.sender->OnNotify)
        msg.sender->OnNotify(&msg);
    VisitListeners(m_aNotifiers, [&msg](INotifyUI* pNotifier) {
        pNotifier->Notify(msg);
        return false;
    });
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, LPCWSTR pstrMessage, WPARAM wParam, LPARAM lParam) {
    TNotifyUI msg;
    msg.type = pstrMessage;
    msg.sender = pControl;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg);
}

void CPaintManagerUI::KillFocusControl() {
    CControlUI* pOld = m_pFocus;
    if (pOld == nullptr)
        return;
    TEventUI event = MakeEvent(kEventKillFocus, pOld);
    pOld->Event(event);
    SendNotify(pOld, L"killfocus");
    m_pFocus = nullptr;
}

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
    // A focus chosen now overrides one asked for before the next layout.
    m_pFocusPending = nullptr;
    if (m_hWndPaint != nullptr && ::GetFocus() != m_hWndPaint && pControl != m_pFocus)
        ::SetFocus(m_hWndPaint);
    if (pControl == m_pFocus)
        return;
    KillFocusControl();
    if (pControl != nullptr && pControl->GetManager() == this && pControl->IsVisible() &&
        pControl->IsEnabled()) {
        m_pFocus = pControl;
        TEventUI event = MakeEvent(kEventSetFocus, pControl);
        pControl->Event(event);
        SendNotify(pControl, L"setfocus");
        CAccessibleUI::NotifyEvent(pControl, EVENT_OBJECT_FOCUS);
    }
}

void CPaintManagerUI::SetFocusNeeded(CControlUI* pControl) {
    if (m_hWndPaint != nullptr)
        ::SetFocus(m_hWndPaint);
    if (pControl == nullptr || m_pRoot == nullptr)
        return;
    KillFocusControl();
    // The control takes the focus, with its events, once the next layout has placed it.
    m_pFocusPending = pControl;
    m_bFocusNeeded = true;
    m_pRoot->NeedUpdate();
}

bool CPaintManagerUI::SetNextTabControl(bool bForward) {
    if (m_hWndPaint != nullptr && (::GetWindowLongW(m_hWndPaint, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0)
        return false;
    // The tab order needs positions; move after the next layout pass, once per Tab.
    if (m_bUpdateNeeded && bForward) {
        m_bFocusNeeded = true;
        ++m_nPendingTabs;
        if (m_hWndPaint != nullptr)
            ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
        return true;
    }
    if (m_pRoot == nullptr)
        return false;
    const UINT flags = kFindMeFirst | kFindVisible | kFindEnabled;
    TFindTabInfo info;
    info.pFocus = m_pFocus;
    info.bForward = bForward;
    CControlUI* pControl = m_pRoot->FindControl(FindControlFromTab, &info, flags);
    if (pControl == nullptr) {
        if (bForward) {
            TFindTabInfo restart;
            restart.bForward = true;
            pControl = m_pRoot->FindControl(FindControlFromTab, &restart, flags);
        } else {
            pControl = info.pLast;
        }
    }
    if (pControl != nullptr)
        SetFocus(pControl);
    m_bFocusNeeded = false;
    return true;
}

void CPaintManagerUI::SetCapture() {
    ::SetCapture(m_hWndPaint);
    m_bMouseCapture = true;
}

void CPaintManagerUI::ReleaseCapture() {
    ::ReleaseCapture();
    m_bMouseCapture = false;
}

bool CPaintManagerUI::SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse) {
    for (auto& timer : m_aTimers) {
        if (timer->pSender == pControl && timer->hWnd == m_hWndPaint && timer->nLocalID == nTimerID) {
            if (!timer->bKilled)
                return false;
            if (::SetTimer(m_hWndPaint, timer->uWinTimer, uElapse, nullptr) == 0)
                return false;
            timer->bKilled = false;
            return true;
        }
    }
    const UINT uWinTimer = NextFreeTimerId();
    if (uWinTimer == 0 || ::SetTimer(m_hWndPaint, uWinTimer, uElapse, nullptr) == 0)
        return false;
    auto timer = std::make_unique<TTimerInfo>();
    timer->pSender = pControl;
    timer->nLocalID = nTimerID;
    timer->hWnd = m_hWndPaint;
    timer->uWinTimer = uWinTimer;
    m_aTimers.push_back(std::move(timer));
    return true;
}

UINT CPaintManagerUI::NextFreeTimerId() {
    // A second timer with an id already used on the window would replace the first, and its ticks
    // would go to whichever record is found first; killed records keep their id for a restart.
    for (UINT tries = 0; tries < kTimerIdRange; ++tries) {
        m_uTimerID = (m_uTimerID + 1) % kTimerIdRange;
        if (m_uTimerID <= kLastWindowTimerId)
            continue;
        const bool used = std::any_of(m_aTimers.begin(), m_aTimers.end(), [this](const auto& timer) {
            return timer->hWnd == m_hWndPaint && timer->uWinTimer == m_uTimerID;
        });
        if (!used)
            return m_uTimerID;
    }
    return 0;
}

bool CPaintManagerUI::KillTimer(CControlUI* pControl, UINT nTimerID) {
    for (auto& timer : m_aTimers) {
        if (timer->pSender == pControl && timer->hWnd == m_hWndPaint && timer->nLocalID == nTimerID) {
            if (timer->bKilled)
                return false;
            if (::IsWindow(m_hWndPaint))
                ::KillTimer(timer->hWnd, timer->uWinTimer);
            timer->bKilled = true;
            return true;
        }
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* pControl) {
    auto it = m_aTimers.begin();
    while (it != m_aTimers.end()) {
        if ((*it)->pSender != pControl) {
            ++it;
            continue;
        }
        if (!(*it)->bKilled && ::IsWindow((*it)->hWnd))
            ::KillTimer((*it)->hWnd, (*it)->uWinTimer);
        it = m_aTimers.erase(it);
    }
}

void CPaintManagerUI::DeleteAllTimers() {
    for (auto& timer : m_aTimers) {
        if (!timer->bKilled && ::IsWindow(timer->hWnd))
            ::KillTimer(timer->hWnd, timer->uWinTimer);
    }
    m_aTimers.clear();
}

void CPaintManagerUI::Invalidate(RECT& rcItem) {
    if (m_hWndPaint != nullptr && m_bPainted)
        ::InvalidateRect(m_hWndPaint, &rcItem, FALSE);
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
    if (m_pRoot == nullptr)
        return nullptr;
    return m_pRoot->FindControl(FindControlFromPoint, &pt, kFindVisible | kFindHitTest | kFindTopFirst);
}

CControlUI* CPaintManagerUI::FindControl(LPCWSTR pstrName) const {
    return static_cast<CControlUI*>(m_mNameHash.Find(pstrName));
}

CControlUI* CALLBACK CPaintManagerUI::FindControlFromNameHash(CControlUI* pThis, LPVOID pData) {
    auto* pManager = static_cast<CPaintManagerUI*>(pData);
    const std::wstring name = pThis->GetName();
    if (!name.empty())
        pManager->m_mNameHash.Set(name.c_str(), pThis);
    return nullptr;
}

CControlUI* CALLBACK CPaintManagerUI::FindControlFromPoint(CControlUI* pThis, LPVOID pData) {
    const POINT* pt = static_cast<const POINT*>(pData);
    const RECT& rc = pThis->GetPos();
    return ::PtInRect(&rc, *pt) ? pThis : nullptr;
}

CControlUI* CALLBACK CPaintManagerUI::FindControlFromTab(CControlUI* pThis, LPVOID pData) {
    auto* info = static_cast<TFindTabInfo*>(pData);
    if (info->pFocus == pThis) {
        if (info->bForward)
            info->bNextIsIt = true;
        return info->bForward ? nullptr : info->pLast;
    }
    if ((pThis->GetControlFlags() & kFlagTabStop) == 0)
        return nullptr;
    info->pLast = pThis;
    if (info->bNextIsIt || info->pFocus == nullptr)
        return pThis;
    return nullptr;
}

CControlUI* CALLBACK CPaintManagerUI::FindControlFromUpdate(CControlUI* pThis, LPVOID pData) {
    return pThis->IsUpdateNeeded() ? pThis : nullptr;
}

}  // namespace SkinUI
