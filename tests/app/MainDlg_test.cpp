// The main window built from the skin inside this executable, in a real window with the
// installer's own message loop: Escape asks before quitting, and an Escape in the question
// answers it like Cancel, so the installer stays open.
#include "app/MainDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "tests/support/TestEnv.h"
#include "ui/controls/StandardControls.h"
#include "ui/core/PaintManagerUI.h"

namespace {

constexpr DWORD kWaitMs = 5000;
constexpr UINT_PTR kAnswerTimer = 77;
constexpr UINT kAnswerPeriodMs = 50;

HWND g_seenBox = nullptr;

// Runs inside the question's modal loop: once the box is up, presses Escape in it.
void CALLBACK AnswerWithEscape(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"zorvaim", L"退出安装");
    if (!box || !IsWindowVisible(box))
        return;
    KillTimer(nullptr, id);
    g_seenBox = box;
    PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
}

// The installer's loop: skinned windows see keys first.
bool PumpInstallerLoop(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done() && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (SkinUI::CPaintManagerUI::TranslateMessage(&msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return done();
}

}  // namespace

TEST(MainDlg, EscapeAsksAndEscapeInTheQuestionCancels) {
    SkinUI::CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
    SkinUI::RegisterStandardControls();
    TestEnv::TempDir machine(L"maindlg");
    HandoffPlaces places;
    places.moduleDir = machine.Path();
    places.commonAppData = machine.Path();
    places.registryRoot = HKEY_CURRENT_USER;
    places.registryKey = L"Software\\ZorvaTests\\NoLauncher";
    places.driveRoots = {machine.Path() + L"\\"};
    places.isTrustedRecord = [](const std::wstring&) { return false; };

    auto dialog = std::make_unique<CMainDlg>(places);
    HWND main = dialog->Create(nullptr, L"安装Tarnis", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, 0);
    ASSERT_NE(nullptr, main);
    dialog->ShowWindow(true, true);
    UpdateWindow(main);

    SetTimer(nullptr, kAnswerTimer, kAnswerPeriodMs, &AnswerWithEscape);
    PostMessageW(main, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(PumpInstallerLoop([] { return g_seenBox != nullptr && !IsWindow(g_seenBox); }, kWaitMs))
        << "Escape on the main window opens the question, Escape in it closes it";
    TestEnv::PumpFor(200);
    EXPECT_TRUE(IsWindow(main)) << "a cancelled question keeps the installer open";

    DestroyWindow(main);
    TestEnv::PumpFor(50);
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}
