#include "ui/core/ClipScope.h"

namespace SkinUI {

namespace {

HRGN SaveClip(HDC hDC) {
    RECT rcClip;
    ::GetClipBox(hDC, &rcClip);
    return ::CreateRectRgnIndirect(&rcClip);
}

}  // namespace

CClipScope::CClipScope(HDC hDC, const RECT& rc)
    : m_hDC(hDC), m_hOldRgn(SaveClip(hDC)), m_hRgn(::CreateRectRgnIndirect(&rc)) {
    ::ExtSelectClipRgn(m_hDC, m_hRgn, RGN_AND);
}

CClipScope::CClipScope(HDC hDC, const RECT& rc, const RECT& rcRound, int width, int height)
    : m_hDC(hDC), m_hOldRgn(SaveClip(hDC)), m_hRgn(::CreateRectRgnIndirect(&rc)) {
    HRGN hRound =
        ::CreateRoundRectRgn(rcRound.left, rcRound.top, rcRound.right + 1, rcRound.bottom + 1, width, height);
    ::CombineRgn(m_hRgn, m_hRgn, hRound, RGN_AND);
    ::DeleteObject(hRound);
    ::ExtSelectClipRgn(m_hDC, m_hRgn, RGN_AND);
}

void CClipScope::UseOuterClip() {
    ::SelectClipRgn(m_hDC, m_hOldRgn);
}

void CClipScope::UseInnerClip() {
    ::SelectClipRgn(m_hDC, m_hOldRgn);
    ::ExtSelectClipRgn(m_hDC, m_hRgn, RGN_AND);
}

CClipScope::~CClipScope() {
    ::SelectClipRgn(m_hDC, m_hOldRgn);
    ::DeleteObject(m_hOldRgn);
    ::DeleteObject(m_hRgn);
}

}  // namespace SkinUI
