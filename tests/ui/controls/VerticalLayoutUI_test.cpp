// Vertical layout in a real window: fixed, flexible, min-limited, padded, hidden and floating
// children, inset and child padding, and the vertical scroll bar with the mouse wheel.
#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"
#include "tests/ui/controls/ControlHost.h"
#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/PaintManagerUI.h"

using ControlTest::CControlHost;
using namespace SkinUI;

namespace {

class VerticalLayoutTest : public ::testing::Test {
protected:
    static CControlHost& Host() {
        static CControlHost host(300, 313);
        return host;
    }
    // A layout filling a 300 x 313 window; children are added before it is attached.
    CVerticalLayoutUI* NewRoot() {
        Host().Resize(300, 313);
        return new CVerticalLayoutUI();
    }
    CControlUI* AddChild(CContainerUI* parent, LPCWSTR attributes) {
        auto* child = new CControlUI();
        child->ApplyAttributeList(attributes);
        parent->Add(child);
        return child;
    }
    void Attach(CControlUI* root) {
        Host().Attach(root);
        ASSERT_TRUE(Host().Layout());
    }
};

// 313 pixels: a child of height 42 leaves 271 to the other; two flexible children get 156 and the
// last one the rounding remainder, 157.
TEST_F(VerticalLayoutTest, FlexibleChildrenShareWhatFixedOnesLeave) {
    CVerticalLayoutUI* root = NewRoot();
    CControlUI* fixed = AddChild(root, L"height=\"42\"");
    CControlUI* flexible = AddChild(root, L"name=\"f\"");
    Attach(root);
    EXPECT_EQ(fixed->GetHeight(), 42);
    EXPECT_EQ(flexible->GetHeight(), 271);
    EXPECT_EQ(flexible->GetY(), 42);
    EXPECT_EQ(flexible->GetWidth(), 300);

    root = NewRoot();
    CControlUI* first = AddChild(root, L"");
    CControlUI* last = AddChild(root, L"");
    Attach(root);
    EXPECT_EQ(first->GetHeight(), 156);
    EXPECT_EQ(last->GetHeight(), 157);
    EXPECT_EQ(last->GetY(), 156);
}

// Minimum and maximum heights win over both estimated and shared heights; a fixed width is kept and
// widths are clamped too.
TEST_F(VerticalLayoutTest, MinAndMaxLimitHeights) {
    CVerticalLayoutUI* root = NewRoot();
    CControlUI* tall = AddChild(root, L"minheight=\"200\"");
    CControlUI* small = AddChild(root, L"height=\"10\" minheight=\"20\"");
    CControlUI* capped = AddChild(root, L"height=\"90\" maxheight=\"30\" width=\"50\"");
    CControlUI* narrow = AddChild(root, L"maxwidth=\"70\"");
    Attach(root);
    EXPECT_EQ(tall->GetHeight(), 200);
    EXPECT_EQ(small->GetHeight(), 20);
    EXPECT_EQ(capped->GetHeight(), 30);
    EXPECT_EQ(capped->GetWidth(), 50);
    EXPECT_EQ(narrow->GetWidth(), 70);
    EXPECT_EQ(small->GetY(), 200);
    EXPECT_EQ(capped->GetY(), 220);
}

// Inset, child padding and a child's own padding (its bottom padding lies inside its rectangle).
TEST_F(VerticalLayoutTest, InsetAndPaddingsPlaceChildren) {
    CVerticalLayoutUI* root = NewRoot();
    root->SetAttribute(L"inset", L"5,6,7,8");
    root->SetAttribute(L"childpadding", L"4");
    CControlUI* first = AddChild(root, L"height=\"30\" padding=\"1,2,3,4\"");
    CControlUI* second = AddChild(root, L"height=\"20\"");
    Attach(root);
    const RECT expected = {6, 8, 290, 42};
    EXPECT_TRUE(EqualRect(&first->GetPos(), &expected) != FALSE);
    EXPECT_EQ(second->GetY(), 6 + 2 + 30 + 4 + 4);
    EXPECT_EQ(second->GetX(), 5);
    EXPECT_EQ(second->GetWidth(), 288);
}

// Hidden children take no room; showing one again lays the layout out anew.
TEST_F(VerticalLayoutTest, HiddenChildrenTakeNoRoom) {
    CVerticalLayoutUI* root = NewRoot();
    CControlUI* hidden = AddChild(root, L"height=\"100\" visible=\"false\"");
    CControlUI* next = AddChild(root, L"height=\"50\"");
    Attach(root);
    EXPECT_EQ(next->GetY(), 0);
    hidden->SetVisible(true);
    Host().Layout();
    EXPECT_EQ(next->GetY(), 100);
}

// A floating child is placed by its offset from the layout's item rect, ignoring the inset; a negative
// offset anchors it to the right or bottom edge.
TEST_F(VerticalLayoutTest, FloatingChildrenAnchorToTheItemRect) {
    Host().Resize(600, 313);
    auto* root = new CVerticalLayoutUI();
    root->SetAttribute(L"inset", L"20,20,20,20");
    CControlUI* left = AddChild(root, L"float=\"true\" pos=\"488,0,0,0\" width=\"25\" height=\"10\"");
    CControlUI* right = AddChild(root, L"float=\"true\" pos=\"-55,-50,-30,-40\"");
    CControlUI* flowed = AddChild(root, L"height=\"50\"");
    Attach(root);
    EXPECT_EQ(left->GetX(), 488);
    EXPECT_EQ(left->GetY(), 0);
    EXPECT_EQ(left->GetWidth(), 25);
    EXPECT_EQ(right->GetPos().right, 600 - 30);
    EXPECT_EQ(right->GetPos().left, 600 - 30 - 25);
    EXPECT_EQ(right->GetPos().bottom, 313 - 40);
    EXPECT_EQ(flowed->GetY(), 20) << "floating children take no room in the flow";
}

// Content taller than the view shows the vertical bar with range = excess height; the wheel scrolls
// by the default font's height plus 8; content that fits hides the bar again.
TEST_F(VerticalLayoutTest, ScrollBarAppearsAndWheelScrolls) {
    CVerticalLayoutUI* root = NewRoot();
    root->SetAttribute(L"vscrollbar", L"true");
    CControlUI* first = AddChild(root, L"height=\"200\"");
    AddChild(root, L"height=\"200\"");
    Attach(root);
    CScrollBarUI* bar = root->GetVerticalScrollBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(bar->GetScrollRange(), 400 - 313);
    EXPECT_EQ(first->GetWidth(), 300 - bar->GetFixedWidth());
    EXPECT_EQ(bar->GetPos().left, 300 - bar->GetFixedWidth());

    const int line = Host().Manager().GetDefaultFontInfo()->tm.tmHeight + 8;
    POINT screen = {100, 100};
    ClientToScreen(Host().Window(), &screen);
    PostMessageW(Host().Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                 MAKELPARAM(screen.x, screen.y));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return bar->GetScrollPos() != 0; }, 3000));
    EXPECT_EQ(bar->GetScrollPos(), line);
    EXPECT_EQ(first->GetY(), -line);
    root->EndDown();
    EXPECT_EQ(first->GetY(), -(400 - 313));
    root->HomeUp();
    EXPECT_EQ(first->GetY(), 0);

    first->SetFixedHeight(50);
    Host().Layout();
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(first->GetWidth(), 300);
}

