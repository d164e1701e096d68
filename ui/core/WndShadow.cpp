// CWndShadow: the computed shadow bitmap, the layered window that shows it, and the procedure installed on
// the parent window that keeps the shadow in step with the parent.
#include "ui/core/WndShadow.h"

#include <cmath>
#include <map>
#include <memory>

#include "ui/core/GdiScoped.h"

namespace SkinUI {

namespace {

using UpdateLayeredWindowProc =
    BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

constexpr wchar_t kShadowClassName[] = L"ZvShadowWnd";
constexpr UINT kRefreshDelayMs = 1000;
// How much of the ring opacity each edge gets; the top edge is lighter.
constexpr double kSideStrength = 0.46;
constexpr double kTopStrength = 0.2;

struct TShadowGlobals {
    UpdateLayeredWindowProc updateLayeredWindow = nullptr;
    HINSTANCE instance = nullptr;
    std::map<HWND, std::unique_ptr<CWndShadow>> shadows;
};

TShadowGlobals& Globals() {
    static TShadowGlobals globals;
    return globals;
}

// Opacity of ring r (0 outermost) of a band `size` pixels wide.
int RingOpacity(int r, int size) {
    return static_cast<int>(std::sin(std::pow(r + 1.0, 2.5) * 0.4712388981 / std::pow(size, 2.4)) * 255);
}

// The angle step of CornerFade for a band `size` pixels wide; taken once per bitmap, not per pixel.
double CornerFadeStep(int size) {
    return 1.570796327 / std::pow(size, 1.4);
}

// Fades a run out over the first and last 3 * size pixels of a length.
int CornerFade(int base, int j, int length, int size, double step) {
    if (j < 3 * size)
        return static_cast<int>(base * std::sin(j * step));
    if (j > length - 3 * size)
        return static_cast<int>(base * std::sin((length - j) * step));
    return base;
}

uint32_t Premultiplied(COLORREF color, int alpha) {
    const uint32_t r = GetRValue(color) * alpha / 255;
    const uint32_t g = GetGValue(color) * alpha / 255;
    const uint32_t b = GetBValue(color) * alpha / 255;
    return (static_cast<uint32_t>(alpha) << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace

bool CWndShadow::Initialize(HINSTANCE hInstance) {
    TShadowGlobals& globals = Globals();
    if (globals.updateLayeredWindow != nullptr)
        return true;
    const HMODULE user32 = ::LoadLibraryW(L"USER32.DLL");
    if (user32 == nullptr)
        return false;
    globals.updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowProc>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "UpdateLayeredWindow")));
    if (globals.updateLayeredWindow == nullptr)
        return false;
    globals.instance = hInstance;

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kShadowClassName;
    ::RegisterClassExW(&wc);
    return true;
}

void CWndShadow::SetScale(const CDpiScale& scale) {
    m_nSize = static_cast<int8_t>(scale.Scale(kBaseSize));
    m_nxOffset = static_cast<int8_t>(scale.Scale(kBaseOffset));
    m_nyOffset = static_cast<int8_t>(scale.Scale(kBaseOffset));
}

CWndShadow* CWndShadow::Attach(HWND hParentWnd) {
    TShadowGlobals& globals = Globals();
    if (globals.updateLayeredWindow == nullptr || !::IsWindow(hParentWnd))
        return nullptr;
    if (CWndShadow* existing = FromParent(hParentWnd))
        return existing;
    CWndShadow* pShadow = new CWndShadow;
    globals.shadows[hParentWnd].reset(pShadow);
    if (pShadow->Create(hParentWnd) == nullptr) {
        globals.shadows.erase(hParentWnd);
        return nullptr;
    }
    return pShadow;
}

CWndShadow* CWndShadow::FromParent(HWND hParentWnd) {
    auto& shadows = Globals().shadows;
    auto it = shadows.find(hParentWnd);
    return it != shadows.end() ? it->second.get() : nullptr;
}

CWndShadow::~CWndShadow() {
    if (m_hWnd != reinterpret_cast<HWND>(-1) && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

HWND CWndShadow::Create(HWND hParentWnd) {
    const TShadowGlobals& globals = Globals();
    if (globals.updateLayeredWindow == nullptr)
        return nullptr;
    m_hWnd = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClassName, kShadowClassName,
                               WS_POPUPWINDOW, CW_USEDEFAULT, 0, 0, 0, hParentWnd, nullptr, globals.instance,
                               nullptr);
    if (m_hWnd == nullptr)
        return nullptr;
    m_Status = kStatusEnabled;
    Show(hParentWnd);
    // One late rebuild catches a parent that reached its final size without telling us.
    ::SetTimer(m_hWnd, reinterpret_cast<UINT_PTR>(this), kRefreshDelayMs, &CWndShadow::RefreshTimerProc);
    ::ShowWindow(m_hWnd, SW_HIDE);
    m_OriParentProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hParentWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndShadow::ParentProc)));
    return m_hWnd;
}

