// CWindowWnd: registration, creation, the two window procedures, modal loop and window helpers.
#include "ui/core/WindowWnd.h"

#include <commctrl.h>

#include "ui/core/PaintManagerUI.h"

namespace SkinUI {

namespace {

// How a window finds its object: a window of a class registered here keeps it in its user data, a
// superclassed or subclassed one in a window property.
struct TUserDataLink {
    static void Bind(HWND hWnd, CWindowWnd* pThis) {
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
    }
    static CWindowWnd* Find(HWND hWnd) {
        return reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    static void Forget(HWND hWnd) { ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0); }
};

struct TPropertyLink {
    static constexpr wchar_t kObjectProp[] = L"WndX";
    static void Bind(HWND hWnd, CWindowWnd* pThis) { ::SetPropW(hWnd, kObjectProp, pThis); }
    static CWindowWnd* Find(HWND hWnd) { return static_cast<CWindowWnd*>(::GetPropW(hWnd, kObjectProp)); }
    static void Forget(HWND hWnd) { ::RemovePropW(hWnd, kObjectProp); }
};

HINSTANCE ModuleInstance() {
    HINSTANCE instance = CPaintManagerUI::GetInstance();
    return instance != nullptr ? instance : ::GetModuleHandleW(nullptr);
}

bool RegisteredOrExists(ATOM atom) {
    return atom != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

int RoundUpTo16(int value) {
    return (value + 15) / 16 * 16;
}

}  // namespace

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSW wc = {};
    wc.style = GetClassStyle();
    wc.lpfnWndProc = &CWindowWnd::WndProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    // Shared icons belong to the system, so the class may keep them for as long as it lives.
    if (m_nClassIcon != 0)
        wc.hIcon = static_cast<HICON>(::LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(m_nClassIcon), IMAGE_ICON,
                                                   RoundUpTo16(::GetSystemMetrics(SM_CXICON)),
                                                   RoundUpTo16(::GetSystemMetrics(SM_CYICON)), LR_SHARED));
    wc.lpszClassName = GetWindowClassName();
    return RegisteredOrExists(::RegisterClassW(&wc));
}

void CWindowWnd::LoadCommonControls() {
    static const bool loaded = [] {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        return ::InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)loaded;
}

bool CWindowWnd::RegisterSuperclass() {
    LoadCommonControls();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(nullptr, GetSuperClassName(), &wc) &&
        !::GetClassInfoExW(ModuleInstance(), GetSuperClassName(), &wc))
        return false;
    m_OldWndProc = wc.lpfnWndProc;
    wc.lpfnWndProc = &CWindowWnd::ControlProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = GetWindowClassName();
    return RegisteredOrExists(::RegisterClassExW(&wc));
}

HWND CWindowWnd::Create(HWND hwndParent, LPCWSTR pstrName, DWORD dwStyle, DWORD dwExStyle, const RECT& rc) {
    return Create(hwndParent, pstrName, dwStyle, dwExStyle, rc.left, rc.top, rc.right - rc.left,
                  rc.bottom - rc.top, nullptr);
}

HWND CWindowWnd::Create(HWND hwndParent,
                        LPCWSTR pstrName,
                        DWORD dwStyle,
                        DWORD dwExStyle,
                        int x,
                        int y,
                        int cx,
                        int cy,
                        HMENU hMenu) {
    const bool registered = GetSuperClassName() != nullptr ? RegisterSuperclass() : RegisterWindowClass();
    if (!registered)
        return nullptr;
    m_hWnd = ::CreateWindowExW(dwExStyle, GetWindowClassName(), pstrName, dwStyle, x, y, cx, cy, hwndParent,
                               hMenu, ModuleInstance(), this);
    return m_hWnd;
}

HWND CWindowWnd::Subclass(HWND hWnd) {
    if (!::IsWindow(hWnd))
        return nullptr;
    m_OldWndProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindowWnd::ControlProc)));
    if (m_OldWndProc == nullptr) {
        m_OldWndProc = ::DefWindowProcW;
        return nullptr;
    }
    TPropertyLink::Bind(hWnd, this);
    m_bSubclassed = true;
    m_hWnd = hWnd;
    return m_hWnd;
}

