#include "ui/controls/ContainerUI.h"

#include <oleacc.h>

#include <algorithm>
#include <cstdlib>

#include "ui/core/ClipScope.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

constexpr int kHorizontalLine = 8;
constexpr int kLineExtra = 8;

CControlUI* CALLBACK ForgetInManager(CControlUI* pControl, LPVOID pData) {
    static_cast<CPaintManagerUI*>(pData)->ForgetControl(pControl);
    return nullptr;
}

int PageHeight(const RECT& rcItem, const RECT& inset, const CScrollBarUI* hbar) {
    int page = rcItem.bottom - rcItem.top - inset.top - inset.bottom;
    if (hbar != nullptr && hbar->IsVisible())
        page -= hbar->GetFixedHeight();
    return page;
}

int PageWidth(const RECT& rcItem, const RECT& inset, const CScrollBarUI* vbar) {
    int page = rcItem.right - rcItem.left - inset.left - inset.right;
    if (vbar != nullptr && vbar->IsVisible())
        page -= vbar->GetFixedWidth();
    return page;
}

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    // Our own destruction cannot wait for a posted message.
    m_bDelayedDestroy = false;
    RemoveAll();
}

LPCWSTR CContainerUI::GetClass() const {
    return L"ContainerUI";
}

long CContainerUI::GetAccDefaultRole() const {
    return GetAccName().empty() ? 0 : ROLE_SYSTEM_GROUPING;
}

LPVOID CContainerUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"IContainer") == 0)
        return static_cast<IContainerUI*>(this);
    if (wcscmp(pstrName, L"Container") == 0)
        return static_cast<CContainerUI*>(this);
    return CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
    if (iIndex < 0 || iIndex >= GetCount())
        return nullptr;
    return m_items[iIndex];
}

int CContainerUI::GetItemIndex(CControlUI* pControl) const {
    auto it = std::find(m_items.begin(), m_items.end(), pControl);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* pControl, int iIndex) {
    const int from = GetItemIndex(pControl);
    if (from < 0 || iIndex < 0 || iIndex >= GetCount())
        return false;
    NeedUpdate();
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + iIndex, pControl);
    return true;
}

int CContainerUI::GetCount() const {
    return static_cast<int>(m_items.size());
}

bool CContainerUI::Add(CControlUI* pControl) {
    return InsertItem(pControl, GetCount());
}

bool CContainerUI::AddAt(CControlUI* pControl, int iIndex) {
    return InsertItem(pControl, iIndex);
}

// Not virtual on purpose: a subclass's Add must not run its AddAt's extra rules as well.
bool CContainerUI::InsertItem(CControlUI* pControl, int iIndex) {
    if (pControl == nullptr || iIndex < 0 || iIndex > GetCount())
        return false;
    if (m_pManager != nullptr)
        m_pManager->InitControls(pControl, this);
    if (IsVisible())
        NeedUpdate();
    else
        pControl->SetInternVisible(false);
    m_items.insert(m_items.begin() + iIndex, pControl);
    return true;
}

void CContainerUI::ReleaseChild(CControlUI* pControl) {
    if (!m_bAutoDestroy) {
        // The child outlives its place here, perhaps this container and the window too: it must keep
        // no pointer into them, nor they into it.
        if (m_pManager != nullptr)
            pControl->FindControl(ForgetInManager, m_pManager, 0);
        pControl->SetManager(nullptr, nullptr, false);
        return;
    }
    if (m_bDelayedDestroy && m_pManager != nullptr)
        m_pManager->AddDelayedCleanup(pControl);
    else
        delete pControl;
}

bool CContainerUI::Remove(CControlUI* pControl) {
    const int index = GetItemIndex(pControl);
    if (pControl == nullptr || index < 0)
        return false;
    NeedUpdate();
    m_items.erase(m_items.begin() + index);
    ReleaseChild(pControl);
    return true;
}

