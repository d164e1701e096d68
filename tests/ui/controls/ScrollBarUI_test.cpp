// Scroll bar: the geometry of its parts, clamping of range and position, the outline painted when no
// image is set, the repeat of a held button, dragging the thumb with real mouse input, and driving
// its owner container.
#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"
#include "tests/ui/controls/ControlHost.h"
#include "tests/ui/core/SkinTestSupport.h"
#include "ui/controls/ScrollBarUI.h"
#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/PaintManagerUI.h"

using ControlTest::CControlHost;
using namespace SkinUI;

namespace {

constexpr DWORD kWaitMs = 3000;

int Height(const RECT& rc) {
    return rc.bottom - rc.top;
}

// A 100 px vertical bar, 8 wide, range 100: thumb 100 x 84 / 200 = 42 high; at position 50 its top
// is (84 - 42) x 50 / 100 + 8 = 29.
TEST(ScrollBarGeometryTest, ThumbSizeAndPositionFollowTheRange) {
    CScrollBarUI bar;
    bar.SetPos(RECT{0, 0, 8, 100});
    EXPECT_EQ(Height(bar.GetThumbRect()), 42);
    EXPECT_EQ(bar.GetThumbRect().top, 8);
    const RECT button1 = {0, 0, 8, 8};
    const RECT button2 = {0, 92, 8, 100};
    EXPECT_TRUE(EqualRect(&bar.GetButton1Rect(), &button1) != FALSE);
    EXPECT_TRUE(EqualRect(&bar.GetButton2Rect(), &button2) != FALSE);
    bar.SetScrollPos(50);
    EXPECT_EQ(bar.GetThumbRect().top, 29);
    EXPECT_EQ(bar.GetThumbRect().bottom, 29 + 42);
    bar.SetScrollPos(100);
    EXPECT_EQ(bar.GetThumbRect().bottom, 92);

    // Placed elsewhere in the window, the same numbers from its own top.
    bar.SetPos(RECT{40, 200, 48, 300});
    EXPECT_EQ(bar.GetThumbRect().top, 200 + 50);
}

// A 12 px bar has no room for a thumb: each button takes half, the thumb is empty.
TEST(ScrollBarGeometryTest, ShortBarHasNoThumb) {
    CScrollBarUI bar;
    bar.SetPos(RECT{0, 0, 8, 12});
    EXPECT_EQ(Height(bar.GetButton1Rect()), 6);
    EXPECT_EQ(Height(bar.GetButton2Rect()), 6);
    const RECT empty = {0, 0, 0, 0};
    EXPECT_TRUE(EqualRect(&bar.GetThumbRect(), &empty) != FALSE);
}

// Thumbs never get shorter than three bar widths (vertical) or one bar height (horizontal).
TEST(ScrollBarGeometryTest, MinimumThumbLengths) {
    CScrollBarUI vertical;
    vertical.SetScrollRange(100000);
    vertical.SetPos(RECT{0, 0, 8, 200});
    EXPECT_EQ(Height(vertical.GetThumbRect()), 24);

    CScrollBarUI horizontal;
    horizontal.SetHorizontal(true);
    EXPECT_EQ(horizontal.GetFixedHeight(), 8);
    EXPECT_EQ(horizontal.GetFixedWidth(), 0);
    horizontal.SetScrollRange(100000);
    horizontal.SetPos(RECT{0, 0, 200, 8});
    const RECT thumb = horizontal.GetThumbRect();
    EXPECT_EQ(thumb.right - thumb.left, 8);
    EXPECT_EQ(Height(thumb), 8);

    // Range 0: the thumb fills the rail between the buttons.
    vertical.SetScrollRange(0);
    EXPECT_EQ(vertical.GetThumbRect().top, 8);
    EXPECT_EQ(vertical.GetThumbRect().bottom, 192);
}

// Range and position clamp; hiding and showing the jump buttons moves the line buttons.
TEST(ScrollBarGeometryTest, RangeAndPositionClamp) {
    CScrollBarUI bar;
    bar.SetPos(RECT{0, 0, 8, 100});
    bar.SetScrollPos(60);
    bar.SetScrollRange(-5);
    EXPECT_EQ(bar.GetScrollRange(), 0);
    EXPECT_EQ(bar.GetScrollPos(), 0);
    bar.SetScrollRange(30);
    bar.SetScrollPos(45);
    EXPECT_EQ(bar.GetScrollPos(), 30);
    bar.SetScrollPos(-3);
    EXPECT_EQ(bar.GetScrollPos(), 0);

    bar.SetAttribute(L"showbutton3", L"true");
    EXPECT_EQ(bar.GetButton3Rect().top, 0);
    EXPECT_EQ(bar.GetButton1Rect().top, 8);
    bar.SetAttribute(L"showbutton1", L"false");
    EXPECT_EQ(Height(bar.GetButton1Rect()), 0);
    EXPECT_EQ(bar.GetThumbRect().top, 8);
}

// Without images each part gets a 2 px outline in 0xFF85E4FF; the empty thumb of a short bar paints
// nothing.
TEST(ScrollBarPaintTest, PartsWithoutImagesAreOutlined) {
    SkinTest::CCanvas canvas(20, 110, 0xFF000000);
    CScrollBarUI bar;
    bar.SetPos(RECT{0, 0, 8, 100});
    bar.DoPaint(canvas.DC(), RECT{0, 0, 20, 110});
    const uint32_t outline = 0x85E4FF;
    EXPECT_EQ(canvas.Rgb(0, 4), outline);
    EXPECT_EQ(canvas.Rgb(1, 4), outline);
    EXPECT_EQ(canvas.Rgb(3, 4), 0u);
    EXPECT_EQ(canvas.Rgb(0, 96), outline);
    EXPECT_EQ(canvas.Rgb(0, 30), outline);
    EXPECT_EQ(canvas.Rgb(4, 30), 0u);
    EXPECT_EQ(canvas.Rgb(4, 60), 0u) << "nothing between the thumb and button 2";

    SkinTest::CCanvas shortCanvas(20, 20, 0xFF000000);
    CScrollBarUI shortBar;
    shortBar.SetPos(RECT{0, 0, 8, 12});
    shortBar.DoPaint(shortCanvas.DC(), RECT{0, 0, 20, 20});
    EXPECT_EQ(shortCanvas.Rgb(0, 0), outline);
    EXPECT_EQ(shortCanvas.Rgb(0, 6), outline);
    EXPECT_EQ(shortCanvas.Rgb(0, 15), 0u);
}

// A bar of its own in a real window: counts the repeat timer's ticks.
class CCountingBarUI : public CScrollBarUI {
public:
    int ticks = 0;
    int ticksAtFirstRepeat = -1;
    void DoEvent(TEventUI& event) override {
        if (event.type == kEventTimer)
            ++ticks;
        const int before = GetScrollPos();
        CScrollBarUI::DoEvent(event);
        if (event.type == kEventTimer && GetScrollPos() != before && ticksAtFirstRepeat < 0)
            ticksAtFirstRepeat = ticks;
    }
};

class ScrollBarInputTest : public ::testing::Test {
protected:
    static CControlHost& Host() {
        static CControlHost host(40, 100);
        return host;
    }
    int CountNotes(const std::wstring& note) const {
        int n = 0;
        for (const auto& entry : Host().Notifications())
            n += entry == note ? 1 : 0;
        return n;
    }
};

// Holding button 2 scrolls once at the press, then from the sixth 50 ms tick on every tick; the release
// stops it. A bar without owner announces "scroll".
TEST_F(ScrollBarInputTest, HeldButtonRepeatsAfterTheDelay) {
    auto* bar = new CCountingBarUI();
    bar->SetName(L"bar");
    bar->SetLineSize(1);
    bar->SetScrollRange(1000);
    Host().Attach(bar);
    ASSERT_TRUE(Host().Layout());
    Host().ClearNotifications();
    PostMessageW(Host().Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 96));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return bar->GetScrollPos() >= 1; }, kWaitMs));
    EXPECT_EQ(bar->ticks, 0);
    EXPECT_GE(CountNotes(L"bar:scroll"), 1);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return bar->GetScrollPos() >= 4; }, kWaitMs));
    EXPECT_EQ(bar->ticksAtFirstRepeat, 6);
    PostMessageW(Host().Window(), WM_LBUTTONUP, 0, MAKELPARAM(4, 96));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !Host().Manager().IsCaptured(); }, kWaitMs));
    const int stopped = bar->GetScrollPos();
    const int ticks = bar->ticks;
    TestEnv::PumpFor(150);
    EXPECT_EQ(bar->GetScrollPos(), stopped);
    EXPECT_EQ(bar->ticks, ticks) << "the repeat timer still runs after the release";
}

