#pragma once
// A native window bound to a C++ object: class or superclass registration, creation, subclassing,
// show, modal loop, close, centring and icons; the window procedure is routed to HandleMessage.
// UI thread only (the thread that created the window).
#include <windows.h>

namespace SkinUI {

class CWindowWnd {
public:
    CWindowWnd() = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    bool RegisterWindowClass();
    bool RegisterSuperclass();
    // Loads the common controls (their version 6 classes, edit box and tooltip included) on first call.
    // Called before a native control is made, not at start-up: no first page needs one, and loading
    // them costs a start about 20 ms under Wine.
    static void LoadCommonControls();

    // Calls the virtual Create with the rectangle's origin and size and no menu.
    HWND Create(HWND hwndParent, LPCWSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT& rc);
    // The virtual operations keep this order: Create, ShowWindow, CenterWindow, GetWindowClassName,
    // GetSuperClassName, GetClassStyle, HandleMessage, OnFinalMessage, destructor.
    virtual HWND Create(HWND hwndParent,
                        LPCWSTR pstrName,
                        DWORD dwStyle,
                        DWORD dwExStyle,
                        int x = CW_USEDEFAULT,
                        int y = CW_USEDEFAULT,
                        int cx = CW_USEDEFAULT,
                        int cy = CW_USEDEFAULT,
                        HMENU hMenu = nullptr);
    virtual void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    virtual void CenterWindow();

    // Binds this object to an existing window by replacing its window procedure.
    HWND Subclass(HWND hWnd);
    void Unsubclass();
    // Shows the window and runs a message loop until it is destroyed; the owner is disabled meanwhile.
    // Returns the code given to Close (0 if none). The object may delete itself while the loop runs.
    UINT ShowModal();
    // Posts WM_CLOSE with the code as wParam.
    void Close(UINT nRet = IDOK);
    // The icon (a resource of the module) of the class the next Create registers. The class carries it,
    // the small one taken by the system from the same resource, instead of the window being sent
    // WM_SETICON: under Wine each WM_SETICON rebuilds the X window's icons, and a window whose class has
    // none is first given a default one, together about 5 ms of a start.
    void SetClassIcon(UINT nRes) { m_nClassIcon = nRes; }

    LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    virtual LPCWSTR GetWindowClassName() const = 0;
    virtual LPCWSTR GetSuperClassName() const;
    virtual UINT GetClassStyle() const;
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // Last call for a window, after it is unbound from the object; an override may delete the object.
    virtual void OnFinalMessage(HWND hWnd);

public:
    virtual ~CWindowWnd() = default;

protected:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    // The body of both procedures; `Link` says how a window finds its object (Bind, Find, Forget).
    template <class Link>
    static LRESULT Route(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    // The common end of WM_NCDESTROY once the handle's link to the object is gone.
    void Unbind(HWND hWnd);

    HWND m_hWnd = nullptr;
    WNDPROC m_OldWndProc = ::DefWindowProcW;
    bool m_bSubclassed = false;
    UINT m_nClassIcon = 0;
};

}  // namespace SkinUI
