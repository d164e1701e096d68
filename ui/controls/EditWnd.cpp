// CEditWnd: the native edit child of CEditUI.
#include "ui/controls/EditWnd.h"

#include <string>

#include "ui/controls/EditUI.h"
#include "ui/core/GdiScoped.h"
#include "ui/core/PaintManagerUI.h"

namespace SkinUI {

namespace {

// The paint manager hands a child's own notifications back to it as this plus the message.
constexpr UINT kReflectBase = 0x2000;
constexpr UINT kReflectedCommand = kReflectBase + WM_COMMAND;
constexpr UINT kReflectedColorEdit = kReflectBase + WM_CTLCOLOREDIT;
constexpr UINT kReflectedColorStatic = kReflectBase + WM_CTLCOLORSTATIC;
// The native background colour that means "the system's own colours".
constexpr DWORD kSystemBackground = 0xFFFFFFFF;

}  // namespace

CEditWnd::~CEditWnd() {
    if (m_hBkBrush != nullptr)
        ::DeleteObject(m_hBkBrush);
}

LPCWSTR CEditWnd::GetWindowClassName() const {
    return L"EditWnd";
}

LPCWSTR CEditWnd::GetSuperClassName() const {
    return WC_EDITW;
}

RECT CEditWnd::CalPos() const {
    RECT rcPos = m_pOwner->GetPos();
    const RECT padding = m_pOwner->GetTextPadding();
    rcPos.left += padding.left;
    rcPos.top += padding.top;
    rcPos.right -= padding.right;
    rcPos.bottom -= padding.bottom;
    const TFontInfo* pFont = m_pOwner->GetManager()->GetFontInfo(m_pOwner->GetFont());
    const LONG fontHeight = pFont != nullptr ? pFont->tm.tmHeight : 0;
    if (fontHeight < rcPos.bottom - rcPos.top) {
        rcPos.top += (rcPos.bottom - rcPos.top - fontHeight) / 2;
        rcPos.bottom = rcPos.top + fontHeight;
    }
    return rcPos;
}

bool CEditWnd::Init(CEditUI* pOwner) {
    m_pOwner = pOwner;
    CPaintManagerUI* pManager = pOwner->GetManager();
    DWORD style = WS_CHILD | ES_AUTOHSCROLL;
    if (pOwner->IsPasswordMode())
        style |= ES_PASSWORD;
    Create(pManager->GetPaintWindow(), nullptr, style, 0, CalPos());
    if (m_hWnd == nullptr)
        return false;
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(pManager->GetFont(pOwner->GetFont())), TRUE);
    ::SendMessageW(m_hWnd, EM_LIMITTEXT, pOwner->GetMaxChar(), 0);
    if (pOwner->IsPasswordMode())
        ::SendMessageW(m_hWnd, EM_SETPASSWORDCHAR, pOwner->GetPasswordChar(), 0);
    ::SetWindowTextW(m_hWnd, pOwner->GetText().c_str());
    ::SendMessageW(m_hWnd, EM_SETMODIFY, FALSE, 0);
    ::SendMessageW(m_hWnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
    ::EnableWindow(m_hWnd, pOwner->IsEnabled() ? TRUE : FALSE);
    ::SendMessageW(m_hWnd, EM_SETREADONLY, pOwner->IsReadOnly() ? TRUE : FALSE, 0);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | pOwner->GetWindowStyles());
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    ::SetFocus(m_hWnd);
    m_bInit = true;
    return true;
}

void CEditWnd::OnEditChanged() {
    if (!m_bInit || m_pOwner == nullptr)
        return;
    const int length = ::GetWindowTextLengthW(m_hWnd) + 1;
    std::wstring text(static_cast<size_t>(length), L'\0');
    ::GetWindowTextW(m_hWnd, &text[0], length);
    text.resize(::wcslen(text.c_str()));
    m_pOwner->m_sText = text;
    m_pOwner->GetManager()->SendNotify(m_pOwner, L"textchanged");
}

LRESULT CEditWnd::OnControlColor(HDC hDC) {
    if (m_pOwner == nullptr || m_pOwner->GetNativeEditBkColor() == kSystemBackground)
        return 0;
    ::SetBkMode(hDC, TRANSPARENT);
    DWORD textColor = m_pOwner->GetNativeEditTextColor();
    if (textColor == 0)
        textColor = m_pOwner->GetTextColor();
    ::SetTextColor(hDC, ToColorRef(textColor));
    if (m_hBkBrush == nullptr)
        m_hBkBrush = ::CreateSolidBrush(ToColorRef(m_pOwner->GetNativeEditBkColor()));
    return reinterpret_cast<LRESULT>(m_hBkBrush);
}

LRESULT CEditWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_KILLFOCUS: {
            const LRESULT lRes = CWindowWnd::HandleMessage(uMsg, wParam, lParam);
            // Typing ends with the focus; the painted look comes back once this window is gone.
            PostMessage(WM_CLOSE);
            return lRes;
        }
        case kReflectedCommand:
            if (HIWORD(wParam) == EN_CHANGE)
                OnEditChanged();
            else if (HIWORD(wParam) == EN_UPDATE)
                ::InvalidateRect(m_hWnd, nullptr, FALSE);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN && m_pOwner != nullptr) {
                m_pOwner->GetManager()->SendNotify(m_pOwner, L"return");
                return 0;
            }
            break;
        case kReflectedColorEdit:
        case kReflectedColorStatic:
            return OnControlColor(reinterpret_cast<HDC>(wParam));
        default:
            break;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

void CEditWnd::OnFinalMessage(HWND) {
    if (m_pOwner != nullptr) {
        m_pOwner->Invalidate();
        m_pOwner->m_pWindow = nullptr;
        if (m_pOwner->IsFocused())
            m_pOwner->GetManager()->SetFocus(nullptr);
    }
    delete this;
}

}  // namespace SkinUI
