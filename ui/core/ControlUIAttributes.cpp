// CControlUI: skin attributes and attribute lists.
#include <string>

#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

// Background colours tolerate leading blanks; the other colours do not.
DWORD ParseBkColor(LPCWSTR value) {
    while (*value != L'\0' && *value <= L' ')
        ++value;
    return ParseSkinColor(value);
}

}  // namespace

void CControlUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"pos") {
        RECT rc = ParseSkinRect(pstrValue);
        SIZE xy = {rc.left >= 0 ? rc.left : rc.right, rc.top >= 0 ? rc.top : rc.bottom};
        SetFixedXY(xy);
        SetFixedWidth(rc.right - rc.left);
        SetFixedHeight(rc.bottom - rc.top);
    } else if (name == L"relativepos") {
        RECT rc = ParseSkinRect(pstrValue);
        SetRelativePos(SIZE{rc.left, rc.top}, SIZE{rc.right, rc.bottom});
    } else if (name == L"padding") {
        SetPadding(ParseSkinRect(pstrValue));
    } else if (name == L"bkcolor" || name == L"bkcolor1") {
        SetBkColor(ParseBkColor(pstrValue));
    } else if (name == L"bkcolor2") {
        SetBkColor2(ParseBkColor(pstrValue));
    } else if (name == L"bkcolor3") {
        SetBkColor3(ParseBkColor(pstrValue));
    } else if (name == L"bordercolor") {
        SetBorderColor(ParseSkinColor(pstrValue));
    } else if (name == L"focusbordercolor") {
        SetFocusBorderColor(ParseSkinColor(pstrValue));
    } else if (name == L"colorhsl") {
        SetColorHSL(ParseSkinBool(pstrValue));
    } else if (name == L"bordersize") {
        if (wcschr(pstrValue, L',') == nullptr) {
            SetBorderSize(ParseSkinInt(pstrValue));
            SetBorderSizes(RECT{0, 0, 0, 0});
        } else {
            SetBorderSizes(ParseSkinRect(pstrValue));
        }
    } else if (name == L"leftbordersize") {
        m_rcBorderSize.left = ParseSkinInt(pstrValue);
        Invalidate();
    } else if (name == L"topbordersize") {
        m_rcBorderSize.top = ParseSkinInt(pstrValue);
        Invalidate();
    } else if (name == L"rightbordersize") {
        m_rcBorderSize.right = ParseSkinInt(pstrValue);
        Invalidate();
    } else if (name == L"bottombordersize") {
        m_rcBorderSize.bottom = ParseSkinInt(pstrValue);
        Invalidate();
    } else if (name == L"borderstyle") {
        SetBorderStyle(ParseSkinInt(pstrValue));
    } else if (name == L"borderround") {
        SetBorderRound(ParseSkinSize(pstrValue));
    } else if (name == L"bkimage") {
        SetBkImage(pstrValue);
    } else if (name == L"foreimage") {
        SetForeImage(pstrValue);
    } else if (name == L"width") {
        SetFixedWidth(ParseSkinInt(pstrValue));
    } else if (name == L"height") {
        SetFixedHeight(ParseSkinInt(pstrValue));
    } else if (name == L"minwidth") {
        SetMinWidth(ParseSkinInt(pstrValue));
    } else if (name == L"minheight") {
        SetMinHeight(ParseSkinInt(pstrValue));
    } else if (name == L"maxwidth") {
        SetMaxWidth(ParseSkinInt(pstrValue));
    } else if (name == L"maxheight") {
        SetMaxHeight(ParseSkinInt(pstrValue));
    } else if (name == L"name") {
        SetName(pstrValue);
    } else if (name == L"text") {
        SetText(pstrValue);
    } else if (name == L"tooltip") {
        SetToolTip(pstrValue);
    } else if (name == L"userdata") {
        SetUserData(pstrValue);
    } else if (name == L"enabled") {
        SetEnabled(ParseSkinBool(pstrValue));
    } else if (name == L"mouse") {
        SetMouseEnabled(ParseSkinBool(pstrValue));
    } else if (name == L"keyboard") {
        SetKeyboardEnabled(ParseSkinBool(pstrValue));
    } else if (name == L"visible") {
        SetVisible(ParseSkinBool(pstrValue));
    } else if (name == L"float") {
        SetFloat(ParseSkinBool(pstrValue));
    } else if (name == L"shortcut") {
        SetShortcut(pstrValue[0]);
    } else if (name == L"menu") {
        SetContextMenuUsed(ParseSkinBool(pstrValue));
    } else if (name == L"virtualwnd") {
        SetVirtualWnd(pstrValue);
    } else if (name == L"accname") {
        m_sAccName = pstrValue;
    } else if (name == L"accrole") {
        m_nAccRole = ParseAccRole(pstrValue);
    }
}

CControlUI* CControlUI::ApplyAttributeList(LPCWSTR pstrList) {
    const wchar_t* p = pstrList;
    std::wstring name;
    std::wstring value;
    while (p != nullptr && *p != L'\0') {
        name.clear();
        value.clear();
        while (*p != L'\0' && *p != L'=')
            name += *p++;
        if (*p != L'=' || *(p + 1) != L'"')
            break;
        p += 2;
        while (*p != L'\0' && *p != L'"')
            value += *p++;
        if (*p != L'"')
            break;
        ++p;
        SetAttribute(name.c_str(), value.c_str());
        if (*p != L' ')
            break;
        ++p;
    }
    return this;
}

void CControlUI::SetBkColor(DWORD dwColor) {
    if (m_dwBackColor == dwColor)
        return;
    m_dwBackColor = dwColor;
    Invalidate();
}

void CControlUI::SetBkColor2(DWORD dwColor) {
    if (m_dwBackColor2 == dwColor)
        return;
    m_dwBackColor2 = dwColor;
    Invalidate();
}

void CControlUI::SetBkColor3(DWORD dwColor) {
    if (m_dwBackColor3 == dwColor)
        return;
    m_dwBackColor3 = dwColor;
    Invalidate();
}

void CControlUI::SetBkImage(const std::wstring& image) {
    if (m_sBkImage == image)
        return;
    m_sBkImage = image;
    Invalidate();
}

void CControlUI::SetForeImage(const std::wstring& image) {
    if (m_sForeImage == image)
        return;
    m_sForeImage = image;
    Invalidate();
}

void CControlUI::SetBorderColor(DWORD dwColor) {
    if (m_dwBorderColor == dwColor)
        return;
    m_dwBorderColor = dwColor;
    Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD dwColor) {
    if (m_dwFocusBorderColor == dwColor)
        return;
    m_dwFocusBorderColor = dwColor;
    Invalidate();
}

void CControlUI::SetColorHSL(bool bColorHSL) {
    if (m_bColorHSL == bColorHSL)
        return;
    m_bColorHSL = bColorHSL;
    Invalidate();
}

void CControlUI::SetBorderSize(int nSize) {
    if (m_nBorderSize == nSize)
        return;
    m_nBorderSize = nSize;
    Invalidate();
}

void CControlUI::SetBorderSizes(RECT rc) {
    m_rcBorderSize = rc;
    Invalidate();
}

void CControlUI::SetBorderStyle(int nStyle) {
    m_nBorderStyle = nStyle;
    Invalidate();
}

void CControlUI::SetBorderRound(SIZE cxyRound) {
    m_cxyBorderRound = cxyRound;
    Invalidate();
}

}  // namespace SkinUI
