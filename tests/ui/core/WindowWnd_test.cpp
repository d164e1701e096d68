// The window base under a real message loop: binding of object and handle, modal loops (also with a
// window that frees itself while the loop runs), owners, centring, subclassing and superclassing.
#include "ui/core/WindowWnd.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestEnv.h"
#include "ui/core/PaintManagerUI.h"

using SkinUI::CWindowWnd;

namespace {

class CPlainWindow : public CWindowWnd {
public:
    int finalCount = 0;
    HWND finalHandle = nullptr;
    HWND handleDuringFinal = reinterpret_cast<HWND>(-1);
    int closeSeen = 0;

protected:
    LPCWSTR GetWindowClassName() const override { return L"ZvTestPlainWnd"; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        if (uMsg == WM_CLOSE)
            ++closeSeen;
        return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    }
    void OnFinalMessage(HWND hWnd) override {
        ++finalCount;
        finalHandle = hWnd;
        handleDuringFinal = GetHWND();
    }
};

// Lives on pages of its own that become inaccessible when it is deleted, so that any touch of the object
// after its OnFinalMessage deleted it crashes the test instead of passing unnoticed.
class CSelfDeletingBox : public CWindowWnd {
public:
    static int s_live;
    CSelfDeletingBox() { ++s_live; }
    ~CSelfDeletingBox() override { --s_live; }

    static void* operator new(size_t size) {
        void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (p == nullptr)
            throw std::bad_alloc();
        return p;
    }
    static void operator delete(void* p) {
        MEMORY_BASIC_INFORMATION info = {};
        ::VirtualQuery(p, &info, sizeof(info));
        // Kept reserved, so the address is never handed out again during the test.
        ::VirtualFree(p, info.RegionSize, MEM_DECOMMIT);
    }

protected:
    LPCWSTR GetWindowClassName() const override { return L"ZvTestSelfDeletingBox"; }
    void OnFinalMessage(HWND) override { delete this; }
};
int CSelfDeletingBox::s_live = 0;

struct TModalProbe {
    HWND owner = nullptr;
    HWND box = nullptr;
    UINT code = 0;
    bool ownerEnabledInside = true;
    bool boxVisibleInside = false;
    bool quit = false;
};
TModalProbe g_probe;

// Runs inside the modal loop: records what the loop set up, then ends it.
void CALLBACK CloseFromInside(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_probe.ownerEnabledInside = ::IsWindowEnabled(g_probe.owner) != FALSE;
    g_probe.boxVisibleInside = ::IsWindowVisible(g_probe.box) != FALSE;
    if (g_probe.quit)
        ::PostQuitMessage(static_cast<int>(g_probe.code));
    else
        ::PostMessageW(g_probe.box, WM_CLOSE, g_probe.code, 0);
}

class WindowWndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SkinUI::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr)); }

    void SetUp() override {
        ASSERT_NE(m_owner.Create(nullptr, L"owner", WS_POPUP | WS_VISIBLE, 0, 100, 100, 400, 300), nullptr);
        g_probe = TModalProbe();
        g_probe.owner = m_owner.GetHWND();
    }
    void TearDown() override {
        if (::IsWindow(m_owner.GetHWND()))
            ::DestroyWindow(m_owner.GetHWND());
    }

    CPlainWindow m_owner;
};

}  // namespace

// WM_NCCREATE binds the object, WM_NCDESTROY unbinds it before OnFinalMessage gets the old handle.
TEST_F(WindowWndTest, BindsAndUnbindsObjectAndHandle) {
    CPlainWindow window;
    const HWND hWnd = window.Create(nullptr, L"bound", WS_POPUP, 0, 0, 0, 50, 50);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(window.GetHWND(), hWnd);
    // Unhandled messages reach the default procedure.
    ::SetWindowTextW(hWnd, L"renamed");
    wchar_t text[32] = {};
    ::GetWindowTextW(hWnd, text, 32);
    EXPECT_STREQ(text, L"renamed");

    // A second object of the same class registers nothing new and still works.
    CPlainWindow second;
    EXPECT_NE(second.Create(nullptr, L"second", WS_POPUP, 0, 0, 0, 50, 50), nullptr);
    ::DestroyWindow(second.GetHWND());

    ::DestroyWindow(hWnd);
    EXPECT_EQ(window.finalCount, 1);
    EXPECT_EQ(window.finalHandle, hWnd);
    EXPECT_EQ(window.handleDuringFinal, nullptr);
    EXPECT_EQ(window.GetHWND(), nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(hWnd, GWLP_USERDATA), 0);
}

