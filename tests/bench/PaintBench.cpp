// Paint manager benchmark: a tree the size of the installer's window (540 x 355, nested layouts, a
// tab layout, about forty controls) in a real window; measures a full layout pass, a full and a
// partial repaint through WM_PAINT, a hit test and a mouse move dispatched to the tree.
// Prints one name=value line per figure (microseconds per operation). Not run by CTest.
#include <windows.h>

#include <cstdio>

#include "ui/controls/HorizontalLayoutUI.h"
#include "ui/controls/TabLayoutUI.h"
#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/PaintManagerUI.h"

using namespace SkinUI;

namespace {

constexpr int kWidth = 540;
constexpr int kHeight = 355;

CPaintManagerUI* g_manager = nullptr;

LRESULT CALLBACK BenchWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (g_manager != nullptr && g_manager->MessageHandler(uMsg, wParam, lParam, result))
        return result;
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

template <class F>
double MicrosPerRun(int runs, F&& work) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < runs; ++i)
        work();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart / runs;
}

CControlUI* Add(CContainerUI* parent, CControlUI* child, LPCWSTR attributes) {
    child->ApplyAttributeList(attributes);
    parent->Add(child);
    return child;
}

CControlUI* BuildTree(CControlUI** target) {
    auto* root = new CVerticalLayoutUI();
    root->ApplyAttributeList(L"bkcolor=\"#FFF0F0F0\" inset=\"1,1,1,1\"");
    auto* caption = static_cast<CContainerUI*>(
        Add(root, new CHorizontalLayoutUI(), L"height=\"100\" bkcolor=\"#FF3060A0\""));
    for (int i = 0; i < 4; ++i)
        Add(caption, new CControlUI(),
            L"width=\"30\" bkcolor=\"#FF4070B0\" bordersize=\"1\" bordercolor=\"#FFFFFFFF\"");
    auto* tabs = static_cast<CContainerUI*>(Add(root, new CTabLayoutUI(), L""));
    for (int page = 0; page < 3; ++page) {
        auto* body = static_cast<CContainerUI*>(
            Add(tabs, new CVerticalLayoutUI(), L"inset=\"36,10,36,10\" childpadding=\"6\""));
        for (int row = 0; row < 5; ++row) {
            auto* line = static_cast<CContainerUI*>(
                Add(body, new CHorizontalLayoutUI(), L"height=\"30\" childpadding=\"4\""));
            for (int cell = 0; cell < 2; ++cell) {
                CControlUI* control =
                    Add(line, new CControlUI(),
                        L"bkcolor=\"#FFFFFFFF\" bordersize=\"1\" bordercolor=\"#FFCCCCCC\"");
                if (page == 0 && row == 2 && cell == 1)
                    *target = control;
            }
        }
    }
    return root;
}

}  // namespace

int wmain() {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = BenchWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZvPaintBench";
    RegisterClassExW(&wc);
    HWND hWnd = CreateWindowExW(0, wc.lpszClassName, L"paint bench", WS_POPUP, 50, 50, kWidth, kHeight,
                                nullptr, nullptr, wc.hInstance, nullptr);
    CPaintManagerUI manager;
    g_manager = &manager;
    manager.Init(hWnd);
    CControlUI* target = nullptr;
    CControlUI* root = BuildTree(&target);
    manager.AttachRoot(root);
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hWnd);

    const double layout = MicrosPerRun(500, [&] {
        root->NeedUpdate();
        UpdateWindow(hWnd);
    });
    const double fullPaint = MicrosPerRun(500, [&] {
        InvalidateRect(hWnd, nullptr, FALSE);
        UpdateWindow(hWnd);
    });
    const double partialPaint = MicrosPerRun(2000, [&] {
        target->Invalidate();
        UpdateWindow(hWnd);
    });
    const POINT pt = {target->GetX() + 5, target->GetY() + 5};
    volatile CControlUI* found = nullptr;
    const double hitTest = MicrosPerRun(20000, [&] { found = manager.FindControl(pt); });
    int flip = 0;
    const double mouseMove = MicrosPerRun(
        20000, [&] { SendMessageW(hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x + (flip ^= 1) * 60, pt.y)); });
    wprintf(
        L"layout_pass_us=%.1f\nfull_repaint_us=%.1f\npartial_repaint_us=%.1f\nhit_test_us=%.2f\n"
        L"mouse_move_us=%.2f\nhit_ok=%d\n",
        layout, fullPaint, partialPaint, hitTest, mouseMove, found == target ? 1 : 0);
    g_manager = nullptr;
    DestroyWindow(hWnd);
    return 0;
}
