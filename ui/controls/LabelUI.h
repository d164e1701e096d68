#pragma once
// A text in a rectangle: font from the window's table, colours for the enabled and disabled look,
// alignment, padding, optional HTML-like markup, and an anti-aliased GDI+ path with gradient, outline
// and shadow ("text effects"). The base of buttons, options, progress bars and edit boxes.
// UI thread only.
#include <windows.h>

#include <string>

#include "ui/core/ControlUI.h"

namespace SkinUI {

class CLabelUI : public CControlUI {
public:
    CLabelUI();
    ~CLabelUI() override;

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    // Both throw a narrow string naming the operation if anything inside them throws.
    std::wstring GetText() const override;
    void SetText(const std::wstring& text) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    SIZE EstimateSize(SIZE szAvailable) override;
    void PaintText(HDC hDC) override;

    UINT GetTextStyle() const { return m_uTextStyle; }
    void SetTextStyle(UINT uStyle) { m_uTextStyle = uStyle; }
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD dwTextColor);
    DWORD GetDisabledTextColor() const { return m_dwDisabledTextColor; }
    void SetDisabledTextColor(DWORD dwColor) { m_dwDisabledTextColor = dwColor; }
    int GetFont() const { return m_iFont; }
    void SetFont(int index) { m_iFont = index; }
    RECT GetTextPadding() const { return DpiScale().Scale(m_rcTextPadding); }
    void SetTextPadding(RECT rc);
    bool IsShowHtml() const { return m_bShowHtml; }
    void SetShowHtml(bool bShowHtml) { m_bShowHtml = bShowHtml; }

    bool IsEffectEnabled() const { return m_bEnableEffect; }
    void SetEnabledEffect(bool bEnable) { m_bEnableEffect = bEnable; }
    bool IsStrokeEnabled() const { return m_bEnableStroke; }
    void SetEnabledStroke(bool bEnable) { m_bEnableStroke = bEnable; }
    bool IsShadowEnabled() const { return m_bEnableShadow; }
    void SetEnabledShadow(bool bEnable) { m_bEnableShadow = bEnable; }
    int GetTransShadow() const { return m_nTransShadow; }
    void SetTransShadow(int alpha) { m_nTransShadow = alpha; }
    int GetTransShadow1() const { return m_nTransShadow1; }
    void SetTransShadow1(int alpha) { m_nTransShadow1 = alpha; }
    int GetTransText() const { return m_nTransText; }
    void SetTransText(int alpha) { m_nTransText = alpha; }
    int GetTransText1() const { return m_nTransText1; }
    void SetTransText1(int alpha) { m_nTransText1 = alpha; }
    int GetTransStroke() const { return m_nTransStroke; }
    void SetTransStroke(int alpha) { m_nTransStroke = alpha; }
    int GetGradientLength() const { return m_nGradientLength; }
    void SetGradientLength(int length) { m_nGradientLength = length; }
    int GetGradientAngle() const { return m_nGradientAngle; }
    void SetGradientAngle(int angle) { m_nGradientAngle = angle; }
    DWORD GetTextColor1() const { return m_dwTextColor1; }
    void SetTextColor1(DWORD dwColor) { m_dwTextColor1 = dwColor; }
    DWORD GetTextShadowColorA() const { return m_dwTextShadowColorA; }
    void SetTextShadowColorA(DWORD dwColor) { m_dwTextShadowColorA = dwColor; }
    DWORD GetTextShadowColorB() const { return m_dwTextShadowColorB; }
    void SetTextShadowColorB(DWORD dwColor) { m_dwTextShadowColorB = dwColor; }
    DWORD GetStrokeColor() const { return m_dwStrokeColor; }
    void SetStrokeColor(DWORD dwColor) { m_dwStrokeColor = dwColor; }
    // Offset of the shadow text from the text, in pixels (x, y).
    POINT GetShadowOffset() const;
    // From a distance and an angle in degrees, relative to the control's current top-left corner.
    void SetShadowOffset(int offset, int angle);
    int GetTextRenderingHint() const { return m_nHintRendering; }
    void SetTextRenderingHint(int hint);

protected:
    long GetAccDefaultRole() const override;

    // Replaces unset colours by the manager's defaults, for good.
    void ResolveDefaultColors();
    // The text rectangle: the item rectangle less the text padding.
    RECT GetTextRect() const;
    // Height of this label's font as measured by the manager; 0 without a manager.
    int GetFontHeight() const;
    void PaintEffectText(HDC hDC);

    DWORD m_dwTextColor = 0;
    DWORD m_dwDisabledTextColor = 0;
    int m_iFont = -1;
    UINT m_uTextStyle = DT_VCENTER;
    RECT m_rcTextPadding = {0, 0, 0, 0};
    bool m_bShowHtml = false;

    // Text effects (GDI+). Alignments are GDI+ string alignments: 0 near, 1 centre, 2 far.
    int m_nEffectHAlign = 1;
    int m_nEffectVAlign = 1;
    int m_nTransShadow = 60;
    int m_nTransShadow1 = 60;
    int m_nTransText = 168;
    int m_nTransText1 = 168;
    int m_nTransStroke = 255;
    int m_nGradientLength = 0;
    int m_nGradientAngle = 0;
    bool m_bEnableEffect = false;
    bool m_bEnableStroke = false;
    bool m_bEnableShadow = false;
    // 0xFFFFFFFF means "the same as the first colour" for the second gradient colours.
    DWORD m_dwTextColor1 = 0xFFFFFFFF;
    DWORD m_dwTextShadowColorA = 0xFF000000;
    DWORD m_dwTextShadowColorB = 0xFFFFFFFF;
    DWORD m_dwStrokeColor = 0;
    float m_fShadowOffset[4] = {0, 0, 0, 0};
    std::wstring m_sEffectText;
    ULONG_PTR m_gdiplusToken = 0;
    int m_nHintRendering = 0;
};

}  // namespace SkinUI
