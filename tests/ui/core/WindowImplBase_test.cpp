// Skinned windows built from the installer's own skin (the "ZIPRES" archive linked into this program)
// and from small inline skins: size, region, caption band, drag, shadow, keys, system buttons, modal
// boxes that free themselves, and the end of a process whose skin cannot be loaded.
#include "ui/core/WindowImplBase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/TestEnv.h"
#include "tests/ui/core/WindowTestSupport.h"
#include "ui/controls/StandardControls.h"
#include "ui/core/WndShadow.h"

using SkinUI::SkinResourceType;
using SkinUI::TNotifyMap;
using SkinUI::TNotifyMapEntry;
using SkinUI::TNotifyUI;
using SkinUI::WindowImplBase;

namespace {

constexpr DWORD kTimeoutMs = 5000;
constexpr wchar_t kMainSkin[] = L"InstallPackages.xml";
constexpr wchar_t kChildVariable[] = L"ZV_WINDOW_TEST_CHILD";

class CSkinWindow : public WindowImplBase {
public:
    explicit CSkinWindow(std::wstring skin, SkinResourceType type = SkinResourceType::kZipResource)
        : m_skin(std::move(skin)), m_type(type) {}

    int initCount = 0;
    int windowInitCount = 0;
    std::vector<WPARAM> closeCodes;
    std::vector<WPARAM> keyDowns;
    WindowTest::CSignal entered;
    WindowTest::CSignal moved;
    WindowTest::CSignal exited;

    bool LaidOut() const { return windowInitCount > 0; }
    POINT ScreenPoint(int x, int y) const {
        POINT pt = {x, y};
        ::ClientToScreen(m_hWnd, &pt);
        return pt;
    }
    LRESULT HitTest(int x, int y) {
        const POINT pt = ScreenPoint(x, y);
        return ::SendMessageW(m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    }

protected:
    LPCWSTR GetWindowClassName() const override { return L"ZvTestSkinWindow"; }
    std::wstring GetSkinFolder() override { return L""; }
    std::wstring GetSkinFile() override { return m_skin; }
    SkinResourceType GetResourceType() const override { return m_type; }
    void InitWindow() override { ++initCount; }
    LRESULT OnClose(UINT, WPARAM wParam, LPARAM, bool& bHandled) override {
        closeCodes.push_back(wParam);
        bHandled = false;
        return 0;
    }
    LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& bHandled) override {
        keyDowns.push_back(wParam);
        bHandled = false;
        return 0;
    }
    LRESULT OnMove(UINT, WPARAM, LPARAM, bool& bHandled) override {
        moved.Set();
        bHandled = false;
        return 0;
    }
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, bool& bHandled) override {
        if (uMsg == WM_ENTERSIZEMOVE)
            entered.Set();
        else if (uMsg == WM_EXITSIZEMOVE)
            exited.Set();
        bHandled = false;
        return 0;
    }

    // The map of this class chains to the base's, whose "click" entry must still work.
    void OnWindowInit(TNotifyUI&) { ++windowInitCount; }
    const TNotifyMap* GetNotifyMap() const override { return &kTestMap; }
    static const TNotifyMapEntry kTestEntries[];
    static const TNotifyMap kTestMap;

private:
    std::wstring m_skin;
    SkinResourceType m_type;
};

const TNotifyMapEntry CSkinWindow::kTestEntries[] = {
    SkinUI::NotifyEntry(L"windowinit", L"", &CSkinWindow::OnWindowInit),
};
const TNotifyMap CSkinWindow::kTestMap = {&WindowImplBase::kNotifyMap, kTestEntries, std::size(kTestEntries)};