bool CContainerUI::RemoveAt(int iIndex) {
    CControlUI* pControl = GetItemAt(iIndex);
    return pControl != nullptr && Remove(pControl);
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* pControl : items)
        ReleaseChild(pControl);
    NeedUpdate();
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    for (CControlUI* pControl : m_items)
        pControl->SetManager(pManager, this, bInit);
    if (m_pVerticalScrollBar)
        m_pVerticalScrollBar->SetManager(pManager, this, bInit);
    if (m_pHorizontalScrollBar)
        m_pHorizontalScrollBar->SetManager(pManager, this, bInit);
    CControlUI::SetManager(pManager, pParent, bInit);
}

RECT CContainerUI::GetInsetRect() const {
    const RECT inset = GetInset();
    return RECT{m_rcItem.left + inset.left, m_rcItem.top + inset.top, m_rcItem.right - inset.right,
                m_rcItem.bottom - inset.bottom};
}

RECT CContainerUI::GetChildArea() const {
    RECT rc = GetInsetRect();
    if (IsBarVisible(m_pVerticalScrollBar))
        rc.right -= m_pVerticalScrollBar->GetFixedWidth();
    if (IsBarVisible(m_pHorizontalScrollBar))
        rc.bottom -= m_pHorizontalScrollBar->GetFixedHeight();
    return rc;
}

void CContainerUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    if (m_items.empty())
        return;
    const RECT rcInset = GetInsetRect();
    // Children of a plain container overlap.
    PlaceChildren([&](int, CControlUI* pControl) { pControl->SetPos(rcInset); });
}

void CContainerUI::SetFloatPos(int iIndex) {
    CControlUI* pControl = GetItemAt(iIndex);
    if (pControl == nullptr || !pControl->IsVisible() || !pControl->IsFloat())
        return;
    // Both edges are scaled from the skin's offsets, not the far edge from the scaled size: each edge
    // then stays within one rounding of the 96-DPI layout times the scale.
    const CDpiScale& scale = DpiScale();
    const SIZE xy = {scale.Unscale(pControl->GetFixedXY().cx), scale.Unscale(pControl->GetFixedXY().cy)};
    const SIZE size = {scale.Unscale(pControl->GetFixedWidth()), scale.Unscale(pControl->GetFixedHeight())};
    RECT rcCtrl;
    if (xy.cx >= 0) {
        rcCtrl.left = m_rcItem.left + scale.Scale(xy.cx);
        rcCtrl.right = m_rcItem.left + scale.Scale(xy.cx + size.cx);
    } else {
        rcCtrl.right = m_rcItem.right + scale.Scale(xy.cx);
        rcCtrl.left = m_rcItem.right + scale.Scale(xy.cx - size.cx);
    }
    if (xy.cy >= 0) {
        rcCtrl.top = m_rcItem.top + scale.Scale(xy.cy);
        rcCtrl.bottom = m_rcItem.top + scale.Scale(xy.cy + size.cy);
    } else {
        rcCtrl.bottom = m_rcItem.bottom + scale.Scale(xy.cy);
        rcCtrl.top = m_rcItem.bottom + scale.Scale(xy.cy - size.cy);
    }
    const TRelativePosUI relative = pControl->GetRelativePos();
    if (relative.bRelative) {
        const int width = m_rcItem.right - m_rcItem.left;
        const int height = m_rcItem.bottom - m_rcItem.top;
        if (relative.szParent.cx != 0) {
            const int dx = width - relative.szParent.cx;
            const int dy = height - relative.szParent.cy;
            rcCtrl.left += relative.nMoveXPercent * dx / 100;
            rcCtrl.top += relative.nMoveYPercent * dy / 100;
            rcCtrl.right = rcCtrl.left + scale.Scale(size.cx) + relative.nZoomXPercent * dx / 100;
            rcCtrl.bottom = rcCtrl.top + scale.Scale(size.cy) + relative.nZoomYPercent * dy / 100;
        }
        pControl->SetRelativeParentSize(SIZE{width, height});
    }
    pControl->SetPos(rcCtrl);
}

void CContainerUI::SetVisible(bool bVisible) {
    if (m_bVisible == bVisible)
        return;
    CControlUI::SetVisible(bVisible);
    for (CControlUI* pControl : m_items)
        pControl->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool bVisible) {
    CControlUI::SetInternVisible(bVisible);
    for (CControlUI* pControl : m_items)
        pControl->SetInternVisible(IsVisible());
}

