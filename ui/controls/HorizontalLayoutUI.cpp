#include "ui/controls/HorizontalLayoutUI.h"

namespace SkinUI {

LPCWSTR CHorizontalLayoutUI::GetClass() const {
    return L"HorizontalLayoutUI";
}

LPVOID CHorizontalLayoutUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"HorizontalLayout") == 0)
        return static_cast<CHorizontalLayoutUI*>(this);
    return CContainerUI::GetInterface(pstrName);
}

}  // namespace SkinUI
