#include "ui/core/RenderPlatform.h"

#include <vector>

#include "ui/core/GdiScoped.h"

namespace SkinUI {

namespace {

struct TMsimg32 {
    AlphaBlendProc alphaBlend = nullptr;
    GradientFillProc gradientFill = nullptr;
    bool missing = false;

    TMsimg32() {
        // Never from the executable's folder: an elevated installer runs from a folder anyone can write to.
        HMODULE module = LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module == nullptr)
            return;
        alphaBlend =
            reinterpret_cast<AlphaBlendProc>(reinterpret_cast<void*>(GetProcAddress(module, "AlphaBlend")));
        gradientFill = reinterpret_cast<GradientFillProc>(
            reinterpret_cast<void*>(GetProcAddress(module, "GradientFill")));
    }
};

TMsimg32& Msimg32() {
    static TMsimg32 msimg32;
    return msimg32;
}

// Copies a rectangle of a context into a fresh 32-bit DIB; false when it cannot be made.
bool Capture(HDC hSrc, int x, int y, int cx, int cy, CGdiObject<HBITMAP>& bitmap, DWORD*& bits) {
    void* raw = nullptr;
    bitmap.Reset(CreateDib32(hSrc, cx, cy, &raw));
    if (!bitmap)
        return false;
    CMemoryDC mem(hSrc);
    CSelectObject select(mem.Get(), bitmap.Get());
    BitBlt(mem.Get(), 0, 0, cx, cy, hSrc, x, y, SRCCOPY);
    GdiFlush();
    bits = static_cast<DWORD*>(raw);
    return true;
}

BYTE Channel(DWORD pixel, int shift) {
    return static_cast<BYTE>((pixel >> shift) & 0xFF);
}

void SoftwareBlend(HDC hDst,
                   int x,
                   int y,
                   int cx,
                   int cy,
                   HDC hSrc,
                   int sx,
                   int sy,
                   int scx,
                   int scy,
                   BYTE constantAlpha,
                   bool perPixel) {
    CGdiObject<HBITMAP> source, target;
    DWORD* src = nullptr;
    DWORD* dst = nullptr;
    if (!Capture(hSrc, sx, sy, scx, scy, source, src) || !Capture(hDst, x, y, cx, cy, target, dst))
        return;
    for (int row = 0; row < cy; ++row) {
        const DWORD* srcRow = src + static_cast<size_t>(row * scy / cy) * scx;
        DWORD* dstRow = dst + static_cast<size_t>(row) * cx;
        for (int col = 0; col < cx; ++col) {
            const DWORD s = srcRow[col * scx / cx];
            const DWORD d = dstRow[col];
            const int sa = perPixel ? Channel(s, 24) : 255;
            const int coverage = sa * constantAlpha / 255;
            DWORD out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const int sc = shift == 24 ? sa : Channel(s, shift);
                const int value = sc * constantAlpha / 255 + Channel(d, shift) * (255 - coverage) / 255;
                out |= static_cast<DWORD>(value > 255 ? 255 : value) << shift;
            }
            dstRow[col] = out;
        }
    }
    CMemoryDC mem(hDst);
    CSelectObject select(mem.Get(), target.Get());
    BitBlt(hDst, x, y, cx, cy, mem.Get(), 0, 0, SRCCOPY);
}

}  // namespace

AlphaBlendProc CRenderPlatform::GetAlphaBlend() {
    return Msimg32().missing ? nullptr : Msimg32().alphaBlend;
}

GradientFillProc CRenderPlatform::GetGradientFill() {
    return Msimg32().missing ? nullptr : Msimg32().gradientFill;
}

void CRenderPlatform::SimulateMissingMsimg32(bool missing) {
    Msimg32().missing = missing;
}

void CRenderPlatform::Blend(HDC hDst,
                            int x,
                            int y,
                            int cx,
                            int cy,
                            HDC hSrc,
                            int sx,
                            int sy,
                            int scx,
                            int scy,
                            BYTE constantAlpha,
                            bool perPixel) {
    if (cx <= 0 || cy <= 0 || scx <= 0 || scy <= 0)
        return;
    if (AlphaBlendProc alphaBlend = GetAlphaBlend()) {
        const BLENDFUNCTION blend = {AC_SRC_OVER, 0, constantAlpha,
                                     static_cast<BYTE>(perPixel ? AC_SRC_ALPHA : 0)};
        alphaBlend(hDst, x, y, cx, cy, hSrc, sx, sy, scx, scy, blend);
        return;
    }
    SoftwareBlend(hDst, x, y, cx, cy, hSrc, sx, sy, scx, scy, constantAlpha, perPixel);
}

}  // namespace SkinUI
