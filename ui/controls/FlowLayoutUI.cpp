#include "ui/controls/FlowLayoutUI.h"

#include <algorithm>

#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

constexpr DWORD kDragPreviewColor = 0xAA000000;

}  // namespace

UINT CFlowLayoutUI::GetControlFlags() const {
    return IsEnabled() && m_iSepSize != 0 ? static_cast<UINT>(kFlagSetCursor) : 0U;
}

RECT CFlowLayoutUI::GetSepStrip(const RECT& rc) const {
    RECT strip = rc;
    RECT source = rc;
    if (m_iSepSize >= 0)
        Near(strip) = std::max(Far(source) - m_iSepSize, Near(source));
    else
        Far(strip) = std::min(Near(source) - m_iSepSize, Far(source));
    return strip;
}

void CFlowLayoutUI::SetSepImmMode(bool bImmediately) {
    if (m_bImmMode == bImmediately)
        return;
    if (IsSepDragging() && !m_bImmMode && m_pManager != nullptr)
        m_pManager->RemovePostPaint(this);
    m_bImmMode = bImmediately;
}

void CFlowLayoutUI::DoEvent(TEventUI& event) {
    if (m_iSepSize != 0 && OnSepEvent(event))
        return;
    CContainerUI::DoEvent(event);
}

bool CFlowLayoutUI::OnSepEvent(const TEventUI& event) {
    switch (event.type) {
        case kEventSetCursor: {
            RECT strip = GetSepStrip(m_rcItem);
            if (!IsEnabled() || !::PtInRect(&strip, event.ptMouse))
                return false;
            ::SetCursor(::LoadCursorW(nullptr, m_axis == Axis::kVertical ? IDC_SIZENS : IDC_SIZEWE));
            return true;
        }
        case kEventButtonDown: {
            RECT strip = GetSepStrip(m_rcItem);
            if (!IsEnabled() || !::PtInRect(&strip, event.ptMouse))
                return false;
            m_uButtonState |= kStateCaptured;
            m_ptLastMouse = event.ptMouse;
            m_rcNewPos = m_rcItem;
            if (!m_bImmMode && m_pManager != nullptr)
                m_pManager->AddPostPaint(this);
            return true;
        }
        case kEventButtonUp:
            if (!IsSepDragging())
                return false;
            m_uButtonState &= ~kStateCaptured;
            m_rcItem = m_rcNewPos;
            if (!m_bImmMode && m_pManager != nullptr)
                m_pManager->RemovePostPaint(this);
            NeedParentUpdate();
            return true;
        case kEventMouseMove:
            if (!IsSepDragging())
                return false;
            OnSepDrag(event.ptMouse);
            return true;
        default:
            return false;
    }
}

void CFlowLayoutUI::OnSepDrag(POINT pt) {
    const int delta = Along(pt) - Along(m_ptLastMouse);
    m_ptLastMouse = pt;
    RECT rc = m_rcNewPos;
    const int minSize = m_axis == Axis::kVertical ? GetMinHeight() : GetMinWidth();
    const int maxSize = m_axis == Axis::kVertical ? GetMaxHeight() : GetMaxWidth();
    const int oldSize = Far(m_rcNewPos) - Near(m_rcNewPos);
    const int mouse = Along(pt);
    if (m_iSepSize >= 0) {
        const int edge = Far(m_rcNewPos);
        if ((delta > 0 && mouse < edge + m_iSepSize) || (delta < 0 && mouse > edge))
            return;
        Far(rc) += delta;
        if (Far(rc) - Near(rc) <= minSize) {
            if (oldSize <= minSize)
                return;
            Far(rc) = Near(rc) + minSize;
        }
        if (Far(rc) - Near(rc) >= maxSize) {
            if (oldSize >= maxSize)
                return;
            Far(rc) = Near(rc) + maxSize;
        }
    } else {
        const int edge = Near(m_rcNewPos);
        if ((delta > 0 && mouse < edge) || (delta < 0 && mouse > edge + m_iSepSize))
            return;
        Near(rc) += delta;
        if (Far(rc) - Near(rc) <= minSize) {
            if (oldSize <= minSize)
                return;
            Near(rc) = Far(rc) - minSize;
        }
        if (Far(rc) - Near(rc) >= maxSize) {
            if (oldSize >= maxSize)
                return;
            Near(rc) = Far(rc) - maxSize;
        }
    }

    RECT rcInvalidate = GetSepStrip(m_rcNewPos);
    m_rcNewPos = rc;
    if (m_axis == Axis::kVertical)
        m_cxyFixed.cy = DpiScale().Unscale(rc.bottom - rc.top);
    else
        m_cxyFixed.cx = DpiScale().Unscale(rc.right - rc.left);

    if (m_bImmMode) {
        m_rcItem = m_rcNewPos;
        NeedParentUpdate();
        return;
    }
    RECT strip = GetSepStrip(m_rcNewPos);
    ::UnionRect(&rcInvalidate, &rcInvalidate, &strip);
    strip = GetSepStrip(m_rcItem);
    ::UnionRect(&rcInvalidate, &rcInvalidate, &strip);
    if (m_pManager != nullptr)
        m_pManager->Invalidate(rcInvalidate);
}

RECT CFlowLayoutUI::Flow(const RECT& rc) const {
    return m_axis == Axis::kVertical ? rc : RECT{rc.top, rc.left, rc.bottom, rc.right};
}

SIZE CFlowLayoutUI::Flow(SIZE sz) const {
    return m_axis == Axis::kVertical ? sz : SIZE{sz.cy, sz.cx};
}

void CFlowLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    rc = GetInsetRect();
    CScrollBarUI* vbar = IsBarVisible(m_pVerticalScrollBar) ? m_pVerticalScrollBar.get() : nullptr;
    CScrollBarUI* hbar = IsBarVisible(m_pHorizontalScrollBar) ? m_pHorizontalScrollBar.get() : nullptr;
    // An empty horizontal layout keeps its bars' room in the rect it hands on.
    if (m_axis == Axis::kVertical || !m_items.empty()) {
        if (vbar != nullptr)
            rc.right -= vbar->GetFixedWidth();
        if (hbar != nullptr)
            rc.bottom -= hbar->GetFixedHeight();
    }
    if (m_items.empty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }

    // Only the vertical layout scrolls across its flow as well.
    const CScrollBarUI* alongBar = m_axis == Axis::kVertical ? vbar : hbar;
    const CScrollBarUI* acrossBar = m_axis == Axis::kVertical ? hbar : nullptr;
    const RECT work = Flow(rc);
    SIZE available = {work.right - work.left, work.bottom - work.top};
    if (acrossBar != nullptr)
        available.cx += acrossBar->GetScrollRange();

    const TFlowPlan plan = MeasureFlow(available);
    TFlowState state;
    state.fixedRemaining = plan.fixedTotal;
    SIZE remaining = available;
    int y = work.top - (alongBar != nullptr ? alongBar->GetScrollPos() : 0);
    const int x = work.left - (acrossBar != nullptr ? acrossBar->GetScrollPos() : 0);
    int needed = 0;
    PlaceChildren([&](int, CControlUI* pControl) {
        const RECT padding = Flow(pControl->GetPadding());
        remaining.cy -= padding.top;
        const int length = FlowLength(pControl, plan, state, remaining, padding);
        int breadth = Flow(SIZE{pControl->GetFixedWidth(), pControl->GetFixedHeight()}).cx;
        if (breadth == 0)
            breadth = available.cx - padding.left - padding.right;
        breadth = ClampAcross(pControl, std::max(breadth, 0));
        // The padding after a child along the flow lies inside its rectangle, the one across it not.
        const RECT rcChild = {x + padding.left, y + padding.top, x + padding.left + breadth,
                              y + padding.top + length + padding.bottom};
        pControl->SetPos(Flow(rcChild));
        y += length + GetChildPadding() + padding.top + padding.bottom;
        needed += length + padding.top + padding.bottom;
        remaining.cy -= length + GetChildPadding() + padding.bottom;
    });
    needed += (plan.count - 1) * GetChildPadding();
    const SIZE szNeeded = Flow(SIZE{0, needed});
    ProcessScrollBar(rc, szNeeded.cx, szNeeded.cy);
}

int CFlowLayoutUI::ClampAlong(const CControlUI* pControl, int length) const {
    if (m_axis == Axis::kVertical)
        return std::min(std::max(length, pControl->GetMinHeight()), pControl->GetMaxHeight());
    return std::min(std::max(length, pControl->GetMinWidth()), pControl->GetMaxWidth());
}

int CFlowLayoutUI::ClampAcross(const CControlUI* pControl, int length) const {
    if (m_axis == Axis::kVertical)
        return std::min(std::max(length, pControl->GetMinWidth()), pControl->GetMaxWidth());
    return std::min(std::max(length, pControl->GetMinHeight()), pControl->GetMaxHeight());
}

CFlowLayoutUI::TFlowPlan CFlowLayoutUI::MeasureFlow(SIZE available) const {
    TFlowPlan plan;
    for (CControlUI* pControl : m_items) {
        if (!pControl->IsVisible() || pControl->IsFloat())
            continue;
        int length = Flow(pControl->EstimateSize(Flow(available))).cy;
        if (length == 0)
            ++plan.adjustables;
        else
            length = ClampAlong(pControl, length);
        const RECT padding = Flow(pControl->GetPadding());
        plan.fixedTotal += length + padding.top + padding.bottom;
        ++plan.count;
    }
    plan.fixedTotal += (plan.count - 1) * GetChildPadding();
    if (plan.adjustables > 0)
        plan.expand = std::max<int>(0, (available.cy - plan.fixedTotal) / plan.adjustables);
    return plan;
}

int CFlowLayoutUI::FlowLength(CControlUI* pControl,
                              const TFlowPlan& plan,
                              TFlowState& state,
                              SIZE remaining,
                              const RECT& padding) const {
    // This child's paddings and the child padding before it are out of `remaining` (or are taken
    // below), so they no longer count as what is still needed.
    state.fixedRemaining -= padding.top + padding.bottom + (state.placed > 0 ? GetChildPadding() : 0);
    ++state.placed;
    int length = Flow(pControl->EstimateSize(Flow(remaining))).cy;
    if (length == 0) {
        ++state.adjustable;
        length = plan.expand;
        if (state.adjustable == plan.adjustables)
            length = std::max<int>(0, remaining.cy - padding.bottom - state.fixedRemaining);
        return ClampAlong(pControl, length);
    }
    length = ClampAlong(pControl, length);
    state.fixedRemaining -= length;
    return length;
}

void CFlowLayoutUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const wchar_t* sizeName = m_axis == Axis::kVertical ? L"sepheight" : L"sepwidth";
    if (wcscmp(pstrName, sizeName) == 0) {
        SetSepSize(ParseSkinInt(pstrValue));
    } else if (wcscmp(pstrName, L"sepimm") == 0) {
        SetSepImmMode(ParseSkinBool(pstrValue));
    } else {
        CContainerUI::SetAttribute(pstrName, pstrValue);
    }
}

void CFlowLayoutUI::DoPostPaint(HDC hDC, const RECT& rcPaint) {
    if (!IsSepDragging() || m_bImmMode)
        return;
    CRenderKit::DrawColor(hDC, GetSepStrip(m_rcNewPos), kDragPreviewColor);
}

}  // namespace SkinUI
