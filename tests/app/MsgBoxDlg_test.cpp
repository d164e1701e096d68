// The installer's message box from the skin inside this executable, in real windows: the answer of
// each button, Escape as Cancel, the skin's title kept for an empty one, and boxes that free
// themselves.
#include "app/MsgBoxDlg.h"

#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"
#include "ui/controls/StandardControls.h"
#include "ui/core/PaintManagerUI.h"

namespace {

const POINT kBtnOk = {170, 93};
const POINT kBtnCancel = {240, 93};
const POINT kBtnClose = {267, 11};

class MsgBoxDlgTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        SkinUI::CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
        SkinUI::RegisterStandardControls();
    }
    // Opens a box as the installer does; it frees itself when it closes.
    static CMsgBoxDlg* Open(const wchar_t* text, const wchar_t* title, const wchar_t* caption) {
        CMsgBoxDlg* box = new CMsgBoxDlg(text, title);
        if (!box->Create(nullptr, caption, WS_POPUP, 0, 0, 0, 0, 0)) {
            ADD_FAILURE() << "the box's window was not created";
            return nullptr;
        }
        box->CenterWindow();
        box->ShowWindow(true, true);
        // Painting lays the controls out, so that queued clicks find their buttons.
        UpdateWindow(box->GetHWND());
        return box;
    }
    // A real press and release queued for the box's modal loop.
    static void QueueClick(HWND box, POINT at) {
        const LPARAM where = MAKELPARAM(at.x, at.y);
        PostMessageW(box, WM_MOUSEMOVE, 0, where);
        PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, where);
        PostMessageW(box, WM_LBUTTONUP, 0, where);
    }
    static std::wstring LabelText(HWND box, const wchar_t* name) {
        auto* window = reinterpret_cast<SkinUI::WindowImplBase*>(GetWindowLongPtrW(box, GWLP_USERDATA));
        SkinUI::CControlUI* label = window->GetPaintManager().FindControl(name);
        return label ? label->GetText() : L"<none>";
    }
};

}  // namespace

// OK answers 1; Cancel and the title bar's close answer 2.
TEST_F(MsgBoxDlgTest, ButtonsAnswer) {
    struct Case {
        POINT button;
        UINT result;
    } cases[] = {{kBtnOk, 1}, {kBtnCancel, 2}, {kBtnClose, 2}};
    for (const Case& c : cases) {
        CMsgBoxDlg* box = Open(L"是否退出安装？", L"", L"退出安装");
        ASSERT_NE(nullptr, box);
        QueueClick(box->GetHWND(), c.button);
        EXPECT_EQ(c.result, box->ShowModal());
    }
}

// Escape must never mean "yes": it answers like Cancel.
TEST_F(MsgBoxDlgTest, EscapeIsCancel) {
    CMsgBoxDlg* box = Open(L"是否退出安装？", L"", L"退出安装");
    ASSERT_NE(nullptr, box);
    PostMessageW(box->GetHWND(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(2u, box->ShowModal());
}

// The text and title reach their labels; an empty title keeps the skin's "退出安装".
TEST_F(MsgBoxDlgTest, TextAndTitle) {
    CMsgBoxDlg* titled = Open(L"安装失败，请检查网络后重试！", L"提示信息", L"Tarnis提示");
    CMsgBoxDlg* untitled = Open(L"是否退出安装？", L"", L"退出安装");
    ASSERT_TRUE(titled && untitled);
    const HWND first = titled->GetHWND();
    const HWND second = untitled->GetHWND();
    EXPECT_EQ(L"安装失败，请检查网络后重试！", LabelText(first, L"lb_text"));
    EXPECT_EQ(L"提示信息", LabelText(first, L"lb_title"));
    EXPECT_EQ(L"退出安装", LabelText(second, L"lb_title"));
    // Two boxes open at once, each closed by its own button, each freeing itself.
    QueueClick(first, kBtnOk);
    QueueClick(second, kBtnCancel);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !IsWindow(first) && !IsWindow(second); }, 5000));
}

// A box whose window cannot be made (an owner that is no window) frees itself at once.
TEST_F(MsgBoxDlgTest, BoxWithoutAWindowIsFreed) {
    const HWND noWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFFF0));
    ASSERT_FALSE(IsWindow(noWindow));
    auto attempt = [&] {
        CMsgBoxDlg* box = new CMsgBoxDlg(L"x", L"");
        return box->Create(noWindow, L"提示", WS_POPUP, 0, 0, 0, 0, 0);
    };
    EXPECT_EQ(nullptr, attempt());
    const int before = TestEnv::GdiObjectHeadroom();
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(nullptr, attempt());
    // Each box holds a font of its own while it lives.
    EXPECT_GE(TestEnv::GdiObjectHeadroom(), before - 2);
}

// A box opened and answered many times in a row leaves nothing behind.
TEST_F(MsgBoxDlgTest, RepeatedModalBoxes) {
    for (int i = 0; i < 8; ++i) {
        CMsgBoxDlg* box = Open(L"x", L"", L"退出安装");
        ASSERT_NE(nullptr, box);
        QueueClick(box->GetHWND(), i % 2 ? kBtnOk : kBtnCancel);
        ASSERT_EQ(i % 2 ? 1u : 2u, box->ShowModal());
    }
    TestEnv::PumpFor(50);
}
