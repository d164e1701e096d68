#pragma once
// The optional msimg32 functions behind the render kit, looked up once from the system folder, with a
// software blend where AlphaBlend is missing. UI thread only.
#include <windows.h>

namespace SkinUI {

typedef BOOL(WINAPI* AlphaBlendProc)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
typedef BOOL(WINAPI* GradientFillProc)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

class CRenderPlatform {
public:
    // Null when msimg32 or the function is missing.
    static AlphaBlendProc GetAlphaBlend();
    static GradientFillProc GetGradientFill();

    // Premultiplied source-over with a constant alpha, and per-pixel alpha when `perPixel` is set.
    // Uses AlphaBlend when it exists, else an equivalent software blend (nearest-neighbour scaling).
    static void Blend(HDC hDst,
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
                      bool perPixel);

    // Lets tests take the code paths of a system without AlphaBlend and GradientFill.
    static void SimulateMissingMsimg32(bool missing);
};

}  // namespace SkinUI
