#include "ui/core/ControlUI.h"

#include "ui/core/AccessibleUI.h"
#include "ui/core/PaintManagerUI.h"

namespace SkinUI {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (OnDestroy)
        OnDestroy(this);
    if (m_pManager != nullptr)
        m_pManager->ForgetControl(this);
}

std::wstring CControlUI::GetName() const {
    return m_sName;
}

void CControlUI::SetName(const std::wstring& name) {
    m_sName = name;
}

LPCWSTR CControlUI::GetClass() const {
    return L"ControlUI";
}

LPVOID CControlUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"Control") == 0)
        return this;
    return nullptr;
}

UINT CControlUI::GetControlFlags() const {
    return 0;
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

CPaintManagerUI* CControlUI::GetManager() const {
    return m_pManager;
}

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    m_pManager = pManager;
    m_pParent = pParent;
    if (bInit && m_pParent != nullptr)
        Init();
}

CControlUI* CControlUI::GetParent() const {
    return m_pParent;
}

std::wstring CControlUI::GetText() const {
    return m_sText;
}

void CControlUI::SetText(const std::wstring& text) {
    if (m_sText == text)
        return;
    m_sText = text;
    Invalidate();
}

const RECT& CControlUI::GetPos() const {
    return m_rcItem;
}

void CControlUI::SetPos(RECT rc) {
    if (rc.right < rc.left)
        rc.right = rc.left;
    if (rc.bottom < rc.top)
        rc.bottom = rc.top;

    RECT rcDirty = m_rcItem;
    if (::IsRectEmpty(&rcDirty))
        rcDirty = rc;
    m_rcItem = rc;
    if (m_pManager == nullptr)
        return;

    // A hook that moves the control again must not re-enter itself.
    if (!m_bSetPos) {
        m_bSetPos = true;
        if (OnSize)
            OnSize(this);
        m_bSetPos = false;
    }

    if (m_bFloat && m_pParent != nullptr) {
        // Back to skin units edge by edge, as the container scales them: at 100 % and above this gives
        // the written values again, so a scaled layout does not drift.
        const CDpiScale& scale = DpiScale();
        const RECT& rcParent = m_pParent->GetPos();
        const bool fromLeft = m_cXY.cx >= 0;
        const bool fromTop = m_cXY.cy >= 0;
        const int nearX = scale.Unscale(fromLeft ? m_rcItem.left - rcParent.left : m_rcItem.right - rcParent.right);
        const int farX = scale.Unscale(fromLeft ? m_rcItem.right - rcParent.left : m_rcItem.left - rcParent.right);
        const int nearY = scale.Unscale(fromTop ? m_rcItem.top - rcParent.top : m_rcItem.bottom - rcParent.bottom);
        const int farY = scale.Unscale(fromTop ? m_rcItem.bottom - rcParent.top : m_rcItem.top - rcParent.bottom);
        m_cXY = {nearX, nearY};
        m_cxyFixed = {fromLeft ? farX - nearX : nearX - farX, fromTop ? farY - nearY : nearY - farY};
    }

    m_bUpdateNeeded = false;
    ::UnionRect(&rcDirty, &rcDirty, &m_rcItem);
    for (CControlUI* p = m_pParent; p != nullptr; p = p->GetParent()) {
        if (!::IntersectRect(&rcDirty, &rcDirty, &p->GetPos()))
            return;
    }
    m_pManager->Invalidate(rcDirty);
}

int CControlUI::GetWidth() const {
    return m_rcItem.right - m_rcItem.left;
}

int CControlUI::GetHeight() const {
    return m_rcItem.bottom - m_rcItem.top;
}

int CControlUI::GetX() const {
    return m_rcItem.left;
}

int CControlUI::GetY() const {
    return m_rcItem.top;
}

RECT CControlUI::GetPadding() const {
    return DpiScale().Scale(m_rcPadding);
}

void CControlUI::SetPadding(RECT rcPadding) {
    m_rcPadding = rcPadding;
    NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const {
    return DpiScale().Scale(m_cXY);
}

void CControlUI::SetFixedXY(SIZE szXY) {
    m_cXY = szXY;
    UpdateAfterSizeHint();
}

int CControlUI::GetFixedWidth() const {
    return DpiScale().Scale(m_cxyFixed.cx);
}

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0)
        return;
    m_cxyFixed.cx = cx;
    UpdateAfterSizeHint();
}

int CControlUI::GetFixedHeight() const {
    return DpiScale().Scale(m_cxyFixed.cy);
}

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0)
        return;
    m_cxyFixed.cy = cy;
    UpdateAfterSizeHint();
}

int CControlUI::GetMinWidth() const {
    return DpiScale().Scale(m_cxyMin.cx);
}

