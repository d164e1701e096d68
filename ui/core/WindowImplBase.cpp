// WindowImplBase: creation, skin loading, message dispatch, default keys and clicks.
#include "ui/core/WindowImplBase.h"

#include <cwchar>
#include <iterator>

#include "ui/core/SkinBuilder.h"
#include "ui/core/WndShadow.h"

namespace SkinUI {

namespace {

constexpr wchar_t kSkinLoadFailedText[] = L"加载资源文件失败";
constexpr wchar_t kSkinLoadFailedCaption[] = L"SkinUI";
constexpr UINT kSkinLoadFailedExitCode = 1;
// Result code of a window closed by Escape or its close button.
constexpr UINT kCloseCode = 1;

// CW_USEDEFAULT asks the system for a place, not for a size the skin should give way to.
int Explicit(int value) {
    return value == CW_USEDEFAULT ? 0 : value;
}

}  // namespace

const TNotifyMapEntry WindowImplBase::kNotifyEntries[] = {
    NotifyEntry(L"click", L"", &WindowImplBase::OnClick),
};

const TNotifyMap WindowImplBase::kNotifyMap = {&CNotifyPump::kNotifyMap, kNotifyEntries,
                                               std::size(kNotifyEntries)};

const TNotifyMap* WindowImplBase::GetNotifyMap() const {
    return &kNotifyMap;
}

HWND WindowImplBase::Create(HWND hwndParent,
                            LPCWSTR pstrName,
                            DWORD dwStyle,
                            DWORD dwExStyle,
                            int x,
                            int y,
                            int cx,
                            int cy,
                            HMENU hMenu) {
    // Only a real size is recorded: a window placed somewhere but created 0 x 0 still takes the skin's size.
    const bool explicitSize = Explicit(cx) != 0 && Explicit(cy) != 0;
    if (explicitSize)
        m_PaintManager.SetInitSize(Explicit(x), Explicit(y), cx, cy);
    const HWND hWnd = CWindowWnd::Create(hwndParent, pstrName, dwStyle, dwExStyle, x, y, cx, cy, hMenu);
    if (hWnd != nullptr && explicitSize)
        ::SetWindowPos(hWnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return hWnd;
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    NotifyPump(msg);
}

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool&) {
    if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE))
        return ResponseDefaultKeyEvent(wParam);
    return 0;
}

CControlUI* WindowImplBase::CreateControl(LPCWSTR) {
    return nullptr;
}

void WindowImplBase::OnFinalMessage(HWND) {
    m_PaintManager.RemovePreMessageFilter(this);
    m_PaintManager.RemoveNotifier(this);
    m_PaintManager.ForgetControl(m_PaintManager.GetRoot());
    m_pWndShadow = nullptr;
}

void WindowImplBase::InitWindow() {}

void WindowImplBase::OnClick(TNotifyUI& msg) {
    const std::wstring name = msg.sender != nullptr ? msg.sender->GetName() : std::wstring();
    if (name == L"btn_close")
        Close(kCloseCode);
    else if (name == L"btn_min")
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (name == L"btn_max")
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (name == L"btn_restore")
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam) {
    if (wParam == VK_ESCAPE) {
        Close(kCloseCode);
        return TRUE;
    }
    return FALSE;
}

SkinResourceType WindowImplBase::GetResourceType() const {
    return SkinResourceType::kZipResource;
}

std::wstring WindowImplBase::GetZIPFileName() const {
    return std::wstring();
}

UINT WindowImplBase::GetResourceID() const {
    return kSkinZipResourceId;
}

LONG WindowImplBase::GetStyle() {
    return static_cast<LONG>(::GetWindowLongW(m_hWnd, GWL_STYLE) & ~WS_CAPTION);
}

