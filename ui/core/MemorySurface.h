#pragma once
// A memory device context with one bitmap selected into it for its whole life: the paint manager's
// back buffer and layered surface. Owns both handles. UI thread only.
#include <windows.h>

namespace SkinUI {

class CMemorySurface {
public:
    enum class Kind {
        kCompatible,  // a bitmap compatible with the given context
        kAlpha,       // a 32-bit top-down DIB section whose alpha channel survives painting
    };

    CMemorySurface(HDC hDC, int cx, int cy, Kind kind);
    ~CMemorySurface();
    CMemorySurface(const CMemorySurface&) = delete;
    CMemorySurface& operator=(const CMemorySurface&) = delete;

    bool IsValid() const { return m_hOld != nullptr; }
    HDC DC() const { return m_hDC; }
    HBITMAP Bitmap() const { return m_hBitmap; }

private:
    HDC m_hDC = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
};

}  // namespace SkinUI
