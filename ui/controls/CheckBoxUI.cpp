// CCheckBoxUI: the disabled looks.
#include "ui/controls/CheckBoxUI.h"

namespace SkinUI {

LPCWSTR CCheckBoxUI::GetClass() const {
    return L"CheckBoxUI";
}

void CCheckBoxUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"selecteddisableimage")
        m_sSelectedDisabledImage = pstrValue;
    else if (name == L"unselecteddisableimage")
        m_sUnselectedDisabledImage = pstrValue;
    else
        COptionUI::SetAttribute(pstrName, pstrValue);
}

void CCheckBoxUI::PaintStatusImage(HDC hDC) {
    m_uButtonState &= ~kStatePushed;
    if (IsEnabled()) {
        COptionUI::PaintStatusImage(hDC);
        return;
    }
    // Disabled: only the disabled look of the current selection, nothing else.
    DrawStateImage(hDC, IsSelected() ? m_sSelectedDisabledImage : m_sUnselectedDisabledImage);
}

}  // namespace SkinUI
