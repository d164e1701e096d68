// CButtonUI: state tracking from input, "click", and per-state painting.
#include "ui/controls/ButtonUI.h"

#include <oleacc.h>

#include <cwchar>

#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

// Room above and below the font's own height.
constexpr int kButtonHeightExtra = 8;

}  // namespace

CButtonUI::CButtonUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

LPCWSTR CButtonUI::GetClass() const {
    return L"ButtonUI";
}

LPVOID CButtonUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"Button") == 0)
        return this;
    return CLabelUI::GetInterface(pstrName);
}

UINT CButtonUI::GetControlFlags() const {
    UINT flags = 0;
    if (IsKeyboardEnabled())
        flags |= kFlagTabStop;
    if (IsEnabled())
        flags |= kFlagSetCursor;
    return flags;
}

bool CButtonUI::Activate() {
    if (!CLabelUI::Activate())
        return false;
    if (m_pManager != nullptr)
        m_pManager->SendNotify(this, L"click");
    return true;
}

void CButtonUI::SetEnabled(bool bEnable) {
    CLabelUI::SetEnabled(bEnable);
    if (!IsEnabled())
        m_uButtonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event) {
    if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
        if (m_pParent != nullptr)
            m_pParent->DoEvent(event);
        else
            CLabelUI::DoEvent(event);
        return;
    }
    const bool inside = ::PtInRect(&m_rcItem, event.ptMouse) != FALSE;
    switch (event.type) {
        case kEventSetFocus:
        case kEventKillFocus:
            Invalidate();
            break;
        case kEventKeyDown:
            if (IsKeyboardEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
                Activate();
                return;
            }
            break;
        case kEventButtonDown:
        case kEventDblClick:
            if (inside && IsEnabled()) {
                m_uButtonState |= kStatePushed | kStateCaptured;
                Invalidate();
            }
            return;
        case kEventMouseMove:
            if ((m_uButtonState & kStateCaptured) != 0) {
                if (inside)
                    m_uButtonState |= kStatePushed;
                else
                    m_uButtonState &= ~kStatePushed;
                Invalidate();
            }
            return;
        case kEventButtonUp:
            if ((m_uButtonState & kStateCaptured) != 0) {
                // Released elsewhere: the press is abandoned without a click.
                if (inside)
                    Activate();
                m_uButtonState &= ~(kStatePushed | kStateCaptured);
                Invalidate();
            }
            return;
        case kEventContextMenu:
            if (IsContextMenuUsed() && m_pManager != nullptr)
                m_pManager->SendNotify(this, L"menu", event.wParam, event.lParam);
            return;
        case kEventMouseEnter:
            if (m_bFadeEnabled && IsEnabled()) {
                StartFade(Fade::kIn);
                return;
            }
            if (IsEnabled()) {
                m_uButtonState |= kStateHot;
                Invalidate();
            }
            break;
        case kEventMouseLeave:
            if (m_bFadeEnabled && IsEnabled()) {
                StartFade(Fade::kOut);
                return;
            }
            if (IsEnabled()) {
                m_uButtonState &= ~kStateHot;
                Invalidate();
            }
            break;
        case kEventSetCursor:
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return;
        case kEventTimer:
            if (event.wParam == kFadeTimerId) {
                StepFade();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

long CButtonUI::GetAccDefaultRole() const {
    return ROLE_SYSTEM_PUSHBUTTON;
}

std::wstring CButtonUI::GetAccDefaultAction() const {
    // The verbs Windows gives a link and a push button.
    return GetAccRole() == ROLE_SYSTEM_LINK ? L"跳转" : L"按下";
}

void CButtonUI::SetNormalImage(const std::wstring& image) {
    AssignImage(m_sNormalImage, image);
}

void CButtonUI::SetHotImage(const std::wstring& image) {
    AssignImage(m_sHotImage, image);
}

void CButtonUI::SetHotForeImage(const std::wstring& image) {
    AssignImage(m_sHotForeImage, image);
}

void CButtonUI::SetPushedImage(const std::wstring& image) {
    AssignImage(m_sPushedImage, image);
}

void CButtonUI::SetFocusedImage(const std::wstring& image) {
    AssignImage(m_sFocusedImage, image);
}

void CButtonUI::SetDisabledImage(const std::wstring& image) {
    AssignImage(m_sDisabledImage, image);
}

void CButtonUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"normalimage") {
        SetNormalImage(pstrValue);
    } else if (name == L"hotimage") {
        SetHotImage(pstrValue);
    } else if (name == L"pushedimage") {
        SetPushedImage(pstrValue);
    } else if (name == L"focusedimage") {
        SetFocusedImage(pstrValue);
    } else if (name == L"disabledimage") {
        SetDisabledImage(pstrValue);
    } else if (name == L"hotforeimage") {
        SetHotForeImage(pstrValue);
    } else if (name == L"foreimage") {
        AssignImage(m_sForeImage, pstrValue);
    } else if (name == L"hotbkcolor") {
        m_dwHotBkColor = ParseSkinColor(pstrValue);
    } else if (name == L"hottextcolor") {
        m_dwHotTextColor = ParseSkinColor(pstrValue);
    } else if (name == L"pushedtextcolor") {
        m_dwPushedTextColor = ParseSkinColor(pstrValue);
    } else if (name == L"focusedtextcolor") {
        m_dwFocusedTextColor = ParseSkinColor(pstrValue);
    } else if (name == L"hotfont") {
        m_iHotFont = ParseSkinInt(pstrValue);
    } else if (name == L"pushedfont") {
        m_iPushedFont = ParseSkinInt(pstrValue);
    } else if (name == L"focusedfont") {
        m_iFocusedFont = ParseSkinInt(pstrValue);
    } else if (name == L"fadeeffect") {
        m_bFadeEnabled = ParseSkinBool(pstrValue);
        m_nFadeFrame = 0;
    } else {
        CLabelUI::SetAttribute(pstrName, pstrValue);
    }
}

