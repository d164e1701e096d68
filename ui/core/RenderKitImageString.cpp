#include <algorithm>
#include <cwchar>
#include <string>

#include "ui/core/DpiScale.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

// Reads the items of one image attribute string into `params`; `draw` receives the image gathered so
// far whenever a second image starts.
class CImageStringReader {
public:
    CImageStringReader(const RECT& rcItem,
                       TImageDrawParams& params,
                       const std::function<void(const TImageDrawParams&)>& draw)
        : m_rcItem(rcItem), m_params(params), m_draw(draw) {}

    // Lengths of `text` are converted with `scale`: the skin's strings are written for 96 DPI, while
    // the strings controls compute at paint time are already in device pixels.
    void Read(const wchar_t* text, const CDpiScale& scale) {
        m_scale = scale;
        int counted = 0;
        const wchar_t* p = text;
        while (*p >= 1 && *p <= 32)
            ++p;
        for (;;) {
            const wchar_t* keyStart = p;
            while (*p != L'\0' && *p != L'=' && *p != L' ')
                ++p;
            const std::wstring key(keyStart, p);
            while (*p == L' ')
                ++p;
            if (*p != L'=')
                return;
            ++p;
            while (*p == L' ')
                ++p;
            if (*p != L'\'')
                return;
            const wchar_t* valueStart = ++p;
            while (*p != L'\0' && *p != L'\'')
                ++p;
            if (*p != L'\'')
                return;
            const std::wstring value(valueStart, p);
            ++p;
            if (!value.empty())
                Apply(key, value, counted);
            if (p[0] != L' ' || p[1] == L'\0')
                return;
            ++p;
        }
    }

private:
    void Apply(const std::wstring& key, const std::wstring& value, int& counted) {
        TImageDrawParams& d = m_params;
        const wchar_t* v = value.c_str();
        if (key == L"file" || key == L"restype") {
            if (counted > 0)
                m_draw(d);
            ++counted;
            (key == L"file" ? d.name : d.resType) = value;
        } else if (key == L"res") {
            d.name = value;
        } else if (key == L"dest" || key == L"rdest") {
            const RECT r = m_scale.Scale(ParseSkinRect(v));
            const LONG x = key == L"dest" ? m_rcItem.left : m_rcItem.right;
            const LONG y = key == L"dest" ? m_rcItem.top : m_rcItem.bottom;
            d.dest = {x + r.left, y + r.top, std::min(x + r.right, m_rcItem.right),
                      std::min(y + r.bottom, m_rcItem.bottom)};
        } else if (key == L"source") {
            d.source = m_scale.Scale(ParseSkinRect(v));
        } else if (key == L"corner") {
            d.corner = m_scale.Scale(ParseSkinRect(v));
        } else if (key == L"centerrect") {
            d.centerRect = m_scale.Scale(ParseSkinRect(v));
        } else if (key == L"mask") {
            d.mask = ParseSkinColor(v);
        } else if (key == L"fade") {
            int fade = 0;
            ParseSkinInts(v, &fade, 1);
            d.fade = static_cast<BYTE>(std::clamp(fade, 0, 255));
        } else if (key == L"hole") {
            d.hole = ParseSkinBool(v);
        } else if (key == L"xtiled") {
            d.xtiled = ParseSkinBool(v);
        } else if (key == L"ytiled") {
            d.ytiled = ParseSkinBool(v);
        } else if (key == L"stretch") {
            d.stretch = ParseSkinBool(v);
        } else if (key == L"center") {
            d.center = ParseSkinBool(v);
        } else if (key == L"aligntop") {
            d.alignTop = ParseSkinBool(v);
        } else if (key == L"alignleft") {
            d.alignLeft = ParseSkinBool(v);
        } else if (key == L"roundcorner") {
            d.roundCorner = m_scale.Scale(ParseSkinSize(v));
        }
        // "gray" and "angle" are accepted and ignored, like any other key.
    }

    const RECT& m_rcItem;
    TImageDrawParams& m_params;
    const std::function<void(const TImageDrawParams&)>& m_draw;
    CDpiScale m_scale;
};

}  // namespace

void CRenderKit::ParseImageString(const RECT& rcItem,
                                  const wchar_t* image,
                                  const wchar_t* modify,
                                  const std::function<void(const TImageDrawParams&)>& draw,
                                  const CDpiScale& scale) {
    TImageDrawParams params;
    params.dest = rcItem;
    params.name = image != nullptr ? image : L"";
    CImageStringReader reader(rcItem, params, draw);
    if (image != nullptr)
        reader.Read(image, scale);
    if (modify != nullptr)
        reader.Read(modify, CDpiScale());
    draw(params);
}

bool CRenderKit::DrawImageString(HDC hDC,
                                 CPaintManagerUI* manager,
                                 const RECT& rcItem,
                                 const RECT& rcPaint,
                                 const wchar_t* image,
                                 const wchar_t* modify) {
    if (hDC == nullptr || manager == nullptr)
        return false;
    ParseImageString(
        rcItem, image, modify,
        [&](const TImageDrawParams& params) { DrawImage(hDC, manager, rcItem, rcPaint, params); },
        manager->GetDpiScale());
    return true;
}

}  // namespace SkinUI