// A box on pages of its own that become inaccessible once it deletes itself from OnFinalMessage.
class CSelfDeletingSkinBox : public CSkinWindow {
public:
    static int s_live;
    explicit CSelfDeletingSkinBox(std::wstring skin) : CSkinWindow(std::move(skin), SkinResourceType::kFile) {
        ++s_live;
    }
    ~CSelfDeletingSkinBox() override { --s_live; }
    static void* operator new(size_t size) {
        void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (p == nullptr)
            throw std::bad_alloc();
        return p;
    }
    static void operator delete(void* p) {
        MEMORY_BASIC_INFORMATION info = {};
        ::VirtualQuery(p, &info, sizeof(info));
        ::VirtualFree(p, info.RegionSize, MEM_DECOMMIT);
    }

protected:
    void OnFinalMessage(HWND hWnd) override {
        CSkinWindow::OnFinalMessage(hWnd);
        delete this;
    }
};
int CSelfDeletingSkinBox::s_live = 0;

void SetUpProcess() {
    SkinUI::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    SkinUI::CWndShadow::Initialize(::GetModuleHandleW(nullptr));
    SkinUI::RegisterStandardControls();
}

RECT WindowRect(HWND hWnd) {
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

// The shadow band is 14 pixels wide at 100 % and scales with the window.
::testing::AssertionResult AroundWindow(HWND hShadow, HWND hWnd, int band = 14) {
    RECT expected = WindowRect(hWnd);
    ::InflateRect(&expected, band, band);
    const RECT actual = WindowRect(hShadow);
    if (::EqualRect(&expected, &actual))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "shadow at (" << actual.left << "," << actual.top << ","
                                         << actual.right << "," << actual.bottom << ")";
}

// The window region, as far as it lies over the window (the system may clip the part outside), is the
// rounded rectangle one pixel larger than the window.
::testing::AssertionResult HasRoundedRegion(HWND hWnd, int width, int height, int corner) {
    HRGN actual = ::CreateRectRgn(0, 0, 0, 0);
    const int kind = ::GetWindowRgn(hWnd, actual);
    HRGN expected = ::CreateRoundRectRgn(0, 0, width + 1, height + 1, corner, corner);
    HRGN window = ::CreateRectRgn(0, 0, width, height);
    ::CombineRgn(actual, actual, window, RGN_AND);
    ::CombineRgn(expected, expected, window, RGN_AND);
    const bool same = kind != ERROR && ::EqualRgn(actual, expected);
    ::DeleteObject(actual);
    ::DeleteObject(expected);
    ::DeleteObject(window);
    if (same)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window region kind " << kind;
}

// Presses a key for a window once it has the keyboard, from inside a modal loop.
HWND g_keyTarget = nullptr;
// The box whose close button a modal-loop timer clicks once it is laid out.
CSkinWindow* g_clickBox = nullptr;
WORD g_key = 0;
void CALLBACK PressKeyFromInside(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ::SetForegroundWindow(g_keyTarget);
    ::SetFocus(g_keyTarget);
    WindowTest::PressKey(g_key);
}

// The installer's main layout, created without a size and shown, shared by the tests of this suite
// in order (Wine takes a while to hide a window, so the suite keeps one).
class MainSkinWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetUpProcess();
        s_window = new CSkinWindow(kMainSkin);
        ASSERT_NE(
            s_window->Create(nullptr, L"TarnisSetup", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, 0),
            nullptr);
        s_window->CenterWindow();
        s_window->ShowWindow(true, true);
        ::SetForegroundWindow(s_window->GetHWND());
        TestEnv::PumpUntil([] { return s_window->LaidOut(); }, kTimeoutMs);
    }
    static void TearDownTestSuite() {
        if (::IsWindow(s_window->GetHWND()))
            ::DestroyWindow(s_window->GetHWND());
        delete s_window;
        s_window = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(s_window->LaidOut()); }

    static CSkinWindow* s_window;
};
CSkinWindow* MainSkinWindowTest::s_window = nullptr;

}  // namespace

