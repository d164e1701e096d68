#include <algorithm>
#include <vector>

#include "ui/core/GdiScoped.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/RenderPlatform.h"

namespace SkinUI {

namespace {

constexpr UINT kHorizontalAlign = DT_CENTER | DT_RIGHT;
constexpr UINT kVerticalAlign = DT_VCENTER | DT_BOTTOM;

// Offset of a box of `size` inside `room` for the alignment flags of one axis.
int AlignOffset(int room, int size, UINT style, UINT centre, UINT end) {
    if (style & centre)
        return (room - size) / 2;
    if (style & end)
        return room - size;
    return 0;
}

// GDI text destroys the alpha channel of a layered surface, so the text is rendered white on black and
// its coverage turned into premultiplied colour.
void DrawLayeredText(HDC hDC, RECT& rc, const wchar_t* text, DWORD color, UINT style) {
    RECT measured = {0, 0, rc.right - rc.left, rc.bottom - rc.top};
    DrawTextW(hDC, text, -1, &measured, (style & ~kHorizontalAlign & ~kVerticalAlign) | DT_CALCRECT);
    if (style & DT_CALCRECT) {
        rc.right = rc.left + measured.right;
        rc.bottom = rc.top + measured.bottom;
        return;
    }
    const int cx = measured.right;
    const int cy = measured.bottom;
    if (cx <= 0 || cy <= 0)
        return;
    void* raw = nullptr;
    CMemoryDC mem(hDC);
    CGdiObject<HBITMAP> bitmap(CreateDib32(hDC, cx, cy, &raw));
    if (!mem || !bitmap)
        return;
    {
        CSelectObject selectBitmap(mem.Get(), bitmap.Get());
        CSelectObject selectFont(mem.Get(), GetCurrentObject(hDC, OBJ_FONT));
        SetBkMode(mem.Get(), TRANSPARENT);
        SetTextColor(mem.Get(), RGB(255, 255, 255));
        RECT inner = {0, 0, cx, cy};
        DrawTextW(mem.Get(), text, -1, &inner, style & ~kHorizontalAlign & ~kVerticalAlign);
        GdiFlush();
        DWORD* pixels = static_cast<DWORD*>(raw);
        const DWORD r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
        for (size_t i = 0, count = static_cast<size_t>(cx) * cy; i < count; ++i) {
            const DWORD v = pixels[i] & 0xFF;
            pixels[i] = (v << 24) | ((r * v / 256) << 16) | ((g * v / 256) << 8) | (b * v / 256);
        }
    }
    const int x = rc.left + AlignOffset(rc.right - rc.left, cx, style, DT_CENTER, DT_RIGHT);
    const int y = rc.top + AlignOffset(rc.bottom - rc.top, cy, style, DT_VCENTER, DT_BOTTOM);
    // Keep the text inside its rectangle, as DrawTextW clips it.
    RECT placed = {x, y, x + cx, y + cy};
    RECT visible;
    if (!IntersectRect(&visible, &placed, &rc))
        return;
    CSelectObject selectBitmap(mem.Get(), bitmap.Get());
    CRenderPlatform::Blend(hDC, visible.left, visible.top, visible.right - visible.left,
                           visible.bottom - visible.top, mem.Get(), visible.left - x, visible.top - y,
                           visible.right - visible.left, visible.bottom - visible.top, 255, true);
}

}  // namespace

void CRenderKit::DrawText(HDC hDC,
                          CPaintManagerUI* manager,
                          RECT& rc,
                          const wchar_t* text,
                          DWORD color,
                          int font,
                          UINT style) {
    if (hDC == nullptr || manager == nullptr || text == nullptr)
        return;
    const int oldMode = SetBkMode(hDC, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(hDC, ToColorRef(color));
    {
        CSelectObject selectFont(hDC, manager->GetFont(font));
        if (manager->IsBackgroundTransparent())
            DrawLayeredText(hDC, rc, text, color, style | DT_NOPREFIX);
        else
            ::DrawTextW(hDC, text, -1, &rc, style | DT_NOPREFIX);
    }
    SetTextColor(hDC, oldColor);
    SetBkMode(hDC, oldMode);
}

}  // namespace SkinUI
