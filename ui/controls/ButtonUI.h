#pragma once
// A label that reacts to the mouse and keyboard: tracks hot, pushed, focused and disabled states,
// paints an image (or colour, text colour, font) per state and sends "click" when released over it
// or activated with space or return. UI thread only.
#include <windows.h>

#include <string>

#include "ui/controls/LabelUI.h"

namespace SkinUI {

class CButtonUI : public CLabelUI {
public:
    CButtonUI();

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetEnabled(bool bEnable = true) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    SIZE EstimateSize(SIZE szAvailable) override;
    void PaintText(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;
    void AddRestingImages(std::vector<std::wstring>& images) const override;
    std::wstring GetAccDefaultAction() const override;

    // kStateFocused, kStateSelected, kStateDisabled, kStateHot, kStatePushed, kStateCaptured.
    UINT GetButtonState() const { return m_uButtonState; }

    const std::wstring& GetNormalImage() const { return m_sNormalImage; }
    void SetNormalImage(const std::wstring& image);
    const std::wstring& GetHotImage() const { return m_sHotImage; }
    void SetHotImage(const std::wstring& image);
    const std::wstring& GetHotForeImage() const { return m_sHotForeImage; }
    void SetHotForeImage(const std::wstring& image);
    const std::wstring& GetPushedImage() const { return m_sPushedImage; }
    void SetPushedImage(const std::wstring& image);
    const std::wstring& GetFocusedImage() const { return m_sFocusedImage; }
    void SetFocusedImage(const std::wstring& image);
    const std::wstring& GetDisabledImage() const { return m_sDisabledImage; }
    void SetDisabledImage(const std::wstring& image);
    DWORD GetHotBkColor() const { return m_dwHotBkColor; }
    void SetHotBkColor(DWORD dwColor) { m_dwHotBkColor = dwColor; }
    DWORD GetHotTextColor() const { return m_dwHotTextColor; }
    void SetHotTextColor(DWORD dwColor) { m_dwHotTextColor = dwColor; }
    DWORD GetPushedTextColor() const { return m_dwPushedTextColor; }
    void SetPushedTextColor(DWORD dwColor) { m_dwPushedTextColor = dwColor; }
    DWORD GetFocusedTextColor() const { return m_dwFocusedTextColor; }
    void SetFocusedTextColor(DWORD dwColor) { m_dwFocusedTextColor = dwColor; }
    int GetHotFont() const { return m_iHotFont; }
    void SetHotFont(int index) { m_iHotFont = index; }
    int GetPushedFont() const { return m_iPushedFont; }
    void SetPushedFont(int index) { m_iPushedFont = index; }
    int GetFocusedFont() const { return m_iFocusedFont; }
    void SetFocusedFont(int index) { m_iFocusedFont = index; }
    bool IsFadeEnabled() const { return m_bFadeEnabled; }
    // True from a mouse enter or leave until the fade between normal and hot image has finished.
    bool IsFading() const { return m_bFading; }
    BYTE GetFadeAlpha() const { return m_uFadeAlpha; }

    // The fade advances one frame per tick of this control timer.
    static constexpr UINT kFadeTimerId = 0x0FADE;
    static constexpr UINT kFadeIntervalMs = 15;
    static constexpr int kFadeFrames = 20;

protected:
    long GetAccDefaultRole() const override;
    // Stores an image string and repaints.
    void AssignImage(std::wstring& slot, const std::wstring& image);
    // Draws an image string; one that cannot be drawn is emptied so it is not tried again.
    bool DrawStateImage(HDC hDC, std::wstring& image);
    // Fills the paint rect with a state's background colour; false when the state has none (0).
    bool PaintStateColor(HDC hDC, DWORD color);
    // The text colour and font for the current state bits.
    virtual DWORD GetStateTextColor() const;
    virtual int GetStateFont() const;
    // Sets the focused and disabled bits from the control's current flags.
    void UpdateFocusAndDisabledBits();
    // Mouse enter (kIn) or leave (kOut) with the fade effect on; a fade already running the same way
    // is left alone.
    enum class Fade { kNone = 0, kIn = 1, kOut = 2 };
    void StartFade(Fade direction);
    void StepFade();
    // The normal look while fading: the image faded to last, or both images cross-faded.
    void PaintFadeImages(HDC hDC);
    // The text in the padded rectangle, as HTML or plain text with the button's style.
    void DrawButtonText(HDC hDC, DWORD color, int font);

    UINT m_uButtonState = 0;
    int m_iHotFont = -1;
    int m_iPushedFont = -1;
    int m_iFocusedFont = -1;
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwHotTextColor = 0;
    DWORD m_dwPushedTextColor = 0;
    DWORD m_dwFocusedTextColor = 0;
    std::wstring m_sNormalImage;
    std::wstring m_sHotImage;
    std::wstring m_sHotForeImage;
    std::wstring m_sPushedImage;
    std::wstring m_sPushedForeImage;
    std::wstring m_sFocusedImage;
    std::wstring m_sDisabledImage;
    bool m_bFadeEnabled = false;
    Fade m_fadeState = Fade::kNone;
    bool m_bFading = false;
    // Set by a start, cleared by the first paint after it.
    bool m_bFadeStarted = false;
    BYTE m_uFadeAlpha = 0;
    int m_nFadeFrame = 0;
    std::wstring m_sLastFadeImage;
};

}  // namespace SkinUI
