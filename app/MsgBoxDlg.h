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

protected:
    LPCWSTR GetWindowClassName() const override { return L"zorvaim"; }
    void OnFinalMessage(HWND hWnd) override;
    void InitWindow() override;
    std::wstring GetSkinFolder() override { return L""; }
    std::wstring GetSkinFile() override { return L"MessageBox.xml"; }
    void Notify(SkinUI::TNotifyUI& msg) override;
    // Escape answers like Cancel: it must never mean "yes".
    LRESULT ResponseDefaultKeyEvent(WPARAM key) override;

private:
    ~CMsgBoxDlg() override = default;

    std::wstring m_text;
    std::wstring m_title;
    SkinUI::CControlUI* m_btnCancel = nullptr;
    SkinUI::CControlUI* m_btnOk = nullptr;
    SkinUI::CControlUI* m_btnClose = nullptr;
    SkinUI::CControlUI* m_lbTitle = nullptr;
    SkinUI::CControlUI* m_lbText = nullptr;
};
