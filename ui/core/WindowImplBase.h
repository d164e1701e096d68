#pragma once
// The base of every skinned window: a borderless native window whose look comes from a skin, with a
// caption band that drags it, resize margins, rounded corners and a drop shadow, system buttons named
// "btn_close", "btn_min", "btn_max" and "btn_restore", and one overridable handler per common message.
// UI thread only.
#include <windows.h>

#include <string>

#include "ui/core/DialogBuilderCallback.h"
#include "ui/core/MessageFilterUI.h"
#include "ui/core/NotifyPump.h"
#include "ui/core/NotifyUI.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/WindowWnd.h"

namespace SkinUI {

class CWndShadow;

// Where a window's skin is read from.
enum class SkinResourceType : UINT {
    kFile = 1,         // loose files in the skin folder
    kZip = 2,          // a zip file in the skin folder
    kResource = 3,     // the skin XML is a resource of type "xml"
    kZipResource = 4,  // a zip held as a "ZIPRES" resource of the executable
};

// The skin archive's resource id in the executable.
constexpr UINT kSkinZipResourceId = 150;

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
public:
    WindowImplBase() = default;
    ~WindowImplBase() override = default;

    using CWindowWnd::Create;
    // A window created with size 0 x 0 (wherever placed) takes the skin's size; an explicit size wins
    // over the skin's.
    HWND Create(HWND hwndParent,
                LPCWSTR pstrName,
                DWORD dwStyle,
                DWORD dwExStyle,
                int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT,
                int cx = CW_USEDEFAULT,
                int cy = CW_USEDEFAULT,
                HMENU hMenu = nullptr) override;

    CPaintManagerUI& GetPaintManager() { return m_PaintManager; }
    // The window's drop shadow; null when the skin asks for none or shadows are unavailable.
    CWndShadow* GetShadow() const { return m_pWndShadow; }

    void Notify(TNotifyUI& msg) override;
    // Enter and Escape, before the paint manager sees them.
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    CControlUI* CreateControl(LPCWSTR pstrClass) override;

protected:
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

    // Handlers set bHandled to false when the message should go on to the paint manager and the
    // default window procedure. Keep this order.
    virtual void InitWindow();
    virtual void OnClick(TNotifyUI& msg);
    virtual std::wstring GetSkinFolder() = 0;
    virtual std::wstring GetSkinFile() = 0;
    virtual LRESULT ResponseDefaultKeyEvent(WPARAM wParam);
    virtual SkinResourceType GetResourceType() const;
    virtual std::wstring GetZIPFileName() const;
    virtual UINT GetResourceID() const;
    virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnNcActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnNcCalcSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnNcPaint(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnNcLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnGetMinMaxInfo(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnMouseHover(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnMove(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnChar(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LRESULT OnShowWindow(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
    virtual LONG GetStyle();

    const TNotifyMap* GetNotifyMap() const override;
    static const TNotifyMap kNotifyMap;
    static const TNotifyMapEntry kNotifyEntries[];

    CPaintManagerUI m_PaintManager;
    // Owned by the process-wide shadow map, which frees it when this window is destroyed.
    CWndShadow* m_pWndShadow = nullptr;

private:
    // Loads the skin archive or file into the process-wide resource location; false leaves the window
    // without a skin.
    bool PrepareSkinResources();
    // True when the control and all its ancestors let the caption band drag the window.
    static bool IsPassiveChain(CControlUI* pControl);
    // Moving to a screen of another scale: rescales, takes the suggested rectangle, rebuilds the shadow.
    LRESULT OnDpiChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
};

}  // namespace SkinUI
