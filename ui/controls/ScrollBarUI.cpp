#include "ui/controls/ScrollBarUI.h"

#include <algorithm>
#include <cstdio>

#include "ui/controls/ContainerUI.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

constexpr int kDefaultThickness = 8;
constexpr UINT kRepeatTimerId = 10;
constexpr UINT kRepeatTimerMs = 50;
// Timer ticks a held button waits before it starts repeating (about 300 ms).
constexpr int kRepeatDelayTicks = 6;
constexpr int kVerticalThumbMinFactor = 3;
constexpr DWORD kFallbackOutlineColor = 0xFF85E4FF;
constexpr int kFallbackOutlineWidth = 2;

bool IsZeroRect(const RECT& rc) {
    return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

}  // namespace

CScrollBarUI::CScrollBarUI() {
    m_cxyFixed.cx = kDefaultThickness;
    m_button[2].shown = false;
    m_button[3].shown = false;
}

LPCWSTR CScrollBarUI::GetClass() const {
    return L"ScrollBarUI";
}

LPVOID CScrollBarUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"ScrollBar") == 0)
        return this;
    return CControlUI::GetInterface(pstrName);
}

void CScrollBarUI::SetVisible(bool bVisible) {
    // The owner lays itself out around the bar; asking the parent here would loop.
    if (m_bVisible == bVisible)
        return;
    m_bVisible = bVisible;
    m_bFocused = false;
}

void CScrollBarUI::SetEnabled(bool bEnable) {
    CControlUI::SetEnabled(bEnable);
    if (!IsEnabled()) {
        m_button[0].state = 0;
        m_button[1].state = 0;
        m_thumb.state = 0;
    }
}

void CScrollBarUI::SetFocus() {
    if (m_pOwner != nullptr)
        m_pOwner->SetFocus();
    else
        CControlUI::SetFocus();
}

void CScrollBarUI::SetHorizontal(bool bHorizontal) {
    if (m_bHorizontal == bHorizontal)
        return;
    m_bHorizontal = bHorizontal;
    if (m_bHorizontal && m_cxyFixed.cy == 0) {
        m_cxyFixed.cx = 0;
        m_cxyFixed.cy = kDefaultThickness;
    } else if (!m_bHorizontal && m_cxyFixed.cx == 0) {
        m_cxyFixed.cx = kDefaultThickness;
        m_cxyFixed.cy = 0;
    }
    if (m_pOwner != nullptr)
        m_pOwner->NeedUpdate();
}

void CScrollBarUI::SetScrollRange(int nRange) {
    if (m_nRange == nRange)
        return;
    m_nRange = std::max(nRange, 0);
    if (m_nScrollPos > m_nRange)
        m_nScrollPos = m_nRange;
    SetPos(m_rcItem);
}

void CScrollBarUI::SetScrollPos(int nPos) {
    if (m_nScrollPos == nPos)
        return;
    m_nScrollPos = std::min(std::max(nPos, 0), m_nRange);
    SetPos(m_rcItem);
}

RECT CScrollBarUI::PartRect(int from, int to) const {
    const int c = Thickness();
    if (m_bHorizontal)
        return RECT{from, m_rcItem.top, to, m_rcItem.top + c};
    return RECT{m_rcItem.left, from, m_rcItem.left + c, to};
}

void CScrollBarUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const int c = Thickness();
    const int start = Start(m_rcItem);
    const int end = End(m_rcItem);
    const int length = end - start;

    int available = length;
    for (const TPart& button : m_button) {
        if (button.shown)
            available -= c;
    }

    if (available <= c) {
        // No room for a thumb: the two line buttons share the bar.
        const int half = std::min(length / 2, c);
        m_button[0].rc = m_button[0].shown ? PartRect(start, start + half) : PartRect(start, start);
        m_button[1].rc = m_button[1].shown ? PartRect(end - half, end) : PartRect(end, end);
        m_thumb.rc = RECT{0, 0, 0, 0};
        return;
    }

    // Jump buttons sit at the ends, line buttons just inside them.
    auto place = [&](TPart& part, int from, int to) {
        part.rc = part.shown ? PartRect(from, to) : PartRect(from, from);
    };
    auto placeBack = [&](TPart& part, int to) {
        part.rc = part.shown ? PartRect(to - c, to) : PartRect(to, to);
    };
    place(m_button[2], start, start + c);
    place(m_button[0], End(m_button[2].rc), End(m_button[2].rc) + c);
    placeBack(m_button[3], end);
    placeBack(m_button[1], Start(m_button[3].rc));

    const int railStart = End(m_button[0].rc);
    const int railEnd = Start(m_button[1].rc);
    if (m_nRange < 1) {
        m_thumb.rc = PartRect(railStart, railEnd);
        return;
    }
    const int minThumb = m_bHorizontal ? c : kVerticalThumbMinFactor * c;
    int thumb = std::max(length * available / (m_nRange + length), minThumb);
    int thumbStart = (available - thumb) * m_nScrollPos / m_nRange + railStart;
    int thumbEnd = thumbStart + thumb;
    if (thumbEnd > railEnd) {
        thumbStart = railEnd - thumb;
        thumbEnd = railEnd;
    }
    m_thumb.rc = PartRect(thumbStart, thumbEnd);
}