void CControlUI::SetMinWidth(int cx) {
    if (m_cxyMin.cx == cx || cx < 0)
        return;
    m_cxyMin.cx = cx;
    UpdateAfterSizeHint();
}

int CControlUI::GetMaxWidth() const {
    return DpiScale().Scale(m_cxyMax.cx);
}

void CControlUI::SetMaxWidth(int cx) {
    if (m_cxyMax.cx == cx || cx < 0)
        return;
    m_cxyMax.cx = cx;
    UpdateAfterSizeHint();
}

int CControlUI::GetMinHeight() const {
    return DpiScale().Scale(m_cxyMin.cy);
}

void CControlUI::SetMinHeight(int cy) {
    if (m_cxyMin.cy == cy || cy < 0)
        return;
    m_cxyMin.cy = cy;
    UpdateAfterSizeHint();
}

int CControlUI::GetMaxHeight() const {
    return DpiScale().Scale(m_cxyMax.cy);
}

void CControlUI::SetMaxHeight(int cy) {
    if (m_cxyMax.cy == cy || cy < 0)
        return;
    m_cxyMax.cy = cy;
    UpdateAfterSizeHint();
}

void CControlUI::SetRelativePos(SIZE szMove, SIZE szZoom) {
    m_tRelativePos.bRelative = true;
    m_tRelativePos.nMoveXPercent = szMove.cx;
    m_tRelativePos.nMoveYPercent = szMove.cy;
    m_tRelativePos.nZoomXPercent = szZoom.cx;
    m_tRelativePos.nZoomYPercent = szZoom.cy;
}

void CControlUI::SetRelativeParentSize(SIZE sz) {
    m_tRelativePos.szParent = sz;
}

TRelativePosUI CControlUI::GetRelativePos() const {
    return m_tRelativePos;
}

bool CControlUI::IsRelativePos() const {
    return m_tRelativePos.bRelative;
}

std::wstring CControlUI::GetToolTip() const {
    return m_sToolTip;
}

void CControlUI::SetToolTip(const std::wstring& text) {
    static const std::wstring kLineBreakTag = L"<n>";
    std::wstring tip = text;
    for (size_t pos = tip.find(kLineBreakTag); pos != std::wstring::npos;
         pos = tip.find(kLineBreakTag, pos + 2)) {
        tip.replace(pos, kLineBreakTag.size(), L"\r\n");
    }
    m_sToolTip = tip;
}

void CControlUI::SetToolTipWidth(int nWidth) {
    m_nTooltipWidth = nWidth;
}

int CControlUI::GetToolTipWidth() const {
    return m_nTooltipWidth;
}

WCHAR CControlUI::GetShortcut() const {
    return m_chShortcut;
}

void CControlUI::SetShortcut(WCHAR ch) {
    m_chShortcut = ch;
}

bool CControlUI::IsContextMenuUsed() const {
    return m_bMenuUsed;
}

void CControlUI::SetContextMenuUsed(bool bMenuUsed) {
    m_bMenuUsed = bMenuUsed;
}

std::wstring CControlUI::GetUserData() const {
    return m_sUserData;
}

void CControlUI::SetUserData(const std::wstring& text) {
    m_sUserData = text;
}

UINT_PTR CControlUI::GetTag() const {
    return m_pTag;
}

void CControlUI::SetTag(UINT_PTR pTag) {
    m_pTag = pTag;
}

bool CControlUI::IsVisible() const {
    return m_bVisible && m_bInternVisible;
}

void CControlUI::SetVisible(bool bVisible) {
    if (m_bVisible == bVisible)
        return;
    bool wasVisible = IsVisible();
    m_bVisible = bVisible;
    m_bFocused = false;
    if (!bVisible && m_pManager != nullptr && m_pManager->GetFocus() == this)
        m_pManager->SetFocus(nullptr);
    if (IsVisible() != wasVisible) {
        NeedParentUpdate();
        CAccessibleUI::NotifySubtree(this, bVisible ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE);
    }
}

void CControlUI::SetInternVisible(bool bVisible) {
    m_bInternVisible = bVisible;
    if (!bVisible && m_pManager != nullptr && m_pManager->GetFocus() == this)
        m_pManager->SetFocus(nullptr);
}

bool CControlUI::IsEnabled() const {
    if (!m_bEnabled)
        return false;
    return m_pParent == nullptr || m_pParent->IsEnabled();
}

