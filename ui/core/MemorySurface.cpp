#include "ui/core/MemorySurface.h"

#include "ui/core/GdiScoped.h"

namespace SkinUI {

CMemorySurface::CMemorySurface(HDC hDC, int cx, int cy, Kind kind) {
    m_hDC = ::CreateCompatibleDC(hDC);
    if (kind == Kind::kAlpha) {
        m_hBitmap = CreateDib32(hDC, cx, cy, nullptr);
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