SIZE CButtonUI::EstimateSize(SIZE szAvailable) {
    if (m_cxyFixed.cy == 0)
        return SIZE{GetFixedWidth(), GetFontHeight() + DpiScale().Scale(kButtonHeightExtra)};
    return CControlUI::EstimateSize(szAvailable);
}

void CButtonUI::UpdateFocusAndDisabledBits() {
    if (IsFocused())
        m_uButtonState |= kStateFocused;
    else
        m_uButtonState &= ~kStateFocused;
    if (!IsEnabled())
        m_uButtonState |= kStateDisabled;
    else
        m_uButtonState &= ~kStateDisabled;
}

void CButtonUI::AssignImage(std::wstring& slot, const std::wstring& image) {
    slot = image;
    Invalidate();
}

bool CButtonUI::DrawStateImage(HDC hDC, std::wstring& image) {
    if (image.empty())
        return false;
    if (DrawImage(hDC, image))
        return true;
    image.clear();
    return false;
}

bool CButtonUI::PaintStateColor(HDC hDC, DWORD color) {
    if (color == 0)
        return false;
    CRenderKit::DrawColor(hDC, m_rcPaint, GetAdjustColor(color));
    return true;
}

void CButtonUI::AddRestingImages(std::vector<std::wstring>& images) const {
    CLabelUI::AddRestingImages(images);
    for (const std::wstring* image : {&m_sNormalImage, &m_sFocusedImage, &m_sDisabledImage}) {
        if (!image->empty())
            images.push_back(*image);
    }
}

void CButtonUI::PaintStatusImage(HDC hDC) {
    UpdateFocusAndDisabledBits();
    std::wstring* foreImage = &m_sForeImage;
    // A pushed or hot image stands for its state even when it fails to draw; a disabled or focused
    // image falls back to the normal one.
    bool stateShown = false;
    if ((m_uButtonState & kStateDisabled) != 0) {
        stateShown = DrawStateImage(hDC, m_sDisabledImage);
    } else if ((m_uButtonState & kStatePushed) != 0) {
        if (!m_sPushedImage.empty()) {
            DrawStateImage(hDC, m_sPushedImage);
            stateShown = true;
            if (!m_sPushedForeImage.empty())
                foreImage = &m_sPushedForeImage;
        }
    } else if ((m_uButtonState & kStateHot) != 0) {
        if (!m_sHotImage.empty()) {
            DrawStateImage(hDC, m_sHotImage);
            stateShown = true;
            if (!m_sHotForeImage.empty())
                foreImage = &m_sHotForeImage;
        } else if (PaintStateColor(hDC, m_dwHotBkColor)) {
            return;
        }
    } else if ((m_uButtonState & kStateFocused) != 0) {
        stateShown = DrawStateImage(hDC, m_sFocusedImage);
    }
    if (!stateShown) {
        if (m_bFadeEnabled && !m_sNormalImage.empty())
            PaintFadeImages(hDC);
        else
            DrawStateImage(hDC, m_sNormalImage);
    }
    DrawStateImage(hDC, *foreImage);
}

