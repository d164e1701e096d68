#include <windows.h>

#include <gdiplus.h>
#include <stb_image.h>

#include <algorithm>
#include <vector>

#include "ui/core/GdiScoped.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/RenderPlatform.h"
#include "ui/core/SkinResources.h"

namespace SkinUI {

namespace {

// Skin images are small; a larger file is refused before it is read or decoded.
constexpr DWORD kMaxImageFileSize = 64 * 1024 * 1024;

int Width(const RECT& rc) {
    return rc.right - rc.left;
}

int Height(const RECT& rc) {
    return rc.bottom - rc.top;
}

bool IsZero(const RECT& rc) {
    return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

bool Intersects(const RECT& a, const RECT& b) {
    RECT ignored;
    return IntersectRect(&ignored, &a, &b) != FALSE;
}

std::vector<BYTE> ReadResourceBytes(const wchar_t* name, const wchar_t* type) {
    const HINSTANCE module = CSkinResources::GetResourceDll();
    HRSRC resource = FindResourceW(module, name, type);
    if (resource == nullptr)
        return {};
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr)
        return {};
    const DWORD size = SizeofResource(module, resource);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(loaded));
    std::vector<BYTE> copy;
    if (bytes != nullptr)
        copy.assign(bytes, bytes + size);
    FreeResource(loaded);
    return copy;
}

struct TStbiFree {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// One piece of a nine-grid or centre-rectangle drawing: blended, or copied when the image is opaque.
class CPieceDrawer {
public:
    CPieceDrawer(HDC hDC, HDC hSrc, const RECT& rcPaint, bool blend, BYTE fade)
        : m_hDC(hDC), m_hSrc(hSrc), m_rcPaint(rcPaint), m_blend(blend), m_fade(fade) {}

    void Draw(const RECT& dst, int sx, int sy, int scx, int scy) const {
        if (Width(dst) <= 0 || Height(dst) <= 0 || scx <= 0 || scy <= 0 || !Intersects(dst, m_rcPaint))
            return;
        if (m_blend)
            CRenderPlatform::Blend(m_hDC, dst.left, dst.top, Width(dst), Height(dst), m_hSrc, sx, sy, scx,
                                   scy, m_fade, true);
        else if (Width(dst) == scx && Height(dst) == scy)
            BitBlt(m_hDC, dst.left, dst.top, scx, scy, m_hSrc, sx, sy, SRCCOPY);
        else
            StretchBlt(m_hDC, dst.left, dst.top, Width(dst), Height(dst), m_hSrc, sx, sy, scx, scy, SRCCOPY);
    }

