#pragma once
// The engine behind one skinned native window: owns the control tree, turns window messages into
// control events, lays out and paints the tree (double-buffered or into a layered surface), tracks
// focus, hover, capture and key targets, runs control timers and tooltips, sends notifications and
// keeps the window's registries of fonts, images, default attribute lists, names and option groups.
// UI thread only.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ui/core/ControlUI.h"
#include "ui/core/DpiScale.h"
#include "ui/core/MemorySurface.h"
#include "ui/core/MessageFilterUI.h"
#include "ui/core/NotifyUI.h"
#include "ui/core/PointerArray.h"
#include "ui/core/RenderKit.h"
#include "ui/core/SkinResources.h"
#include "ui/core/StringPtrMap.h"
#include "ui/core/UIEvent.h"

namespace SkinUI {

// Posted to the window to delete the controls handed to AddDelayedCleanup.
constexpr UINT kMsgDelayedCleanup = WM_APP + 1;

class CImagePrefetch;

struct TTimerInfo {
    CControlUI* pSender = nullptr;
    UINT nLocalID = 0;
    HWND hWnd = nullptr;
    UINT uWinTimer = 0;
    bool bKilled = false;
};

class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // Life cycle.
    void Init(HWND hWnd);
    bool AttachRoot(CControlUI* pControl);
    // Sets the manager on a subtree and registers its names.
    bool InitControls(CControlUI* pControl, CControlUI* pParent = nullptr);
    // Drops every reference to a control that is going away.
    void ForgetControl(CControlUI* pControl);
    // Takes ownership; the control is deleted from a posted message, after the current handler returns.
    void AddDelayedCleanup(CControlUI* pControl);

    HWND GetPaintWindow() const { return m_hWndPaint; }
    HDC GetPaintDC() const { return m_hDcPaint; }
    HWND GetTooltipWindow() const { return m_hwndTooltip; }
    POINT GetMousePos() const { return m_ptLastMousePos; }
    CControlUI* GetRoot() const { return m_pRoot.get(); }
    // The cached back buffer of normal painting; null before the first paint or after a resize.
    HBITMAP GetOffscreenBitmap() const;
    // The per-pixel-alpha surface of the last layered paint (32-bit top-down DIB), or null.
    HBITMAP GetLayeredBitmap() const;

