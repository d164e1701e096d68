// The computed drop shadow: its pixels, and its layered window following a real parent window through
// show, hide, minimise, move, resize, clicks and destruction.
#include "ui/core/WndShadow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/TestEnv.h"
#include "tests/ui/core/WindowTestSupport.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/ShadowBitmap.h"
#include "ui/core/WindowWnd.h"

using SkinUI::CWndShadow;

namespace {

constexpr DWORD kTimeoutMs = 5000;
constexpr int kSize = 14;

uint8_t AlphaAt(const std::vector<uint32_t>& bits, int width, int height, int x, int y) {
    return static_cast<uint8_t>(bits[(height - 1 - y) * width + x] >> 24);
}

RECT Inflated(RECT rc, int by) {
    ::InflateRect(&rc, by, by);
    return rc;
}

RECT WindowRect(HWND hWnd) {
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

::testing::AssertionResult SameRect(const RECT& a, const RECT& b) {
    if (::EqualRect(&a, &b))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << a.left << "," << a.top << "," << a.right << "," << a.bottom << ") vs (" << b.left << ","
           << b.top << "," << b.right << "," << b.bottom << ")";
}

class CParentWindow : public SkinUI::CWindowWnd {
public:
    int finalCount = 0;
    int buttonDowns = 0;
    bool postQuitOnFinal = false;

protected:
    LPCWSTR GetWindowClassName() const override { return L"ZvTestShadowParent"; }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        if (uMsg == WM_LBUTTONDOWN)
            ++buttonDowns;
        if (uMsg == WM_PAINT) {
            PAINTSTRUCT ps;
            ::BeginPaint(GetHWND(), &ps);
            ::FillRect(ps.hdc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            ::EndPaint(GetHWND(), &ps);
            return 0;
        }
        return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    }
    void OnFinalMessage(HWND) override {
        ++finalCount;
        if (postQuitOnFinal)
            ::PostQuitMessage(0);
    }
};

class WndShadowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SkinUI::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
        ASSERT_TRUE(CWndShadow::Initialize(::GetModuleHandleW(nullptr)));
    }
};

}  // namespace

// Ring by ring, the band's opacity on the left, right and bottom edges (middle of the edge), and the
// lighter top edge; nothing under the window.
TEST_F(WndShadowTest, PaintsRingsFromTheOutsideIn) {
    constexpr int kWidth = 540 + 2 * kSize;
    constexpr int kHeight = 355 + 2 * kSize;
    const int ring[kSize] = {0, 1, 3, 6, 11, 18, 27, 38, 51, 66, 84, 103, 124, 146};
    std::vector<uint32_t> bits(kWidth * kHeight, 0);
    CWndShadow::PaintShadow(bits.data(), kWidth, kHeight, kSize, RGB(80, 80, 80));
    for (int r = 0; r < kSize; ++r) {
        SCOPED_TRACE(r);
        const int side = static_cast<int>(ring[r] * 0.46);
        EXPECT_EQ(AlphaAt(bits, kWidth, kHeight, r, kHeight / 2), side);
        EXPECT_EQ(AlphaAt(bits, kWidth, kHeight, kWidth - 1 - r, kHeight / 2), side);
        EXPECT_EQ(AlphaAt(bits, kWidth, kHeight, kWidth / 2, kHeight - 1 - r), side);
        EXPECT_EQ(AlphaAt(bits, kWidth, kHeight, kWidth / 2, r), static_cast<int>(ring[r] * 0.2));
    }
    EXPECT_EQ(AlphaAt(bits, kWidth, kHeight, kSize - 1, kHeight / 2), 67);
    EXPECT_EQ(AlphaAt(bits, kWidth, kHeight, kWidth / 2, kSize - 1), 29);

    // Premultiplied grey: 80 * 67 / 255 in each channel.
    EXPECT_EQ(bits[(kHeight / 2) * kWidth + kSize - 1], 0x43151515u);
    // The area under the window stays transparent.
    for (int y = kSize; y < kHeight - kSize; y += 17) {
        for (int x = kSize; x < kWidth - kSize; x += 13)
            ASSERT_EQ(bits[(kHeight - 1 - y) * kWidth + x], 0u) << x << "," << y;
    }
}

