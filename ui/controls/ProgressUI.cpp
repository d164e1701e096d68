// CProgressUI: value handling and the filled part.
#include "ui/controls/ProgressUI.h"

#include <oleacc.h>

#include <cwchar>

#include "ui/core/AccessibleUI.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

constexpr int kDefaultHeight = 12;

constexpr size_t kModifyChars = 160;

}  // namespace

CProgressUI::CProgressUI() {
    m_uTextStyle = DT_SINGLELINE | DT_CENTER;
    SetFixedHeight(kDefaultHeight);
}

LPCWSTR CProgressUI::GetClass() const {
    return L"ProgressUI";
}

LPVOID CProgressUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"Progress") == 0)
        return this;
    return CLabelUI::GetInterface(pstrName);
}

void CProgressUI::SetHorizontal(bool bHorizontal) {
    if (m_bHorizontal == bHorizontal)
        return;
    m_bHorizontal = bHorizontal;
    Invalidate();
}

void CProgressUI::SetMinValue(int nMin) {
    m_nMin = nMin;
    Invalidate();
}

void CProgressUI::SetMaxValue(int nMax) {
    m_nMax = nMax;
    Invalidate();
}

void CProgressUI::SetValue(int nValue) {
    if (nValue == m_nValue || nValue < m_nMin || nValue > m_nMax)
        return;
    m_nValue = nValue;
    Invalidate();
    if (m_valueEvents.Pass(Percent(), ::GetTickCount()))
        CAccessibleUI::NotifyEvent(this, EVENT_OBJECT_VALUECHANGE);
}

int CProgressUI::Percent() const {
    if (m_nMax <= m_nMin)
        return 0;
    return static_cast<int>(static_cast<long long>(m_nValue - m_nMin) * 100 / (m_nMax - m_nMin));
}

long CProgressUI::GetAccDefaultRole() const {
    return ROLE_SYSTEM_PROGRESSBAR;
}

DWORD CProgressUI::GetAccState() const {
    return CLabelUI::GetAccState() | STATE_SYSTEM_READONLY;
}

std::wstring CProgressUI::GetAccValue() const {
    return std::to_wstring(Percent()) + L"%";
}

void CProgressUI::SetStretchForeImage(bool bStretch) {
    if (m_bStretchForeImage == bStretch)
        return;
    m_bStretchForeImage = bStretch;
    Invalidate();
}

void CProgressUI::SetRoundCorner(bool bRound) {
    if (m_bRoundCorner == bRound)
        return;
    m_bRoundCorner = bRound;
    Invalidate();
}

void CProgressUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"foreimage")
        SetForeImage(pstrValue);
    else if (name == L"hor")
        SetHorizontal(ParseSkinBool(pstrValue));
    else if (name == L"min")
        SetMinValue(ParseSkinInt(pstrValue));
    else if (name == L"max")
        SetMaxValue(ParseSkinInt(pstrValue));
    else if (name == L"value")
        SetValue(ParseSkinInt(pstrValue));
    else if (name == L"isstretchfore")
        SetStretchForeImage(ParseSkinBool(pstrValue));
    else if (name == L"roundcorner")
        SetRoundCorner(ParseSkinBool(pstrValue));
    else
        CLabelUI::SetAttribute(pstrName, pstrValue);
}

void CProgressUI::PaintStatusImage(HDC hDC) {
    if (m_nMax <= m_nMin)
        m_nMax = m_nMin + 1;
    if (m_nValue > m_nMax)
        m_nValue = m_nMax;
    if (m_nValue < m_nMin)
        m_nValue = m_nMin;

    const int width = m_rcItem.right - m_rcItem.left;
    const int height = m_rcItem.bottom - m_rcItem.top;
    const int range = m_nMax - m_nMin;
    RECT dest = {0, 0, width, height};
    if (m_bHorizontal)
        dest.right = (m_nValue - m_nMin) * width / range;
    else
        dest.top = (m_nMax - m_nValue) * height / range;
    if (m_sForeImage.empty())
        return;

    wchar_t modify[kModifyChars] = {};
    if (m_bRoundCorner) {
        // The image's far end stays put while the bar grows, so its rounded tip is always shown.
        const RECT source =
            m_bHorizontal ? RECT{width - dest.right, 0, width, height} : RECT{0, 0, width, height - dest.top};
        swprintf(modify, kModifyChars, L"dest='%d,%d,%d,%d' source='%d,%d,%d,%d' roundcorner='3,3,3,3'",
                 dest.left, dest.top, dest.right, dest.bottom, source.left, source.top, source.right,
                 source.bottom);
    } else if (m_bStretchForeImage) {
        swprintf(modify, kModifyChars, L"dest='%d,%d,%d,%d'", dest.left, dest.top, dest.right, dest.bottom);
    } else {
        swprintf(modify, kModifyChars, L"dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", dest.left, dest.top,
                 dest.right, dest.bottom, dest.left, dest.top, dest.right, dest.bottom);
    }
    m_sForeImageModify = modify;
    if (!DrawImage(hDC, m_sForeImage, m_sForeImageModify.c_str()))
        m_sForeImage.clear();
}

}  // namespace SkinUI