// ShowModal returns the code given to Close, with the owner disabled while the box runs.
TEST_F(WindowWndTest, ModalLoopReturnsCloseCodeAndDisablesOwner) {
    CPlainWindow box;
    ASSERT_NE(box.Create(m_owner.GetHWND(), L"box", WS_POPUP, 0, 150, 150, 100, 80), nullptr);
    g_probe.box = box.GetHWND();
    g_probe.code = 42;
    ::SetTimer(nullptr, 0, 10, &CloseFromInside);
    EXPECT_EQ(box.ShowModal(), 42u);
    EXPECT_FALSE(g_probe.ownerEnabledInside);
    EXPECT_TRUE(g_probe.boxVisibleInside);
    EXPECT_TRUE(::IsWindowEnabled(m_owner.GetHWND()));
    EXPECT_FALSE(::IsWindow(g_probe.box));
    EXPECT_EQ(box.closeSeen, 1);
    EXPECT_EQ(box.finalCount, 1);

    // Close posts WM_CLOSE with the code; a close already queued ends the loop at once.
    CPlainWindow second;
    ASSERT_NE(second.Create(m_owner.GetHWND(), L"box2", WS_POPUP, 0, 150, 150, 100, 80), nullptr);
    second.Close(7);
    EXPECT_EQ(second.ShowModal(), 7u);
}

// A box that deletes itself in OnFinalMessage, many times over: the loop must not touch it afterwards.
TEST_F(WindowWndTest, ModalLoopSurvivesSelfDeletingBox) {
    constexpr UINT kRounds = 10;
    for (UINT round = 1; round <= kRounds; ++round) {
        auto* box = new CSelfDeletingBox;
        const HWND hBox = box->Create(m_owner.GetHWND(), L"self", WS_POPUP, 0, 150, 150, 60, 40);
        ASSERT_NE(hBox, nullptr);
        g_probe.box = hBox;
        g_probe.code = round;
        ::SetTimer(nullptr, 0, 1, &CloseFromInside);
        ASSERT_EQ(box->ShowModal(), round);
        ASSERT_EQ(CSelfDeletingBox::s_live, 0);
        ASSERT_TRUE(::IsWindowEnabled(m_owner.GetHWND()));
    }
}

// WM_QUIT ends the modal loop and is posted again for the outer loop, with its exit code.
TEST_F(WindowWndTest, ModalLoopPassesQuitOn) {
    CPlainWindow box;
    ASSERT_NE(box.Create(m_owner.GetHWND(), L"box", WS_POPUP, 0, 150, 150, 100, 80), nullptr);
    g_probe.box = box.GetHWND();
    g_probe.code = 3;
    g_probe.quit = true;
    ::SetTimer(nullptr, 0, 10, &CloseFromInside);
    EXPECT_EQ(box.ShowModal(), 0u);
    EXPECT_TRUE(::IsWindowEnabled(m_owner.GetHWND()));
    MSG msg = {};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    ::DestroyWindow(box.GetHWND());
}