    // The middle cell, stretched or repeated in tiles of the source size; only tiles that meet the
    // repainted part are visited, and the last tile in each direction is cut to fit.
    void DrawMiddle(const RECT& dst, const RECT& src, bool xtiled, bool ytiled) const {
        const int tileW = Width(src);
        const int tileH = Height(src);
        if (Width(dst) <= 0 || Height(dst) <= 0 || tileW <= 0 || tileH <= 0)
            return;
        if (!xtiled && !ytiled) {
            Draw(dst, src.left, src.top, tileW, tileH);
            return;
        }
        RECT visible;
        if (!IntersectRect(&visible, &dst, &m_rcPaint))
            return;
        const int stepX = xtiled ? tileW : Width(dst);
        const int stepY = ytiled ? tileH : Height(dst);
        const int firstCol = (visible.left - dst.left) / stepX;
        const int lastCol = (visible.right - 1 - dst.left) / stepX;
        const int firstRow = (visible.top - dst.top) / stepY;
        const int lastRow = (visible.bottom - 1 - dst.top) / stepY;
        for (int row = firstRow; row <= lastRow; ++row) {
            for (int col = firstCol; col <= lastCol; ++col) {
                RECT piece = {dst.left + col * stepX, dst.top + row * stepY, 0, 0};
                piece.right = std::min<LONG>(piece.left + stepX, dst.right);
                piece.bottom = std::min<LONG>(piece.top + stepY, dst.bottom);
                // A cut tile takes the same cut of the source; a stretched axis takes all of it.
                const int scx = xtiled ? Width(piece) : tileW;
                const int scy = ytiled ? Height(piece) : tileH;
                Draw(piece, src.left, src.top, scx, scy);
            }
        }
    }

private:
    HDC m_hDC;
    HDC m_hSrc;
    RECT m_rcPaint;
    bool m_blend;
    BYTE m_fade;
};

// The image's pixels around a centre rectangle fill what the unscaled centre leaves of the destination.
struct TAxisPieces {
    // Destination [start, end) and source [start, end) of the before, centre and after pieces.
    int dst[3][2];
    int src[3][2];
};

TAxisPieces SplitAxis(int dstStart,
                      int dstEnd,
                      int srcStart,
                      int srcEnd,
                      int centreStart,
                      int centreEnd,
                      bool alignStart) {
    TAxisPieces axis = {};
    const int dstSize = dstEnd - dstStart;
    const int centreSize = centreEnd - centreStart;
    const int before = centreStart - srcStart;
    const int after = srcEnd - centreEnd;
    if (dstSize > centreSize) {
        const int at = dstStart + static_cast<int>(static_cast<double>(dstSize - centreSize) * before /
                                                   static_cast<double>(before + after));
        axis.dst[1][0] = at;
        axis.dst[1][1] = at + centreSize;
        axis.src[1][0] = centreStart;
        axis.src[1][1] = centreEnd;
    } else {
        const int from = alignStart ? centreStart : centreStart + (centreSize - dstSize) / 2;
        axis.dst[1][0] = dstStart;
        axis.dst[1][1] = dstEnd;
        axis.src[1][0] = from;
        axis.src[1][1] = from + dstSize;
    }
    axis.dst[0][0] = dstStart;
    axis.dst[0][1] = axis.dst[1][0];
    axis.src[0][0] = std::max(srcStart, centreStart - (axis.dst[0][1] - axis.dst[0][0]));
    axis.src[0][1] = centreStart;
    axis.dst[2][0] = axis.dst[1][1];
    axis.dst[2][1] = dstEnd;
    axis.src[2][0] = centreEnd;
    axis.src[2][1] = std::min(srcEnd, centreEnd + (axis.dst[2][1] - axis.dst[2][0]));
    return axis;
}

void DrawCentreRect(HDC hDC,
                    HDC hSrc,
                    const RECT& dst,
                    const RECT& rcPaint,
                    const RECT& src,
                    const TImageDrawParams& params) {
    const RECT& centre = params.centerRect;
    const int left = centre.left - src.left;
    const int right = src.right - centre.right;
    const int top = centre.top - src.top;
    const int bottom = src.bottom - centre.bottom;
    if (left < 0 || right < 0 || top < 0 || bottom < 0 || (left == 0 && right == 0) ||
        (top == 0 && bottom == 0))
        return;
    const TAxisPieces x =
        SplitAxis(dst.left, dst.right, src.left, src.right, centre.left, centre.right, params.alignLeft);
    const TAxisPieces y =
        SplitAxis(dst.top, dst.bottom, src.top, src.bottom, centre.top, centre.bottom, params.alignTop);
    const CPieceDrawer drawer(hDC, hSrc, rcPaint, true, params.fade);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const RECT piece = {x.dst[col][0], y.dst[row][0], x.dst[col][1], y.dst[row][1]};
            drawer.Draw(piece, x.src[col][0], y.src[row][0], x.src[col][1] - x.src[col][0],
                        y.src[row][1] - y.src[row][0]);
        }
    }
}