bool WindowImplBase::PrepareSkinResources() {
    if (CPaintManagerUI::GetResourcePath().empty())
        CPaintManagerUI::SetResourcePath((CPaintManagerUI::GetInstancePath() + GetSkinFolder()).c_str());
    switch (GetResourceType()) {
        case SkinResourceType::kZip:
            CPaintManagerUI::SetResourceZip(GetZIPFileName().c_str());
            break;
        case SkinResourceType::kZipResource:
            if (!CSkinResources::LoadResourceZipBuffer(GetResourceID()))
                return false;
            CPaintManagerUI::SetResourceZip();
            break;
        case SkinResourceType::kFile:
        case SkinResourceType::kResource:
            break;
    }
    return true;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    ::SetWindowLongW(m_hWnd, GWL_STYLE, GetStyle() | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    m_PaintManager.Init(m_hWnd);
    m_PaintManager.AddPreMessageFilter(this);
    if (!PrepareSkinResources())
        return 0;

    CSkinBuilder builder;
    CControlUI* pRoot = nullptr;
    if (GetResourceType() == SkinResourceType::kResource) {
        const UINT id = static_cast<UINT>(std::wcstoul(GetSkinFile().c_str(), nullptr, 10));
        pRoot = builder.Create(MAKEINTRESOURCEW(id), L"xml", this, &m_PaintManager);
    } else {
        pRoot = builder.Create(GetSkinFile().c_str(), nullptr, this, &m_PaintManager);
    }
    if (pRoot == nullptr) {
        ::MessageBoxW(nullptr, kSkinLoadFailedText, kSkinLoadFailedCaption, MB_ICONHAND);
        ::ExitProcess(kSkinLoadFailedExitCode);
    }
    m_PaintManager.AttachRoot(pRoot);
    m_PaintManager.AddNotifier(this);
    if (m_PaintManager.IsShadow() && !m_PaintManager.IsSelfShadow())
        m_pWndShadow = CWndShadow::Attach(m_hWnd);
    if (m_pWndShadow != nullptr)
        m_pWndShadow->SetScale(m_PaintManager.GetDpiScale());
    // While the window is still being made and shown, its first page's images decode beside it, and
    // then its shadow's bitmap is built, on the same worker (a thread of its own would cost a start more
    // than the bitmap under Wine).
    std::function<void()> shadowBitmap =
        m_pWndShadow != nullptr ? m_pWndShadow->BeginBitmap(m_hWnd) : nullptr;
    if (!m_PaintManager.PrefetchImages(shadowBitmap) && shadowBitmap)
        shadowBitmap();
    InitWindow();
    return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool&) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        SendMessage(WM_CLOSE);
        return 0;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnMove(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnShowWindow(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
}

LRESULT WindowImplBase::OnDpiChanged(UINT, WPARAM wParam, LPARAM lParam, bool&) {
    // Scale first, so that the size limits the move below meets are already the new ones.
    m_PaintManager.SetDpi(LOWORD(wParam));
    if (m_pWndShadow != nullptr)
        m_pWndShadow->SetScale(m_PaintManager.GetDpiScale());
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The band is wider or narrower now even where the window kept its size.
    if (m_pWndShadow != nullptr && ::IsWindowVisible(m_hWnd))
        m_pWndShadow->Update(m_hWnd);
    return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    using Handler = LRESULT (WindowImplBase::*)(UINT, WPARAM, LPARAM, bool&);
    Handler handler = nullptr;
    switch (uMsg) {
        case WM_CREATE:
            handler = &WindowImplBase::OnCreate;
            break;
        case WM_CLOSE:
            handler = &WindowImplBase::OnClose;
            break;
        case WM_DESTROY:
            handler = &WindowImplBase::OnDestroy;
            break;
        case WM_NCACTIVATE:
            handler = &WindowImplBase::OnNcActivate;
            break;
        case WM_NCCALCSIZE:
            handler = &WindowImplBase::OnNcCalcSize;
            break;
        case WM_NCPAINT:
            handler = &WindowImplBase::OnNcPaint;
            break;
        case WM_NCLBUTTONDOWN:
            handler = &WindowImplBase::OnNcLButtonDown;
            break;
        case WM_NCHITTEST:
            handler = &WindowImplBase::OnNcHitTest;
            break;
        case WM_GETMINMAXINFO:
            handler = &WindowImplBase::OnGetMinMaxInfo;
            break;
        case WM_MOUSEWHEEL:
            handler = &WindowImplBase::OnMouseWheel;
            break;
        case WM_MOUSEHOVER:
            handler = &WindowImplBase::OnMouseHover;
            break;
        case WM_SIZE:
            handler = &WindowImplBase::OnSize;
            break;
        case WM_MOVE:
            handler = &WindowImplBase::OnMove;
            break;
        case WM_CHAR:
            handler = &WindowImplBase::OnChar;
            break;
        case WM_SYSCOMMAND:
            handler = &WindowImplBase::OnSysCommand;
            break;
        case WM_KEYDOWN:
            handler = &WindowImplBase::OnKeyDown;
            break;
        case WM_KILLFOCUS:
            handler = &WindowImplBase::OnKillFocus;
            break;
        case WM_SETFOCUS:
            handler = &WindowImplBase::OnSetFocus;
            break;
        case WM_LBUTTONDOWN:
            handler = &WindowImplBase::OnLButtonDown;
            break;
        case WM_LBUTTONUP:
            handler = &WindowImplBase::OnLButtonUp;
            break;
        case WM_MOUSEMOVE:
            handler = &WindowImplBase::OnMouseMove;
            break;
        case WM_SHOWWINDOW:
            handler = &WindowImplBase::OnShowWindow;
            break;
        case WM_DPICHANGED:
            handler = &WindowImplBase::OnDpiChanged;
            break;
        default:
            break;
    }
    bool bHandled = handler != nullptr;
    LRESULT lRes = 0;
    if (handler != nullptr)
        lRes = (this->*handler)(uMsg, wParam, lParam, bHandled);
    if (bHandled)
        return lRes;

    bHandled = true;
    lRes = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    if (bHandled)
        return lRes;
    if (m_PaintManager.MessageHandler(uMsg, wParam, lParam, lRes))
        return lRes;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

}  // namespace SkinUI
