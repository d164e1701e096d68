#pragma once
// Base of every element of a skinned window: rectangle and layout hints, flags, colours, border,
// images, text, default input handling and painting. The virtual operations below are the contract
// the paint manager, the dialog builder and the window base rely on; keep their order.
// Lengths (position, size, padding, borders) are set in 96-DPI skin units and read back in device
// pixels of the manager's display scale; the rectangle from SetPos/GetPos is in device pixels.
// UI thread only.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/core/DelegateUI.h"
#include "ui/core/DpiScale.h"
#include "ui/core/UIEvent.h"

namespace SkinUI {

class CPaintManagerUI;
class CControlUI;

// Returns the control when it matches, else null.
using FindControlProc = CControlUI*(CALLBACK*)(CControlUI* pControl, LPVOID pData);

// Proportional placement of a floating control inside a container that changes size.
struct TRelativePosUI {
    bool bRelative = false;
    SIZE szParent = {0, 0};
    int nMoveXPercent = 0;
    int nMoveYPercent = 0;
    int nZoomXPercent = 0;
    int nZoomYPercent = 0;
};

class CControlUI {
public:
    CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual ~CControlUI();
    virtual std::wstring GetName() const;
    virtual void SetName(const std::wstring& name);
    virtual LPCWSTR GetClass() const;
    virtual LPVOID GetInterface(LPCWSTR pstrName);
    virtual UINT GetControlFlags() const;
    virtual bool Activate();
    virtual CPaintManagerUI* GetManager() const;
    virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true);
    virtual CControlUI* GetParent() const;
    virtual std::wstring GetText() const;
    virtual void SetText(const std::wstring& text);

    virtual const RECT& GetPos() const;
    virtual void SetPos(RECT rc);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual int GetX() const;
    virtual int GetY() const;
    virtual RECT GetPadding() const;
    virtual void SetPadding(RECT rcPadding);
    virtual SIZE GetFixedXY() const;
    virtual void SetFixedXY(SIZE szXY);
    virtual int GetFixedWidth() const;
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int cy);
    virtual int GetMinWidth() const;
    virtual void SetMinWidth(int cx);
    virtual int GetMaxWidth() const;
    virtual void SetMaxWidth(int cx);
    virtual int GetMinHeight() const;
    virtual void SetMinHeight(int cy);
    virtual int GetMaxHeight() const;
    virtual void SetMaxHeight(int cy);
    virtual void SetRelativePos(SIZE szMove, SIZE szZoom);
    virtual void SetRelativeParentSize(SIZE sz);
    virtual TRelativePosUI GetRelativePos() const;
    virtual bool IsRelativePos() const;

    virtual std::wstring GetToolTip() const;
    virtual void SetToolTip(const std::wstring& text);
    virtual void SetToolTipWidth(int nWidth);
    virtual int GetToolTipWidth() const;
    virtual WCHAR GetShortcut() const;
    virtual void SetShortcut(WCHAR ch);
    virtual bool IsContextMenuUsed() const;
    virtual void SetContextMenuUsed(bool bMenuUsed);
    virtual std::wstring GetUserData() const;
    virtual void SetUserData(const std::wstring& text);
    virtual UINT_PTR GetTag() const;
    virtual void SetTag(UINT_PTR pTag);

    virtual bool IsVisible() const;
    virtual void SetVisible(bool bVisible = true);
    virtual void SetInternVisible(bool bVisible = true);
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool bEnable = true);
    virtual bool IsMouseEnabled() const;
    virtual void SetMouseEnabled(bool bEnable = true);
    virtual bool IsKeyboardEnabled() const;
    virtual void SetKeyboardEnabled(bool bEnable = true);
    virtual bool IsFocused() const;
    virtual void SetFocus();
    virtual bool IsFloat() const;
    virtual void SetFloat(bool bFloat = true);

    virtual CControlUI* FindControl(FindControlProc Proc, LPVOID pData, UINT uFlags);
    virtual void Invalidate();
    virtual void Init();
    virtual void DoInit();
    virtual void Event(TEventUI& event);
    virtual void DoEvent(TEventUI& event);
    virtual void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue);
    virtual SIZE EstimateSize(SIZE szAvailable);

    virtual void DoPaint(HDC hDC, const RECT& rcPaint);
    virtual void PaintBkColor(HDC hDC);
    virtual void PaintBkImage(HDC hDC);
    virtual void PaintStatusImage(HDC hDC);
    virtual void PaintText(HDC hDC);
    // Adds the image strings the control shows while the mouse is not on it (whichever of those states
    // it is in), so that a window can decode them before its first paint.
    virtual void AddRestingImages(std::vector<std::wstring>& images) const;
    virtual void PaintBorder(HDC hDC);
    virtual void DoPostPaint(HDC hDC, const RECT& rcPaint);

    // What a screen reader is told about the control (ui/core/AccessibleUI asks). Roles and states
    // are MSAA's ROLE_SYSTEM_* and STATE_SYSTEM_* values; a role of 0 leaves the control out of the
    // accessible tree, though its children are still offered. An empty default action means none;
    // the action itself is Activate, what a click does.
    virtual std::wstring GetAccName() const;
    virtual DWORD GetAccState() const;
    virtual std::wstring GetAccValue() const;
    virtual std::wstring GetAccDefaultAction() const;

    // The skin's "accrole" when given, else the control's own role.
    long GetAccRole() const;
    // The skin's "accname": the name of a control whose text does not say what it is.
    const std::wstring& GetAccNameAttribute() const { return m_sAccName; }

    // Marks this control for layout and asks the manager for a layout pass.
    void NeedUpdate();
    // Asks the parent (or this control without one) for a new layout.
    void NeedParentUpdate();
    bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
    // Applies name="value" pairs separated by single blanks; stops quietly at the first malformed pair.
    CControlUI* ApplyAttributeList(LPCWSTR pstrList);
    // Own virtual window name, else the nearest ancestor's.
    std::wstring GetVirtualWnd() const;
    void SetVirtualWnd(const std::wstring& name);
    // False when the image could not be drawn.
    bool DrawImage(HDC hDC, const std::wstring& image, LPCWSTR pstrModify = nullptr);

    DWORD GetBkColor() const { return m_dwBackColor; }
    void SetBkColor(DWORD dwColor);
    DWORD GetBkColor2() const { return m_dwBackColor2; }
    void SetBkColor2(DWORD dwColor);
    DWORD GetBkColor3() const { return m_dwBackColor3; }
    void SetBkColor3(DWORD dwColor);
    const std::wstring& GetBkImage() const { return m_sBkImage; }
    void SetBkImage(const std::wstring& image);
    const std::wstring& GetForeImage() const { return m_sForeImage; }
    void SetForeImage(const std::wstring& image);
    DWORD GetBorderColor() const { return m_dwBorderColor; }
    void SetBorderColor(DWORD dwColor);
    DWORD GetFocusBorderColor() const { return m_dwFocusBorderColor; }
    void SetFocusBorderColor(DWORD dwColor);
    bool IsColorHSL() const { return m_bColorHSL; }
    void SetColorHSL(bool bColorHSL);
    int GetBorderSize() const { return DpiScale().Scale(m_nBorderSize); }
    void SetBorderSize(int nSize);
    RECT GetBorderSizes() const { return DpiScale().Scale(m_rcBorderSize); }
    void SetBorderSizes(RECT rc);
    int GetBorderStyle() const { return m_nBorderStyle; }
    void SetBorderStyle(int nStyle);
    SIZE GetBorderRound() const { return DpiScale().Scale(m_cxyBorderRound); }
    void SetBorderRound(SIZE cxyRound);
    const RECT& GetPaintRect() const { return m_rcPaint; }

    // Hook lists; each receives a pointer to this control (OnEvent: to the TEventUI,
    // OnNotify: to the TNotifyUI).
    CEventSource OnInit;
    CEventSource OnDestroy;
    CEventSource OnSize;
    CEventSource OnEvent;
    CEventSource OnNotify;