// Created with size 0 x 0, the window takes the skin's 540 x 355, loses its caption, and the skin is
// attached once with its shadow.
TEST_F(MainSkinWindowTest, TakesTheSkinsSize) {
    const RECT rc = WindowRect(s_window->GetHWND());
    EXPECT_EQ(rc.right - rc.left, 540);
    EXPECT_EQ(rc.bottom - rc.top, 355);
    EXPECT_EQ(::GetWindowLongW(s_window->GetHWND(), GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_EQ(s_window->initCount, 1);
    EXPECT_EQ(s_window->windowInitCount, 1);
    EXPECT_NE(s_window->GetPaintManager().FindControl(L"btn_close"), nullptr);
    ASSERT_NE(s_window->GetShadow(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(s_window->GetShadow()->GetHWND()));
    EXPECT_TRUE(AroundWindow(s_window->GetShadow()->GetHWND(), s_window->GetHWND()));
}

// roundcorner "2,2": the region is the rounded rectangle one pixel larger than the window.
TEST_F(MainSkinWindowTest, HasTheRoundedRegion) {
    EXPECT_TRUE(HasRoundedRegion(s_window->GetHWND(), 540, 355, 2));
}

// The top 100 pixels drag the window, except over the minimise and close buttons.
TEST_F(MainSkinWindowTest, CaptionBandDragsExceptOverButtons) {
    EXPECT_EQ(s_window->HitTest(100, 50), HTCAPTION);
    EXPECT_EQ(s_window->HitTest(0, 0), HTCAPTION);
    EXPECT_EQ(s_window->HitTest(539, 99), HTCAPTION);
    EXPECT_EQ(s_window->HitTest(500, 11), HTCLIENT);  // btn_min
    EXPECT_EQ(s_window->HitTest(527, 11), HTCLIENT);  // btn_close
    EXPECT_EQ(s_window->HitTest(100, 100), HTCLIENT);
    EXPECT_EQ(s_window->HitTest(270, 250), HTCLIENT);  // btn_install, below the band
}

// Dragging the caption with the mouse moves the window by the mouse's way, and the shadow follows.
TEST_F(MainSkinWindowTest, DragsByTheCaptionAndTheShadowFollows) {
    const RECT before = WindowRect(s_window->GetHWND());
    const POINT from = s_window->ScreenPoint(150, 50);
    const POINT to = {from.x + 60, from.y + 40};
    ASSERT_TRUE(WindowTest::DragWithMouse(from, to, 4, s_window->entered.Get(), s_window->moved.Get(),
                                          s_window->exited.Get()));
    const RECT after = WindowRect(s_window->GetHWND());
    EXPECT_EQ(after.left - before.left, 60);
    EXPECT_EQ(after.top - before.top, 40);
    EXPECT_EQ(after.right - after.left, 540);
    EXPECT_TRUE(AroundWindow(s_window->GetShadow()->GetHWND(), s_window->GetHWND()));
}

// A real click on "btn_min" minimises the window and hides the shadow; restoring brings both back.
TEST_F(MainSkinWindowTest, MinimiseButtonMinimises) {
    WindowTest::ClickAt(s_window->ScreenPoint(500, 11));
    ASSERT_TRUE(TestEnv::PumpUntil([] { return ::IsIconic(s_window->GetHWND()) != FALSE; }, kTimeoutMs));
    EXPECT_FALSE(::IsWindowVisible(s_window->GetShadow()->GetHWND()));
    ::ShowWindow(s_window->GetHWND(), SW_RESTORE);
    ASSERT_TRUE(TestEnv::PumpUntil(
        [] {
            return ::IsWindowVisible(s_window->GetShadow()->GetHWND()) && !::IsIconic(s_window->GetHWND());
        },
        kTimeoutMs));
    EXPECT_TRUE(AroundWindow(s_window->GetShadow()->GetHWND(), s_window->GetHWND()));
}

// Hiding the window hides its shadow; showing it shows the shadow again.
TEST_F(MainSkinWindowTest, ShadowHidesAndShowsWithTheWindow) {
    s_window->ShowWindow(false);
    EXPECT_FALSE(::IsWindowVisible(s_window->GetShadow()->GetHWND()));
    s_window->ShowWindow(true, true);
    ASSERT_TRUE(TestEnv::PumpUntil(
        [] { return ::IsWindowVisible(s_window->GetShadow()->GetHWND()) != FALSE; }, kTimeoutMs));
    EXPECT_TRUE(AroundWindow(s_window->GetShadow()->GetHWND(), s_window->GetHWND()));
}

// WM_DPICHANGED, as the system sends it when the window moves to a 150 % screen, takes the suggested
// rectangle, lays the controls out at the new scale with fonts made for it, scales the caption band and
// widens the shadow; moving back restores the 100 % window exactly.
TEST_F(MainSkinWindowTest, FollowsTheDisplayScaleAcrossScreens) {
    const HWND hWnd = s_window->GetHWND();
    SkinUI::CPaintManagerUI& pm = s_window->GetPaintManager();
    SkinUI::CControlUI* close = pm.FindControl(L"btn_close");
    ASSERT_NE(close, nullptr);
    const RECT before = WindowRect(hWnd);
    const RECT closeBefore = close->GetPos();
    const LONG textHeight = pm.GetFontInfo(1)->tm.tmHeight;

    auto moveTo = [&](UINT dpi, const RECT& suggested, LONG closeRight) {
        ::SendMessageW(hWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        return TestEnv::PumpUntil([&] { return close->GetPos().right == closeRight; }, kTimeoutMs);
    };
    const RECT wide = {before.left, before.top, before.left + 810, before.top + 533};
    // btn_close: 515,0,540,23 -> 773,0,810,35.
    ASSERT_TRUE(moveTo(144, wide, 810));
    const RECT atWide = WindowRect(hWnd);
    EXPECT_TRUE(::EqualRect(&atWide, &wide));
    const RECT closeWide = close->GetPos();
    EXPECT_EQ(closeWide.left, 773);
    EXPECT_EQ(closeWide.bottom, 35);
    EXPECT_NEAR(pm.GetFontInfo(1)->tm.tmHeight, textHeight * 1.5, 1.5);
    EXPECT_EQ(s_window->HitTest(800, 140), HTCAPTION);  // the band is 150 high now
    EXPECT_EQ(s_window->HitTest(790, 15), HTCLIENT);    // btn_close
    EXPECT_TRUE(HasRoundedRegion(hWnd, 810, 533, 3));
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return AroundWindow(s_window->GetShadow()->GetHWND(), hWnd, 21); },
                                   kTimeoutMs));

    ASSERT_TRUE(moveTo(96, before, closeBefore.right));
    const RECT atBase = WindowRect(hWnd);
    EXPECT_TRUE(::EqualRect(&atBase, &before));
    EXPECT_TRUE(::EqualRect(&close->GetPos(), &closeBefore));
    EXPECT_EQ(pm.GetFontInfo(1)->tm.tmHeight, textHeight);
    EXPECT_EQ(s_window->HitTest(539, 120), HTCLIENT);
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return AroundWindow(s_window->GetShadow()->GetHWND(), hWnd); },
                                   kTimeoutMs));
}