// Dragging the thumb 20 px with the real mouse moves the position by 20 x range / (length - 2 x
// thickness - thumb) = 20 x 100 / 42 = 47.
TEST_F(ScrollBarInputTest, DraggingTheThumbMovesThePosition) {
    auto* bar = new CScrollBarUI();
    Host().Attach(bar);
    ASSERT_TRUE(Host().Layout());
    ASSERT_EQ(bar->GetThumbRect().top, 8);
    Host().MoveMouse(POINT{4, 20});
    TestEnv::PumpUntil([&] { return (bar->GetThumbState() & kStateHot) != 0; }, kWaitMs);
    Host().PressLeft();
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return (bar->GetThumbState() & kStateCaptured) != 0; }, kWaitMs));
    Host().MoveMouse(POINT{4, 40});
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return bar->GetScrollPos() == 47; }, kWaitMs))
        << "position " << bar->GetScrollPos();
    Host().ReleaseLeft();
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return (bar->GetThumbState() & kStateCaptured) == 0; }, kWaitMs));
    EXPECT_EQ(bar->GetScrollPos(), 47);
}

// A bar owned by a layout steps the layout: button 2 scrolls it one line down, the rail below the thumb
// one page.
TEST_F(ScrollBarInputTest, OwnedBarScrollsItsContainer) {
    auto* root = new CVerticalLayoutUI();
    root->SetAttribute(L"vscrollbar", L"true");
    auto* tall = new CControlUI();
    tall->SetFixedHeight(1000);
    root->Add(tall);
    Host().Attach(root);
    ASSERT_TRUE(Host().Layout());
    CScrollBarUI* bar = root->GetVerticalScrollBar();
    ASSERT_TRUE(bar->IsVisible());
    const int line = Host().Manager().GetDefaultFontInfo()->tm.tmHeight + 8;
    const POINT button2 = {bar->GetButton2Rect().left + 2, bar->GetButton2Rect().top + 2};
    PostMessageW(Host().Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(button2.x, button2.y));
    PostMessageW(Host().Window(), WM_LBUTTONUP, 0, MAKELPARAM(button2.x, button2.y));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return root->GetScrollPos().cy != 0; }, kWaitMs));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !Host().Manager().IsCaptured(); }, kWaitMs));
    EXPECT_EQ(root->GetScrollPos().cy, line);
    EXPECT_EQ(tall->GetY(), -line);

    const POINT rail = {bar->GetThumbRect().left + 2, bar->GetThumbRect().bottom + 5};
    PostMessageW(Host().Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rail.x, rail.y));
    PostMessageW(Host().Window(), WM_LBUTTONUP, 0, MAKELPARAM(rail.x, rail.y));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return root->GetScrollPos().cy > line; }, kWaitMs));
    EXPECT_EQ(root->GetScrollPos().cy, line + 100);
}

}  // namespace
