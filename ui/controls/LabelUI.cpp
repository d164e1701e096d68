// CLabelUI: attributes, text, size and the plain GDI text path.
#include "ui/controls/LabelUI.h"

#include <gdiplus.h>

#include <cwchar>

#include "ui/core/AccessibleUI.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

constexpr UINT kEndEllipsis = DT_END_ELLIPSIS;
constexpr int kMaxRenderingHint = 5;
// Room above and below the font's own height.
constexpr int kLabelHeightExtra = 4;

// "align" words, looked for as substrings in this order; "vcenter" therefore also matches "center"
// and "vleft" also matches "left", as skins written for this library expect.
UINT ApplyAlign(UINT style, const std::wstring& value) {
    auto has = [&](const wchar_t* word) { return value.find(word) != std::wstring::npos; };
    if (has(L"left"))
        style &= ~(DT_CENTER | DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    if (has(L"center")) {
        style &= ~DT_RIGHT;
        style |= DT_CENTER;
    }
    if (has(L"right")) {
        style &= ~(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        style |= DT_RIGHT;
    }
    if (has(L"top")) {
        style &= ~(DT_VCENTER | DT_BOTTOM);
        style |= DT_SINGLELINE;
    }
    if (has(L"vcenter")) {
        style &= ~DT_BOTTOM;
        style |= DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    }
    if (has(L"bottom")) {
        style &= ~DT_VCENTER;
        style |= DT_BOTTOM | DT_SINGLELINE;
    }
    if (has(L"vleft")) {
        style &= ~(DT_CENTER | DT_RIGHT | DT_SINGLELINE);
        style |= DT_VCENTER;
    }
    return style;
}

}  // namespace

CLabelUI::CLabelUI() = default;

CLabelUI::~CLabelUI() {
    if (m_gdiplusToken != 0)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
}

LPCWSTR CLabelUI::GetClass() const {
    return L"LabelUI";
}

LPVOID CLabelUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"Label") == 0)
        return this;
    return CControlUI::GetInterface(pstrName);
}

std::wstring CLabelUI::GetText() const {
    try {
        return m_bEnableEffect ? m_sEffectText : CControlUI::GetText();
    } catch (...) {
        throw "CLabelUI::GetText";
    }
}

void CLabelUI::SetText(const std::wstring& text) {
    try {
        const bool changed = text != GetText();
        if (m_bEnableEffect)
            m_sEffectText = text;
        else
            CControlUI::SetText(text);
        // The text is what a reader calls the label, unless the skin names it.
        if (changed && m_sAccName.empty())
            CAccessibleUI::NotifyEvent(this, EVENT_OBJECT_NAMECHANGE);
    } catch (...) {
        throw "CLabelUI::SetText";
    }
}

long CLabelUI::GetAccDefaultRole() const {
    return ROLE_SYSTEM_STATICTEXT;
}

void CLabelUI::DoEvent(TEventUI& event) {
    // Focus only changes the flag: a label has no focused look to repaint.
    if (event.type == kEventSetFocus) {
        m_bFocused = true;
        return;
    }
    if (event.type == kEventKillFocus) {
        m_bFocused = false;
        return;
    }
    CControlUI::DoEvent(event);
}

void CLabelUI::SetTextColor(DWORD dwTextColor) {
    m_dwTextColor = dwTextColor;
    Invalidate();
}

void CLabelUI::SetTextPadding(RECT rc) {
    m_rcTextPadding = rc;
    Invalidate();
}

POINT CLabelUI::GetShadowOffset() const {
    return POINT{static_cast<LONG>(m_fShadowOffset[0]), static_cast<LONG>(m_fShadowOffset[1])};
}

void CLabelUI::SetShadowOffset(int offset, int angle) {
    if (angle < -180 || angle > 180)
        return;
    LONG top = m_rcItem.top;
    LONG left = m_rcItem.left;
    if (angle >= 0 && angle <= 180)
        top -= offset;
    else if (angle >= -179 && angle <= -1)
        top += offset;
    if (angle >= -89 && angle <= 90)
        left -= offset;
    else if (angle >= 91 || angle <= -91)
        left += offset;
    // The x offset takes the vertical result and y the horizontal one; skins tuned for this library
    // depend on that pairing.
    m_fShadowOffset[0] = static_cast<float>(top);
    m_fShadowOffset[1] = static_cast<float>(left);
}

void CLabelUI::SetTextRenderingHint(int hint) {
    m_nHintRendering = (hint < 0 || hint > kMaxRenderingHint) ? 0 : hint;
}

void CLabelUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"align") {
        m_uTextStyle = ApplyAlign(m_uTextStyle, pstrValue);
    } else if (name == L"endellipsis") {
        if (ParseSkinBool(pstrValue))
            m_uTextStyle |= kEndEllipsis;
        else
            m_uTextStyle &= ~kEndEllipsis;
        Invalidate();
    } else if (name == L"font") {
        m_iFont = ParseSkinInt(pstrValue);
        Invalidate();
    } else if (name == L"textcolor") {
        SetTextColor(ParseSkinColor(pstrValue));
    } else if (name == L"disabledtextcolor") {
        m_dwDisabledTextColor = ParseSkinColor(pstrValue);
        Invalidate();
    } else if (name == L"textpadding") {
        SetTextPadding(ParseSkinRect(pstrValue));
    } else if (name == L"showhtml") {
        const bool show = ParseSkinBool(pstrValue);
        if (show != m_bShowHtml) {
            m_bShowHtml = show;
            Invalidate();
        }
    } else if (name == L"enabledeffect") {
        m_bEnableEffect = ParseSkinBool(pstrValue);
    } else if (name == L"enabledstroke") {
        m_bEnableStroke = ParseSkinBool(pstrValue);
    } else if (name == L"enabledshadow") {
        m_bEnableShadow = ParseSkinBool(pstrValue);
    } else if (name == L"rhaa") {
        SetTextRenderingHint(ParseSkinInt(pstrValue));
    } else if (name == L"transshadow") {
        m_nTransShadow = ParseSkinInt(pstrValue);
    } else if (name == L"transtext") {
        m_nTransText = ParseSkinInt(pstrValue);
    } else if (name == L"transshadow1") {
        m_nTransShadow1 = ParseSkinInt(pstrValue);
    } else if (name == L"transtext1") {
        m_nTransText1 = ParseSkinInt(pstrValue);
    } else if (name == L"transstroke") {
        m_nTransStroke = ParseSkinInt(pstrValue);
    } else if (name == L"gradientangle") {
        m_nGradientAngle = ParseSkinInt(pstrValue);
    } else if (name == L"gradientlength") {
        m_nGradientLength = ParseSkinInt(pstrValue);
    } else if (name == L"shadowoffset") {
        int values[2] = {0, 0};
        ParseSkinInts(pstrValue, values, 2);
        SetShadowOffset(values[0], values[1]);
    } else if (name == L"textcolor1") {
        m_dwTextColor1 = ParseSkinColor(pstrValue);
    } else if (name == L"textshadowcolora") {
        m_dwTextShadowColorA = ParseSkinColor(pstrValue);
    } else if (name == L"textshadowcolorb") {
        m_dwTextShadowColorB = ParseSkinColor(pstrValue);
    } else if (name == L"strokecolor") {
        m_dwStrokeColor = ParseSkinColor(pstrValue);
    } else {
        CControlUI::SetAttribute(pstrName, pstrValue);
    }
}

int CLabelUI::GetFontHeight() const {
    if (m_pManager == nullptr)
        return 0;
    const TFontInfo* info = m_pManager->GetFontInfo(m_iFont);
    return info != nullptr ? info->tm.tmHeight : 0;
}

SIZE CLabelUI::EstimateSize(SIZE szAvailable) {
    if (m_cxyFixed.cy == 0)
        return SIZE{GetFixedWidth(), GetFontHeight() + DpiScale().Scale(kLabelHeightExtra)};
    return CControlUI::EstimateSize(szAvailable);
}

void CLabelUI::ResolveDefaultColors() {
    if (m_pManager == nullptr)
        return;
    if (m_dwTextColor == 0)
        m_dwTextColor = m_pManager->GetDefaultFontColor();
    if (m_dwDisabledTextColor == 0)
        m_dwDisabledTextColor = m_pManager->GetDefaultDisabledColor();
}

RECT CLabelUI::GetTextRect() const {
    RECT rc = m_rcItem;
    const RECT padding = GetTextPadding();
    rc.left += padding.left;
    rc.right -= padding.right;
    rc.top += padding.top;
    rc.bottom -= padding.bottom;
    return rc;
}

void CLabelUI::PaintText(HDC hDC) {
    if (m_pManager == nullptr)
        return;
    ResolveDefaultColors();
    if (m_bEnableEffect) {
        PaintEffectText(hDC);
        return;
    }
    if (m_sText.empty())
        return;
    RECT rc = GetTextRect();
    const DWORD color = IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
    if (m_bShowHtml) {
        int links = 0;
        CRenderKit::DrawHtmlText(hDC, m_pManager, rc, m_sText.c_str(), color, nullptr, nullptr, links,
                                 m_uTextStyle);
    } else {
        CRenderKit::DrawText(hDC, m_pManager, rc, m_sText.c_str(), color, m_iFont,
                             m_uTextStyle | DT_SINGLELINE);
    }
}

}  // namespace SkinUI
