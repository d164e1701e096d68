#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>
#include <vector>

#include "ui/core/GdiScoped.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

const wchar_t kEllipsis[] = L"...";

// One placed piece of formatted text: a run of characters or an inline image.
struct TPiece {
    RECT rc;  // relative to the text rectangle's top-left until the line is aligned
    std::wstring text;
    HFONT font = nullptr;
    DWORD color = 0;
    bool selected = false;
    int link = -1;
    const TImageInfo* image = nullptr;
};

struct TLine {
    int width = 0;
    int height = 0;
    size_t firstPiece = 0;
};

// Lays formatted text out into lines of pieces, then aligns and draws them.
class CHtmlLayout {
public:
    CHtmlLayout(HDC hDC, CPaintManagerUI* manager, const RECT& rc, DWORD color, UINT style)
        : m_hDC(hDC),
          m_manager(manager),
          m_style(style),
          m_width(rc.right - rc.left),
          m_height(rc.bottom - rc.top) {
        const TFontInfo* info = manager->GetDefaultFontInfo();
        m_fonts.push_back(info != nullptr && info->hFont != nullptr
                              ? info->hFont
                              : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        m_colors.push_back(color);
        if (m_width <= 0 && (style & DT_CALCRECT))
            m_width = INT_MAX / 2;
        m_lines.emplace_back();
    }

    void Layout(const wchar_t* text) {
        const wchar_t* p = text;
        while (*p != L'\0' && !m_stopped) {
            if ((*p == L'<' || *p == L'{') && Tag(p))
                continue;
            if (*p == L'\n') {
                ++p;
                if (!(m_style & DT_SINGLELINE))
                    NewLine();
                continue;
            }
            if (*p == L'\r') {
                ++p;
                continue;
            }
            const wchar_t* end = p + 1;
            while (*end != L'\0' && *end != L'<' && *end != L'{' && *end != L'\n' && *end != L'\r')
                ++end;
            AddText(p, end);
            p = end;
        }
        FinishLine();
    }

    const std::vector<TLine>& Lines() const { return m_lines; }
    std::vector<TPiece>& Pieces() { return m_pieces; }
    const std::vector<std::wstring>& LinkTexts() const { return m_linkTexts; }
    void SetHoverLink(const std::wstring& text) { m_hoverLink = text; }
    int TotalHeight() const {
        int total = 0;
        for (const TLine& line : m_lines)
            total += line.height;
        return total;
    }
    int MaxWidth() const {
        int widest = 0;
        for (const TLine& line : m_lines)
            widest = std::max(widest, line.width);
        return widest;
    }

private:
    HFONT Font() const { return m_fonts.back(); }

    int FontHeight() {
        CSelectObject select(m_hDC, Font());
        TEXTMETRICW tm = {};
        GetTextMetricsW(m_hDC, &tm);
        return tm.tmHeight;
    }

    HFONT Derived(bool bold, bool underline) {
        LOGFONTW lf = {};
        GetObjectW(Font(), sizeof(lf), &lf);
        if (bold)
            lf.lfWeight = FW_BOLD;
        if (underline)
            lf.lfUnderline = TRUE;
        m_ownedFonts.emplace_back(CreateFontIndirectW(&lf));
        return m_ownedFonts.back() ? m_ownedFonts.back().Get() : Font();
    }

    // Handles one tag at p; false when the text there is not a tag (it is then drawn as written).
    bool Tag(const wchar_t*& p) {
        const wchar_t close = *p == L'<' ? L'>' : L'}';
        const wchar_t* end = wcschr(p + 1, close);
        if (end == nullptr)
            return false;
        const wchar_t* q = p + 1;
        const bool closing = *q == L'/';
        if (closing)
            ++q;
        const wchar_t name = *q;
        if (wcschr(L"abcfinprsuxy", name) == nullptr || name == L'\0' || q + 1 > end)
            return false;
        ++q;
        if (q < end && *q != L' ')
            return false;
        while (q < end && *q == L' ')
            ++q;
        const std::wstring arg(q, end);
        p = end + 1;
        if (closing)
            CloseTag(name);
        else
            OpenTag(name, arg, p, close);
        return true;
    }

    int Number(const std::wstring& arg) const {
        int value = 0;
        ParseSkinInts(arg.c_str(), &value, 1);
        return value;
    }

    void OpenTag(wchar_t name, const std::wstring& arg, const wchar_t*& p, wchar_t close) {
        switch (name) {
            case L'a':
                m_link = static_cast<int>(m_linkTexts.size());
                m_linkTexts.push_back(arg);
                m_colors.push_back(arg == m_hoverLink ? m_manager->GetDefaultLinkHoverFontColor()
                                                      : m_manager->GetDefaultLinkFontColor());
                break;
            case L'b':
                m_fonts.push_back(Derived(true, false));
                break;
            case L'u':
                m_fonts.push_back(Derived(false, true));
                break;
            case L'f': {
                HFONT font = m_manager->GetFont(Number(arg));
                m_fonts.push_back(font != nullptr ? font : Font());
                break;
            }
            case L'c':
                m_colors.push_back(ParseSkinColor(arg.c_str()));
                break;
            case L'i':
                AddImage(arg);
                break;
            case L'n':
                if (!(m_style & DT_SINGLELINE))
                    NewLine();
                break;
            case L'p':
                if (m_x > 0 && !(m_style & DT_SINGLELINE))
                    NewLine();
                m_paragraphSpacing = Number(arg);
                break;
            case L'r': {
                // Everything up to the closing tag is text.
                const wchar_t endTag[] = {close == L'>' ? L'<' : L'{', L'/', L'r', close, L'\0'};
                const wchar_t* end = wcsstr(p, endTag);
                const wchar_t* stop = end != nullptr ? end : p + wcslen(p);
                if (stop > p)
                    AddText(p, stop);
                p = end != nullptr ? end + 4 : stop;
                break;
            }
            case L's':
                ++m_selected;
                break;
            case L'x':
                m_x += std::max(0, Number(arg));
                break;
            case L'y':
                m_fixedLineHeight = std::max(0, Number(arg));
                m_lineFixedHeight = std::max(m_lineFixedHeight, m_fixedLineHeight);
                break;
        }
    }

    void CloseTag(wchar_t name) {
        switch (name) {
            case L'a':
                m_link = -1;
                PopColor();
                break;
            case L'b':
            case L'u':
            case L'f':
                if (m_fonts.size() > 1)
                    m_fonts.pop_back();
                break;
            case L'c':
                PopColor();
                break;
            case L'p':
                m_paragraphSpacing = 0;
                break;
            case L's':
                m_selected = std::max(0, m_selected - 1);
                break;
            case L'y':
                m_fixedLineHeight = 0;
                break;
        }
    }

    void PopColor() {
        if (m_colors.size() > 1)
            m_colors.pop_back();
    }

    void Place(TPiece piece, int cx, int cy) {
        piece.rc = {m_x, 0, m_x + cx, cy};
        m_x += cx;
        m_lineHeight = std::max(m_lineHeight, cy);
        m_lineFixedHeight = std::max(m_lineFixedHeight, m_fixedLineHeight);
        m_pieces.push_back(std::move(piece));
    }

    void AddImage(const std::wstring& arg) {
        std::wstring imageName;
        CRenderKit::ParseImageString(RECT{}, arg.c_str(), nullptr,
                                     [&](const TImageDrawParams& params) { imageName = params.name; });
        const TImageInfo* image = imageName.empty() ? nullptr : m_manager->GetImageEx(imageName.c_str());
        if (image == nullptr)
            return;
        if (m_x > 0 && m_x + image->width > m_width && !(m_style & DT_SINGLELINE))
            NewLine();
        TPiece piece;
        piece.image = image;
        piece.link = m_link;
        Place(std::move(piece), image->width, image->height);
    }

    void AddText(const wchar_t* begin, const wchar_t* end) {
        CSelectObject select(m_hDC, Font());
        while (begin < end && !m_stopped) {
            const int length = static_cast<int>(end - begin);
            const int room = std::max(0, m_width - m_x);
            int fit = 0;
            SIZE size = {};
            GetTextExtentExPointW(m_hDC, begin, length, room, &fit, nullptr, &size);
            if (fit >= length) {
                PlaceText(begin, length);
                return;
            }
            if (m_style & DT_SINGLELINE) {
                if (m_style & DT_END_ELLIPSIS)
                    PlaceEllipsis(begin, length);
                else
                    PlaceText(begin, length);  // clipped by the rectangle
                m_stopped = (m_style & DT_END_ELLIPSIS) != 0;
                return;
            }
            // Break after the last blank that fits; a word longer than the line is cut.
            int take = fit;
            while (take > 0 && begin[take - 1] != L' ')
                --take;
            if (take == 0) {
                if (m_x > 0) {
                    NewLine();
                    continue;
                }
                take = std::max(fit, 1);
            }
            PlaceText(begin, take);
            begin += take;
            NewLine();
        }
    }

    void PlaceText(const wchar_t* text, int length) {
        SIZE size = {};
        GetTextExtentPoint32W(m_hDC, text, length, &size);
        TPiece piece;
        piece.text.assign(text, length);
        piece.font = Font();
        piece.color = m_colors.back();
        piece.selected = m_selected > 0;
        piece.link = m_link;
        Place(std::move(piece), size.cx, size.cy);
    }

    void PlaceEllipsis(const wchar_t* text, int length) {
        SIZE dots = {};
        GetTextExtentPoint32W(m_hDC, kEllipsis, 3, &dots);
        int fit = 0;
        SIZE size = {};
        const int room = std::max<int>(0, m_width - m_x - dots.cx);
        GetTextExtentExPointW(m_hDC, text, length, room, &fit, nullptr, &size);
        std::wstring shortened(text, fit);
        shortened += kEllipsis;
        PlaceText(shortened.c_str(), static_cast<int>(shortened.size()));
    }

    void FinishLine() {
        TLine& line = m_lines.back();
        line.width = m_x;
        const int natural = m_lineHeight > 0 ? m_lineHeight : FontHeight();
        line.height = (m_lineFixedHeight > 0 ? m_lineFixedHeight : natural) + m_paragraphSpacing;
    }

    void NewLine() {
        FinishLine();
        m_top += m_lines.back().height;
        if (!(m_style & DT_CALCRECT) && m_top >= m_height) {
            m_stopped = true;  // nothing below the rectangle is visible
            return;
        }
        TLine next;
        next.firstPiece = m_pieces.size();
        m_lines.push_back(next);
        m_x = 0;
        m_lineHeight = 0;
        m_lineFixedHeight = m_fixedLineHeight;
    }

    HDC m_hDC;
    CPaintManagerUI* m_manager;
    UINT m_style;
    int m_width;
    int m_height;
    std::vector<HFONT> m_fonts;
    std::vector<CGdiObject<HFONT>> m_ownedFonts;
    std::vector<DWORD> m_colors;
    std::vector<TPiece> m_pieces;
    std::vector<TLine> m_lines;
    std::vector<std::wstring> m_linkTexts;
    std::wstring m_hoverLink;
    int m_x = 0;
    int m_top = 0;
    int m_lineHeight = 0;
    int m_fixedLineHeight = 0;  // from an open <y> tag
    int m_lineFixedHeight = 0;  // the largest fixed height met on the current line
    int m_paragraphSpacing = 0;
    int m_selected = 0;
    int m_link = -1;
    bool m_stopped = false;
};

}  // namespace