void CContainerUI::SetMouseEnabled(bool bEnable) {
    if (m_pVerticalScrollBar)
        m_pVerticalScrollBar->SetMouseEnabled(bEnable);
    if (m_pHorizontalScrollBar)
        m_pHorizontalScrollBar->SetMouseEnabled(bEnable);
    CControlUI::SetMouseEnabled(bEnable);
}

CControlUI* CContainerUI::FindControl(FindControlProc Proc, LPVOID pData, UINT uFlags) {
    if ((uFlags & kFindVisible) != 0 && !IsVisible())
        return nullptr;
    if ((uFlags & kFindEnabled) != 0 && !IsEnabled())
        return nullptr;
    const bool hitTest = (uFlags & kFindHitTest) != 0;
    if (hitTest) {
        if (!::PtInRect(&m_rcItem, *static_cast<const POINT*>(pData)))
            return nullptr;
        if (!m_bMouseChildEnabled) {
            CControlUI* pResult = nullptr;
            if (m_pVerticalScrollBar)
                pResult = m_pVerticalScrollBar->FindControl(Proc, pData, uFlags);
            if (pResult == nullptr && m_pHorizontalScrollBar)
                pResult = m_pHorizontalScrollBar->FindControl(Proc, pData, uFlags);
            if (pResult == nullptr)
                pResult = CControlUI::FindControl(Proc, pData, uFlags);
            return pResult;
        }
    }
    if (m_pVerticalScrollBar) {
        if (CControlUI* pResult = m_pVerticalScrollBar->FindControl(Proc, pData, uFlags))
            return pResult;
    }
    if (m_pHorizontalScrollBar) {
        if (CControlUI* pResult = m_pHorizontalScrollBar->FindControl(Proc, pData, uFlags))
            return pResult;
    }
    if ((uFlags & kFindMeFirst) != 0) {
        if (CControlUI* pResult = CControlUI::FindControl(Proc, pData, uFlags))
            return pResult;
    }
    const RECT rcChildren = GetChildArea();
    const int count = GetCount();
    const bool topFirst = (uFlags & kFindTopFirst) != 0;
    for (int n = 0; n < count; ++n) {
        CControlUI* pControl = m_items[topFirst ? count - 1 - n : n];
        CControlUI* pResult = pControl->FindControl(Proc, pData, uFlags);
        if (pResult == nullptr)
            continue;
        // A flowed child scrolled out of view is not under the mouse.
        if (hitTest && !pResult->IsFloat() && !::PtInRect(&rcChildren, *static_cast<const POINT*>(pData)))
            continue;
        return pResult;
    }
    if ((uFlags & kFindMeFirst) == 0)
        return CControlUI::FindControl(Proc, pData, uFlags);
    return nullptr;
}

void CContainerUI::DoEvent(TEventUI& event) {
    if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
        if (m_pParent != nullptr)
            m_pParent->DoEvent(event);
        else
            CControlUI::DoEvent(event);
        return;
    }
    if (event.type == kEventSetFocus) {
        m_bFocused = true;
        return;
    }
    if (event.type == kEventKillFocus) {
        m_bFocused = false;
        return;
    }
    const bool vertical =
        m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible() && m_pVerticalScrollBar->IsEnabled();
    const bool horizontal = !vertical && m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible() &&
                            m_pHorizontalScrollBar->IsEnabled();
    if (vertical || horizontal) {
        if (event.type == kEventKeyDown) {
            switch (event.key) {
                case VK_PRIOR:
                    vertical ? PageUp() : PageLeft();
                    return;
                case VK_NEXT:
                    vertical ? PageDown() : PageRight();
                    return;
                case VK_END:
                    vertical ? EndDown() : EndRight();
                    return;
                case VK_HOME:
                    vertical ? HomeUp() : HomeLeft();
                    return;
                case VK_UP:
                    vertical ? LineUp() : LineLeft();
                    return;
                case VK_DOWN:
                    vertical ? LineDown() : LineRight();
                    return;
                default:
                    break;
            }
        } else if (event.type == kEventScrollWheel) {
            switch (LOWORD(event.wParam)) {
                case SB_LINEUP:
                    vertical ? LineUp() : LineLeft();
                    return;
                case SB_LINEDOWN:
                    vertical ? LineDown() : LineRight();
                    return;
                default:
                    break;
            }
        }
    }
    CControlUI::DoEvent(event);
}

void CContainerUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"inset") {
        SetInset(ParseSkinRect(pstrValue));
    } else if (name == L"mousechild") {
        SetMouseChildEnabled(ParseSkinBool(pstrValue));
    } else if (name == L"vscrollbar") {
        EnableScrollBar(ParseSkinBool(pstrValue), m_pHorizontalScrollBar != nullptr);
    } else if (name == L"vscrollbarstyle") {
        EnableScrollBar(true, m_pHorizontalScrollBar != nullptr);
        if (m_pVerticalScrollBar)
            m_pVerticalScrollBar->ApplyAttributeList(pstrValue);
    } else if (name == L"hscrollbar") {
        EnableScrollBar(m_pVerticalScrollBar != nullptr, ParseSkinBool(pstrValue));
    } else if (name == L"hscrollbarstyle") {
        EnableScrollBar(m_pVerticalScrollBar != nullptr, true);
        if (m_pHorizontalScrollBar)
            m_pHorizontalScrollBar->ApplyAttributeList(pstrValue);
    } else if (name == L"vscrollsize") {
        m_szScrollBar.cy = ParseSkinInt(pstrValue);
        SetScrollBarSize(m_szScrollBar.cx, m_szScrollBar.cy);
    } else if (name == L"childpadding") {
        SetChildPadding(ParseSkinInt(pstrValue));
    } else {
        CControlUI::SetAttribute(pstrName, pstrValue);
    }
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    RECT rcTemp;
    if (!::IntersectRect(&rcTemp, &rcPaint, &m_rcItem))
        return;
    CClipScope clip(hDC, rcTemp);
    CControlUI::DoPaint(hDC, rcPaint);

    if (!m_items.empty()) {
        const RECT rcChildren = GetChildArea();
        if (!::IntersectRect(&rcTemp, &rcPaint, &rcChildren)) {
            // Only floating children can reach into the repainted part outside the child area.
            for (CControlUI* pControl : m_items) {
                if (!pControl->IsVisible() || !pControl->IsFloat())
                    continue;
                if (!::IntersectRect(&rcTemp, &rcPaint, &pControl->GetPos()) ||
                    !::IntersectRect(&rcTemp, &m_rcItem, &pControl->GetPos())) {
                    continue;
                }
                pControl->DoPaint(hDC, rcPaint);
            }
        } else {
            CClipScope childClip(hDC, rcTemp);
            for (CControlUI* pControl : m_items) {
                if (!pControl->IsVisible() || !::IntersectRect(&rcTemp, &rcPaint, &pControl->GetPos()))
                    continue;
                if (pControl->IsFloat()) {
                    if (!::IntersectRect(&rcTemp, &m_rcItem, &pControl->GetPos()))
                        continue;
                    // A floating child may overhang the inset.
                    childClip.UseOuterClip();
                    pControl->DoPaint(hDC, rcPaint);
                    childClip.UseInnerClip();
                } else {
                    if (!::IntersectRect(&rcTemp, &rcChildren, &pControl->GetPos()))
                        continue;
                    pControl->DoPaint(hDC, rcPaint);
                }
            }
        }
    }

    for (CScrollBarUI* pBar : {m_pVerticalScrollBar.get(), m_pHorizontalScrollBar.get()}) {
        if (pBar != nullptr && pBar->IsVisible() && ::IntersectRect(&rcTemp, &rcPaint, &pBar->GetPos()))
            pBar->DoPaint(hDC, rcPaint);
    }
}

RECT CContainerUI::GetInset() const {
    return DpiScale().Scale(m_rcInset);
}

void CContainerUI::SetInset(RECT rcInset) {
    m_rcInset = rcInset;
    NeedUpdate();
}

int CContainerUI::GetChildPadding() const {
    return DpiScale().Scale(m_iChildPadding);
}

void CContainerUI::SetChildPadding(int iPadding) {
    m_iChildPadding = iPadding;
    NeedUpdate();
}

