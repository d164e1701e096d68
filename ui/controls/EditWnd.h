#pragma once
// The native "Edit" child that lies over a CEditUI while the user types into it. It copies every change
// back into the control, and closes and deletes itself as soon as it loses the keyboard focus.
// UI thread only.
#include <windows.h>

#include "ui/core/WindowWnd.h"

namespace SkinUI {

class CEditUI;

class CEditWnd : public CWindowWnd {
public:
    CEditWnd() = default;
    ~CEditWnd() override;

    // Creates the child in the owner's paint window, over the owner's text area, and gives it the focus.
    // False when the child could not be made; this object is then not deleted by any window.
    bool Init(CEditUI* pOwner);
    // Where the child lies for its owner: the text area, narrowed to one line of the owner's font.
    RECT CalPos() const;
    // Forgets an owner that is going away before this window.
    void DetachOwner() { m_pOwner = nullptr; }

protected:
    LPCWSTR GetWindowClassName() const override;
    LPCWSTR GetSuperClassName() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

private:
    void OnEditChanged();
    LRESULT OnControlColor(HDC hDC);

    CEditUI* m_pOwner = nullptr;
    HBRUSH m_hBkBrush = nullptr;
    bool m_bInit = false;
};

}  // namespace SkinUI