protected:
    // The manager's display scale; 100 % before the control has a manager.
    const CDpiScale& DpiScale() const;
    // The role of this kind of control; 0 for a plain control without an "accname".
    virtual long GetAccDefaultRole() const;
    // An "accrole" value ("link", "pushbutton", ... or "none") as a role; 0 when unknown.
    static long ParseAccRole(LPCWSTR pstrValue);

    // A floating control lays itself out again; a flowed one asks its parent to.
    void UpdateAfterSizeHint();
    // Colour as the render engine should see it (after the HSL adjustment when enabled).
    DWORD GetAdjustColor(DWORD dwColor) const;

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    std::wstring m_sVirtualWnd;
    std::wstring m_sName;
    bool m_bUpdateNeeded = true;
    bool m_bMenuUsed = false;
    RECT m_rcItem = {0, 0, 0, 0};
    RECT m_rcPadding = {0, 0, 0, 0};
    SIZE m_cXY = {0, 0};
    SIZE m_cxyFixed = {0, 0};
    SIZE m_cxyMin = {0, 0};
    SIZE m_cxyMax = {9999, 9999};
    bool m_bVisible = true;
    bool m_bInternVisible = true;
    bool m_bEnabled = true;
    bool m_bMouseEnabled = true;
    bool m_bKeyboardEnabled = true;
    bool m_bFocused = false;
    bool m_bFloat = false;
    bool m_bSetPos = false;
    TRelativePosUI m_tRelativePos;
    std::wstring m_sText;
    std::wstring m_sToolTip;
    WCHAR m_chShortcut = 0;
    std::wstring m_sUserData;
    UINT_PTR m_pTag = 0;
    DWORD m_dwBackColor = 0;
    DWORD m_dwBackColor2 = 0;
    DWORD m_dwBackColor3 = 0;
    std::wstring m_sBkImage;
    std::wstring m_sForeImage;
    DWORD m_dwBorderColor = 0;
    DWORD m_dwFocusBorderColor = 0;
    bool m_bColorHSL = false;
    int m_nBorderSize = 0;
    int m_nBorderStyle = 0;
    int m_nTooltipWidth = 300;
    SIZE m_cxyBorderRound = {0, 0};
    RECT m_rcPaint = {0, 0, 0, 0};
    RECT m_rcBorderSize = {0, 0, 0, 0};
    std::wstring m_sAccName;
    // A ROLE_SYSTEM_* value from "accrole", kAccRoleNone for "none", 0 when not given.
    static constexpr long kAccRoleNone = -1;
    long m_nAccRole = 0;
};

}  // namespace SkinUI