bool CContainerUI::IsAutoDestroy() const {
    return m_bAutoDestroy;
}

void CContainerUI::SetAutoDestroy(bool bAuto) {
    m_bAutoDestroy = bAuto;
}

bool CContainerUI::IsDelayedDestroy() const {
    return m_bDelayedDestroy;
}

void CContainerUI::SetDelayedDestroy(bool bDelayed) {
    m_bDelayedDestroy = bDelayed;
}

bool CContainerUI::IsMouseChildEnabled() const {
    return m_bMouseChildEnabled;
}

void CContainerUI::SetMouseChildEnabled(bool bEnable) {
    m_bMouseChildEnabled = bEnable;
}

int CContainerUI::FindSelectable(int iIndex, bool bForward) const {
    const int count = GetCount();
    if (count == 0)
        return -1;
    iIndex = std::min(std::max(iIndex, 0), count - 1);
    auto selectable = [&](int i) {
        CControlUI* pControl = m_items[i];
        return pControl->GetInterface(L"ListItem") != nullptr && pControl->IsVisible() &&
               pControl->IsEnabled();
    };
    if (bForward) {
        for (int i = iIndex; i < count; ++i) {
            if (selectable(i))
                return i;
        }
        return -1;
    }
    for (int i = iIndex; i >= 0; --i) {
        if (selectable(i))
            return i;
    }
    return FindSelectable(0, true);
}

SIZE CContainerUI::GetScrollPos() const {
    SIZE sz = {0, 0};
    if (IsBarVisible(m_pHorizontalScrollBar))
        sz.cx = m_pHorizontalScrollBar->GetScrollPos();
    if (IsBarVisible(m_pVerticalScrollBar))
        sz.cy = m_pVerticalScrollBar->GetScrollPos();
    return sz;
}

SIZE CContainerUI::GetScrollRange() const {
    SIZE sz = {0, 0};
    if (IsBarVisible(m_pHorizontalScrollBar))
        sz.cx = m_pHorizontalScrollBar->GetScrollRange();
    if (IsBarVisible(m_pVerticalScrollBar))
        sz.cy = m_pVerticalScrollBar->GetScrollRange();
    return sz;
}

void CContainerUI::SetScrollPos(SIZE szPos) {
    int cx = 0;
    int cy = 0;
    if (IsBarVisible(m_pVerticalScrollBar)) {
        const int old = m_pVerticalScrollBar->GetScrollPos();
        m_pVerticalScrollBar->SetScrollPos(szPos.cy);
        cy = m_pVerticalScrollBar->GetScrollPos() - old;
    }
    if (IsBarVisible(m_pHorizontalScrollBar)) {
        const int old = m_pHorizontalScrollBar->GetScrollPos();
        m_pHorizontalScrollBar->SetScrollPos(szPos.cx);
        cx = m_pHorizontalScrollBar->GetScrollPos() - old;
    }
    if (cx == 0 && cy == 0)
        return;
    for (CControlUI* pControl : m_items) {
        if (!pControl->IsVisible() || pControl->IsFloat())
            continue;
        RECT rc = pControl->GetPos();
        ::OffsetRect(&rc, -cx, -cy);
        pControl->SetPos(rc);
    }
    Invalidate();
}

void CContainerUI::SetScrollBarSize(int cx, int cy) {
    m_szScrollBar = SIZE{cx, cy};
    if (cx >= 0 && m_pHorizontalScrollBar)
        m_pHorizontalScrollBar->SetFixedHeight(cx);
    if (cy >= 0 && m_pVerticalScrollBar)
        m_pVerticalScrollBar->SetFixedWidth(cy);
}

int CContainerUI::GetLineHeight() const {
    const TFontInfo* font = m_pManager != nullptr ? m_pManager->GetDefaultFontInfo() : nullptr;
    return font != nullptr ? font->tm.tmHeight + kLineExtra : kLineExtra;
}

void CContainerUI::ScrollBy(int cx, int cy) {
    SIZE sz = GetScrollPos();
    sz.cx += cx;
    sz.cy += cy;
    SetScrollPos(sz);
}

void CContainerUI::LineUp() {
    ScrollBy(0, -GetLineHeight());
}

