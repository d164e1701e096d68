#include "ui/controls/VerticalLayoutUI.h"

#include <algorithm>

namespace SkinUI {

LPCWSTR CVerticalLayoutUI::GetClass() const {
    return L"VerticalLayoutUI";
}

LPVOID CVerticalLayoutUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"VerticalLayout") == 0)
        return static_cast<CVerticalLayoutUI*>(this);
    return CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    rc = GetInsetRect();
    const bool vbar = IsBarVisible(m_pVerticalScrollBar);
    const bool hbar = IsBarVisible(m_pHorizontalScrollBar);
    if (vbar)
        rc.right -= m_pVerticalScrollBar->GetFixedWidth();
    if (hbar)
        rc.bottom -= m_pHorizontalScrollBar->GetFixedHeight();
    if (m_items.empty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }

    SIZE szAvailable = {rc.right - rc.left, rc.bottom - rc.top};
    if (hbar)
        szAvailable.cx += m_pHorizontalScrollBar->GetScrollRange();

    // 1. Measure the flowed children: fixed heights, and how many share the rest.
    int nAdjustables = 0;
    int cyFixed = 0;
    int nEstimateNum = 0;
    for (CControlUI* pControl : m_items) {
        if (!pControl->IsVisible() || pControl->IsFloat())
            continue;
        SIZE sz = pControl->EstimateSize(szAvailable);
        if (sz.cy == 0)
            ++nAdjustables;
        else
            sz.cy = std::min(std::max(sz.cy, static_cast<LONG>(pControl->GetMinHeight())),
                             static_cast<LONG>(pControl->GetMaxHeight()));
        const RECT padding = pControl->GetPadding();
        cyFixed += sz.cy + padding.top + padding.bottom;
        ++nEstimateNum;
    }
    cyFixed += (nEstimateNum - 1) * m_iChildPadding;
    const int cyExpand =
        nAdjustables > 0 ? std::max(0, static_cast<int>(szAvailable.cy - cyFixed) / nAdjustables) : 0;

    // 2. Place them; the last adjustable child takes the rounding remainder.
    SIZE szRemaining = szAvailable;
    int iPosY = rc.top - (vbar ? m_pVerticalScrollBar->GetScrollPos() : 0);
    const int iPosX = rc.left - (hbar ? m_pHorizontalScrollBar->GetScrollPos() : 0);
    int iAdjustable = 0;
    int cyFixedRemaining = cyFixed;
    int cyNeeded = 0;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* pControl = m_items[i];
        if (!pControl->IsVisible())
            continue;
        if (pControl->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const RECT padding = pControl->GetPadding();
        szRemaining.cy -= padding.top;
        SIZE sz = pControl->EstimateSize(szRemaining);
        if (sz.cy == 0) {
            ++iAdjustable;
            sz.cy = cyExpand;
            if (iAdjustable == nAdjustables)
                sz.cy = std::max(0L, szRemaining.cy - padding.bottom - cyFixedRemaining);
            sz.cy = std::min(std::max(sz.cy, static_cast<LONG>(pControl->GetMinHeight())),
                             static_cast<LONG>(pControl->GetMaxHeight()));
        } else {
            sz.cy = std::min(std::max(sz.cy, static_cast<LONG>(pControl->GetMinHeight())),
                             static_cast<LONG>(pControl->GetMaxHeight()));
            cyFixedRemaining -= sz.cy;
        }
        LONG cx = pControl->GetFixedWidth();
        if (cx == 0)
            cx = szAvailable.cx - padding.left - padding.right;
        cx = std::max(cx, 0L);
        cx = std::min(std::max(cx, static_cast<LONG>(pControl->GetMinWidth())),
                      static_cast<LONG>(pControl->GetMaxWidth()));
        const RECT rcCtrl = {iPosX + padding.left, iPosY + padding.top, iPosX + padding.left + cx,
                             iPosY + padding.top + sz.cy + padding.bottom};
        pControl->SetPos(rcCtrl);
        iPosY += sz.cy + m_iChildPadding + padding.top + padding.bottom;
        cyNeeded += sz.cy + padding.top + padding.bottom;
        szRemaining.cy -= sz.cy + m_iChildPadding + padding.bottom;
    }
    cyNeeded += (nEstimateNum - 1) * m_iChildPadding;
    ProcessScrollBar(rc, 0, cyNeeded);
}

}  // namespace SkinUI
