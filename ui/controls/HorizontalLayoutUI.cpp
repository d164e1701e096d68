#include "ui/controls/HorizontalLayoutUI.h"

#include <algorithm>

namespace SkinUI {

LPCWSTR CHorizontalLayoutUI::GetClass() const {
    return L"HorizontalLayoutUI";
}

LPVOID CHorizontalLayoutUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"HorizontalLayout") == 0)
        return static_cast<CHorizontalLayoutUI*>(this);
    return CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    rc = GetInsetRect();
    if (m_items.empty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }
    const bool hbar = IsBarVisible(m_pHorizontalScrollBar);
    if (IsBarVisible(m_pVerticalScrollBar))
        rc.right -= m_pVerticalScrollBar->GetFixedWidth();
    if (hbar)
        rc.bottom -= m_pHorizontalScrollBar->GetFixedHeight();

    const SIZE szAvailable = {rc.right - rc.left, rc.bottom - rc.top};

    // 1. Measure the flowed children: fixed widths, and how many share the rest.
    int nAdjustables = 0;
    int cxFixed = 0;
    int nEstimateNum = 0;
    for (CControlUI* pControl : m_items) {
        if (!pControl->IsVisible() || pControl->IsFloat())
            continue;
        SIZE sz = pControl->EstimateSize(szAvailable);
        if (sz.cx == 0)
            ++nAdjustables;
        else
            sz.cx = std::min(std::max(sz.cx, static_cast<LONG>(pControl->GetMinWidth())),
                             static_cast<LONG>(pControl->GetMaxWidth()));
        const RECT padding = pControl->GetPadding();
        cxFixed += sz.cx + padding.left + padding.right;
        ++nEstimateNum;
    }
    cxFixed += (nEstimateNum - 1) * m_iChildPadding;
    const int cxExpand =
        nAdjustables > 0 ? std::max(0, static_cast<int>(szAvailable.cx - cxFixed) / nAdjustables) : 0;

    // 2. Place them; the last adjustable child takes the rounding remainder.
    SIZE szRemaining = szAvailable;
    int iPosX = rc.left - (hbar ? m_pHorizontalScrollBar->GetScrollPos() : 0);
    int iAdjustable = 0;
    int cxFixedRemaining = cxFixed;
    int cxNeeded = 0;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* pControl = m_items[i];
        if (!pControl->IsVisible())
            continue;
        if (pControl->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const RECT padding = pControl->GetPadding();
        szRemaining.cx -= padding.left;
        SIZE sz = pControl->EstimateSize(szRemaining);
        if (sz.cx == 0) {
            ++iAdjustable;
            sz.cx = cxExpand;
            if (iAdjustable == nAdjustables)
                sz.cx = std::max(0L, szRemaining.cx - padding.right - cxFixedRemaining);
            sz.cx = std::min(std::max(sz.cx, static_cast<LONG>(pControl->GetMinWidth())),
                             static_cast<LONG>(pControl->GetMaxWidth()));
        } else {
            sz.cx = std::min(std::max(sz.cx, static_cast<LONG>(pControl->GetMinWidth())),
                             static_cast<LONG>(pControl->GetMaxWidth()));
            cxFixedRemaining -= sz.cx;
        }
        LONG cy = pControl->GetFixedHeight();
        if (cy == 0)
            cy = rc.bottom - rc.top - padding.top - padding.bottom;
        cy = std::max(cy, 0L);
        cy = std::min(std::max(cy, static_cast<LONG>(pControl->GetMinHeight())),
                      static_cast<LONG>(pControl->GetMaxHeight()));
        const RECT rcCtrl = {iPosX + padding.left, rc.top + padding.top,
                             iPosX + padding.left + sz.cx + padding.right, rc.top + padding.top + cy};
        pControl->SetPos(rcCtrl);
        iPosX += sz.cx + m_iChildPadding + padding.left + padding.right;
        cxNeeded += sz.cx + padding.left + padding.right;
        szRemaining.cx -= sz.cx + m_iChildPadding + padding.right;
    }
    cxNeeded += (nEstimateNum - 1) * m_iChildPadding;
    ProcessScrollBar(rc, cxNeeded, 0);
}

}  // namespace SkinUI