void CScrollBarUI::LineBack() {
    if (m_pOwner == nullptr)
        SetScrollPos(m_nScrollPos - m_nLineSize);
    else if (m_bHorizontal)
        m_pOwner->LineLeft();
    else
        m_pOwner->LineUp();
}

void CScrollBarUI::LineForward() {
    if (m_pOwner == nullptr)
        SetScrollPos(m_nScrollPos + m_nLineSize);
    else if (m_bHorizontal)
        m_pOwner->LineRight();
    else
        m_pOwner->LineDown();
}

// Without an owner a page is the length of the rail between the line buttons.
void CScrollBarUI::PageBack() {
    if (m_pOwner == nullptr)
        SetScrollPos(m_nScrollPos - (Start(m_button[1].rc) - End(m_button[0].rc)));
    else if (m_bHorizontal)
        m_pOwner->PageLeft();
    else
        m_pOwner->PageUp();
}

void CScrollBarUI::PageForward() {
    if (m_pOwner == nullptr)
        SetScrollPos(m_nScrollPos + (Start(m_button[1].rc) - End(m_button[0].rc)));
    else if (m_bHorizontal)
        m_pOwner->PageRight();
    else
        m_pOwner->PageDown();
}

void CScrollBarUI::NotifyScroll() {
    if (m_pOwner == nullptr && m_pManager != nullptr)
        m_pManager->SendNotify(this, L"scroll");
}

void CScrollBarUI::DoEvent(TEventUI& event) {
    if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
        if (m_pOwner != nullptr)
            m_pOwner->DoEvent(event);
        else
            CControlUI::DoEvent(event);
        return;
    }
    switch (event.type) {
        case kEventSetFocus:
        case kEventKillFocus:
        case kEventContextMenu:
            return;
        case kEventButtonDown:
        case kEventDblClick:
            if (IsEnabled())
                OnButtonDown(event);
            return;
        case kEventButtonUp:
            OnButtonUp();
            return;
        case kEventMouseMove:
            OnMouseMove(event);
            return;
        case kEventTimer:
            if (event.wParam == kRepeatTimerId)
                OnTimer();
            return;
        case kEventMouseEnter:
            if (IsEnabled()) {
                for (TPart& button : m_button)
                    button.state |= kStateHot;
                if (::PtInRect(&m_thumb.rc, event.ptMouse))
                    m_thumb.state |= kStateHot;
                Invalidate();
            }
            return;
        case kEventMouseLeave:
            for (TPart& button : m_button)
                button.state &= ~kStateHot;
            m_thumb.state &= ~kStateHot;
            Invalidate();
            return;
        default:
            break;
    }
    if (m_pOwner != nullptr)
        m_pOwner->DoEvent(event);
    else
        CControlUI::DoEvent(event);
}