void CButtonUI::StartFade(Fade direction) {
    // Entering again while fading in (or leaving while fading out) lets the running fade finish.
    if (m_bFading && m_fadeState == direction)
        return;
    m_uFadeAlpha = 0;
    if (direction == Fade::kOut)
        m_sLastFadeImage.clear();
    m_fadeState = direction;
    m_bFadeStarted = true;
    m_nFadeFrame = 0;
    if (m_pManager == nullptr) {
        // Nothing drives frames without a window: show where the fade would end.
        m_bFading = false;
        m_sLastFadeImage = direction == Fade::kIn ? m_sHotImage : m_sNormalImage;
    } else {
        // False when the timer still runs from the previous fade, which serves as well.
        m_pManager->SetTimer(this, kFadeTimerId, kFadeIntervalMs);
        m_bFading = true;
    }
    Invalidate();
}

void CButtonUI::StepFade() {
    if (!m_bFading)
        return;
    ++m_nFadeFrame;
    const int alpha = 255 * m_nFadeFrame / kFadeFrames;
    m_uFadeAlpha = static_cast<BYTE>(alpha == 0 ? 10 : alpha);
    if (m_nFadeFrame >= kFadeFrames) {
        m_bFading = false;
        if (m_pManager != nullptr)
            m_pManager->KillTimer(this, kFadeTimerId);
        m_sLastFadeImage = m_fadeState == Fade::kIn ? m_sHotImage : m_sNormalImage;
    }
    Invalidate();
}

namespace {

// The image string with a constant opacity; a bare file name is turned into its item form first.
std::wstring WithFade(const std::wstring& image, int fade) {
    std::wstring items = image.find(L'=') == std::wstring::npos ? L"file='" + image + L"'" : image;
    const size_t old = items.find(L" fade='");
    if (old != std::wstring::npos) {
        const size_t end = items.find(L'\'', old + 7);
        items.erase(old, end == std::wstring::npos ? std::wstring::npos : end + 1 - old);
    }
    return items + L" fade='" + std::to_wstring(fade) + L"'";
}

}  // namespace

void CButtonUI::PaintFadeImages(HDC hDC) {
    if (!m_bFading) {
        DrawStateImage(hDC, m_sLastFadeImage.empty() ? m_sNormalImage : m_sLastFadeImage);
        return;
    }
    if (m_bFadeStarted) {
        m_bFadeStarted = false;
        if (m_fadeState == Fade::kIn)
            m_sLastFadeImage = m_sHotImage;
        else
            m_sLastFadeImage = m_sNormalImage;
        DrawStateImage(hDC, m_sHotImage.empty() ? m_sNormalImage : m_sHotImage);
        return;
    }
    const std::wstring& from = m_fadeState == Fade::kIn ? m_sNormalImage : m_sHotImage;
    const std::wstring& to = m_fadeState == Fade::kIn ? m_sHotImage : m_sNormalImage;
    if (!from.empty())
        DrawImage(hDC, WithFade(from, 255 - m_uFadeAlpha));
    if (!to.empty())
        DrawImage(hDC, WithFade(to, m_uFadeAlpha));
}

void CButtonUI::DrawButtonText(HDC hDC, DWORD color, int font) {
    RECT rc = GetTextRect();
    if (m_bShowHtml) {
        int links = 0;
        CRenderKit::DrawHtmlText(hDC, m_pManager, rc, m_sText.c_str(), color, nullptr, nullptr, links,
                                 m_uTextStyle);
    } else {
        CRenderKit::DrawText(hDC, m_pManager, rc, m_sText.c_str(), color, font, m_uTextStyle);
    }
}

DWORD CButtonUI::GetStateTextColor() const {
    if ((m_uButtonState & kStatePushed) != 0 && m_dwPushedTextColor != 0)
        return m_dwPushedTextColor;
    if ((m_uButtonState & kStateHot) != 0 && m_dwHotTextColor != 0)
        return m_dwHotTextColor;
    if ((m_uButtonState & kStateFocused) != 0 && m_dwFocusedTextColor != 0)
        return m_dwFocusedTextColor;
    return IsEnabled() ? m_dwTextColor : m_dwDisabledTextColor;
}

int CButtonUI::GetStateFont() const {
    if ((m_uButtonState & kStatePushed) != 0 && m_iPushedFont != -1)
        return m_iPushedFont;
    if ((m_uButtonState & kStateHot) != 0 && m_iHotFont != -1)
        return m_iHotFont;
    if ((m_uButtonState & kStateFocused) != 0 && m_iFocusedFont != -1)
        return m_iFocusedFont;
    return m_iFont;
}

void CButtonUI::PaintText(HDC hDC) {
    UpdateFocusAndDisabledBits();
    if (m_pManager == nullptr)
        return;
    ResolveDefaultColors();
    if (m_sText.empty())
        return;
    DrawButtonText(hDC, GetStateTextColor(), GetStateFont());
}

}  // namespace SkinUI
