// Entry point of TarnisSetup.exe: start-up and shutdown in a fixed order around the
// message loop.
#include <windows.h>

#include <ole2.h>

#include "app/AppContext.h"
#include "app/DllSearch.h"
#include "app/MainDlg.h"
#include "app/SingleInstance.h"
#include "ui/controls/StandardControls.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/SkinResources.h"
#include "ui/core/WndShadow.h"

namespace {
constexpr DWORD kMainStyle = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;
// Another installer holds the name but shows no window to bring forward (it is starting or ending,
// with its window not yet made or already gone): the start must not look like a success.
constexpr int kExitAnotherInstance = 3;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    // Before anything can load a DLL planted next to the executable.
    RestrictDllSearch();
    // Two installers side by side would both download and both run the package.
    CSingleInstance singleInstance(kInstallerInstanceName);
    if (!singleInstance.IsFirst())
        return CSingleInstance::ActivateWindow(CMainDlg::kWindowClassName) ? 0 : kExitAnotherInstance;

    AppContext& context = AppContext::Instance();
    context.SetLaunchId(AppContext::ParseLaunchId(commandLine ? commandLine : L""));

    SkinUI::CPaintManagerUI::SetInstance(instance);
    SkinUI::CWndShadow::Initialize(instance);
    SkinUI::RegisterStandardControls();

    auto* mainWindow = new CMainDlg();
    context.Initialize(mainWindow);
    mainWindow->Create(nullptr, L"安装Tarnis", kMainStyle, 0, 0, 0, 0, 0);
    mainWindow->CenterWindow();
    mainWindow->ShowWindow(true, true);

    int exitCode = 0;
    CoInitialize(nullptr);
    OleInitialize(nullptr);
    if (SUCCEEDED(CoInitialize(nullptr))) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            // The skinned windows see keys first (Escape, Enter, Tab), as in their modal loops.
            if (SkinUI::CPaintManagerUI::TranslateMessage(&msg))
                continue;
            if (!TranslateAcceleratorW(msg.hwnd, nullptr, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        exitCode = static_cast<int>(msg.wParam);
        SkinUI::CSkinResources::Reset();
        context.Shutdown();
        OleUninitialize();
    }
    delete mainWindow;
    return exitCode;
}
