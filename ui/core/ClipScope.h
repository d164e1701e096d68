#pragma once
// Narrows a device context's clip to a rectangle (optionally with rounded corners) for one scope and
// restores the previous clip afterwards; owns the regions it creates. UI thread only.
#include <windows.h>

namespace SkinUI {

class CClipScope {
public:
    // Clip to rc (AND with the current clip).
    CClipScope(HDC hDC, const RECT& rc);
    // Clip to rc AND a rounded rectangle over rcRound (extended by one pixel right and bottom,
    // as GDI's rounded regions exclude their right and bottom edges).
    CClipScope(HDC hDC, const RECT& rc, const RECT& rcRound, int width, int height);
    ~CClipScope();
    // Paint under the clip that was in force before this scope, then narrow it again.
    void UseOuterClip();
    void UseInnerClip();
    CClipScope(const CClipScope&) = delete;
    CClipScope& operator=(const CClipScope&) = delete;

private:
    HDC m_hDC;
    HRGN m_hOldRgn;
    HRGN m_hRgn;
};

}  // namespace SkinUI
