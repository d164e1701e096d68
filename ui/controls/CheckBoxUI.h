#pragma once
// An option with its own look for the disabled state, selected and unselected.
// UI thread only.
#include <windows.h>

#include <string>

#include "ui/controls/OptionUI.h"

namespace SkinUI {

class CCheckBoxUI : public COptionUI {
public:
    LPCWSTR GetClass() const override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;

    const std::wstring& GetSelectedDisabledImage() const { return m_sSelectedDisabledImage; }
    void SetSelectedDisabledImage(const std::wstring& image) { m_sSelectedDisabledImage = image; }
    const std::wstring& GetUnselectedDisabledImage() const { return m_sUnselectedDisabledImage; }
    void SetUnselectedDisabledImage(const std::wstring& image) { m_sUnselectedDisabledImage = image; }

private:
    std::wstring m_sUnselectedDisabledImage;
    std::wstring m_sSelectedDisabledImage;
};

}  // namespace SkinUI