// Keeps GDI+ started for one call; the start-up count nests with the labels' own.
class CGdiplusScope {
public:
    CGdiplusScope() {
        Gdiplus::GdiplusStartupInput input;
        m_ok = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~CGdiplusScope() {
        if (m_ok)
            Gdiplus::GdiplusShutdown(m_token);
    }
    bool Ok() const { return m_ok; }

private:
    ULONG_PTR m_token = 0;
    bool m_ok = false;
};

// Fills a rounded rectangle of `target` (a context of size cx x cy) with the bitmap as texture.
void FillRounded(HDC target, HBITMAP texture, int cx, int cy, SIZE round) {
    namespace Flat = Gdiplus::DllExports;
    CGdiplusScope gdiplus;
    if (!gdiplus.Ok())
        return;
    Gdiplus::GpGraphics* graphics = nullptr;
    if (Flat::GdipCreateFromHDC(target, &graphics) != Gdiplus::Ok)
        return;
    Gdiplus::GpBitmap* bitmap = nullptr;
    Gdiplus::GpPath* path = nullptr;
    Gdiplus::GpTexture* brush = nullptr;
    Flat::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    if (Flat::GdipCreateBitmapFromHBITMAP(texture, nullptr, &bitmap) == Gdiplus::Ok &&
        Flat::GdipCreatePath(Gdiplus::FillModeAlternate, &path) == Gdiplus::Ok) {
        const int w = round.cx;
        const int h = round.cy;
        Flat::GdipAddPathArcI(path, 0, 0, 2 * w, 2 * h, 180, 90);
        Flat::GdipAddPathLineI(path, w, 0, cx - w, 0);
        Flat::GdipAddPathArcI(path, cx - 2 * w, 0, 2 * w, 2 * h, 270, 90);
        Flat::GdipAddPathLineI(path, cx, h, cx, cy - h);
        Flat::GdipAddPathArcI(path, cx - 2 * w, cy - 2 * h, 2 * w, 2 * h, 0, 90);
        Flat::GdipAddPathLineI(path, cx - w, cy, w, cy);
        Flat::GdipAddPathArcI(path, 0, cy - 2 * h, 2 * w, 2 * h, 90, 90);
        Flat::GdipAddPathLineI(path, 0, cy - h, 0, h);
        if (Flat::GdipCreateTexture(bitmap, Gdiplus::WrapModeTile, &brush) == Gdiplus::Ok) {
            Flat::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHighQuality);
            Flat::GdipFillPath(graphics, brush, path);
        }
    }
    if (brush != nullptr)
        Flat::GdipDeleteBrush(brush);
    if (path != nullptr)
        Flat::GdipDeletePath(path);
    if (bitmap != nullptr)
        Flat::GdipDisposeImage(bitmap);
    Flat::GdipDeleteGraphics(graphics);
}

}  // namespace

TImageInfo* CRenderKit::LoadImage(const wchar_t* name, const wchar_t* type, DWORD mask) {
    if (name == nullptr)
        return nullptr;
    std::vector<BYTE> bytes;
    if (type == nullptr)
        ReadImageFile(name, bytes);
    else
        bytes = ReadResourceBytes(name, type);
    return DecodeImage(bytes, mask);
}

bool CRenderKit::ReadImageFile(const wchar_t* name, std::vector<BYTE>& bytes) {
    bytes.clear();
    // Only the skin names images: never a file elsewhere (the working folder of an elevated
    // process is not ours to decode from).
    const wchar_t* ignored = nullptr;
    if (!IS_INTRESOURCE(name) && CSkinResources::IsInsideSkin(name))
        CSkinResources::ReadSkinFile(name, kMaxImageFileSize, bytes, &ignored);
    return !bytes.empty();
}

TImageInfo* CRenderKit::DecodeImage(const std::vector<BYTE>& bytes, DWORD mask) {
    if (bytes.empty() || bytes.size() > kMaxImageFileSize)
        return nullptr;

    int width = 0, height = 0, channels = 0;
    std::unique_ptr<stbi_uc, TStbiFree> pixels(
        stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4));
    if (!pixels || width <= 0 || height <= 0)
        return nullptr;
    void* raw = nullptr;
    CGdiObject<HBITMAP> bitmap(CreateDib32(nullptr, width, height, &raw));
    if (!bitmap)
        return nullptr;

    bool alpha = false;
    const stbi_uc* in = pixels.get();
    DWORD* out = static_cast<DWORD*>(raw);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i, in += 4) {
        DWORD r = in[0], g = in[1], b = in[2];
        const DWORD a = in[3];
        if (a < 255) {
            r = r * a / 255;
            g = g * a / 255;
            b = b * a / 255;
            alpha = true;
        }
        out[i] = (a << 24) | (r << 16) | (g << 8) | b;
        // The mask is compared with the stored, premultiplied value.
        if (out[i] == mask) {
            out[i] = 0;
            alpha = true;
        }
    }

    auto image = std::make_unique<TImageInfo>();
    image->width = width;
    image->height = height;
    image->alpha = alpha;
    image->hBitmap = bitmap.Release();
    return image.release();
}

