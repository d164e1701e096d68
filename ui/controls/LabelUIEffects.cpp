// CLabelUI: the GDI+ text effects (gradient text, one-pixel outline, offset shadow).
#include <windows.h>

#include <gdiplus.h>

#include "ui/controls/LabelUI.h"
#include "ui/core/PaintManagerUI.h"

namespace SkinUI {

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

// GDI+ objects of one paint, released in reverse order whatever happens.
struct EffectObjects {
    GpFont* font = nullptr;
    GpGraphics* graphics = nullptr;
    GpStringFormat* format = nullptr;
    GpLineGradient* shadow = nullptr;
    GpLineGradient* text = nullptr;
    GpLineGradient* stroke = nullptr;
    ~EffectObjects() {
        if (stroke)
            GdipDeleteBrush(stroke);
        if (text)
            GdipDeleteBrush(text);
        if (shadow)
            GdipDeleteBrush(shadow);
        if (format)
            GdipDeleteStringFormat(format);
        if (graphics)
            GdipDeleteGraphics(graphics);
        if (font)
            GdipDeleteFont(font);
    }
};

// The colour's own alpha is replaced by the given one.
ARGB WithAlpha(int alpha, DWORD color) {
    return (static_cast<ARGB>(alpha & 0xFF) << 24) | (color & 0x00FFFFFF);
}

GpLineGradient* MakeGradient(int angle, float length, ARGB from, ARGB to) {
    PointF start(static_cast<REAL>(angle), 0);
    PointF end(0, length);
    GpLineGradient* brush = nullptr;
    GdipCreateLineBrush(&start, &end, from, to, WrapModeTile, &brush);
    return brush;
}

}  // namespace

void CLabelUI::PaintEffectText(HDC hDC) {
    // Started by the first label that paints an effect, not by every label made: loading GDI+ is
    // a cost of the first frame that skins without effects need not pay.
    if (m_gdiplusToken == 0) {
        GdiplusStartupInput input;
        GdiplusStartup(&m_gdiplusToken, &input, nullptr);
    }
    EffectObjects gp;
    LOGFONTA logFont{};
    HFONT hFont = m_pManager->GetFont(m_iFont);
    if (hFont == nullptr || GetObjectA(hFont, sizeof(logFont), &logFont) == 0 ||
        GdipCreateFontFromLogfontA(hDC, &logFont, &gp.font) != Ok) {
        if (GdipCreateFontFromDC(hDC, &gp.font) != Ok)
            return;
    }
    if (GdipCreateFromHDC(hDC, &gp.graphics) != Ok)
        return;
    GdipSetTextRenderingHint(gp.graphics, static_cast<TextRenderingHint>(m_nHintRendering));
    if (GdipCreateStringFormat(0, LANG_NEUTRAL, &gp.format) != Ok)
        return;
    GdipSetStringFormatAlign(gp.format, static_cast<StringAlignment>(m_nEffectHAlign));
    GdipSetStringFormatLineAlign(gp.format, static_cast<StringAlignment>(m_nEffectVAlign));

    const RECT rc = GetTextRect();
    const RectF layout(static_cast<REAL>(rc.left), static_cast<REAL>(rc.top),
                       static_cast<REAL>(rc.right - rc.left), static_cast<REAL>(rc.bottom - rc.top));
    const RectF shadowRect(layout.X + m_fShadowOffset[0], layout.Y + m_fShadowOffset[1], layout.Width,
                           layout.Height);
    const REAL length = m_nGradientLength != 0 ? static_cast<REAL>(m_nGradientLength) : layout.Height;
    const DWORD shadowB = m_dwTextShadowColorB == 0xFFFFFFFF ? m_dwTextShadowColorA : m_dwTextShadowColorB;
    const DWORD text2 = m_dwTextColor1 == 0xFFFFFFFF ? m_dwTextColor : m_dwTextColor1;
    gp.shadow = MakeGradient(m_nGradientAngle, length, WithAlpha(m_nTransShadow, m_dwTextShadowColorA),
                             WithAlpha(m_nTransShadow1, shadowB));
    gp.text = MakeGradient(m_nGradientAngle, length, WithAlpha(m_nTransText, m_dwTextColor),
                           WithAlpha(m_nTransText1, text2));
    const WCHAR* text = m_sEffectText.c_str();

    if (m_bEnableStroke && m_dwStrokeColor != 0) {
        const ARGB strokeColor = WithAlpha(m_nTransStroke, m_dwStrokeColor);
        gp.stroke = MakeGradient(m_nGradientAngle, layout.Height + 2, strokeColor, strokeColor);
        const REAL moves[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        for (const auto& move : moves) {
            const RectF moved(layout.X + move[0], layout.Y + move[1], layout.Width, layout.Height);
            GdipDrawString(gp.graphics, text, -1, gp.font, &moved, gp.format, gp.stroke);
        }
    }
    if (m_bEnableShadow && (m_dwTextShadowColorA != 0 || m_dwTextShadowColorB != 0))
        GdipDrawString(gp.graphics, text, -1, gp.font, &shadowRect, gp.format, gp.shadow);
    GdipDrawString(gp.graphics, text, -1, gp.font, &layout, gp.format, gp.text);
}

}  // namespace SkinUI