// The band fades towards each corner over 3 x size pixels and is full strength beyond.
TEST_F(WndShadowTest, FadesTowardsTheCorners) {
    constexpr int kWidth = 300;
    constexpr int kHeight = 200;
    std::vector<uint32_t> bits(kWidth * kHeight, 0);
    CWndShadow::PaintShadow(bits.data(), kWidth, kHeight, kSize, RGB(80, 80, 80));
    const int x = kSize - 1;
    int previous = -1;
    for (int y = kSize; y < 3 * kSize; ++y) {
        const int alpha = AlphaAt(bits, kWidth, kHeight, x, y);
        EXPECT_GE(alpha, previous) << y;
        EXPECT_LT(alpha, 67) << y;
        previous = alpha;
    }
    EXPECT_EQ(AlphaAt(bits, kWidth, kHeight, x, 3 * kSize), 67);
    EXPECT_EQ(AlphaAt(bits, kWidth, kHeight, x, kHeight - 3 * kSize), 67);
    EXPECT_LT(AlphaAt(bits, kWidth, kHeight, x, kHeight - kSize), 67);
    // Symmetric along the bottom edge.
    EXPECT_EQ(AlphaAt(bits, kWidth, kHeight, 20, kHeight - 1 - x),
              AlphaAt(bits, kWidth, kHeight, kWidth - 20, kHeight - 1 - x));
}

// A bitmap begun and built on another thread is handed out only for the shape it was begun for; any
// other shape gets one built on the spot. Either way the pixels are the shadow's.
TEST_F(WndShadowTest, BitmapBuiltAheadIsTheShapeAsked) {
    using SkinUI::CShadowBitmap;
    const CShadowBitmap::TShape begun = {540 + 2 * kSize, 355 + 2 * kSize, kSize, RGB(80, 80, 80)};
    const CShadowBitmap::TShape other = {810 + 42, 533 + 42, 21, RGB(80, 80, 80)};
    auto expectShadow = [](HBITMAP bitmap, const CShadowBitmap::TShape& shape) {
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION dib = {};
        ASSERT_EQ(::GetObjectW(bitmap, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
        ASSERT_EQ(dib.dsBm.bmWidth, shape.width);
        ASSERT_EQ(dib.dsBm.bmHeight, shape.height);
        std::vector<uint32_t> expected(shape.width * shape.height, 0);
        CWndShadow::PaintShadow(expected.data(), shape.width, shape.height, shape.size, shape.color);
        const auto* bits = static_cast<const uint32_t*>(dib.dsBm.bmBits);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bits));
        ::DeleteObject(bitmap);
    };
    // Runs a begun job on a thread of its own, as the image prefetch's worker does.
    auto runElsewhere = [](std::function<void()> job) {
        auto* owned = new std::function<void()>(std::move(job));
        const HANDLE thread = ::CreateThread(
            nullptr, 0,
            [](void* param) -> DWORD {
                std::unique_ptr<std::function<void()>> run(static_cast<std::function<void()>*>(param));
                (*run)();
                return 0;
            },
            owned, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        ::CloseHandle(thread);
    };
    CShadowBitmap ahead;
    runElsewhere(ahead.Begin(begun));
    expectShadow(ahead.Take(begun), begun);
    runElsewhere(ahead.Begin(begun));
    expectShadow(ahead.Take(other), other);
    expectShadow(ahead.Take(begun), begun);
    // One begun and never taken is the destructor's to wait for and delete.
    runElsewhere(ahead.Begin(other));
}

// The shadow window: layered, click-through, owned by the parent, around it, and in step with its
// visibility, state, position and size.
TEST_F(WndShadowTest, FollowsTheParentWindow) {
    CParentWindow parent;
    ASSERT_NE(parent.Create(nullptr, L"parent", WS_POPUP, 0, 200, 150, 540, 355), nullptr);
    CWndShadow* pShadow = CWndShadow::Attach(parent.GetHWND());
    ASSERT_NE(pShadow, nullptr);
    EXPECT_EQ(CWndShadow::Attach(parent.GetHWND()), pShadow);
    const HWND hShadow = pShadow->GetHWND();
    ASSERT_TRUE(::IsWindow(hShadow));

    wchar_t className[32] = {};
    ::GetClassNameW(hShadow, className, 32);
    EXPECT_STREQ(className, L"ZvShadowWnd");
    const LONG_PTR exStyle = ::GetWindowLongPtrW(hShadow, GWL_EXSTYLE);
    EXPECT_EQ(exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED | WS_EX_TRANSPARENT);
    EXPECT_EQ(::GetWindow(hShadow, GW_OWNER), parent.GetHWND());
    EXPECT_FALSE(::IsWindowVisible(hShadow));

    parent.ShowWindow(true, false);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return ::IsWindowVisible(hShadow) != FALSE; }, kTimeoutMs));
    EXPECT_TRUE(SameRect(WindowRect(hShadow), Inflated(WindowRect(parent.GetHWND()), kSize)));
    EXPECT_EQ(WindowRect(hShadow).right - WindowRect(hShadow).left, 568);

    // Plain moves only reposition the shadow.
    ::SetWindowPos(parent.GetHWND(), nullptr, 260, 190, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(SameRect(WindowRect(hShadow), Inflated(WindowRect(parent.GetHWND()), kSize)));

    // A larger parent rebuilds after its next paint; a smaller one (than the size last seen) at once.
    ::SetWindowPos(parent.GetHWND(), nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(TestEnv::PumpUntil(
        [&] { return SameRect(WindowRect(hShadow), Inflated(WindowRect(parent.GetHWND()), kSize)); },
        kTimeoutMs));
    ::SetWindowPos(parent.GetHWND(), nullptr, 0, 0, 500, 320, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(SameRect(WindowRect(hShadow), Inflated(WindowRect(parent.GetHWND()), kSize)));

    ::ShowWindow(parent.GetHWND(), SW_MINIMIZE);
    EXPECT_FALSE(::IsWindowVisible(hShadow));
    ::ShowWindow(parent.GetHWND(), SW_RESTORE);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return ::IsWindowVisible(hShadow) != FALSE; }, kTimeoutMs));
    TestEnv::PumpUntil(
        [&] { return SameRect(WindowRect(hShadow), Inflated(WindowRect(parent.GetHWND()), kSize)); },
        kTimeoutMs);
    EXPECT_TRUE(SameRect(WindowRect(hShadow), Inflated(WindowRect(parent.GetHWND()), kSize)));

    ::ShowWindow(parent.GetHWND(), SW_MAXIMIZE);
    EXPECT_FALSE(::IsWindowVisible(hShadow));
    ::ShowWindow(parent.GetHWND(), SW_RESTORE);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return ::IsWindowVisible(hShadow) != FALSE; }, kTimeoutMs));

    parent.ShowWindow(false);
    EXPECT_FALSE(::IsWindowVisible(hShadow));
    ::DestroyWindow(parent.GetHWND());
}

