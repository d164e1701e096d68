#pragma once
// Common part of the vertical and horizontal layouts: the flow that places the children one after
// the other along the layout's axis, and the optional separator strip along one edge that the user
// drags to resize the layout, immediately or with a translucent preview painted after the tree.
// UI thread only.
#include "ui/controls/ContainerUI.h"

namespace SkinUI {

class CFlowLayoutUI : public CContainerUI {
public:
    enum class Axis {
        kVertical,    // top to bottom; the strip lies along the bottom (or top) edge
        kHorizontal,  // left to right; the strip lies along the right (or left) edge
    };

    explicit CFlowLayoutUI(Axis axis) : m_axis(axis) {}

    UINT GetControlFlags() const override;
    void SetPos(RECT rc) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void DoPostPaint(HDC hDC, const RECT& rcPaint) override;

    // Positive: the last s pixels; negative: the first |s| pixels; 0: no separator.
    int GetSepSize() const { return m_iSepSize; }
    void SetSepSize(int iSize) { m_iSepSize = iSize; }
    bool IsSepImmMode() const { return m_bImmMode; }
    void SetSepImmMode(bool bImmediately);
    bool IsSepDragging() const { return (m_uButtonState & kStateCaptured) != 0; }

protected:
    RECT GetSepStrip(const RECT& rc) const;

private:
    // The flow pass, in flow terms (see Flow): lengths run along y, breadths across x.
    struct TFlowPlan {
        int adjustables = 0;  // children without a length of their own
        int fixedTotal = 0;   // lengths, paddings and child padding of all flowed children
        int count = 0;
        int expand = 0;  // the share of each adjustable child
    };
    struct TFlowState {
        int placed = 0;
        int adjustable = 0;
        // What the children not yet placed need besides the adjustable lengths: fixed lengths,
        // paddings and the child padding between them.
        int fixedRemaining = 0;
    };
    // A window rectangle or size in flow terms and back: the vertical layout's own, the horizontal
    // layout's with x and y exchanged.
    RECT Flow(const RECT& rc) const;
    SIZE Flow(SIZE sz) const;
    // 1. Measure the visible flowed children.
    TFlowPlan MeasureFlow(SIZE available) const;
    // 2. The length of the next child, `remaining` being what is left after its near padding; the
    // last adjustable child takes the rounding remainder.
    int FlowLength(CControlUI* pControl,
                   const TFlowPlan& plan,
                   TFlowState& state,
                   SIZE remaining,
                   const RECT& padding) const;
    int ClampAlong(const CControlUI* pControl, int length) const;
    int ClampAcross(const CControlUI* pControl, int length) const;

    // The rectangle's extent along the separator's axis.
    LONG& Near(RECT& rc) const { return m_axis == Axis::kVertical ? rc.top : rc.left; }
    LONG& Far(RECT& rc) const { return m_axis == Axis::kVertical ? rc.bottom : rc.right; }
    int Along(POINT pt) const { return m_axis == Axis::kVertical ? pt.y : pt.x; }
    bool OnSepEvent(const TEventUI& event);
    void OnSepDrag(POINT pt);

    Axis m_axis;
    int m_iSepSize = 0;
    UINT m_uButtonState = 0;
    POINT m_ptLastMouse = {0, 0};
    RECT m_rcNewPos = {0, 0, 0, 0};
    bool m_bImmMode = false;
};

}  // namespace SkinUI
