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

    const TFlowPlan plan = MeasureFlow(szAvailable);
    TFlowState state;
    state.fixedRemaining = plan.fixedTotal;
    SIZE szRemaining = szAvailable;
    int iPosY = rc.top - (vbar ? m_pVerticalScrollBar->GetScrollPos() : 0);
    const int iPosX = rc.left - (hbar ? m_pHorizontalScrollBar->GetScrollPos() : 0);
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
        const int cy = FlowLength(pControl, plan, state, szRemaining, padding);
        int cx = pControl->GetFixedWidth();
        if (cx == 0)
            cx = szAvailable.cx - padding.left - padding.right;
        cx = ClampAcross(pControl, std::max(cx, 0));
        const RECT rcCtrl = {iPosX + padding.left, iPosY + padding.top, iPosX + padding.left + cx,
                             iPosY + padding.top + cy + padding.bottom};
        pControl->SetPos(rcCtrl);
        iPosY += cy + m_iChildPadding + padding.top + padding.bottom;
        cyNeeded += cy + padding.top + padding.bottom;
        szRemaining.cy -= cy + m_iChildPadding + padding.bottom;
    }
    cyNeeded += (plan.count - 1) * m_iChildPadding;
    ProcessScrollBar(rc, 0, cyNeeded);
}

}  // namespace SkinUI
