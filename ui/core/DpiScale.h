#pragma once
// The display scale of one window: converts lengths written for 96 DPI (the skin's unit) into the
// window's device pixels, all with one rounding rule, so that a rectangle, its size and its offsets
// stay consistent. Immutable value; any thread.
#include <windows.h>

namespace SkinUI {

class CDpiScale {
public:
    static constexpr UINT kBaseDpi = 96;

    CDpiScale() = default;
    explicit CDpiScale(UINT dpi) : m_dpi(dpi != 0 ? dpi : kBaseDpi) {}

    // The window's DPI: GetDpiForWindow where the system has it (looked up at run time, since older
    // systems lack it), else the system DPI of the screen.
    static CDpiScale ForWindow(HWND hWnd);

    UINT Dpi() const { return m_dpi; }
    bool IsIdentity() const { return m_dpi == kBaseDpi; }

    // Rounds halves away from zero (355 at 150 % is 533), the same for negative offsets.
    int Scale(int value) const { return Convert(value, m_dpi, kBaseDpi); }
    SIZE Scale(SIZE size) const { return SIZE{Scale(size.cx), Scale(size.cy)}; }
    RECT Scale(const RECT& rc) const { return RECT{Scale(rc.left), Scale(rc.top), Scale(rc.right), Scale(rc.bottom)}; }
    // Back to 96-DPI units; Unscale(Scale(v)) == v at every scale of 100 % and above.
    int Unscale(int value) const { return Convert(value, kBaseDpi, m_dpi); }

private:
    static int Convert(int value, UINT mul, UINT div) {
        const long long magnitude = (static_cast<long long>(value < 0 ? -value : value) * mul + div / 2) / div;
        return static_cast<int>(value < 0 ? -magnitude : magnitude);
    }

    UINT m_dpi = kBaseDpi;
};

}  // namespace SkinUI