// Enter does nothing by default; Escape closes the window with code 1, which ShowModal returns.
TEST_F(MainSkinWindowTest, EscapeClosesWithCodeOne) {
    ::SetForegroundWindow(s_window->GetHWND());
    ::SetFocus(s_window->GetHWND());
    WindowTest::PressKey(VK_RETURN);
    ASSERT_TRUE(TestEnv::PumpUntil([] { return !s_window->keyDowns.empty(); }, kTimeoutMs));
    EXPECT_EQ(s_window->keyDowns.back(), static_cast<WPARAM>(VK_RETURN));
    EXPECT_TRUE(s_window->closeCodes.empty());

    const HWND hWnd = s_window->GetHWND();
    const HWND hShadow = s_window->GetShadow()->GetHWND();
    g_keyTarget = hWnd;
    g_key = VK_ESCAPE;
    ::SetTimer(nullptr, 0, 10, &PressKeyFromInside);
    EXPECT_EQ(s_window->ShowModal(), 1u);
    EXPECT_EQ(s_window->closeCodes, std::vector<WPARAM>{1});
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_FALSE(::IsWindow(hShadow));
    EXPECT_EQ(SkinUI::CWndShadow::FromParent(hWnd), nullptr);
    EXPECT_EQ(s_window->GetShadow(), nullptr);
}

