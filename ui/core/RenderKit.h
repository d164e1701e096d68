#pragma once
// Stateless drawing operations of the skin: image decoding, image attribute strings, nine-grids, fills,
// gradients, lines, frames and text. UI thread only, except DecodeImage (any thread). Images and fonts
// come from the paint manager's registries (GetImageEx, GetFont); everything a call creates is released
// before it returns.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/core/DpiScale.h"

namespace SkinUI {

class CPaintManagerUI;

// One decoded image: a 32-bit top-down DIB section in BGRA order, colour premultiplied by alpha.
// Owns its bitmap. Held by the paint manager's image registry.
struct TImageInfo {
    TImageInfo() = default;
    TImageInfo(const TImageInfo&) = delete;
    TImageInfo& operator=(const TImageInfo&) = delete;
    ~TImageInfo() {
        if (hBitmap != nullptr)
            DeleteObject(hBitmap);
    }

    HBITMAP hBitmap = nullptr;
    int width = 0;
    int height = 0;
    // Some pixel is translucent or was cleared by the mask.
    bool alpha = false;
    std::wstring resType;
    DWORD mask = 0;
};

// One font of a paint manager's font registry. Owns its font handle.
struct TFontInfo {
    TFontInfo() = default;
    TFontInfo(const TFontInfo&) = delete;
    TFontInfo& operator=(const TFontInfo&) = delete;
    ~TFontInfo() {
        if (hFont != nullptr)
            DeleteObject(hFont);
    }

    HFONT hFont = nullptr;
    std::wstring faceName;
    int size = 0;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    // Valid once `measured` is set; measured with the window's device context.
    TEXTMETRICW tm = {};
    bool measured = false;
};

// How one image of an image attribute string is drawn.
struct TImageDrawParams {
    std::wstring name;
    std::wstring resType;  // empty: a skin file
    RECT dest = {};    // in window coordinates; the control rectangle unless `dest`/`rdest` says otherwise
    RECT source = {};  // all zero: the whole image
    RECT corner = {};  // nine-grid margins
    RECT centerRect = {};  // all zero: off
    DWORD mask = 0;
    BYTE fade = 255;
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
    bool stretch = true;
    bool center = false;
    bool alignTop = false;
    bool alignLeft = false;
    SIZE roundCorner = {};
};

class CRenderKit {
public:
    // `name` is a skin file name, or with `type` a resource name or MAKEINTRESOURCE id. Null on failure.
    static TImageInfo* LoadImage(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0);
    // The two halves of loading a skin file: reading its bytes (UI thread: the skin archive is shared)
    // and decoding them (any thread). False / null on failure.
    static bool ReadImageFile(const wchar_t* name, std::vector<BYTE>& bytes);
    static TImageInfo* DecodeImage(const std::vector<BYTE>& bytes, DWORD mask);

    // Parses `image` then `modify` into one parameter set and draws each image it names.
    // False only when dc or manager is null.
    static bool DrawImageString(HDC hDC,
                                CPaintManagerUI* manager,
                                const RECT& rcItem,
                                const RECT& rcPaint,
                                const wchar_t* image,
                                const wchar_t* modify = nullptr);
    // Calls `draw` for each image the strings describe, in drawing order, with every length in device
    // pixels: those of `image` (a skin string) are converted with `scale`, those of `modify` (computed
    // by a control from its device rectangle) are taken as they are.
    static void ParseImageString(const RECT& rcItem,
                                 const wchar_t* image,
                                 const wchar_t* modify,
                                 const std::function<void(const TImageDrawParams&)>& draw,
                                 const CDpiScale& scale = CDpiScale());
    // False when the name is empty or the image cannot be had. Away from 100 % the image is the one the
    // manager resampled for its scale, and `params` are in device pixels of that scale.
    static bool DrawImage(HDC hDC,
                          CPaintManagerUI* manager,
                          const RECT& rcItem,
                          const RECT& rcPaint,
                          const TImageDrawParams& params);
    // Draws an already decoded image (source defaulting, fit/centre, rounded corner, centre rectangle).
    static void DrawImage(HDC hDC,
                          const TImageInfo& image,
                          const RECT& rcItem,
                          const RECT& rcPaint,
                          const TImageDrawParams& params);
    // The nine-grid: corners 1:1, edges and middle stretched or tiled.
    static void DrawImage(HDC hDC,
                          HBITMAP hBitmap,
                          const RECT& rc,
                          const RECT& rcPaint,
                          const RECT& rcBmpPart,
                          const RECT& rcCorners,
                          bool alpha,
                          BYTE fade = 255,
                          bool hole = false,
                          bool xtiled = false,
                          bool ytiled = false);

    static void DrawColor(HDC hDC, const RECT& rc, DWORD color);
    // Vertical: `first` at the top, `second` at the bottom.
    static void DrawGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, int steps);
    static void DrawLine(HDC hDC, const RECT& rc, int size, DWORD color, int style = PS_SOLID);
    static void DrawRect(HDC hDC, const RECT& rc, int size, DWORD color);
    static void DrawRoundRect(HDC hDC, const RECT& rc, int width, int height, int size, DWORD color);
    // `style` takes DrawTextW flags; with DT_CALCRECT `rc` receives the needed size.
    static void DrawText(HDC hDC,
                         CPaintManagerUI* manager,
                         RECT& rc,
                         const wchar_t* text,
                         DWORD color,
                         int font,
                         UINT style);
    // Text with <b>, <c #AARRGGBB>, <f n>, <a link> ... tags (or the same in braces). `linkCount` gives the
    // capacity of `links`/`linkTexts` and the rectangles of the previous draw, and returns the links found.
    static void DrawHtmlText(HDC hDC,
                             CPaintManagerUI* manager,
                             RECT& rc,
                             const wchar_t* text,
                             DWORD color,
                             RECT* links,
                             std::wstring* linkTexts,
                             int& linkCount,
                             UINT style);
    // Hue shift in degrees around 180, saturation and lightness in percent; (180, 100, 100) keeps it.
    static DWORD AdjustColor(DWORD color, short hue, short saturation, short lightness);
};

}  // namespace SkinUI
