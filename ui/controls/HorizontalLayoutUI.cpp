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

    const TFlowPlan plan = MeasureFlow(szAvailable);
    TFlowState state;
    state.fixedRemaining = plan.fixedTotal;
    SIZE szRemaining = szAvailable;
    int iPosX = rc.left - (hbar ? m_pHorizontalScrollBar->GetScrollPos() : 0);
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
        const int cx = FlowLength(pControl, plan, state, szRemaining, padding);
        int cy = pControl->GetFixedHeight();
        if (cy == 0)
            cy = rc.bottom - rc.top - padding.top - padding.bottom;
        cy = ClampAcross(pControl, std::max(cy, 0));
        const RECT rcCtrl = {iPosX + padding.left, rc.top + padding.top,
                             iPosX + padding.left + cx + padding.right, rc.top + padding.top + cy};
        pControl->SetPos(rcCtrl);
        iPosX += cx + m_iChildPadding + padding.left + padding.right;
        cxNeeded += cx + padding.left + padding.right;
        szRemaining.cx -= cx + m_iChildPadding + padding.right;
    }
    cxNeeded += (plan.count - 1) * m_iChildPadding;
    ProcessScrollBar(rc, cxNeeded, 0);
}

}  // namespace SkinUI