void CWindowWnd::Unsubclass() {
    if (!::IsWindow(m_hWnd) || !m_bSubclassed)
        return;
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_OldWndProc));
    m_OldWndProc = ::DefWindowProcW;
    m_bSubclassed = false;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
    if (!::IsWindow(m_hWnd))
        return;
    ::ShowWindow(m_hWnd, bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
    // A window may delete its object while a message is dispatched (a box that frees itself in
    // OnFinalMessage), so the loop keeps its own copies and never touches the object again.
    const HWND hWnd = m_hWnd;
    if (!::IsWindow(hWnd))
        return 0;
    const HWND hWndOwner = ::GetWindow(hWnd, GW_OWNER);
    ::ShowWindow(hWnd, SW_SHOWNORMAL);
    ::EnableWindow(hWndOwner, FALSE);
    UINT nRet = 0;
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg = {};
    while (::IsWindow(hWnd)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (got == -1)
            break;
        if (msg.message == WM_CLOSE && msg.hwnd == hWnd) {
            nRet = static_cast<UINT>(msg.wParam);
            // Re-enabled before the window goes, so that activation returns to the owner.
            ::EnableWindow(hWndOwner, TRUE);
            ::SetFocus(hWndOwner);
        }
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    ::EnableWindow(hWndOwner, TRUE);
    ::SetFocus(hWndOwner);
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
    return nRet;
}

void CWindowWnd::Close(UINT nRet) {
    if (::IsWindow(m_hWnd))
        ::PostMessageW(m_hWnd, WM_CLOSE, nRet, 0);
}

void CWindowWnd::CenterWindow() {
    if (!::IsWindow(m_hWnd))
        return;
    RECT rcDlg = {};
    ::GetWindowRect(m_hWnd, &rcDlg);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT rcArea = monitor.rcWork;
    RECT rcCenter = rcArea;
    const HWND hWndOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hWndOwner != nullptr)
        ::GetWindowRect(hWndOwner, &rcCenter);

    const int width = rcDlg.right - rcDlg.left;
    const int height = rcDlg.bottom - rcDlg.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - width / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - height / 2;
    if (x < rcArea.left)
        x = rcArea.left;
    else if (x + width > rcArea.right)
        x = rcArea.right - width;
    if (y < rcArea.top)
        y = rcArea.top;
    else if (y + height > rcArea.bottom)
        y = rcArea.bottom - height;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, uMsg, wParam, lParam);
}

LPCWSTR CWindowWnd::GetSuperClassName() const {
    return nullptr;
}

UINT CWindowWnd::GetClassStyle() const {
    return CS_DBLCLKS;
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(m_OldWndProc, m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

void CWindowWnd::Unbind(HWND hWnd) {
    if (m_bSubclassed)
        Unsubclass();
    m_hWnd = nullptr;
    OnFinalMessage(hWnd);
}

template <class Link>
LRESULT CWindowWnd::Route(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* pThis = nullptr;
    if (uMsg == WM_NCCREATE) {
        pThis = static_cast<CWindowWnd*>(reinterpret_cast<LPCREATESTRUCTW>(lParam)->lpCreateParams);
        pThis->m_hWnd = hWnd;
        Link::Bind(hWnd, pThis);
    } else {
        pThis = Link::Find(hWnd);
        if (uMsg == WM_NCDESTROY && pThis != nullptr) {
            const LRESULT lRes = ::CallWindowProcW(pThis->m_OldWndProc, hWnd, uMsg, wParam, lParam);
            Link::Forget(hWnd);
            pThis->Unbind(hWnd);
            return lRes;
        }
    }
    if (pThis != nullptr)
        return pThis->HandleMessage(uMsg, wParam, lParam);
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return Route<TUserDataLink>(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::ControlProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return Route<TPropertyLink>(hWnd, uMsg, wParam, lParam);
}

}  // namespace SkinUI