void CScrollBarUI::OnButtonDown(const TEventUI& event) {
    m_nLastScrollOffset = 0;
    m_nScrollRepeatDelay = 0;
    if (m_pManager != nullptr)
        m_pManager->SetTimer(this, kRepeatTimerId, kRepeatTimerMs);
    const POINT pt = event.ptMouse;
    if (::PtInRect(&m_button[0].rc, pt)) {
        m_button[0].state |= kStatePushed;
        LineBack();
    } else if (::PtInRect(&m_button[1].rc, pt)) {
        m_button[1].state |= kStatePushed;
        LineForward();
    } else if (::PtInRect(&m_button[2].rc, pt)) {
        m_button[2].state |= kStatePushed;
        if (m_pOwner == nullptr)
            SetScrollPos(0);
        else if (m_bHorizontal)
            m_pOwner->HomeLeft();
        else
            m_pOwner->HomeUp();
    } else if (::PtInRect(&m_button[3].rc, pt)) {
        m_button[3].state |= kStatePushed;
        if (m_pOwner == nullptr)
            SetScrollPos(m_nRange);
        else if (m_bHorizontal)
            m_pOwner->EndRight();
        else
            m_pOwner->EndDown();
    } else if (::PtInRect(&m_thumb.rc, pt)) {
        m_thumb.state |= kStateCaptured | kStatePushed;
        m_ptLastMouse = pt;
        m_nLastScrollPos = m_nScrollPos;
    } else if (Along(pt) < Start(m_thumb.rc)) {
        PageBack();
    } else {
        PageForward();
    }
    NotifyScroll();
}

void CScrollBarUI::OnButtonUp() {
    m_nScrollRepeatDelay = 0;
    m_nLastScrollOffset = 0;
    if (m_pManager != nullptr)
        m_pManager->KillTimer(this, kRepeatTimerId);
    if ((m_thumb.state & kStateCaptured) != 0) {
        m_thumb.state &= ~(kStateCaptured | kStatePushed);
    } else {
        for (TPart& button : m_button) {
            if ((button.state & kStatePushed) != 0) {
                button.state &= ~kStatePushed;
                break;
            }
        }
    }
    Invalidate();
}

void CScrollBarUI::OnMouseMove(const TEventUI& event) {
    if ((m_thumb.state & kStateCaptured) != 0) {
        const int c = Thickness();
        const int travel = (End(m_rcItem) - Start(m_rcItem)) - 2 * c - (End(m_thumb.rc) - Start(m_thumb.rc));
        if (travel != 0)
            m_nLastScrollOffset = (Along(event.ptMouse) - Along(m_ptLastMouse)) * m_nRange / travel;
        return;
    }
    const bool over = IsEnabled() && ::PtInRect(&m_thumb.rc, event.ptMouse);
    const bool hot = (m_thumb.state & kStateHot) != 0;
    if (over != hot) {
        m_thumb.state ^= kStateHot;
        Invalidate();
    }
}

void CScrollBarUI::OnTimer() {
    ++m_nScrollRepeatDelay;
    if ((m_thumb.state & kStateCaptured) != 0) {
        const int target = m_nLastScrollPos + m_nLastScrollOffset;
        if (m_pOwner == nullptr) {
            SetScrollPos(target);
        } else {
            SIZE pos = m_pOwner->GetScrollPos();
            if (m_bHorizontal)
                pos.cx = target;
            else
                pos.cy = target;
            m_pOwner->SetScrollPos(pos);
        }
        Invalidate();
    } else if (m_nScrollRepeatDelay >= kRepeatDelayTicks) {
        if ((m_button[0].state & kStatePushed) != 0) {
            LineBack();
        } else if ((m_button[1].state & kStatePushed) != 0) {
            LineForward();
        } else if ((m_button[2].state & kStatePushed) == 0 && (m_button[3].state & kStatePushed) == 0 &&
                   m_pManager != nullptr) {
            POINT pt;
            ::GetCursorPos(&pt);
            ::ScreenToClient(m_pManager->GetPaintWindow(), &pt);
            if (Along(pt) < Start(m_thumb.rc))
                PageBack();
            else if (Along(pt) > End(m_thumb.rc))
                PageForward();
        }
    }
    NotifyScroll();
}

void CScrollBarUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    static const wchar_t* const kStateNames[kImageStateCount] = {L"normalimage", L"hotimage", L"pushedimage",
                                                                 L"disabledimage"};
    const std::wstring name = pstrName;
    auto imageSlot = [&](const std::wstring& prefix) -> std::wstring* {
        if (name.compare(0, prefix.size(), prefix) != 0)
            return nullptr;
        const std::wstring rest = name.substr(prefix.size());
        for (int i = 0; i < kImageStateCount; ++i) {
            if (rest == kStateNames[i]) {
                if (prefix == L"thumb")
                    return &m_thumb.images[i];
                if (prefix == L"rail")
                    return &m_railImages[i];
                if (prefix == L"bk")
                    return &m_bkImages[i];
                return &m_button[prefix[6] - L'1'].images[i];
            }
        }
        return nullptr;
    };
    for (const wchar_t* prefix : {L"button1", L"button2", L"button3", L"button4", L"thumb", L"rail", L"bk"}) {
        if (std::wstring* slot = imageSlot(prefix)) {
            *slot = pstrValue;
            Invalidate();
            return;
        }
    }
    if (name == L"hor") {
        SetHorizontal(ParseSkinBool(pstrValue));
    } else if (name == L"linesize") {
        SetLineSize(ParseSkinInt(pstrValue));
    } else if (name == L"range") {
        SetScrollRange(ParseSkinInt(pstrValue));
    } else if (name == L"value") {
        SetScrollPos(ParseSkinInt(pstrValue));
    } else if (name.size() == 11 && name.compare(0, 10, L"showbutton") == 0 && name[10] >= L'1' &&
               name[10] <= L'4') {
        m_button[name[10] - L'1'].shown = ParseSkinBool(pstrValue);
        SetPos(m_rcItem);
    } else {
        CControlUI::SetAttribute(pstrName, pstrValue);
    }
}

std::wstring* CScrollBarUI::PickImage(std::wstring* images, UINT state) {
    if ((state & kStateDisabled) != 0 && !images[kImageDisabled].empty())
        return &images[kImageDisabled];
    if ((state & kStatePushed) != 0 && !images[kImagePushed].empty())
        return &images[kImagePushed];
    if ((state & kStateHot) != 0 && !images[kImageHot].empty())
        return &images[kImageHot];
    return &images[kImageNormal];
}

void CScrollBarUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    if (!::IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem))
        return;
    PaintBk(hDC);
    if (m_button[0].shown)
        PaintPart(hDC, m_button[0]);
    if (m_button[1].shown)
        PaintPart(hDC, m_button[1]);
    if (!IsZeroRect(m_thumb.rc))
        PaintPart(hDC, m_thumb);
    PaintRail(hDC);
}

void CScrollBarUI::PaintBk(HDC hDC) {
    if (IsEnabled())
        m_thumb.state &= ~kStateDisabled;
    else
        m_thumb.state |= kStateDisabled;
    std::wstring* image = PickImage(m_bkImages, m_thumb.state);
    if (!image->empty() && !DrawImage(hDC, *image))
        image->clear();
}

void CScrollBarUI::PaintPart(HDC hDC, TPart& part) {
    if (IsEnabled())
        part.state &= ~kStateDisabled;
    else
        part.state |= kStateDisabled;
    wchar_t modify[64];
    swprintf(modify, sizeof(modify) / sizeof(modify[0]), L"dest='%d,%d,%d,%d'", part.rc.left - m_rcItem.left,
             part.rc.top - m_rcItem.top, part.rc.right - m_rcItem.left, part.rc.bottom - m_rcItem.top);
    m_sImageModify = modify;
    std::wstring* image = PickImage(part.images, part.state);
    if (!image->empty()) {
        if (DrawImage(hDC, *image, m_sImageModify.c_str()))
            return;
        image->clear();
    }
    CRenderKit::DrawRect(hDC, part.rc, kFallbackOutlineWidth, kFallbackOutlineColor);
}

void CScrollBarUI::PaintRail(HDC hDC) {
    if (IsZeroRect(m_thumb.rc))
        return;
    const int c = Thickness();
    const int middle = (Start(m_thumb.rc) + End(m_thumb.rc)) / 2;
    RECT grip = m_thumb.rc;
    if (m_bHorizontal) {
        grip.left = middle - c / 2;
        grip.right = grip.left + c;
    } else {
        grip.top = middle - c / 2;
        grip.bottom = grip.top + c;
    }
    wchar_t modify[64];
    swprintf(modify, sizeof(modify) / sizeof(modify[0]), L"dest='%d,%d,%d,%d'", grip.left - m_rcItem.left,
             grip.top - m_rcItem.top, grip.right - m_rcItem.left, grip.bottom - m_rcItem.top);
    m_sImageModify = modify;
    std::wstring* image = PickImage(m_railImages, m_thumb.state);
    if (!image->empty() && !DrawImage(hDC, *image, m_sImageModify.c_str()))
        image->clear();
}

}  // namespace SkinUI