void CControlUI::SetEnabled(bool bEnable) {
    if (m_bEnabled == bEnable)
        return;
    // Keys no longer reach an unavailable control, so the focus moves on rather than leave a reader
    // on "unavailable, focused"; with no other tab stop, nothing keeps it.
    if (!bEnable && m_pManager != nullptr && m_pManager->GetFocus() == this) {
        m_pManager->SetNextTabControl();
        if (m_pManager->GetFocus() == this)
            m_pManager->SetFocus(nullptr);
    }
    m_bEnabled = bEnable;
    Invalidate();
    CAccessibleUI::NotifyEvent(this, EVENT_OBJECT_STATECHANGE);
}

bool CControlUI::IsMouseEnabled() const {
    return m_bMouseEnabled;
}

void CControlUI::SetMouseEnabled(bool bEnable) {
    m_bMouseEnabled = bEnable;
}

bool CControlUI::IsKeyboardEnabled() const {
    return m_bKeyboardEnabled;
}

void CControlUI::SetKeyboardEnabled(bool bEnable) {
    m_bKeyboardEnabled = bEnable;
}

bool CControlUI::IsFocused() const {
    return m_bFocused;
}

void CControlUI::SetFocus() {
    if (m_pManager != nullptr)
        m_pManager->SetFocus(this);
}

bool CControlUI::IsFloat() const {
    return m_bFloat;
}

void CControlUI::SetFloat(bool bFloat) {
    if (m_bFloat == bFloat)
        return;
    m_bFloat = bFloat;
    NeedParentUpdate();
}

CControlUI* CControlUI::FindControl(FindControlProc Proc, LPVOID pData, UINT uFlags) {
    if ((uFlags & kFindVisible) != 0 && !IsVisible())
        return nullptr;
    if ((uFlags & kFindEnabled) != 0 && !IsEnabled())
        return nullptr;
    if ((uFlags & kFindHitTest) != 0 &&
        (!m_bMouseEnabled || !::PtInRect(&m_rcItem, *static_cast<const POINT*>(pData)))) {
        return nullptr;
    }
    return Proc(this, pData);
}

void CControlUI::Invalidate() {
    if (!IsVisible())
        return;
    RECT rc = m_rcItem;
    for (CControlUI* p = m_pParent; p != nullptr; p = p->GetParent()) {
        if (!::IntersectRect(&rc, &rc, &p->GetPos()))
            return;
    }
    if (m_pManager != nullptr)
        m_pManager->Invalidate(rc);
}

void CControlUI::NeedUpdate() {
    if (!IsVisible())
        return;
    m_bUpdateNeeded = true;
    Invalidate();
    if (m_pManager != nullptr)
        m_pManager->NeedUpdate();
}

void CControlUI::UpdateAfterSizeHint() {
    if (m_bFloat)
        NeedUpdate();
    else
        NeedParentUpdate();
}

void CControlUI::NeedParentUpdate() {
    if (m_pParent != nullptr) {
        m_pParent->NeedUpdate();
        m_pParent->Invalidate();
    } else {
        NeedUpdate();
    }
    if (m_pManager != nullptr)
        m_pManager->NeedUpdate();
}

void CControlUI::Init() {
    DoInit();
    if (OnInit)
        OnInit(this);
}

void CControlUI::DoInit() {}

void CControlUI::Event(TEventUI& event) {
    if (OnEvent(&event))
        DoEvent(event);
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.type) {
        case kEventSetCursor:
            ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
            return;
        case kEventSetFocus:
            m_bFocused = true;
            Invalidate();
            return;
        case kEventKillFocus:
            m_bFocused = false;
            Invalidate();
            return;
        case kEventTimer:
            if (m_pManager != nullptr)
                m_pManager->SendNotify(this, L"timer", event.wParam, event.lParam);
            return;
        case kEventContextMenu:
            if (IsContextMenuUsed()) {
                if (m_pManager != nullptr)
                    m_pManager->SendNotify(this, L"menu", event.wParam, event.lParam);
                return;
            }
            break;
        default:
            break;
    }
    if (m_pParent != nullptr)
        m_pParent->DoEvent(event);
}

SIZE CControlUI::EstimateSize(SIZE szAvailable) {
    return DpiScale().Scale(m_cxyFixed);
}

const CDpiScale& CControlUI::DpiScale() const {
    static const CDpiScale kUnscaled;
    return m_pManager != nullptr ? m_pManager->GetDpiScale() : kUnscaled;
}

void CControlUI::DoPostPaint(HDC hDC, const RECT& rcPaint) {}

std::wstring CControlUI::GetVirtualWnd() const {
    if (!m_sVirtualWnd.empty())
        return m_sVirtualWnd;
    if (m_pParent != nullptr)
        return m_pParent->GetVirtualWnd();
    return std::wstring();
}

void CControlUI::SetVirtualWnd(const std::wstring& name) {
    m_sVirtualWnd = name;
    if (m_pManager != nullptr)
        m_pManager->UsedVirtualWnd(true);
}

}  // namespace SkinUI
