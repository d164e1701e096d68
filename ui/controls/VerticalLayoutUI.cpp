#include "ui/controls/VerticalLayoutUI.h"

namespace SkinUI {

LPCWSTR CVerticalLayoutUI::GetClass() const {
    return L"VerticalLayoutUI";
}

LPVOID CVerticalLayoutUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"VerticalLayout") == 0)
        return static_cast<CVerticalLayoutUI*>(this);
    return CContainerUI::GetInterface(pstrName);
}

}  // namespace SkinUI
