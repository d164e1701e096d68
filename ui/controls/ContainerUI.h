#pragma once
// A control with an ordered list of children, an inset, spacing between children and optional
// scroll bars. Places children in its inset rectangle, paints them clipped to itself, routes hit
// tests to them and scrolls them. Children are owned while auto destroy is set. UI thread only.
#include <memory>
#include <vector>

#include "ui/controls/ScrollBarUI.h"
#include "ui/core/ContainerInterfaceUI.h"
#include "ui/core/ControlUI.h"

namespace SkinUI {

class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    CControlUI* GetItemAt(int iIndex) const override;
    int GetItemIndex(CControlUI* pControl) const override;
    bool SetItemIndex(CControlUI* pControl, int iIndex) override;
    int GetCount() const override;
    bool Add(CControlUI* pControl) override;
    bool AddAt(CControlUI* pControl, int iIndex) override;
    bool Remove(CControlUI* pControl) override;
    bool RemoveAt(int iIndex) override;
    void RemoveAll() override;

    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
    void SetPos(RECT rc) override;
    void SetVisible(bool bVisible = true) override;
    void SetInternVisible(bool bVisible = true) override;
    void SetMouseEnabled(bool bEnable = true) override;
    CControlUI* FindControl(FindControlProc Proc, LPVOID pData, UINT uFlags) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

    virtual RECT GetInset() const;
    virtual void SetInset(RECT rcInset);
    virtual int GetChildPadding() const;
    virtual void SetChildPadding(int iPadding);
    virtual bool IsAutoDestroy() const;
    virtual void SetAutoDestroy(bool bAuto);
    virtual bool IsDelayedDestroy() const;
    virtual void SetDelayedDestroy(bool bDelayed);
    virtual bool IsMouseChildEnabled() const;
    virtual void SetMouseChildEnabled(bool bEnable = true);
    // First visible, enabled list item at or after (or before) iIndex; -1 when none.
    virtual int FindSelectable(int iIndex, bool bForward = true) const;
    // (horizontal, vertical); 0 for a missing or hidden bar.
    virtual SIZE GetScrollPos() const;
    virtual SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE szPos);
    virtual void SetScrollBarSize(int cx, int cy);
    virtual void LineUp();
    virtual void LineDown();
    virtual void PageUp();
    virtual void PageDown();
    virtual void HomeUp();
    virtual void EndDown();
    virtual void LineLeft();
    virtual void LineRight();
    virtual void PageLeft();
    virtual void PageRight();
    virtual void HomeLeft();
    virtual void EndRight();
    virtual void EnableScrollBar(bool bEnableVertical = true, bool bEnableHorizontal = false);
    virtual CScrollBarUI* GetVerticalScrollBar() const;
    virtual CScrollBarUI* GetHorizontalScrollBar() const;
    // Places a visible floating child by its fixed offset and size relative to this item rect.
    virtual void SetFloatPos(int iIndex);
    // Shows, hides and sizes the scroll bars for content of the given size inside rc.
    virtual void ProcessScrollBar(RECT rc, int cxRequired, int cyRequired);

protected:
    // A grouping when the skin names it, else looked through.
    long GetAccDefaultRole() const override;
    RECT GetInsetRect() const;
    // The inset rect without the visible scroll bars.
    RECT GetChildArea() const;
    bool IsBarVisible(const std::unique_ptr<CScrollBarUI>& bar) const { return bar && bar->IsVisible(); }
    // SetScrollPos relative to the current position.
    void ScrollBy(int cx, int cy);
    // A vertical line step: the default font's height plus a margin.
    int GetLineHeight() const;
    bool InsertItem(CControlUI* pControl, int iIndex);
    // Every layout places its visible children the same way: floating ones by SetFloatPos, the others
    // by place(index, child), in order.
    template <class Place>
    void PlaceChildren(Place place) {
        for (int i = 0; i < GetCount(); ++i) {
            CControlUI* pControl = m_items[i];
            if (!pControl->IsVisible())
                continue;
            if (pControl->IsFloat())
                SetFloatPos(i);
            else
                place(i, pControl);
        }
    }
    // Destroys a removed child as auto/delayed destroy say.
    void ReleaseChild(CControlUI* pControl);

    // Owned while m_bAutoDestroy is set.
    std::vector<CControlUI*> m_items;
    RECT m_rcInset = {0, 0, 0, 0};
    int m_iChildPadding = 0;
    bool m_bAutoDestroy = true;
    bool m_bDelayedDestroy = true;
    bool m_bMouseChildEnabled = true;
    bool m_bScrollProcess = false;
    SIZE m_szScrollBar = {-1, -1};
    std::unique_ptr<CScrollBarUI> m_pVerticalScrollBar;
    std::unique_ptr<CScrollBarUI> m_pHorizontalScrollBar;
};

}  // namespace SkinUI