// Dragging the separator strip at the bottom of a layout with the real mouse resizes it: at once in
// immediate mode, at the release with a painted preview otherwise.
TEST_F(VerticalLayoutTest, SeparatorDragResizesTheLayout) {
    for (bool immediate : {true, false}) {
        CVerticalLayoutUI* root = NewRoot();
        auto* pane = new CVerticalLayoutUI();
        pane->ApplyAttributeList(immediate ? L"height=\"100\" sepheight=\"6\" sepimm=\"true\""
                                           : L"height=\"100\" sepheight=\"6\"");
        root->Add(pane);
        CControlUI* below = AddChild(root, L"");
        Attach(root);
        ASSERT_EQ(pane->GetControlFlags(), static_cast<UINT>(kFlagSetCursor));
        Host().MoveMouse(POINT{50, 97});
        TestEnv::PumpUntil([&] { return Host().Manager().FindControl(POINT{50, 97}) == pane; }, 500);
        Host().PressLeft();
        ASSERT_TRUE(TestEnv::PumpUntil([&] { return pane->IsSepDragging(); }, 3000)) << immediate;
        Host().MoveMouse(POINT{50, 127});
        ASSERT_TRUE(TestEnv::PumpUntil([&] { return pane->GetFixedHeight() == 130; }, 3000)) << immediate;
        if (immediate) {
            Host().Layout();
            EXPECT_EQ(below->GetY(), 130);
        } else {
            EXPECT_EQ(pane->GetHeight(), 100) << "deferred mode waits for the release";
        }
        Host().ReleaseLeft();
        ASSERT_TRUE(TestEnv::PumpUntil([&] { return !pane->IsSepDragging(); }, 3000));
        Host().Layout();
        EXPECT_EQ(pane->GetHeight(), 130);
        EXPECT_EQ(below->GetY(), 130);
    }
}

}  // namespace