namespace {

class SkinWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SetUpProcess(); }
};

// Inline skin: a 300 x 200 window, caption band 60 high, resize margins and a size grip.
constexpr wchar_t kFrameSkin[] =
    L"<Window size=\"300,200\" caption=\"0,0,0,60\" sizebox=\"4,5,6,7\" sizegrip=\"12,12\" "
    L"roundcorner=\"20,20\">"
    L"<HorizontalLayout bkcolor=\"#FF336699\">"
    L"<Label name=\"title\" float=\"true\" pos=\"10,10,90,30\" text=\"title\" />"
    L"<Progress name=\"bar\" float=\"true\" pos=\"100,10,150,30\" />"
    L"<Option name=\"pick\" float=\"true\" pos=\"160,10,200,30\" text=\"o\" />"
    L"<Button name=\"push\" float=\"true\" pos=\"210,10,250,30\" text=\"b\" />"
    L"<Button name=\"low\" float=\"true\" pos=\"10,100,90,130\" text=\"low\" />"
    L"</HorizontalLayout></Window>";

}  // namespace

// An explicit size wins over the skin's size, and the region follows it.
TEST_F(SkinWindowTest, ExplicitSizeWinsOverTheSkins) {
    CSkinWindow window(kMainSkin);
    ASSERT_NE(window.Create(nullptr, L"sized", WS_POPUP, 0, 100, 100, 400, 300), nullptr);
    const RECT rc = WindowRect(window.GetHWND());
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.right - rc.left, 400);
    EXPECT_EQ(rc.bottom - rc.top, 300);
    EXPECT_TRUE(HasRoundedRegion(window.GetHWND(), 400, 300, 2));
    ::DestroyWindow(window.GetHWND());
}

// Labels and progress bars in the caption band drag the window, options and buttons stay clickable;
// the margins and the grip resize it, except when maximised.
TEST_F(SkinWindowTest, HitTestsCaptionMarginsAndGrip) {
    CSkinWindow window(kFrameSkin, SkinResourceType::kFile);
    ASSERT_NE(window.Create(nullptr, L"frame", WS_POPUP, 0, 200, 200, 0, 0), nullptr);
    EXPECT_EQ(window.GetShadow(), nullptr);
    window.ShowWindow(true, false);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return window.LaidOut(); }, kTimeoutMs));

    struct {
        int x, y;
        LRESULT code;
    } const cases[] = {
        {50, 20, HTCAPTION},       {120, 20, HTCAPTION},      {180, 20, HTCLIENT},    {230, 20, HTCLIENT},
        {270, 40, HTCAPTION},      {50, 59, HTCAPTION},       {50, 60, HTCLIENT},     {50, 110, HTCLIENT},
        {150, 150, HTCLIENT},      {2, 2, HTTOPLEFT},         {150, 4, HTTOP},        {296, 2, HTTOPRIGHT},
        {3, 100, HTLEFT},          {294, 100, HTRIGHT},       {2, 195, HTBOTTOMLEFT}, {150, 193, HTBOTTOM},
        {290, 190, HTBOTTOMRIGHT}, {289, 189, HTBOTTOMRIGHT}, {287, 187, HTCLIENT},
    };
    for (const auto& c : cases)
        EXPECT_EQ(window.HitTest(c.x, c.y), c.code) << c.x << "," << c.y;

    // Placed at (200, 200) but created 0 x 0: the skin's size, and its corners are cut round.
    const RECT rc = WindowRect(window.GetHWND());
    EXPECT_EQ(rc.left, 200);
    EXPECT_EQ(rc.right - rc.left, 300);
    EXPECT_EQ(rc.bottom - rc.top, 200);
    EXPECT_TRUE(HasRoundedRegion(window.GetHWND(), 300, 200, 20));
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ::GetWindowRgn(window.GetHWND(), region);
    EXPECT_FALSE(::PtInRegion(region, 1, 1));
    EXPECT_TRUE(::PtInRegion(region, 10, 10));
    ::DeleteObject(region);

    ::ShowWindow(window.GetHWND(), SW_MAXIMIZE);
    EXPECT_EQ(window.HitTest(2, 2), HTCAPTION);
    EXPECT_EQ(window.HitTest(50, 150), HTCLIENT);
    ::DestroyWindow(window.GetHWND());
}

