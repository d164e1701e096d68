// CControlUI: painting of background colour, images and border.
#include <algorithm>

#include "ui/core/ClipScope.h"
#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"

namespace SkinUI {

namespace {

constexpr int kTwoColorGradientSteps = 16;
constexpr int kThreeColorGradientSteps = 8;
constexpr DWORD kOpaqueAlpha = 0xFF000000;

// Neutral HSL adjustment: hue 180, saturation and lightness at 100 %.
constexpr short kNeutralHue = 180;
constexpr short kNeutralPercent = 100;

}  // namespace

DWORD CControlUI::GetAdjustColor(DWORD dwColor) const {
    if (!m_bColorHSL)
        return dwColor;
    return CRenderKit::AdjustColor(dwColor, kNeutralHue, kNeutralPercent, kNeutralPercent);
}

bool CControlUI::DrawImage(HDC hDC, const std::wstring& image, LPCWSTR pstrModify) {
    return CRenderKit::DrawImageString(hDC, m_pManager, m_rcItem, m_rcPaint, image.c_str(), pstrModify);
}

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem))
        return;
    auto paintAll = [&] {
        PaintBkColor(hDC);
        PaintBkImage(hDC);
        PaintStatusImage(hDC);
        PaintText(hDC);
        PaintBorder(hDC);
    };
    const SIZE round = GetBorderRound();
    if (round.cx > 0 || round.cy > 0) {
        CClipScope clip(hDC, m_rcPaint, m_rcItem, round.cx, round.cy);
        paintAll();
    } else {
        paintAll();
    }
}

void CControlUI::PaintBkColor(HDC hDC) {
    if (m_dwBackColor == 0)
        return;
    if (m_dwBackColor2 != 0 && m_dwBackColor3 != 0) {
        RECT rc = m_rcItem;
        rc.bottom = (m_rcItem.top + m_rcItem.bottom) / 2;
        CRenderKit::DrawGradient(hDC, rc, GetAdjustColor(m_dwBackColor), GetAdjustColor(m_dwBackColor2),
                                 kThreeColorGradientSteps);
        rc.top = rc.bottom;
        rc.bottom = m_rcItem.bottom;
        CRenderKit::DrawGradient(hDC, rc, GetAdjustColor(m_dwBackColor2), GetAdjustColor(m_dwBackColor3),
                                 kThreeColorGradientSteps);
    } else if (m_dwBackColor2 != 0) {
        CRenderKit::DrawGradient(hDC, m_rcItem, GetAdjustColor(m_dwBackColor), GetAdjustColor(m_dwBackColor2),
                                 kTwoColorGradientSteps);
    } else if (m_dwBackColor >= kOpaqueAlpha) {
        CRenderKit::DrawColor(hDC, m_rcPaint, GetAdjustColor(m_dwBackColor));
    } else {
        // A translucent fill must cover the same area whatever part is repainted, or it would
        // blend twice where paint rectangles overlap; the item rect is the stable choice.
        CRenderKit::DrawColor(hDC, m_rcItem, GetAdjustColor(m_dwBackColor));
    }
}

void CControlUI::PaintBkImage(HDC hDC) {
    if (m_sBkImage.empty())
        return;
    if (!DrawImage(hDC, m_sBkImage))
        m_sBkImage.clear();
}

void CControlUI::PaintStatusImage(HDC hDC) {
    if (m_sForeImage.empty())
        return;
    if (!DrawImage(hDC, m_sForeImage))
        m_sForeImage.clear();
}

void CControlUI::PaintText(HDC hDC) {}

void CControlUI::AddRestingImages(std::vector<std::wstring>& images) const {
    for (const std::wstring* image : {&m_sBkImage, &m_sForeImage}) {
        if (!image->empty())
            images.push_back(*image);
    }
}

void CControlUI::PaintBorder(HDC hDC) {
    if (m_dwBorderColor == 0 && m_dwFocusBorderColor == 0)
        return;
    // A control outside any window has no keyboard use to wait for.
    const bool focusColor = IsFocused() && m_dwFocusBorderColor != 0 &&
                            (m_pManager == nullptr || m_pManager->AreFocusCuesShown());
    const int borderSize = GetBorderSize();
    const SIZE round = GetBorderRound();
    if (borderSize > 0 && (round.cx > 0 || round.cy > 0)) {
        DWORD color = focusColor ? m_dwFocusBorderColor : m_dwBorderColor;
        CRenderKit::DrawRoundRect(hDC, m_rcItem, round.cx, round.cy, borderSize, GetAdjustColor(color));
        return;
    }
    if (focusColor) {
        // Controls drawn from images alone have no border size; the focus still needs a line.
        CRenderKit::DrawRect(hDC, m_rcItem, std::max(borderSize, DpiScale().Scale(1)),
                             GetAdjustColor(m_dwFocusBorderColor));
        return;
    }
    const RECT sizes = GetBorderSizes();
    if (sizes.left > 0 || sizes.top > 0 || sizes.right > 0 || sizes.bottom > 0) {
        const DWORD color = GetAdjustColor(m_dwBorderColor);
        RECT rc;
        if (sizes.left > 0) {
            rc = m_rcItem;
            rc.right = rc.left;
            CRenderKit::DrawLine(hDC, rc, sizes.left, color, m_nBorderStyle);
        }
        if (sizes.top > 0) {
            rc = m_rcItem;
            rc.bottom = rc.top;
            CRenderKit::DrawLine(hDC, rc, sizes.top, color, m_nBorderStyle);
        }
        if (sizes.right > 0) {
            rc = m_rcItem;
            rc.left = rc.right;
            CRenderKit::DrawLine(hDC, rc, sizes.right, color, m_nBorderStyle);
        }
        if (sizes.bottom > 0) {
            rc = m_rcItem;
            rc.top = rc.bottom;
            CRenderKit::DrawLine(hDC, rc, sizes.bottom, color, m_nBorderStyle);
        }
        return;
    }
    if (borderSize > 0)
        CRenderKit::DrawRect(hDC, m_rcItem, borderSize, GetAdjustColor(m_dwBorderColor));
}

}  // namespace SkinUI