// Clicks on the shadow band reach the window underneath.
TEST_F(WndShadowTest, ClicksPassThroughTheShadow) {
    CParentWindow below;
    ASSERT_NE(below.Create(nullptr, L"below", WS_POPUP | WS_VISIBLE, 0, 100, 100, 700, 500), nullptr);
    CParentWindow parent;
    ASSERT_NE(parent.Create(nullptr, L"parent", WS_POPUP, 0, 300, 250, 200, 150), nullptr);
    CWndShadow* pShadow = CWndShadow::Attach(parent.GetHWND());
    ASSERT_NE(pShadow, nullptr);
    parent.ShowWindow(true, true);
    ASSERT_TRUE(
        TestEnv::PumpUntil([&] { return ::IsWindowVisible(pShadow->GetHWND()) != FALSE; }, kTimeoutMs));

    const POINT inBand = {300 - kSize / 2, 250 + 75};
    WindowTest::ClickAt(inBand);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return below.buttonDowns > 0; }, kTimeoutMs));
    EXPECT_EQ(parent.buttonDowns, 0);

    ::DestroyWindow(parent.GetHWND());
    ::DestroyWindow(below.GetHWND());
}

// Destroying the parent destroys the shadow window and frees the shadow, and the parent's own
// procedure still gets WM_NCDESTROY (where a main window posts its quit message).
TEST_F(WndShadowTest, GoesWithTheParent) {
    for (int round = 0; round < 3; ++round) {
        CParentWindow parent;
        parent.postQuitOnFinal = true;
        const HWND hParent = parent.Create(nullptr, L"parent", WS_POPUP, 0, 200, 150, 300, 200);
        ASSERT_NE(hParent, nullptr);
        const LONG_PTR ownProc = ::GetWindowLongPtrW(hParent, GWLP_WNDPROC);
        CWndShadow* pShadow = CWndShadow::Attach(hParent);
        ASSERT_NE(pShadow, nullptr);
        const HWND hShadow = pShadow->GetHWND();
        EXPECT_NE(::GetWindowLongPtrW(hParent, GWLP_WNDPROC), ownProc);

        ::DestroyWindow(hParent);
        EXPECT_EQ(parent.finalCount, 1);
        EXPECT_EQ(parent.GetHWND(), nullptr);
        EXPECT_FALSE(::IsWindow(hShadow));
        EXPECT_EQ(CWndShadow::FromParent(hParent), nullptr);
        MSG msg = {};
        EXPECT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
}