// Inline skin of a small box with a shadow.
constexpr wchar_t kBoxSkin[] =
    L"<Window size=\"200,120\" caption=\"0,0,0,30\" shadow=\"true\" roundcorner=\"4,4\">"
    L"<VerticalLayout bkcolor=\"#FFFFFFFF\">"
    L"<Button name=\"btn_close\" float=\"true\" pos=\"170,0,200,24\" text=\"x\" />"
    L"</VerticalLayout></Window>";

// Modal boxes with shadows that free themselves when destroyed, closed in turn by their close button
// (real clicks) and by code; the owner is disabled meanwhile and the loop touches no freed box.
TEST_F(SkinWindowTest, SelfDeletingModalBoxes) {
    CSkinWindow owner(kFrameSkin, SkinResourceType::kFile);
    ASSERT_NE(owner.Create(nullptr, L"owner", WS_POPUP | WS_VISIBLE, 0, 100, 100, 0, 0), nullptr);
    for (UINT round = 1; round <= 4; ++round) {
        auto* box = new CSelfDeletingSkinBox(kBoxSkin);
        const HWND hBox = box->Create(owner.GetHWND(), L"box", WS_POPUP, 0, 0, 0, 0, 0);
        ASSERT_NE(hBox, nullptr);
        ASSERT_NE(box->GetShadow(), nullptr);
        box->CenterWindow();
        if (round % 2 == 1) {
            // The close button at the box's top right, clicked once the box shows and the owner is disabled.
            g_keyTarget = hBox;
            g_clickBox = box;
            ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
                RECT box = {};
                ::GetWindowRect(g_keyTarget, &box);
                const POINT target = {box.left + 185, box.top + 12};
                if (!g_clickBox->LaidOut() || ::IsWindowEnabled(::GetWindow(g_keyTarget, GW_OWNER)))
                    return;
                // Without a window manager, Wine at times stacks the owner's late activation over a new
                // owned window; the click must land on the box.
                if (::WindowFromPoint(target) != g_keyTarget) {
                    ::SetWindowPos(g_keyTarget, HWND_TOP, 0, 0, 0, 0,
                                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                    return;
                }
                ::KillTimer(nullptr, id);
                WindowTest::ClickAt(target);
            });
            // Ends the loop with code 0 should the click never arrive.
            const UINT_PTR watchdog = ::SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR id, DWORD) {
                ::KillTimer(nullptr, id);
                ::PostMessageW(g_keyTarget, WM_CLOSE, 0, 0);
            });
            ASSERT_EQ(box->ShowModal(), 1u) << round;
            ::KillTimer(nullptr, watchdog);
        } else {
            box->Close(round);
            ASSERT_EQ(box->ShowModal(), round);
        }
        ASSERT_EQ(CSelfDeletingSkinBox::s_live, 0);
        ASSERT_FALSE(::IsWindow(hBox));
        ASSERT_EQ(SkinUI::CWndShadow::FromParent(hBox), nullptr);
        ASSERT_TRUE(::IsWindowEnabled(owner.GetHWND()));
    }
    ::DestroyWindow(owner.GetHWND());
}

