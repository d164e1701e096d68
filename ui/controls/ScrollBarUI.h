#pragma once
// A scroll bar: range, position and line size, a draggable thumb on a rail and up to four buttons,
// painted from image strings per part and state. Attached to a container (its owner) it drives the
// owner's scrolling; alone it keeps its own position and sends "scroll". UI thread only.
#include <string>

#include "ui/core/ControlUI.h"

namespace SkinUI {

class CContainerUI;

class CScrollBarUI : public CControlUI {
public:
    // Images of one part, by state.
    enum ImageState { kImageNormal, kImageHot, kImagePushed, kImageDisabled, kImageStateCount };

    CScrollBarUI();

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    CContainerUI* GetOwner() const { return m_pOwner; }
    void SetOwner(CContainerUI* pOwner) { m_pOwner = pOwner; }

    void SetVisible(bool bVisible = true) override;
    void SetEnabled(bool bEnable = true) override;
    void SetFocus() override;

    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool bHorizontal = true);
    int GetScrollRange() const { return m_nRange; }
    void SetScrollRange(int nRange);
    int GetScrollPos() const { return m_nScrollPos; }
    void SetScrollPos(int nPos);
    int GetLineSize() const { return m_nLineSize; }
    void SetLineSize(int nSize) { m_nLineSize = nSize; }

    // Part rectangles, in window client coordinates; empty parts have no area.
    const RECT& GetButton1Rect() const { return m_button[0].rc; }
    const RECT& GetButton2Rect() const { return m_button[1].rc; }
    const RECT& GetButton3Rect() const { return m_button[2].rc; }
    const RECT& GetButton4Rect() const { return m_button[3].rc; }
    const RECT& GetThumbRect() const { return m_thumb.rc; }
    UINT GetThumbState() const { return m_thumb.state; }

    void SetPos(RECT rc) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

private:
    struct TPart {
        bool shown = true;
        RECT rc = {0, 0, 0, 0};
        UINT state = 0;
        std::wstring images[kImageStateCount];
    };

    // A rectangle spanning the bar's thickness between two positions along it.
    RECT PartRect(int from, int to) const;
    int Start(const RECT& rc) const { return m_bHorizontal ? rc.left : rc.top; }
    int End(const RECT& rc) const { return m_bHorizontal ? rc.right : rc.bottom; }
    int Along(POINT pt) const { return m_bHorizontal ? pt.x : pt.y; }
    int Thickness() const { return m_bHorizontal ? GetFixedHeight() : GetFixedWidth(); }

    void LineBack();
    void LineForward();
    void PageBack();
    void PageForward();
    void NotifyScroll();
    void OnButtonDown(const TEventUI& event);
    void OnButtonUp();
    void OnMouseMove(const TEventUI& event);
    void OnTimer();

    std::wstring* PickImage(std::wstring* images, UINT state);
    void PaintBk(HDC hDC);
    void PaintPart(HDC hDC, TPart& part);
    void PaintRail(HDC hDC);

    bool m_bHorizontal = false;
    int m_nRange = 100;
    int m_nScrollPos = 0;
    int m_nLineSize = 8;
    CContainerUI* m_pOwner = nullptr;
    POINT m_ptLastMouse = {0, 0};
    int m_nLastScrollPos = 0;
    int m_nLastScrollOffset = 0;
    int m_nScrollRepeatDelay = 0;
    std::wstring m_bkImages[kImageStateCount];
    // Line back, line forward, jump to start, jump to end.
    TPart m_button[4];
    TPart m_thumb;
    std::wstring m_railImages[kImageStateCount];
    std::wstring m_sImageModify;
};

}  // namespace SkinUI