void CRenderKit::DrawImage(HDC hDC,
                           HBITMAP hBitmap,
                           const RECT& rc,
                           const RECT& rcPaint,
                           const RECT& rcBmpPart,
                           const RECT& rcCorners,
                           bool alpha,
                           BYTE fade,
                           bool hole,
                           bool xtiled,
                           bool ytiled) {
    if (hDC == nullptr || hBitmap == nullptr)
        return;
    CMemoryDC mem(hDC);
    if (!mem)
        return;
    CSelectObject select(mem.Get(), hBitmap);
    const int oldMode = SetStretchBltMode(hDC, HALFTONE);

    const RECT& c = rcCorners;
    const RECT& s = rcBmpPart;
    const bool blend = alpha || fade < 255;
    if (!blend && Width(rc) == Width(s) && Height(rc) == Height(s) && IsZero(c)) {
        RECT part;
        if (IntersectRect(&part, &rc, &rcPaint))
            BitBlt(hDC, part.left, part.top, Width(part), Height(part), mem.Get(),
                   s.left + part.left - rc.left, s.top + part.top - rc.top, SRCCOPY);
    } else {
        const CPieceDrawer drawer(hDC, mem.Get(), rcPaint, blend, fade);
        if (!hole) {
            const RECT dst = {rc.left + c.left, rc.top + c.top, rc.right - c.right, rc.bottom - c.bottom};
            const RECT src = {s.left + c.left, s.top + c.top, s.right - c.right, s.bottom - c.bottom};
            drawer.DrawMiddle(dst, src, xtiled, ytiled);
        }
        // Corners at natural size, where both margins are positive.
        if (c.left > 0 && c.top > 0)
            drawer.Draw({rc.left, rc.top, rc.left + c.left, rc.top + c.top}, s.left, s.top, c.left, c.top);
        if (c.right > 0 && c.top > 0)
            drawer.Draw({rc.right - c.right, rc.top, rc.right, rc.top + c.top}, s.right - c.right, s.top,
                        c.right, c.top);
        if (c.left > 0 && c.bottom > 0)
            drawer.Draw({rc.left, rc.bottom - c.bottom, rc.left + c.left, rc.bottom}, s.left,
                        s.bottom - c.bottom, c.left, c.bottom);
        if (c.right > 0 && c.bottom > 0)
            drawer.Draw({rc.right - c.right, rc.bottom - c.bottom, rc.right, rc.bottom}, s.right - c.right,
                        s.bottom - c.bottom, c.right, c.bottom);
        // Edges, stretched along their side.
        const int midW = Width(s) - c.left - c.right;
        const int midH = Height(s) - c.top - c.bottom;
        if (c.top > 0)
            drawer.Draw({rc.left + c.left, rc.top, rc.right - c.right, rc.top + c.top}, s.left + c.left,
                        s.top, midW, c.top);
        if (c.bottom > 0)
            drawer.Draw({rc.left + c.left, rc.bottom - c.bottom, rc.right - c.right, rc.bottom},
                        s.left + c.left, s.bottom - c.bottom, midW, c.bottom);
        if (c.left > 0)
            drawer.Draw({rc.left, rc.top + c.top, rc.left + c.left, rc.bottom - c.bottom}, s.left,
                        s.top + c.top, c.left, midH);
        if (c.right > 0)
            drawer.Draw({rc.right - c.right, rc.top + c.top, rc.right, rc.bottom - c.bottom},
                        s.right - c.right, s.top + c.top, c.right, midH);
    }
    SetStretchBltMode(hDC, oldMode);
}