namespace {

struct TFoundBox {
    DWORD pid;
    HWND hWnd;
};

BOOL CALLBACK FindBoxOfProcess(HWND hWnd, LPARAM lParam) {
    auto* found = reinterpret_cast<TFoundBox*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    wchar_t className[16] = {};
    ::GetClassNameW(hWnd, className, 16);
    if (pid == found->pid && std::wstring(className) == L"#32770" && ::IsWindowVisible(hWnd)) {
        found->hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

std::wstring TextOfBox(HWND hBox) {
    std::wstring text;
    for (HWND child = ::GetWindow(hBox, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t buffer[128] = {};
        ::GetWindowTextW(child, buffer, 128);
        text += buffer;
        text += L'|';
    }
    return text;
}

}  // namespace

// Run as a child process by FailedSkinEndsTheProcess: a window whose skin is missing.
TEST(SkinLoadFailureChild, CreatesWindowWithMissingSkin) {
    if (::GetEnvironmentVariableW(kChildVariable, nullptr, 0) == 0)
        GTEST_SKIP() << "only as a child process";
    SetUpProcess();
    TestEnv::TempDir dir(L"noskin");
    SkinUI::CPaintManagerUI::SetResourcePath(dir.Path().c_str());
    CSkinWindow window(L"missing.xml", SkinResourceType::kFile);
    window.Create(nullptr, L"broken", WS_POPUP, 0, 0, 0, 0, 0);
    ADD_FAILURE() << "the process should have ended";
}

// A skin that cannot be loaded shows "加载资源文件失败" in a box captioned "SkinUI" and ends the
// process with exit code 1.
TEST(SkinLoadFailure, FailedSkinEndsTheProcess) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=SkinLoadFailureChild.*";
    ::SetEnvironmentVariableW(kChildVariable, L"1");
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    const BOOL started =
        ::CreateProcessW(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(kChildVariable, nullptr);
    ASSERT_TRUE(started);

    TFoundBox found = {pi.dwProcessId, nullptr};
    const bool shown = TestEnv::PumpUntil(
        [&] {
            ::EnumWindows(&FindBoxOfProcess, reinterpret_cast<LPARAM>(&found));
            return found.hWnd != nullptr;
        },
        20000);
    if (shown) {
        wchar_t caption[32] = {};
        ::GetWindowTextW(found.hWnd, caption, 32);
        EXPECT_STREQ(caption, L"SkinUI");
        EXPECT_NE(TextOfBox(found.hWnd).find(L"加载资源文件失败"), std::wstring::npos) << "box text";
        ::PostMessageW(found.hWnd, WM_COMMAND, IDOK, 0);
    }
    const DWORD waited = ::WaitForSingleObject(pi.hProcess, 20000);
    if (waited != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 99);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(pi.hProcess, &exitCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    EXPECT_TRUE(shown);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(exitCode, 1u);
}

// Run by WindowScreenshot.sh: shows the installer's window with its shadow, writes the window's
// screen rectangle into the marker file once it is painted, and runs until Escape closes it.
TEST(WindowShowcase, ShowsTheMainWindowUntilEscape) {
    wchar_t marker[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"ZV_WINDOW_SHOWCASE", marker, MAX_PATH) == 0)
        GTEST_SKIP() << "only for the screenshot script";
    SetUpProcess();
    CSkinWindow window(kMainSkin);
    ASSERT_NE(window.Create(nullptr, L"TarnisSetup", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, 0),
              nullptr);
    window.CenterWindow();
    window.ShowWindow(true, true);
    ASSERT_TRUE(TestEnv::PumpUntil(
        [&] {
            return window.LaidOut() && window.GetShadow() && ::IsWindowVisible(window.GetShadow()->GetHWND());
        },
        kTimeoutMs));
    ::UpdateWindow(window.GetHWND());
    const RECT rc = WindowRect(window.GetHWND());
    char line[64];
    std::snprintf(line, sizeof(line), "%ld %ld %ld %ld\n", rc.left, rc.top, rc.right, rc.bottom);
    ASSERT_TRUE(TestEnv::WriteFileBytes(marker, line));
    // The script presses Escape once it has the picture; this ends the loop should it never come.
    g_keyTarget = window.GetHWND();
    const UINT_PTR watchdog = ::SetTimer(nullptr, 0, 30000, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        ::PostMessageW(g_keyTarget, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(window.ShowModal(), 1u);
    ::KillTimer(nullptr, watchdog);
}
