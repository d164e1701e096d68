#include "app/MsgBoxDlg.h"

CMsgBoxDlg::CMsgBoxDlg(const std::wstring& text, const std::wstring& title) : m_text(text), m_title(title) {}

HWND CMsgBoxDlg::Create(HWND hwndParent,
                        LPCWSTR pstrName,
                        DWORD dwStyle,
                        DWORD dwExStyle,
                        int x,
                        int y,
                        int cx,
                        int cy,
                        HMENU hMenu) {
    bool finished = false;
    m_pFinished = &finished;
    const HWND hWnd = WindowImplBase::Create(hwndParent, pstrName, dwStyle, dwExStyle, x, y, cx, cy, hMenu);
    if (finished)
        return nullptr;  // destroyed while being created: the object is gone already
    m_pFinished = nullptr;
    // A window that was never made never sends the final message that would free the object.
    if (hWnd == nullptr)
        delete this;
    return hWnd;
}

void CMsgBoxDlg::OnFinalMessage(HWND hWnd) {
    if (m_pFinished != nullptr)
        *m_pFinished = true;
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

LRESULT CMsgBoxDlg::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
    if (m_answerMessage)
        ::PostMessageW(::GetWindow(m_hWnd, GW_OWNER), m_answerMessage, wParam, 0);
    return WindowImplBase::OnClose(uMsg, wParam, lParam, bHandled);
}

void CMsgBoxDlg::InitWindow() {
    m_btnClose = m_PaintManager.FindControl(L"btn_close");
    m_btnOk = m_PaintManager.FindControl(L"btn_ok");
    m_btnCancel = m_PaintManager.FindControl(L"btn_cancel");
    m_lbText = m_PaintManager.FindControl(L"lb_text");
    m_lbTitle = m_PaintManager.FindControl(L"lb_title");
    if (m_lbText)
        m_lbText->SetText(m_text);
    if (m_lbTitle && !m_title.empty())
        m_lbTitle->SetText(m_title);
}

void CMsgBoxDlg::Notify(SkinUI::TNotifyUI& msg) {
    if (msg.type != L"click")
        return;
    if (msg.sender == m_btnCancel || msg.sender == m_btnClose)
        Close(kCancel);
    else if (msg.sender == m_btnOk)
        Close(kOk);
}

LRESULT CMsgBoxDlg::ResponseDefaultKeyEvent(WPARAM key) {
    if (key == VK_ESCAPE) {
        Close(kCancel);
        return 1;
    }
    return 0;
}
