#pragma once
// A label that fills part of its rectangle with a fore image in proportion to a value between a
// minimum and a maximum, from the left or from the bottom; the label's text is drawn on top.
// The fore image is the control's own (GetForeImage, SetForeImage). UI thread only.
#include <windows.h>

#include <string>

#include "ui/controls/LabelUI.h"
#include "ui/controls/ValueEventThrottle.h"

namespace SkinUI {

class CProgressUI : public CLabelUI {
public:
    CProgressUI();

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;
    DWORD GetAccState() const override;
    // The share of the range done, as "NN%".
    std::wstring GetAccValue() const override;

    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool bHorizontal = true);
    int GetMinValue() const { return m_nMin; }
    void SetMinValue(int nMin);
    int GetMaxValue() const { return m_nMax; }
    void SetMaxValue(int nMax);
    int GetValue() const { return m_nValue; }
    // A value outside [min, max] is ignored, not clamped.
    void SetValue(int nValue);
    bool IsStretchForeImage() const { return m_bStretchForeImage; }
    void SetStretchForeImage(bool bStretch = true);
    bool IsRoundCorner() const { return m_bRoundCorner; }
    void SetRoundCorner(bool bRound);

protected:
    long GetAccDefaultRole() const override;

private:
    // The whole percent shown, from the value and the range.
    int Percent() const;

    bool m_bHorizontal = true;
    bool m_bStretchForeImage = true;
    bool m_bRoundCorner = false;
    int m_nMax = 100;
    int m_nMin = 0;
    int m_nValue = 0;
    std::wstring m_sForeImageModify;
    CValueEventThrottle m_valueEvents;
};

}  // namespace SkinUI
