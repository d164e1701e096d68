#pragma once
// The soft drop shadow of a borderless window: a click-through, per-pixel-alpha layered window owned by
// the window, kept just behind and around it, and computed rather than drawn from an image.
// UI thread only; the process-wide map of shadows is not synchronised.
#include <windows.h>

#include <cstdint>

#include "ui/core/DpiScale.h"
#include "ui/core/ShadowBitmap.h"

namespace SkinUI {

class CWndShadow {
public:
    // Looks up UpdateLayeredWindow and registers the shadow window class; false when the platform has no
    // layered windows, which disables every shadow.
    static bool Initialize(HINSTANCE hInstance);
    // Makes the shadow of a window and subclasses the window so that the shadow follows it. The process-wide
    // map owns the shadow until the window is destroyed. Null when shadows are disabled.
    static CWndShadow* Attach(HWND hParentWnd);
    // The shadow of a window, or null.
    static CWndShadow* FromParent(HWND hParentWnd);

    // Writes the shadow of a (width - 2 * size) x (height - 2 * size) window into the bits of a
    // bottom-up 32-bit DIB of width x height, premultiplied; pixels under the window stay untouched.
    static void PaintShadow(uint32_t* pBits, int width, int height, int size, COLORREF color);

    virtual ~CWndShadow();
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    HWND GetHWND() const { return m_hWnd; }
    // Returns the shadow window, or null when shadows are disabled.
    HWND Create(HWND hParentWnd);
    // Shows or hides the shadow to match the parent's visibility and state.
    void Show(HWND hParentWnd);
    // Rebuilds the shadow bitmap for the parent's current size and places the shadow around it.
    void Update(HWND hParentWnd);
    // Band width and offsets follow the parent's display scale; takes effect at the next Update.
    void SetScale(const CDpiScale& scale);
    // Begins the bitmap for the parent's present size (see CShadowBitmap::Begin): the job, run once on
    // any thread, builds what the next Update of that size shows.
    std::function<void()> BeginBitmap(HWND hParentWnd);

private:
    enum : uint8_t {
        kStatusEnabled = 1,
        kStatusVisible = 2,
        kStatusParentVisible = 4,
        kStatusDisabledByComposition = 8,
    };

    CWndShadow() = default;
    bool IsActive() const {
        return (m_Status & kStatusEnabled) != 0 && (m_Status & kStatusDisabledByComposition) == 0;
    }
    CShadowBitmap::TShape ShapeAround(const RECT& rcParent) const;
    void MoveAround(HWND hParentWnd);
    LRESULT OnParentSize(HWND hWnd, WPARAM wParam, LPARAM lParam);

    static LRESULT CALLBACK ParentProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static void CALLBACK RefreshTimerProc(HWND hWnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);

    HWND m_hWnd = reinterpret_cast<HWND>(-1);
    static constexpr int kBaseSize = 14;
    static constexpr int kBaseOffset = 0;
    int8_t m_nSize = kBaseSize;
    int8_t m_nxOffset = kBaseOffset;
    int8_t m_nyOffset = kBaseOffset;
    WORD m_wParentWidth = 0;
    WORD m_wParentHeight = 0;
    bool m_bUpdate = false;
    COLORREF m_Color = RGB(80, 80, 80);
    uint8_t m_Status = 0;
    WNDPROC m_OriParentProc = nullptr;
    CShadowBitmap m_bitmap;
};

}  // namespace SkinUI
