#pragma once
// Lines its visible children up left to right: fixed widths first, the rest shared among the
// children without a width. UI thread only.
#include "ui/controls/FlowLayoutUI.h"

namespace SkinUI {

class CHorizontalLayoutUI : public CFlowLayoutUI {
public:
    CHorizontalLayoutUI() : CFlowLayoutUI(Axis::kHorizontal) {}

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
};

}  // namespace SkinUI