// An owned window centres on its owner; an unowned one on the work area, and neither leaves it.
TEST_F(WindowWndTest, CentresOnOwnerOrWorkArea) {
    CPlainWindow box;
    ASSERT_NE(box.Create(m_owner.GetHWND(), L"box", WS_POPUP, 0, 0, 0, 100, 60), nullptr);
    box.CenterWindow();
    RECT rc = {};
    ::GetWindowRect(box.GetHWND(), &rc);
    EXPECT_EQ(rc.left, 100 + 200 - 50);
    EXPECT_EQ(rc.top, 100 + 150 - 30);
    EXPECT_EQ(rc.right - rc.left, 100);

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(box.GetHWND(), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;
    // An owner hanging over the top-left corner pulls the box only as far as the work area's edge.
    ::SetWindowPos(m_owner.GetHWND(), nullptr, work.left - 380, work.top - 280, 400, 300,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    box.CenterWindow();
    ::GetWindowRect(box.GetHWND(), &rc);
    EXPECT_EQ(rc.left, work.left);
    EXPECT_EQ(rc.top, work.top);
    // And over the bottom-right corner.
    ::SetWindowPos(m_owner.GetHWND(), nullptr, work.right - 20, work.bottom - 20, 400, 300,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    box.CenterWindow();
    ::GetWindowRect(box.GetHWND(), &rc);
    EXPECT_EQ(rc.right, work.right);
    EXPECT_EQ(rc.bottom, work.bottom);
    ::DestroyWindow(box.GetHWND());

    CPlainWindow alone;
    ASSERT_NE(alone.Create(nullptr, L"alone", WS_POPUP, 0, 0, 0, 200, 100), nullptr);
    alone.CenterWindow();
    ::GetWindowRect(alone.GetHWND(), &rc);
    EXPECT_EQ(rc.left, (work.left + work.right) / 2 - 100);
    EXPECT_EQ(rc.top, (work.top + work.bottom) / 2 - 50);
    ::DestroyWindow(alone.GetHWND());
}

namespace {

// Superclasses the system "Edit" class, as the edit box's native window does.
class CEditSuperclass : public CWindowWnd {
public:
    int finalCount = 0;
    int charCount = 0;

protected:
    LPCWSTR GetWindowClassName() const override { return L"ZvTestEditSuper"; }
    LPCWSTR GetSuperClassName() const override { return L"Edit"; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        if (uMsg == WM_CHAR)
            ++charCount;
        return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    }
    void OnFinalMessage(HWND) override { ++finalCount; }
};

// Counts what reaches the object of a subclassed window.
class CSubclasser : public CWindowWnd {
public:
    int setTextCount = 0;

protected:
    LPCWSTR GetWindowClassName() const override { return L"ZvTestSubclasser"; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        if (uMsg == WM_SETTEXT)
            ++setTextCount;
        return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    }
};

}  // namespace

// A superclassed system edit keeps the system behaviour and routes its messages to the object.
TEST_F(WindowWndTest, SuperclassKeepsSystemBehaviour) {
    CEditSuperclass edit;
    const HWND hEdit = edit.Create(m_owner.GetHWND(), L"", WS_CHILD | WS_VISIBLE, 0, 10, 10, 120, 24);
    ASSERT_NE(hEdit, nullptr);
    ::SendMessageW(hEdit, WM_CHAR, L'x', 0);
    ::SendMessageW(hEdit, WM_CHAR, L'y', 0);
    wchar_t text[16] = {};
    ::GetWindowTextW(hEdit, text, 16);
    EXPECT_STREQ(text, L"xy");
    EXPECT_EQ(edit.charCount, 2);
    EXPECT_NE(::GetPropW(hEdit, L"WndX"), nullptr);
    ::DestroyWindow(hEdit);
    EXPECT_EQ(edit.finalCount, 1);
    EXPECT_EQ(edit.GetHWND(), nullptr);
}

// Subclassing routes an existing window's messages to the object; Unsubclass gives them back.
TEST_F(WindowWndTest, SubclassAndUnsubclass) {
    const HWND hStatic = ::CreateWindowExW(0, L"Static", L"s", WS_CHILD, 0, 0, 10, 10, m_owner.GetHWND(),
                                           nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hStatic, nullptr);
    const LONG_PTR original = ::GetWindowLongPtrW(hStatic, GWLP_WNDPROC);
    CSubclasser sub;
    ASSERT_EQ(sub.Subclass(hStatic), hStatic);
    ::SetWindowTextW(hStatic, L"one");
    EXPECT_EQ(sub.setTextCount, 1);
    sub.Unsubclass();
    EXPECT_EQ(::GetWindowLongPtrW(hStatic, GWLP_WNDPROC), original);
    ::SetWindowTextW(hStatic, L"two");
    EXPECT_EQ(sub.setTextCount, 1);
    wchar_t text[8] = {};
    ::GetWindowTextW(hStatic, text, 8);
    EXPECT_STREQ(text, L"two");
    ::DestroyWindow(hStatic);
}
