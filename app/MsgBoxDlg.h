#pragma once
// The installer's own skinned message box: a text, a title, OK and Cancel. It owns itself
// once its window exists and is freed by its own final message. UI thread only.
#include <string>

#include "ui/core/WindowImplBase.h"

namespace SkinUI {
class CButtonUI;
class CLabelUI;
}  // namespace SkinUI

class CMsgBoxDlg : public SkinUI::WindowImplBase {
public:
    enum Result : UINT { kOk = 1, kCancel = 2 };

    CMsgBoxDlg(const std::wstring& text, const std::wstring& title);

    using WindowImplBase::Create;
    // Null when the window could not be made; the object is then freed either way, whether or not its
    // window ever got as far as binding it.
    HWND Create(HWND hwndParent,
                LPCWSTR pstrName,
                DWORD dwStyle,
                DWORD dwExStyle,
                int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT,
                int cx = CW_USEDEFAULT,
                int cy = CW_USEDEFAULT,
                HMENU hMenu = nullptr) override;
    // For a box that is not modal: when it closes, `message` is posted to its owner with the
    // answer (kOk, kCancel) as wParam.
    void PostAnswerToOwner(UINT message) { m_answerMessage = message; }

protected:
    LPCWSTR GetWindowClassName() const override { return L"zorvaim"; }
    void OnFinalMessage(HWND hWnd) override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    void InitWindow() override;
    std::wstring GetSkinFolder() override { return L""; }
    std::wstring GetSkinFile() override { return L"MessageBox.xml"; }
    void Notify(SkinUI::TNotifyUI& msg) override;
    // Escape answers like Cancel: it must never mean "yes".
    LRESULT ResponseDefaultKeyEvent(WPARAM key) override;

private:
    ~CMsgBoxDlg() override = default;

    // Set while Create runs, so that it learns whether the final message already freed the object.
    bool* m_pFinished = nullptr;
    std::wstring m_text;
    std::wstring m_title;
    SkinUI::CControlUI* m_btnCancel = nullptr;
    SkinUI::CControlUI* m_btnOk = nullptr;
    SkinUI::CControlUI* m_btnClose = nullptr;
    SkinUI::CControlUI* m_lbTitle = nullptr;
    SkinUI::CControlUI* m_lbText = nullptr;
    UINT m_answerMessage = 0;
};
