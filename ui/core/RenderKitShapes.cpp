#include <algorithm>
#include <cmath>

#include "ui/core/GdiScoped.h"
#include "ui/core/RenderKit.h"
#include "ui/core/RenderPlatform.h"

namespace SkinUI {

namespace {

constexpr int kFineSteps = 16;

BYTE Alpha(DWORD color) {
    return static_cast<BYTE>(color >> 24);
}

DWORD ChannelOf(DWORD color, int shift) {
    return (color >> shift) & 0xFF;
}

void FillGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, int steps) {
    if (GradientFillProc gradientFill = CRenderPlatform::GetGradientFill()) {
        TRIVERTEX vertices[2] = {};
        const DWORD colors[2] = {first, second};
        const LONG xs[2] = {rc.left, rc.right};
        const LONG ys[2] = {rc.top, rc.bottom};
        for (int i = 0; i < 2; ++i) {
            vertices[i].x = xs[i];
            vertices[i].y = ys[i];
            vertices[i].Red = static_cast<COLOR16>(ChannelOf(colors[i], 16) << 8);
            vertices[i].Green = static_cast<COLOR16>(ChannelOf(colors[i], 8) << 8);
            vertices[i].Blue = static_cast<COLOR16>(ChannelOf(colors[i], 0) << 8);
            vertices[i].Alpha = 0xFF00;
        }
        GRADIENT_RECT gradient = {0, 1};
        gradientFill(hDC, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V);
        return;
    }
    // Bands from the bottom up, each a fixed mix of the two colours.
    const int shift = steps >= kFineSteps ? 4 : 3;
    const int bands = 1 << shift;
    const int height = rc.bottom - rc.top;
    for (int i = 0; i < bands; ++i) {
        const RECT band = {rc.left, rc.bottom - (i + 1) * height / bands, rc.right,
                           rc.bottom - i * height / bands};
        if (band.bottom <= band.top)
            continue;
        DWORD mixed = 0;
        for (int channel = 0; channel < 24; channel += 8)
            mixed |= ((ChannelOf(second, channel) * (bands - i) + ChannelOf(first, channel) * i) / bands)
                     << channel;
        CGdiObject<HBRUSH> brush(CreateSolidBrush(ToColorRef(mixed)));
        FillRect(hDC, &band, brush.Get());
    }
}

void DrawFrame(HDC hDC, const RECT& rc, int size, DWORD color, const SIZE* round) {
    CGdiObject<HPEN> pen(CreatePen(PS_INSIDEFRAME, size, ToColorRef(color)));
    CSelectObject selectPen(hDC, pen.Get());
    CSelectObject selectBrush(hDC, GetStockObject(NULL_BRUSH));
    if (round != nullptr)
        RoundRect(hDC, rc.left, rc.top, rc.right, rc.bottom, round->cx, round->cy);
    else
        Rectangle(hDC, rc.left, rc.top, rc.right, rc.bottom);
}

}  // namespace

void CRenderKit::DrawColor(HDC hDC, const RECT& rc, DWORD color) {
    const BYTE alpha = Alpha(color);
    if (hDC == nullptr || alpha == 0)
        return;
    if (alpha == 255) {
        const COLORREF old = SetBkColor(hDC, ToColorRef(color));
        ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        SetBkColor(hDC, old);
        return;
    }
    void* bits = nullptr;
    CGdiObject<HBITMAP> pixel(CreateDib32(hDC, 1, 1, &bits));
    if (!pixel)
        return;
    *static_cast<DWORD*>(bits) = color | 0xFF000000;
    DrawImage(hDC, pixel.Get(), rc, rc, RECT{0, 0, 1, 1}, RECT{}, true, alpha);
}

void CRenderKit::DrawGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, int steps) {
    const int opacity = (Alpha(first) + Alpha(second)) / 2;
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    if (hDC == nullptr || opacity == 0 || cx <= 0 || cy <= 0)
        return;
    if (opacity == 255) {
        FillGradient(hDC, rc, first, second, steps);
        return;
    }
    CMemoryDC mem(hDC);
    CGdiObject<HBITMAP> bitmap(CreateDib32(hDC, cx, cy, nullptr));
    if (!mem || !bitmap)
        return;
    CSelectObject select(mem.Get(), bitmap.Get());
    FillGradient(mem.Get(), RECT{0, 0, cx, cy}, first, second, steps);
    CRenderPlatform::Blend(hDC, rc.left, rc.top, cx, cy, mem.Get(), 0, 0, cx, cy, static_cast<BYTE>(opacity),
                           false);
}

void CRenderKit::DrawLine(HDC hDC, const RECT& rc, int size, DWORD color, int style) {
    if (hDC == nullptr)
        return;
    CGdiObject<HPEN> pen(CreatePen(style, size, ToColorRef(color)));
    CSelectObject select(hDC, pen.Get());
    POINT old;
    MoveToEx(hDC, rc.left, rc.top, &old);
    LineTo(hDC, rc.right, rc.bottom);
    MoveToEx(hDC, old.x, old.y, nullptr);
}

void CRenderKit::DrawRect(HDC hDC, const RECT& rc, int size, DWORD color) {
    if (hDC != nullptr)
        DrawFrame(hDC, rc, size, color, nullptr);
}

void CRenderKit::DrawRoundRect(HDC hDC, const RECT& rc, int width, int height, int size, DWORD color) {
    const SIZE round = {width, height};
    if (hDC != nullptr)
        DrawFrame(hDC, rc, size, color, &round);
}

DWORD CRenderKit::AdjustColor(DWORD color, short hue, short saturation, short lightness) {
    if (hue == 180 && saturation == 100 && lightness == 100)
        return color;
    const double r = ChannelOf(color, 16) / 255.0;
    const double g = ChannelOf(color, 8) / 255.0;
    const double b = ChannelOf(color, 0) / 255.0;
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    double h = 0.0, s = 0.0, l = (high + low) / 2.0;
    const double delta = high - low;
    if (delta > 0.0) {
        s = l > 0.5 ? delta / (2.0 - high - low) : delta / (high + low);
        if (high == r)
            h = (g - b) / delta + (g < b ? 6.0 : 0.0);
        else if (high == g)
            h = (b - r) / delta + 2.0;
        else
            h = (r - g) / delta + 4.0;
        h *= 60.0;
    }
    h = std::fmod(h + (hue - 180) + 720.0, 360.0);
    s = std::clamp(s * saturation / 100.0, 0.0, 1.0);
    l = std::clamp(l * lightness / 100.0, 0.0, 1.0);

    auto toRgb = [](double p, double q, double t) {
        t = t < 0.0 ? t + 1.0 : (t > 1.0 ? t - 1.0 : t);
        if (t < 1.0 / 6.0)
            return p + (q - p) * 6.0 * t;
        if (t < 0.5)
            return q;
        if (t < 2.0 / 3.0)
            return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
        return p;
    };
    double outR = l, outG = l, outB = l;
    if (s > 0.0) {
        const double q = l < 0.5 ? l * (1.0 + s) : l + s - l * s;
        const double p = 2.0 * l - q;
        const double t = h / 360.0;
        outR = toRgb(p, q, t + 1.0 / 3.0);
        outG = toRgb(p, q, t);
        outB = toRgb(p, q, t - 1.0 / 3.0);
    }
    auto byte = [](double v) { return static_cast<DWORD>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    return (color & 0xFF000000) | (byte(outR) << 16) | (byte(outG) << 8) | byte(outB);
}

}  // namespace SkinUI