void CContainerUI::LineDown() {
    ScrollBy(0, GetLineHeight());
}

void CContainerUI::PageUp() {
    ScrollBy(0, -PageHeight(m_rcItem, GetInset(), m_pHorizontalScrollBar.get()));
}

void CContainerUI::PageDown() {
    ScrollBy(0, PageHeight(m_rcItem, GetInset(), m_pHorizontalScrollBar.get()));
}

void CContainerUI::HomeUp() {
    ScrollBy(0, -GetScrollPos().cy);
}

void CContainerUI::EndDown() {
    ScrollBy(0, GetScrollRange().cy - GetScrollPos().cy);
}

void CContainerUI::LineLeft() {
    ScrollBy(-kHorizontalLine, 0);
}

void CContainerUI::LineRight() {
    ScrollBy(kHorizontalLine, 0);
}

void CContainerUI::PageLeft() {
    ScrollBy(-PageWidth(m_rcItem, GetInset(), m_pVerticalScrollBar.get()), 0);
}

void CContainerUI::PageRight() {
    ScrollBy(PageWidth(m_rcItem, GetInset(), m_pVerticalScrollBar.get()), 0);
}

void CContainerUI::HomeLeft() {
    ScrollBy(-GetScrollPos().cx, 0);
}

void CContainerUI::EndRight() {
    ScrollBy(GetScrollRange().cx - GetScrollPos().cx, 0);
}

void CContainerUI::EnableScrollBar(bool bEnableVertical, bool bEnableHorizontal) {
    auto update = [&](std::unique_ptr<CScrollBarUI>& bar, bool enable, bool horizontal, LPCWSTR defaults) {
        if (!enable) {
            bar.reset();
            return;
        }
        if (bar)
            return;
        bar = std::make_unique<CScrollBarUI>();
        bar->SetOwner(this);
        bar->SetManager(m_pManager, nullptr, false);
        if (horizontal)
            bar->SetHorizontal(true);
        if (m_pManager != nullptr) {
            if (LPCWSTR list = m_pManager->GetDefaultAttributeList(defaults))
                bar->ApplyAttributeList(list);
        }
    };
    update(m_pVerticalScrollBar, bEnableVertical, false, L"VScrollBar");
    update(m_pHorizontalScrollBar, bEnableHorizontal, true, L"HScrollBar");
    NeedUpdate();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const {
    return m_pVerticalScrollBar.get();
}

CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const {
    return m_pHorizontalScrollBar.get();
}

void CContainerUI::ProcessScrollBar(RECT rc, int cxRequired, int cyRequired) {
    if (IsBarVisible(m_pHorizontalScrollBar)) {
        m_pHorizontalScrollBar->SetPos(
            RECT{rc.left, rc.bottom, rc.right, rc.bottom + m_pHorizontalScrollBar->GetFixedHeight()});
    }
    if (!m_pVerticalScrollBar)
        return;
    CScrollBarUI* bar = m_pVerticalScrollBar.get();
    const int viewHeight = rc.bottom - rc.top;
    if (cyRequired > viewHeight && !bar->IsVisible()) {
        bar->SetVisible(true);
        bar->SetScrollRange(cyRequired - viewHeight);
        bar->SetScrollPos(0);
        m_bScrollProcess = true;
        SetPos(m_rcItem);
        m_bScrollProcess = false;
        return;
    }
    if (!bar->IsVisible())
        return;
    const int overflow = cyRequired - viewHeight;
    if (overflow <= 0 && !m_bScrollProcess) {
        bar->SetVisible(false);
        bar->SetScrollPos(0);
        bar->SetScrollRange(0);
        SetPos(m_rcItem);
        return;
    }
    bar->SetPos(RECT{rc.right, rc.top, rc.right + bar->GetFixedWidth(), rc.bottom});
    if (bar->GetScrollRange() == overflow)
        return;
    const int oldPos = bar->GetScrollPos();
    bar->SetScrollRange(std::abs(overflow));
    if (bar->GetScrollRange() == 0) {
        bar->SetVisible(false);
        bar->SetScrollPos(0);
    }
    if (bar->GetScrollPos() < oldPos)
        SetPos(m_rcItem);
}

}  // namespace SkinUI
