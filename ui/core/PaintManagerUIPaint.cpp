// CPaintManagerUI: layout pass, double-buffered and layered painting, printing.
#include <utility>

#include "Runtime/CommonUtils.h"
#include "ui/core/ListenerList.h"
#include "ui/core/PaintManagerUI.h"

namespace SkinUI {

namespace {

constexpr COLORREF kDirtyFrameColor = RGB(220, 0, 0);

// Shared by every window; lives as long as the process.
HPEN DirtyFramePen() {
    static HPEN pen = ::CreatePen(PS_SOLID, 1, kDirtyFrameColor);
    return pen;
}

}  // namespace

HBITMAP CPaintManagerUI::GetOffscreenBitmap() const {
    return m_offscreen ? m_offscreen->Bitmap() : nullptr;
}

HBITMAP CPaintManagerUI::GetLayeredBitmap() const {
    return m_layered ? m_layered->Bitmap() : nullptr;
}

void CPaintManagerUI::LayoutAndFocus() {
    if (m_bUpdateNeeded) {
        m_bUpdateNeeded = false;
        RECT rcClient = {};
        ::GetClientRect(m_hWndPaint, &rcClient);
        if (!::IsRectEmpty(&rcClient)) {
            if (m_pRoot->IsUpdateNeeded()) {
                m_pRoot->SetPos(rcClient);
                m_offscreen.reset();
                m_layered.reset();
            } else {
                CControlUI* pControl = nullptr;
                while ((pControl = m_pRoot->FindControl(FindControlFromUpdate, nullptr,
                                                        kFindVisible | kFindMeFirst)) != nullptr) {
                    pControl->SetPos(pControl->GetPos());
                }
            }
            if (m_bFirstLayout) {
                m_bFirstLayout = false;
                SendNotify(m_pRoot.get(), L"windowinit");
            }
        }
    }
    if (!m_bFocusNeeded)
        return;
    m_bFocusNeeded = false;
    if (CControlUI* pPending = std::exchange(m_pFocusPending, nullptr))
        SetFocus(pPending);
    // Without a focus, the first Tab (or none at all) lands on the first tab stop.
    int tabs = std::exchange(m_nPendingTabs, 0);
    if (m_pFocus == nullptr) {
        SetNextTabControl();
        --tabs;
    }
    for (; tabs > 0; --tabs)
        SetNextTabControl();
}

void CPaintManagerUI::OnPaint() {
    RECT rcUpdate = {};
    if (!::GetUpdateRect(m_hWndPaint, &rcUpdate, FALSE))
        return;
    if (m_pRoot == nullptr) {
        PAINTSTRUCT ps;
        ::BeginPaint(m_hWndPaint, &ps);
        m_bPainted = true;
        ::EndPaint(m_hWndPaint, &ps);
        return;
    }
    if (m_bAlphaBackground) {
        PaintLayered();
        return;
    }

    LayoutAndFocus();
    if (m_bOffscreenPaint && !m_offscreen) {
        RECT rcClient = {};
        ::GetClientRect(m_hWndPaint, &rcClient);
        m_offscreen = std::make_unique<CMemorySurface>(m_hDcPaint, rcClient.right - rcClient.left,
                                                       rcClient.bottom - rcClient.top,
                                                       CMemorySurface::Kind::kCompatible);
    }

    PAINTSTRUCT ps;
    ::BeginPaint(m_hWndPaint, &ps);
    m_bPainted = true;
    const RECT& rcPaint = ps.rcPaint;
    if (m_bOffscreenPaint && m_offscreen->IsValid()) {
        HDC hDC = m_offscreen->DC();
        int saved = ::SaveDC(hDC);
        m_pRoot->DoPaint(hDC, rcPaint);
        VisitListeners(m_aPostPaintControls, [&](CControlUI* pControl) {
            pControl->DoPostPaint(hDC, rcPaint);
            return false;
        });
        ::RestoreDC(hDC, saved);
        ::BitBlt(ps.hdc, rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left,
                 rcPaint.bottom - rcPaint.top, hDC, rcPaint.left, rcPaint.top, SRCCOPY);
        if (m_bShowUpdateRect) {
            HGDIOBJ hOldPen = ::SelectObject(ps.hdc, DirtyFramePen());
            HGDIOBJ hOldBrush = ::SelectObject(ps.hdc, ::GetStockObject(NULL_BRUSH));
            ::Rectangle(ps.hdc, rcPaint.left, rcPaint.top, rcPaint.right, rcPaint.bottom);
            ::SelectObject(ps.hdc, hOldBrush);
            ::SelectObject(ps.hdc, hOldPen);
        }
    } else {
        int saved = ::SaveDC(ps.hdc);
        m_pRoot->DoPaint(ps.hdc, rcPaint);
        ::RestoreDC(ps.hdc, saved);
    }
    ::EndPaint(m_hWndPaint, &ps);

    if (m_bUpdateNeeded)
        ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

void CPaintManagerUI::PaintLayered() {
    LONG exStyle = ::GetWindowLongW(m_hWndPaint, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) == 0)
        ::SetWindowLongW(m_hWndPaint, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    RECT rcClient = {};
    ::GetClientRect(m_hWndPaint, &rcClient);
    PAINTSTRUCT ps;
    ::BeginPaint(m_hWndPaint, &ps);
    m_bPainted = true;
    m_layered.reset();
    LayoutAndFocus();

    const SIZE size = {rcClient.right - rcClient.left, rcClient.bottom - rcClient.top};
    m_layered = std::make_unique<CMemorySurface>(m_hDcPaint, size.cx, size.cy, CMemorySurface::Kind::kAlpha);
    if (m_layered->IsValid()) {
        HDC hDC = m_layered->DC();
        RECT rcContent = rcClient;
        if (m_bShadow) {
            const std::wstring image = FormatString(
                L"file='%ls' corner='%u,%u,%u,%u' hole='true'", m_sShadowImage.c_str(),
                static_cast<unsigned>(m_rcShadowBorder.left), static_cast<unsigned>(m_rcShadowBorder.top),
                static_cast<unsigned>(m_rcShadowBorder.right), static_cast<unsigned>(m_rcShadowBorder.bottom));
            CRenderKit::DrawImageString(hDC, this, rcClient, rcClient, image.c_str());
            const RECT border = GetShadowBorder();
            rcContent.left += border.left;
            rcContent.top += border.top;
            rcContent.right -= border.right;
            rcContent.bottom -= border.bottom;
        }
        int saved = ::SaveDC(hDC);
        m_pRoot->DoPaint(hDC, rcContent);
        ::RestoreDC(hDC, saved);

        RECT rcWindow = {};
        ::GetWindowRect(m_hWndPaint, &rcWindow);
        POINT ptDest = {rcWindow.left, rcWindow.top};
        POINT ptSrc = {0, 0};
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        SIZE sz = size;
        ::UpdateLayeredWindow(m_hWndPaint, nullptr, &ptDest, &sz, hDC, &ptSrc, 0, &blend, ULW_ALPHA);
    }
    ::EndPaint(m_hWndPaint, &ps);
}

void CPaintManagerUI::PrintClient(HDC hDC, LPARAM flags) {
    if (m_pRoot == nullptr || hDC == nullptr)
        return;
    RECT rcClient = {};
    ::GetClientRect(m_hWndPaint, &rcClient);
    int saved = ::SaveDC(hDC);
    m_pRoot->DoPaint(hDC, rcClient);
    ::RestoreDC(hDC, saved);
    if ((flags & PRF_CHILDREN) == 0)
        return;
    for (HWND hChild = ::GetWindow(m_hWndPaint, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        RECT rcPos = {};
        ::GetWindowRect(hChild, &rcPos);
        ::MapWindowPoints(HWND_DESKTOP, m_hWndPaint, reinterpret_cast<LPPOINT>(&rcPos), 2);
        int childSaved = ::SaveDC(hDC);
        ::SetWindowOrgEx(hDC, -rcPos.left, -rcPos.top, nullptr);
        ::SendMessageW(hChild, WM_PRINT, reinterpret_cast<WPARAM>(hDC), flags | PRF_NONCLIENT);
        ::RestoreDC(hDC, childSaved);
    }
}

}  // namespace SkinUI
