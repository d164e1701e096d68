#include "app/MsgBoxDlg.h"

CMsgBoxDlg::CMsgBoxDlg(const std::wstring& text, const std::wstring& title) : m_text(text), m_title(title) {}

void CMsgBoxDlg::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
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
