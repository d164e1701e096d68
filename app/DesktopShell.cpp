#include "app/DesktopShell.h"

#include <windows.h>

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

// Balances a successful CoInitializeEx; a thread already in another apartment model keeps it.
class CComScope {
public:
    CComScope() : m_initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComScope() {
        if (m_initialised)
            CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    bool m_initialised;
};

class CBstr {
public:
    explicit CBstr(const std::wstring& text)
        : m_bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~CBstr() { SysFreeString(m_bstr); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR Get() const { return m_bstr; }
    VARIANT AsVariant() const {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = m_bstr;
        return v;
    }

private:
    BSTR m_bstr;
};

// The desktop's folder view, reached the way a shell extension would: the shell windows list,
// the desktop's browser, its active view, and that view's automation object.
ComPtr<IShellDispatch2> DesktopShellDispatch() {
    ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&windows))))
        return nullptr;
    VARIANT desktop;
    VariantInit(&desktop);
    V_VT(&desktop) = VT_I4;
    V_I4(&desktop) = CSIDL_DESKTOP;
    VARIANT empty;
    VariantInit(&empty);
    long hwnd = 0;
    ComPtr<IDispatch> found;
    if (windows->FindWindowSW(&desktop, &empty, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, &found) != S_OK ||
        !found)
        return nullptr;
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(found.As(&services)) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(&browser))) ||
        FAILED(browser->QueryActiveShellView(&view)) || !view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(&background))) || !background ||
        FAILED(background.As(&folderView)) || FAILED(folderView->get_Application(&application)) ||
        !application || FAILED(application.As(&shell)))
        return nullptr;
    return shell;
}

}  // namespace

namespace DesktopShell {

bool StartAsUser(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder) {
    CComScope com;
    ComPtr<IShellDispatch2> shell = DesktopShellDispatch();
    if (!shell)
        return false;
    CBstr file(program);
    CBstr args(arguments);
    CBstr dir(folder);
    CBstr verb(L"open");
    VARIANT show;
    VariantInit(&show);
    V_VT(&show) = VT_I4;
    V_I4(&show) = SW_SHOWNORMAL;
    // S_FALSE is the shell saying that it could not start the program.
    return shell->ShellExecute(file.Get(), args.AsVariant(), dir.AsVariant(), verb.AsVariant(), show) == S_OK;
}

}  // namespace DesktopShell