void CRenderKit::DrawImage(HDC hDC,
                           const TImageInfo& image,
                           const RECT& rcItem,
                           const RECT& rcPaint,
                           const TImageDrawParams& params) {
    if (hDC == nullptr || image.hBitmap == nullptr)
        return;
    RECT src = IsZero(params.source) ? RECT{0, 0, image.width, image.height} : params.source;
    src.left = std::max<LONG>(src.left, 0);
    src.top = std::max<LONG>(src.top, 0);
    src.right = std::min<LONG>(src.right, image.width);
    src.bottom = std::min<LONG>(src.bottom, image.height);
    if (Width(src) <= 0 || Height(src) <= 0)
        return;
    RECT dst = params.dest;
    if (!Intersects(dst, rcItem) || !Intersects(dst, rcPaint))
        return;

    if (!params.stretch && Width(dst) > 0 && Height(dst) > 0) {
        // 64-bit products: skin rectangles are not trusted to stay small.
        const LONGLONG sw = Width(src), sh = Height(src), dw = Width(dst), dh = Height(dst);
        if (!params.center) {
            if (sh * dw > sw * dh) {
                const LONG newWidth = static_cast<LONG>(sw * dh / sh);
                dst.left += ((dst.right - newWidth) - dst.left) / 2;
                dst.right = dst.left + newWidth;
            } else if (sh * dw < sw * dh) {
                const LONG newHeight = static_cast<LONG>(sh * dw / sw);
                dst.top += ((dst.bottom - newHeight) - dst.top) / 2;
                dst.bottom = dst.top + newHeight;
            }
        } else if (sw <= dw && sh <= dh) {
            dst.left += static_cast<LONG>((dw - sw) / 2);
            dst.top += static_cast<LONG>((dh - sh) / 2);
            dst.right = dst.left + static_cast<LONG>(sw);
            dst.bottom = dst.top + static_cast<LONG>(sh);
        }
    }
    if (Width(dst) <= 0 || Height(dst) <= 0)
        return;

    if (params.roundCorner.cx == 0 && params.roundCorner.cy == 0) {
        if (IsZero(params.centerRect)) {
            DrawImage(hDC, image.hBitmap, dst, rcPaint, src, params.corner, image.alpha, params.fade,
                      params.hole, params.xtiled, params.ytiled);
        } else {
            CMemoryDC mem(hDC);
            CSelectObject select(mem.Get(), image.hBitmap);
            DrawCentreRect(hDC, mem.Get(), dst, rcPaint, src, params);
        }
        return;
    }

    // Rounded corners: compose the image over the background off-screen, then let GDI+ fill a rounded
    // path with that picture, so the background outside the arcs stays.
    const int cx = Width(dst);
    const int cy = Height(dst);
    CMemoryDC picture(hDC);
    CMemoryDC rounded(hDC);
    CGdiObject<HBITMAP> pictureBitmap(CreateDib32(hDC, cx, cy, nullptr));
    CGdiObject<HBITMAP> roundedBitmap(CreateDib32(hDC, cx, cy, nullptr));
    if (!picture || !rounded || !pictureBitmap || !roundedBitmap)
        return;
    {
        CSelectObject select(picture.Get(), pictureBitmap.Get());
        BitBlt(picture.Get(), 0, 0, cx, cy, hDC, dst.left, dst.top, SRCCOPY);
        TImageDrawParams local = params;
        local.dest = {0, 0, cx, cy};
        local.source = src;
        local.stretch = true;
        local.roundCorner = {};
        const RECT whole = {0, 0, cx, cy};
        DrawImage(picture.Get(), image, whole, whole, local);
    }
    CSelectObject select(rounded.Get(), roundedBitmap.Get());
    BitBlt(rounded.Get(), 0, 0, cx, cy, hDC, dst.left, dst.top, SRCCOPY);
    FillRounded(rounded.Get(), pictureBitmap.Get(), cx, cy, params.roundCorner);
    BitBlt(hDC, dst.left, dst.top, cx, cy, rounded.Get(), 0, 0, SRCCOPY);
}

bool CRenderKit::DrawImage(HDC hDC,
                           CPaintManagerUI* manager,
                           const RECT& rcItem,
                           const RECT& rcPaint,
                           const TImageDrawParams& params) {
    if (hDC == nullptr || manager == nullptr || params.name.empty())
        return false;
    const TImageInfo* image = manager->GetScaledImage(
        params.name.c_str(), params.resType.empty() ? nullptr : params.resType.c_str(), params.mask);
    if (image == nullptr)
        return false;
    DrawImage(hDC, *image, rcItem, rcPaint, params);
    return true;
}

}  // namespace SkinUI
