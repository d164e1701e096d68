#include "ui/core/MemorySurface.h"

namespace SkinUI {

CMemorySurface::CMemorySurface(HDC hDC, int cx, int cy, Kind kind) {
    m_hDC = ::CreateCompatibleDC(hDC);
    if (kind == Kind::kAlpha) {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = cx;
        bmi.bmiHeader.biHeight = -cy;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_hBitmap = ::CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    } else {
        m_hBitmap = ::CreateCompatibleBitmap(hDC, cx, cy);
    }
    if (m_hDC != nullptr && m_hBitmap != nullptr)
        m_hOld = ::SelectObject(m_hDC, m_hBitmap);
}

CMemorySurface::~CMemorySurface() {
    if (m_hOld != nullptr)
        ::SelectObject(m_hDC, m_hOld);
    if (m_hBitmap != nullptr)
        ::DeleteObject(m_hBitmap);
    if (m_hDC != nullptr)
        ::DeleteDC(m_hDC);
}

}  // namespace SkinUI
