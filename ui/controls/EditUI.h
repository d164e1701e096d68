#pragma once
// A single-line text entry: painted like a label while it is not focused (state images, text, password
// mask or hint), and covered by a native "Edit" child (CEditWnd) while the user types. Announces every
// change of its text with "textchanged" and the Return key with "return". UI thread only.
#include <windows.h>

#include <string>

#include "ui/controls/LabelUI.h"

namespace SkinUI {

class CEditWnd;

class CEditUI : public CLabelUI {
public:
    CEditUI();
    ~CEditUI() override;

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    UINT GetControlFlags() const override;
    void SetText(const std::wstring& text) override;
    void SetEnabled(bool bEnable = true) override;
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    void SetPos(RECT rc) override;
    SIZE EstimateSize(SIZE szAvailable) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;
    // Named by the skin's "accname" only: the text is the value.
    std::wstring GetAccName() const override;
    DWORD GetAccState() const override;
    std::wstring GetAccValue() const override;

    UINT GetMaxChar() const { return m_uMaxChar; }
    void SetMaxChar(UINT uMax);
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetReadOnly(bool bReadOnly);
    bool IsPasswordMode() const { return m_bPasswordMode; }
    void SetPasswordMode(bool bPasswordMode);
    WCHAR GetPasswordChar() const { return m_cPasswordChar; }
    bool IsNumberOnly() const { return (m_uWindowStyles & ES_NUMBER) != 0; }
    void SetNumberOnly(bool bNumberOnly);
    // Edit style bits added to the native window's own.
    UINT GetWindowStyles() const { return m_uWindowStyles; }
    DWORD GetNativeEditTextColor() const { return m_dwEditTextColor; }
    DWORD GetNativeEditBkColor() const { return m_dwEditBkColor; }
    const std::wstring& GetHintText() const { return m_sHintText; }
    // The native window while the user types, else null.
    CEditWnd* GetNativeWindow() const { return m_pWindow; }

protected:
    long GetAccDefaultRole() const override;

private:
    friend class CEditWnd;
    // False when the native window could not be made.
    bool OpenNativeWindow();
    void SelectAllNative();

    // Not owned: the native window deletes itself when it closes and then clears this.
    CEditWnd* m_pWindow = nullptr;
    UINT m_uMaxChar = 255;
    bool m_bReadOnly = false;
    bool m_bPasswordMode = false;
    WCHAR m_cPasswordChar = L'*';
    UINT m_uButtonState = 0;
    std::wstring m_sNormalImage;
    std::wstring m_sHotImage;
    std::wstring m_sFocusedImage;
    std::wstring m_sDisabledImage;
    DWORD m_dwEditTextColor = 0;
    DWORD m_dwEditBkColor = 0xFFFFFFFF;
    DWORD m_dwHintColor = 0;
    std::wstring m_sHintText;
    UINT m_uWindowStyles = 0;
};

}  // namespace SkinUI