    // Listeners.
    bool AddNotifier(INotifyUI* pControl);
    bool RemoveNotifier(INotifyUI* pControl);
    bool AddPreMessageFilter(IMessageFilterUI* pFilter);
    bool RemovePreMessageFilter(IMessageFilterUI* pFilter);
    bool AddMessageFilter(IMessageFilterUI* pFilter);
    bool RemoveMessageFilter(IMessageFilterUI* pFilter);
    bool AddPostPaint(CControlUI* pControl);
    bool RemovePostPaint(CControlUI* pControl);
    bool AddTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator);
    bool RemoveTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator);

    // Events and state.
    void SendNotify(TNotifyUI& msg);
    void SendNotify(CControlUI* pControl, LPCWSTR pstrMessage, WPARAM wParam = 0, LPARAM lParam = 0);
    CControlUI* GetFocus() const { return m_pFocus; }
    void SetFocus(CControlUI* pControl);
    void SetFocusNeeded(CControlUI* pControl);
    bool SetNextTabControl(bool bForward = true);
    // Focus rectangles are drawn only once the keyboard has moved the focus in this window, or in
    // the window that owns it, as Windows does.
    bool AreFocusCuesShown() const { return m_bFocusCues; }
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured() const { return m_bMouseCapture; }
    bool SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse);
    bool KillTimer(CControlUI* pControl, UINT nTimerID);
    void KillTimer(CControlUI* pControl);
    void Invalidate(RECT& rcItem);
    void NeedUpdate() { m_bUpdateNeeded = true; }
    bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
    CControlUI* FindControl(POINT pt) const;
    CControlUI* FindControl(LPCWSTR pstrName) const;
    void UsedVirtualWnd(bool bUsed) { m_bUsedVirtualWnd = bUsed; }

    // Fonts. Index 0 is the first font a skin registers.
    HFONT AddFont(LPCWSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    void SetDefaultFont(LPCWSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    int GetCustomFontCount() const { return static_cast<int>(m_aCustomFonts.size()); }
    HFONT GetFont(int index);
    HFONT GetFont(LPCWSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    TFontInfo* GetFontInfo(int index);
    TFontInfo* GetFontInfo(HFONT hFont);
    TFontInfo* GetDefaultFontInfo();

    // Images, keyed by name only.
    const TImageInfo* GetImage(LPCWSTR bitmap);
    // The image resampled for the window's scale (from "name@2x.ext" when the skin has it and the
    // scale is above 125 %), sized as the 96-DPI image times the scale; GetImageEx at 100 %.
    const TImageInfo* GetScaledImage(LPCWSTR bitmap, LPCWSTR type = nullptr, DWORD mask = 0);
    const TImageInfo* GetImageEx(LPCWSTR bitmap, LPCWSTR type = nullptr, DWORD mask = 0);
    const TImageInfo* AddImage(LPCWSTR bitmap, LPCWSTR type = nullptr, DWORD mask = 0);

    // Default attribute lists per control element name; the first list given wins.
    void AddDefaultAttributeList(LPCWSTR pStrControlName, LPCWSTR pStrControlAttrList);
    LPCWSTR GetDefaultAttributeList(LPCWSTR pStrControlName) const;

    // Option groups.
    bool AddOptionGroup(LPCWSTR pStrGroupName, CControlUI* pControl);
    CPointerArray* GetOptionGroup(LPCWSTR pStrGroupName);
    void RemoveOptionGroup(LPCWSTR pStrGroupName, CControlUI* pControl);

    // Default colours, read from the topmost parent resource manager.
    DWORD GetDefaultDisabledColor() const;
    void SetDefaultDisabledColor(DWORD dwColor) { m_dwDefaultDisabledColor = dwColor; }
    DWORD GetDefaultFontColor() const;
    void SetDefaultFontColor(DWORD dwColor) { m_dwDefaultFontColor = dwColor; }
    DWORD GetDefaultLinkFontColor() const;
    void SetDefaultLinkFontColor(DWORD dwColor) { m_dwDefaultLinkFontColor = dwColor; }
    DWORD GetDefaultLinkHoverFontColor() const;
    void SetDefaultLinkHoverFontColor(DWORD dwColor) { m_dwDefaultLinkHoverFontColor = dwColor; }
    DWORD GetDefaultSelectedBkColor() const;
    void SetDefaultSelectedBkColor(DWORD dwColor) { m_dwDefaultSelectedBkColor = dwColor; }

    // Font, colour and default-attribute lookups fall back to this manager.
    void SetParentResource(CPaintManagerUI* pParent) { m_pParentResourcePM = pParent; }
    CPaintManagerUI* GetParentResource() const { return m_pParentResourcePM; }

    // The window's display scale, taken from the window at Init. SetDpi re-creates the fonts at the new
    // size, drops the images resampled for the old scale and lays the whole tree out again.
    const CDpiScale& GetDpiScale() const { return m_scale; }
    void SetDpi(UINT dpi);
    // Starts decoding the images the controls visible now show at rest (resampled for the window's
    // scale) on a thread of their own, so that the first paint finds them ready. The window base calls
    // it once the skin is built; the first image request waits for them. The worker then runs
    // `alongside`, if given; false when it will not (no worker), which leaves that to the caller.
    bool PrefetchImages(std::function<void()> alongside = nullptr);

    // Window geometry and look, set from the skin's Window element in 96-DPI units and read back in
    // device pixels of the window's scale.
    void SetInitSize(int x, int y, int cx, int cy);
    RECT GetInitSize() const { return m_scale.Scale(m_rcInitSize); }
    void SetSizeBox(RECT rc) { m_rcSizeBox = rc; }
    RECT GetSizeBox() const { return m_scale.Scale(m_rcSizeBox); }
    void SetCaptionRect(RECT rc) { m_rcCaption = rc; }
    RECT GetCaptionRect() const { return m_scale.Scale(m_rcCaption); }
    void SetRoundCorner(int cx, int cy) { m_szRoundCorner = {cx, cy}; }
    SIZE GetRoundCorner() const { return m_scale.Scale(m_szRoundCorner); }
    void SetShadowCorner(int cx, int cy) { m_szShadowCorner = {cx, cy}; }
    SIZE GetShadowCorner() const { return m_scale.Scale(m_szShadowCorner); }
    void SetGripSize(SIZE sz) { m_szGripSize = sz; }
    SIZE GetGripSize() const { return m_scale.Scale(m_szGripSize); }
    void SetMinInfo(int cx, int cy) { m_szMinWindow = {cx, cy}; }
    SIZE GetMinInfo() const { return m_scale.Scale(m_szMinWindow); }
    void SetMaxInfo(int cx, int cy) { m_szMaxWindow = {cx, cy}; }
    SIZE GetMaxInfo() const { return m_scale.Scale(m_szMaxWindow); }
    // Above 255 the window stops being layered; otherwise it gets that constant alpha.
    void SetTransparent(int nOpacity);
    int GetTransparent() const { return m_nOpacity; }
    void SetBackgroundTransparent(bool bTrans) { m_bAlphaBackground = bTrans; }
    bool IsBackgroundTransparent() const { return m_bAlphaBackground; }
    void SetShowUpdateRect(bool bShow) { m_bShowUpdateRect = bShow; }
    void SetShadow(bool bShadow) { m_bShadow = bShadow; }
    bool IsShadow() const { return m_bShadow; }
    void SetSelfShadow(bool bSelfShadow) { m_bSelfShadow = bSelfShadow; }
    bool IsSelfShadow() const { return m_bSelfShadow; }
    void SetShadowBorder(RECT rc) { m_rcShadowBorder = rc; }
    RECT GetShadowBorder() const { return m_scale.Scale(m_rcShadowBorder); }
    void SetShadowImage(const std::wstring& image) { m_sShadowImage = image; }
    const std::wstring& GetShadowImage() const { return m_sShadowImage; }

    // The process-wide skin resource location, shared by every window.
    static void SetInstance(HINSTANCE hInst) { CSkinResources::SetInstance(hInst); }
    static HINSTANCE GetInstance() { return CSkinResources::GetInstance(); }
    static std::wstring GetInstancePath() { return CSkinResources::GetInstancePath(); }
    static void SetResourceDll(HINSTANCE hInst) { CSkinResources::SetResourceDll(hInst); }
    static HINSTANCE GetResourceDll() { return CSkinResources::GetResourceDll(); }
    static void SetResourcePath(LPCWSTR pStrPath) { CSkinResources::SetResourcePath(pStrPath); }
    static const std::wstring& GetResourcePath() { return CSkinResources::GetResourcePath(); }
    static void SetResourceZip(LPCWSTR pStrZip) { CSkinResources::SetResourceZip(pStrZip); }
    static void SetResourceZip() { CSkinResources::SetResourceZip(); }
    static const std::wstring& GetResourceZip() { return CSkinResources::GetResourceZip(); }
    static bool IsCachedResourceZip() { return CSkinResources::IsCachedResourceZip(); }
    static HZIPARCHIVE GetResourceZipHandle() { return CSkinResources::GetResourceZipHandle(); }

    // Message entry points for the window procedure; true when the message was consumed.
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    // Called by the message loop for every message before dispatch.
    static bool TranslateMessage(const MSG* pMsg);

private:
    // Every manager that has a window, for pre-translating the loop's messages.
    static std::vector<CPaintManagerUI*>& AllManagers();
    static CControlUI* CALLBACK FindControlFromNameHash(CControlUI* pThis, LPVOID pData);
    static CControlUI* CALLBACK FindControlFromPoint(CControlUI* pThis, LPVOID pData);
    static CControlUI* CALLBACK FindControlFromTab(CControlUI* pThis, LPVOID pData);
    static CControlUI* CALLBACK FindControlFromShortcut(CControlUI* pThis, LPVOID pData);
    static CControlUI* CALLBACK FindControlFromUpdate(CControlUI* pThis, LPVOID pData);
    static CControlUI* CALLBACK CollectRestingImages(CControlUI* pThis, LPVOID pData);
    // Registers what PrefetchImages decoded, as AddImage and GetScaledImage would have; waits for it.
    void AdoptPrefetchedImages();

    bool TranslateAccelerator(MSG* pMsg);
    // An event with the time and the last mouse position; an input event also carries the message's
    // parameters, the modifier state and, for keys, the key.
    TEventUI MakeEvent(int type, CControlUI* pSender) const;
    TEventUI MakeInputEvent(int type, CControlUI* pSender, WPARAM wParam, LPARAM lParam) const;
    static void Send(TEventUI event);
    void KillFocusControl();
    void RunDelayedCleanup();
    void OnPaint();
    void PaintLayered();
    void LayoutAndFocus();
    void PrintClient(HDC hDC, LPARAM flags);
    void ShowTooltip(CControlUI* pHover);
    // Message handlers; those returning bool say whether the message was consumed.
    void OnClose();
    void ApplyTrackingLimits(MINMAXINFO& info) const;
    void OnSize();
    bool OnTimer(WPARAM uWinTimer);
    bool OnMouseHover(LPARAM lParam);
    void OnMouseLeave();
    void OnMouseMove(LPARAM lParam);
    void OnButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam);
    bool OnButtonUp(WPARAM wParam, LPARAM lParam);
    // Stores a message's screen position as the last mouse position, in client coordinates.
    POINT StoreScreenPos(LPARAM lParam);
    bool OnContextMenu(WPARAM wParam, LPARAM lParam);
    bool OnMouseWheel(WPARAM wParam, LPARAM lParam);
    bool OnKey(int type, WPARAM wParam, LPARAM lParam);
    bool OnSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    // Hands a child window's notification back to it as a reflected message.
    static bool Reflect(HWND hChild, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    void DeleteAllTimers();
    // A native timer id not in use on this window, or 0 when every id is taken.
    UINT NextFreeTimerId();
    std::unique_ptr<TFontInfo> CreateSkinFont(LPCWSTR pStrFontName,
                                              int nSize,
                                              bool bBold,
                                              bool bUnderline,
                                              bool bItalic) const;
    TFontInfo* Measured(TFontInfo* pFontInfo) const;
    const CPaintManagerUI* TopResourceManager() const;

    HWND m_hWndPaint = nullptr;
    CDpiScale m_scale;
    HDC m_hDcPaint = nullptr;
    std::unique_ptr<CMemorySurface> m_offscreen;
    std::unique_ptr<CMemorySurface> m_layered;
    HWND m_hwndTooltip = nullptr;
    TOOLINFOW m_ToolTip = {};
    std::wstring m_sToolTipText;

    std::unique_ptr<CControlUI> m_pRoot;
    CControlUI* m_pFocus = nullptr;
    CControlUI* m_pEventHover = nullptr;
    CControlUI* m_pEventClick = nullptr;
    CControlUI* m_pEventKey = nullptr;

    POINT m_ptLastMousePos = {-1, -1};
    bool m_bMouseTracking = false;
    bool m_bMouseCapture = false;

    RECT m_rcInitSize = {0, 0, 0, 0};
    SIZE m_szMinWindow = {0, 0};
    SIZE m_szMaxWindow = {0, 0};
    RECT m_rcSizeBox = {0, 0, 0, 0};
    RECT m_rcCaption = {0, 0, 0, 0};
    SIZE m_szRoundCorner = {0, 0};
    SIZE m_szShadowCorner = {0, 0};
    SIZE m_szGripSize = {0, 0};
    RECT m_rcShadowBorder = {0, 0, 0, 0};

    bool m_bShowUpdateRect = false;
    bool m_bFirstLayout = true;
    // Until its first paint the window is dirty as a whole (it is painted whole when first shown), so
    // a control's invalidation has nothing to add; under Wine each one is a round trip to the server,
    // and building the first page made about 150 of them (7 ms of the start).
    bool m_bPainted = false;
    bool m_bUpdateNeeded = false;
    bool m_bFocusNeeded = false;
    // Asked for by SetFocusNeeded, and Tabs pressed, while a layout was pending.
    CControlUI* m_pFocusPending = nullptr;
    int m_nPendingTabs = 0;
    bool m_bFocusCues = false;
    bool m_bOffscreenPaint = true;
    bool m_bAlphaBackground = false;
    bool m_bShadow = false;
    bool m_bSelfShadow = false;
    bool m_bUsedVirtualWnd = false;
    int m_nOpacity = 255;

    std::vector<std::unique_ptr<TTimerInfo>> m_aTimers;
    UINT m_uTimerID = 0x1000;

    std::vector<INotifyUI*> m_aNotifiers;
    std::vector<IMessageFilterUI*> m_aPreMessageFilters;
    std::vector<IMessageFilterUI*> m_aMessageFilters;
    std::vector<CControlUI*> m_aPostPaintControls;
    std::vector<ITranslateAccelerator*> m_aTranslateAccelerators;
    std::vector<std::unique_ptr<CControlUI>> m_aDelayedCleanup;

    // The maps look things up; the vectors beside them own what the maps point at.
    CStringPtrMap m_mNameHash;
    CStringPtrMap m_mOptionGroup;
    std::vector<std::unique_ptr<CPointerArray>> m_aOptionGroups;
    CStringPtrMap m_mImageHash;
    std::vector<std::unique_ptr<TImageInfo>> m_aImages;
    // (resource type, name) of images that could not be loaded.
    std::set<std::pair<std::wstring, std::wstring>> m_failedImages;
    // Images resampled for m_scale, by name.
    CStringPtrMap m_mScaledImageHash;
    std::vector<std::unique_ptr<TImageInfo>> m_aScaledImages;
    // Images being decoded ahead of the first paint; taken over by AdoptPrefetchedImages.
    std::unique_ptr<CImagePrefetch> m_prefetch;
    CStringPtrMap m_mDefaultAttrHash;
    std::vector<std::unique_ptr<std::wstring>> m_aDefaultAttrLists;
    std::vector<std::unique_ptr<TFontInfo>> m_aCustomFonts;
    std::unique_ptr<TFontInfo> m_pDefaultFont;
    // Set by SetDefaultFont: the default font then has a skin size that follows the scale.
    bool m_bSkinDefaultFont = false;

    DWORD m_dwDefaultDisabledColor = 0xFFA7A6AA;
    DWORD m_dwDefaultFontColor = 0xFF000000;
    DWORD m_dwDefaultLinkFontColor = 0xFF0000FF;
    DWORD m_dwDefaultLinkHoverFontColor = 0xFFD3215F;
    DWORD m_dwDefaultSelectedBkColor = 0xFFBAE4FF;

    std::wstring m_sShadowImage;
    CPaintManagerUI* m_pParentResourcePM = nullptr;
};

}  // namespace SkinUI
