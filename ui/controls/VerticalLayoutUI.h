#pragma once
// Stacks its visible children top to bottom: fixed heights first, the rest shared among the children
// without a height; scrolls vertically when a vertical bar is enabled. UI thread only.
#include "ui/controls/FlowLayoutUI.h"

namespace SkinUI {

class CVerticalLayoutUI : public CFlowLayoutUI {
public:
    CVerticalLayoutUI() : CFlowLayoutUI(Axis::kVertical) {}

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
};

}  // namespace SkinUI