void CRenderKit::DrawHtmlText(HDC hDC,
                              CPaintManagerUI* manager,
                              RECT& rc,
                              const wchar_t* text,
                              DWORD color,
                              RECT* links,
                              std::wstring* linkTexts,
                              int& linkCount,
                              UINT style) {
    const int capacity = (links != nullptr && linkTexts != nullptr) ? std::max(0, linkCount) : 0;
    linkCount = 0;
    if (hDC == nullptr || manager == nullptr || text == nullptr)
        return;
    CHtmlLayout layout(hDC, manager, rc, color, style);
    const POINT mouse = manager->GetMousePos();
    for (int i = 0; i < capacity; ++i) {
        if (PtInRect(&links[i], mouse)) {
            layout.SetHoverLink(linkTexts[i]);
            break;
        }
    }
    layout.Layout(text);

    if (style & DT_CALCRECT) {
        rc.right = rc.left + layout.MaxWidth();
        rc.bottom = rc.top + layout.TotalHeight();
        return;
    }

    // Align each line, then place every piece on its line's bottom edge.
    std::vector<TPiece>& pieces = layout.Pieces();
    const std::vector<TLine>& lines = layout.Lines();
    const int width = rc.right - rc.left;
    int top = rc.top;
    if (style & DT_VCENTER)
        top += (rc.bottom - rc.top - layout.TotalHeight()) / 2;
    else if (style & DT_BOTTOM)
        top += rc.bottom - rc.top - layout.TotalHeight();
    for (size_t l = 0; l < lines.size(); ++l) {
        const size_t end = l + 1 < lines.size() ? lines[l + 1].firstPiece : pieces.size();
        int x = rc.left;
        if (style & DT_CENTER)
            x += (width - lines[l].width) / 2;
        else if (style & DT_RIGHT)
            x += width - lines[l].width;
        for (size_t i = lines[l].firstPiece; i < end; ++i) {
            const int cy = pieces[i].rc.bottom;
            pieces[i].rc = {x + pieces[i].rc.left, top + lines[l].height - cy, x + pieces[i].rc.right,
                            top + lines[l].height};
        }
        top += lines[l].height;
    }

    const int saved = SaveDC(hDC);
    IntersectClipRect(hDC, rc.left, rc.top, rc.right, rc.bottom);
    SetBkMode(hDC, TRANSPARENT);
    for (const TPiece& piece : pieces) {
        if (piece.image != nullptr) {
            TImageDrawParams params;
            params.dest = piece.rc;
            DrawImage(hDC, *piece.image, piece.rc, rc, params);
            continue;
        }
        CSelectObject select(hDC, piece.font);
        SetTextColor(hDC, ToColorRef(piece.color));
        if (piece.selected) {
            SetBkMode(hDC, OPAQUE);
            SetBkColor(hDC, ToColorRef(manager->GetDefaultSelectedBkColor()));
        }
        TextOutW(hDC, piece.rc.left, piece.rc.top, piece.text.c_str(), static_cast<int>(piece.text.size()));
        if (piece.selected)
            SetBkMode(hDC, TRANSPARENT);
    }
    RestoreDC(hDC, saved);

    // One rectangle per link and line, while the caller's arrays have room.
    for (const TPiece& piece : pieces) {
        if (piece.link < 0)
            continue;
        const std::wstring& linkText = layout.LinkTexts()[piece.link];
        if (linkCount > 0 && linkTexts[linkCount - 1] == linkText &&
            links[linkCount - 1].top == piece.rc.top && links[linkCount - 1].right == piece.rc.left) {
            links[linkCount - 1].right = piece.rc.right;
            continue;
        }
        if (linkCount >= capacity)
            break;
        links[linkCount] = piece.rc;
        linkTexts[linkCount] = linkText;
        ++linkCount;
    }
}

}  // namespace SkinUI