void CWndShadow::Show(HWND hParentWnd) {
    m_Status &= kStatusEnabled | kStatusDisabledByComposition;
    if (IsActive()) {
        const LONG_PTR style = ::GetWindowLongPtrW(hParentWnd, GWL_STYLE);
        if ((style & WS_VISIBLE) != 0) {
            m_Status |= kStatusParentVisible;
            if ((style & (WS_MAXIMIZE | WS_MINIMIZE)) == 0)
                m_Status |= kStatusVisible;
        }
    }
    if ((m_Status & kStatusVisible) != 0) {
        ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
        Update(hParentWnd);
    } else {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

CShadowBitmap::TShape CWndShadow::ShapeAround(const RECT& rcParent) const {
    return {rcParent.right - rcParent.left + 2 * m_nSize, rcParent.bottom - rcParent.top + 2 * m_nSize,
            m_nSize, m_Color};
}

std::function<void()> CWndShadow::BeginBitmap(HWND hParentWnd) {
    RECT rcParent = {};
    ::GetWindowRect(hParentWnd, &rcParent);
    return m_bitmap.Begin(ShapeAround(rcParent));
}

void CWndShadow::Update(HWND hParentWnd) {
    RECT rcParent = {};
    ::GetWindowRect(hParentWnd, &rcParent);
    const CShadowBitmap::TShape shape = ShapeAround(rcParent);
    CGdiObject<HBITMAP> bitmap(m_bitmap.Take(shape));
    if (!bitmap)
        return;

    const HDC hScreen = ::GetDC(nullptr);
    CMemoryDC memDC(hScreen);
    ::ReleaseDC(nullptr, hScreen);
    if (!memDC)
        return;
    CSelectObject select(memDC.Get(), bitmap.Get());

    POINT ptDst = {rcParent.left + m_nxOffset - m_nSize, rcParent.top + m_nyOffset - m_nSize};
    POINT ptSrc = {0, 0};
    SIZE size = {shape.width, shape.height};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::MoveWindow(m_hWnd, ptDst.x, ptDst.y, shape.width, shape.height, FALSE);
    Globals().updateLayeredWindow(m_hWnd, nullptr, &ptDst, &size, memDC.Get(), &ptSrc, 0, &blend, ULW_ALPHA);
}

void CWndShadow::PaintShadow(uint32_t* pBits, int width, int height, int size, COLORREF color) {
    // Row y counted from the top of the image; the DIB stores the bottom row first.
    auto put = [&](int x, int y, int alpha) {
        pBits[(height - 1 - y) * width + x] = Premultiplied(color, alpha);
    };
    const double step = CornerFadeStep(size);
    for (int r = 0; r < size; ++r) {
        const int opacity = RingOpacity(r, size);
        const int side = static_cast<int>(opacity * kSideStrength);
        const int top = static_cast<int>(opacity * kTopStrength);
        for (int y = r; y < height - r; ++y)
            put(r, y, CornerFade(side, y, height, size, step));
        for (int y = r; y < height - r; ++y)
            put(width - 1 - r, y, CornerFade(side, y, height, size, step));
        for (int x = r; x < width - r; ++x)
            put(x, r, CornerFade(top, x, width, size, step));
        for (int x = r; x < width - r; ++x)
            put(x, height - 1 - r, CornerFade(side, x, width, size, step));
    }
}

void CWndShadow::MoveAround(HWND hParentWnd) {
    RECT rcParent = {};
    ::GetWindowRect(hParentWnd, &rcParent);
    ::SetWindowPos(m_hWnd, nullptr, rcParent.left + m_nxOffset - m_nSize, rcParent.top + m_nyOffset - m_nSize,
                   0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWndShadow::OnParentSize(HWND hWnd, WPARAM wParam, LPARAM lParam) {
    if (!IsActive())
        return ::CallWindowProcW(m_OriParentProc, hWnd, WM_SIZE, wParam, lParam);
    if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXIMIZED) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        m_Status &= ~kStatusVisible;
    } else if ((::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_VISIBLE) != 0) {
        m_Status |= kStatusParentVisible;
        const WORD width = LOWORD(lParam);
        const WORD height = HIWORD(lParam);
        if ((m_Status & kStatusVisible) == 0) {
            const LRESULT lRes = ::CallWindowProcW(m_OriParentProc, hWnd, WM_SIZE, wParam, lParam);
            m_Status |= kStatusVisible;
            Update(hWnd);
            ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
            m_bUpdate = true;
            m_wParentWidth = width;
            m_wParentHeight = height;
            return lRes;
        }
        // A grown parent paints its new area first; rebuilding now would show the shadow ahead of it.
        if (width > m_wParentWidth || height > m_wParentHeight)
            m_bUpdate = true;
        else
            Update(hWnd);
        m_wParentWidth = width;
        m_wParentHeight = height;
    }
    return ::CallWindowProcW(m_OriParentProc, hWnd, WM_SIZE, wParam, lParam);
}

LRESULT CALLBACK CWndShadow::ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWndShadow* pThis = FromParent(hWnd);
    if (pThis == nullptr)
        return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    const WNDPROC parentProc = pThis->m_OriParentProc;

    switch (uMsg) {
        case WM_MOVE:
            if ((pThis->m_Status & kStatusVisible) != 0) {
                const LRESULT lRes = ::CallWindowProcW(parentProc, hWnd, uMsg, wParam, lParam);
                pThis->MoveAround(hWnd);
                return lRes;
            }
            break;
        case WM_SIZE:
            return pThis->OnParentSize(hWnd, wParam, lParam);
        case WM_PAINT: {
            const LRESULT lRes = ::CallWindowProcW(parentProc, hWnd, uMsg, wParam, lParam);
            // Show rebuilds the bitmap itself when the shadow is to be seen; once is enough.
            if (pThis->m_bUpdate) {
                pThis->Show(hWnd);
                pThis->m_bUpdate = false;
            }
            return lRes;
        }
        case WM_EXITSIZEMOVE:
            if ((pThis->m_Status & kStatusVisible) != 0)
                pThis->Update(hWnd);
            break;
        case WM_SHOWWINDOW:
            if (pThis->IsActive()) {
                const LRESULT lRes = ::CallWindowProcW(parentProc, hWnd, uMsg, wParam, lParam);
                if (wParam == FALSE) {
                    ::ShowWindow(pThis->m_hWnd, SW_HIDE);
                    pThis->m_Status &= ~(kStatusVisible | kStatusParentVisible);
                } else {
                    pThis->m_Status |= kStatusVisible | kStatusParentVisible;
                    pThis->m_bUpdate = true;
                    pThis->Show(hWnd);
                }
                return lRes;
            }
            break;
        case WM_DESTROY:
            ::DestroyWindow(pThis->m_hWnd);
            break;
        case WM_NCDESTROY: {
            // The window's own procedure must still see WM_NCDESTROY (it unbinds its object there, and the
            // main window posts quit from it), and it is called through a copy: the shadow object, which
            // held the pointer, is gone only afterwards.
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(parentProc));
            const LRESULT lRes = ::CallWindowProcW(parentProc, hWnd, uMsg, wParam, lParam);
            Globals().shadows.erase(hWnd);
            return lRes;
        }
        case WM_DWMCOMPOSITIONCHANGED:
            pThis->m_Status &= ~kStatusDisabledByComposition;
            pThis->Show(hWnd);
            break;
        default:
            break;
    }
    return ::CallWindowProcW(parentProc, hWnd, uMsg, wParam, lParam);
}

void CALLBACK CWndShadow::RefreshTimerProc(HWND hWnd, UINT, UINT_PTR idEvent, DWORD) {
    const HWND hParentWnd = ::GetWindow(hWnd, GW_OWNER);
    CWndShadow* pThis = FromParent(hParentWnd);
    if (pThis != nullptr && reinterpret_cast<UINT_PTR>(pThis) == idEvent)
        pThis->Update(hParentWnd);
    ::KillTimer(hWnd, idEvent);
}

}  // namespace SkinUI
