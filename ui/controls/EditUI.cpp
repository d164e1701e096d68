// CEditUI: attributes, events that open and feed the native window, and the painted look.
#include "ui/controls/EditUI.h"

#include <oleacc.h>

#include <algorithm>

#include "ui/controls/EditWnd.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

// Space above and below one line of text when the skin gives no height.
constexpr int kEditHeightExtra = 6;
constexpr RECT kDefaultTextPadding = {4, 3, 4, 3};

UINT ParseUnsigned(LPCWSTR value) {
    return static_cast<UINT>(std::wcstoul(value, nullptr, 10));
}

}  // namespace

CEditUI::CEditUI() {
    SetTextPadding(kDefaultTextPadding);
}

CEditUI::~CEditUI() {
    // The native window outliving its owner would write into a freed control.
    if (m_pWindow != nullptr) {
        CEditWnd* pWindow = m_pWindow;
        m_pWindow = nullptr;
        pWindow->DetachOwner();
        if (::IsWindow(pWindow->GetHWND()))
            ::DestroyWindow(pWindow->GetHWND());
    }
}

LPCWSTR CEditUI::GetClass() const {
    return L"EditUI";
}

LPVOID CEditUI::GetInterface(LPCWSTR pstrName) {
    if (std::wcscmp(pstrName, L"Edit") == 0)
        return this;
    return CLabelUI::GetInterface(pstrName);
}

UINT CEditUI::GetControlFlags() const {
    return IsEnabled() ? (kFlagTabStop | kFlagSetCursor) : 0;
}

void CEditUI::SetText(const std::wstring& text) {
    m_sText = text;
    // With the native window open, its change notification announces the new text.
    if (m_pWindow != nullptr)
        ::SetWindowTextW(m_pWindow->GetHWND(), m_sText.c_str());
    else if (m_pManager != nullptr)
        m_pManager->SendNotify(this, L"textchanged");
    Invalidate();
}

long CEditUI::GetAccDefaultRole() const {
    return ROLE_SYSTEM_TEXT;
}

std::wstring CEditUI::GetAccName() const {
    return m_sAccName;
}

DWORD CEditUI::GetAccState() const {
    DWORD state = CLabelUI::GetAccState();
    if (m_bReadOnly)
        state |= STATE_SYSTEM_READONLY;
    if (m_bPasswordMode)
        state |= STATE_SYSTEM_PROTECTED;
    return state;
}

std::wstring CEditUI::GetAccValue() const {
    // A password is not read out.
    return m_bPasswordMode ? std::wstring() : m_sText;
}

void CEditUI::SetEnabled(bool bEnable) {
    CControlUI::SetEnabled(bEnable);
    if (!IsEnabled())
        m_uButtonState = 0;
}

void CEditUI::SetVisible(bool bVisible) {
    CControlUI::SetVisible(bVisible);
    if (!IsVisible() && m_pWindow != nullptr && m_pManager != nullptr)
        m_pManager->SetFocus(nullptr);
}

void CEditUI::SetInternVisible(bool bVisible) {
    CControlUI::SetInternVisible(bVisible);
    if (!IsVisible() && m_pWindow != nullptr && m_pManager != nullptr)
        m_pManager->SetFocus(nullptr);
}

void CEditUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    if (m_pWindow != nullptr) {
        // A new display scale re-made the fonts; the old handle is gone.
        ::SendMessageW(m_pWindow->GetHWND(), WM_SETFONT, reinterpret_cast<WPARAM>(m_pManager->GetFont(GetFont())),
                       TRUE);
        const RECT rcPos = m_pWindow->CalPos();
        ::SetWindowPos(m_pWindow->GetHWND(), nullptr, rcPos.left, rcPos.top, rcPos.right - rcPos.left,
                       rcPos.bottom - rcPos.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

SIZE CEditUI::EstimateSize(SIZE szAvailable) {
    if (m_cxyFixed.cy == 0)
        return SIZE{GetFixedWidth(), GetFontHeight() + DpiScale().Scale(kEditHeightExtra)};
    return CControlUI::EstimateSize(szAvailable);
}

void CEditUI::SetMaxChar(UINT uMax) {
    m_uMaxChar = uMax;
    if (m_pWindow != nullptr)
        ::SendMessageW(m_pWindow->GetHWND(), EM_LIMITTEXT, m_uMaxChar, 0);
}

void CEditUI::SetReadOnly(bool bReadOnly) {
    if (m_bReadOnly == bReadOnly)
        return;
    m_bReadOnly = bReadOnly;
    if (m_pWindow != nullptr)
        ::SendMessageW(m_pWindow->GetHWND(), EM_SETREADONLY, m_bReadOnly ? TRUE : FALSE, 0);
    Invalidate();
}

void CEditUI::SetPasswordMode(bool bPasswordMode) {
    if (m_bPasswordMode == bPasswordMode)
        return;
    m_bPasswordMode = bPasswordMode;
    Invalidate();
}

void CEditUI::SetNumberOnly(bool bNumberOnly) {
    if (bNumberOnly)
        m_uWindowStyles |= ES_NUMBER;
    else
        m_uWindowStyles &= ~static_cast<UINT>(ES_NUMBER);
}

bool CEditUI::OpenNativeWindow() {
    // The window deletes itself when its native window is destroyed, and then clears m_pWindow.
    m_pWindow = new CEditWnd;
    if (!m_pWindow->Init(this) && m_pWindow != nullptr) {
        // No native window was made, so nothing would ever delete or close it: stay closed, and let
        // the next focus try again.
        delete m_pWindow;
        m_pWindow = nullptr;
    }
    return m_pWindow != nullptr;
}

void CEditUI::SelectAllNative() {
    const int length = std::max(::GetWindowTextLengthW(m_pWindow->GetHWND()), 1);
    ::SendMessageW(m_pWindow->GetHWND(), EM_SETSEL, 0, length);
}

void CEditUI::DoEvent(TEventUI& event) {
    if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
        if (m_pParent != nullptr)
            m_pParent->DoEvent(event);
        else
            CLabelUI::DoEvent(event);
        return;
    }
    switch (event.type) {
        case kEventSetCursor:
            if (IsEnabled()) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
                return;
            }
            break;
        case kEventWindowSize:
            if (m_pWindow != nullptr) {
                // The paint window takes the focus back, which closes the native window; the edit gets
                // the focus again after the layout.
                m_pManager->SetFocusNeeded(this);
                return;
            }
            break;
        case kEventScrollWheel:
            if (m_pWindow != nullptr)
                return;
            break;
        case kEventSetFocus:
            if (IsEnabled()) {
                if (m_pWindow == nullptr)
                    OpenNativeWindow();
                Invalidate();
            }
            break;
        case kEventKillFocus:
            if (IsEnabled())
                Invalidate();
            break;
        case kEventButtonDown:
        case kEventDblClick:
        case kEventRButtonDown:
            if (IsEnabled()) {
                m_pManager->ReleaseCapture();
                if (IsFocused() && m_pWindow == nullptr) {
                    if (OpenNativeWindow() && ::PtInRect(&m_rcItem, event.ptMouse))
                        SelectAllNative();
                } else if (m_pWindow != nullptr) {
                    SelectAllNative();
                }
                return;
            }
            break;
        case kEventMouseMove:
        case kEventButtonUp:
        case kEventContextMenu:
            return;
        case kEventMouseEnter:
            if (IsEnabled()) {
                m_uButtonState |= kStateHot;
                Invalidate();
                return;
            }
            break;
        case kEventMouseLeave:
            if (IsEnabled()) {
                m_uButtonState &= ~static_cast<UINT>(kStateHot);
                Invalidate();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

void CEditUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"readonly") {
        SetReadOnly(ParseSkinBool(pstrValue));
    } else if (name == L"numberonly") {
        SetNumberOnly(ParseSkinBool(pstrValue));
    } else if (name == L"password") {
        SetPasswordMode(ParseSkinBool(pstrValue));
    } else if (name == L"maxchar") {
        SetMaxChar(ParseUnsigned(pstrValue));
    } else if (name == L"normalimage" || name == L"hotimage" || name == L"focusedimage" ||
               name == L"disabledimage" || name == L"hinttext") {
        std::wstring& target = name == L"normalimage"     ? m_sNormalImage
                               : name == L"hotimage"      ? m_sHotImage
                               : name == L"focusedimage"  ? m_sFocusedImage
                               : name == L"disabledimage" ? m_sDisabledImage
                                                          : m_sHintText;
        target = pstrValue;
        Invalidate();
    } else if (name == L"hintcolor") {
        m_dwHintColor = ParseSkinColor(pstrValue);
        Invalidate();
    } else if (name == L"nativecolor") {
        m_dwEditTextColor = ParseSkinColor(pstrValue);
    } else if (name == L"nativebkcolor") {
        m_dwEditBkColor = ParseSkinColor(pstrValue);
    } else {
        CLabelUI::SetAttribute(pstrName, pstrValue);
    }
}

void CEditUI::PaintStatusImage(HDC hDC) {
    if (IsFocused())
        m_uButtonState |= kStateFocused;
    else
        m_uButtonState &= ~static_cast<UINT>(kStateFocused);
    if (!IsEnabled())
        m_uButtonState |= kStateDisabled;
    else
        m_uButtonState &= ~static_cast<UINT>(kStateDisabled);

    // The first image that applies is drawn; one that cannot be drawn is dropped for good.
    auto drawOnce = [&](std::wstring& image) {
        if (image.empty())
            return false;
        if (DrawImage(hDC, image))
            return true;
        image.clear();
        return false;
    };
    if ((m_uButtonState & kStateDisabled) != 0) {
        if (drawOnce(m_sDisabledImage))
            return;
    } else if ((m_uButtonState & kStateFocused) != 0) {
        if (drawOnce(m_sFocusedImage))
            return;
    } else if ((m_uButtonState & kStateHot) != 0) {
        if (drawOnce(m_sHotImage))
            return;
    }
    drawOnce(m_sNormalImage);
}

void CEditUI::PaintText(HDC hDC) {
    if (m_pManager == nullptr)
        return;
    ResolveDefaultColors();
    std::wstring text = m_sText;
    DWORD color = m_dwTextColor;
    if (m_bPasswordMode && !text.empty())
        text.assign(text.size(), m_cPasswordChar);
    if (text.empty()) {
        text = m_sHintText;
        color = m_dwHintColor;
    }
    if (!IsEnabled())
        color = m_dwDisabledTextColor;
    if (text.empty())
        return;
    RECT rc = GetTextRect();
    CRenderKit::DrawText(hDC, m_pManager, rc, text.c_str(), color, m_iFont, m_uTextStyle | DT_SINGLELINE);
}

}  // namespace SkinUI
