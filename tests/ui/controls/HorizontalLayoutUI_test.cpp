// Horizontal layout in a real window: widths shared among flexible children, limits, paddings
// (the right padding lies inside the child) and heights.
#include <gtest/gtest.h>

#include "tests/ui/controls/ControlHost.h"
#include "ui/controls/HorizontalLayoutUI.h"

using ControlTest::CControlHost;
using namespace SkinUI;

namespace {

CControlHost& Host() {
    static CControlHost host(301, 100);
    return host;
}

CControlUI* AddChild(CContainerUI* parent, LPCWSTR attributes) {
    auto* child = new CControlUI();
    child->ApplyAttributeList(attributes);
    parent->Add(child);
    return child;
}

// 301 pixels: a fixed child of 100 leaves 201; two flexible children get 150 and 151.
TEST(HorizontalLayoutTest, FlexibleChildrenShareTheWidth) {
    auto* root = new CHorizontalLayoutUI();
    CControlUI* fixed = AddChild(root, L"width=\"100\"");
    CControlUI* flexible = AddChild(root, L"");
    Host().Attach(root);
    ASSERT_TRUE(Host().Layout());
    EXPECT_EQ(fixed->GetWidth(), 100);
    EXPECT_EQ(flexible->GetWidth(), 201);
    EXPECT_EQ(flexible->GetX(), 100);
    EXPECT_EQ(flexible->GetHeight(), 100);

    root = new CHorizontalLayoutUI();
    CControlUI* first = AddChild(root, L"");
    CControlUI* last = AddChild(root, L"");
    Host().Attach(root);
    ASSERT_TRUE(Host().Layout());
    EXPECT_EQ(first->GetWidth(), 150);
    EXPECT_EQ(last->GetWidth(), 151);
}

// Padding, inset and child padding; fixed, min and max heights.
TEST(HorizontalLayoutTest, PaddingsInsetAndHeights) {
    auto* root = new CHorizontalLayoutUI();
    root->SetAttribute(L"inset", L"2,3,4,5");
    root->SetAttribute(L"childpadding", L"6");
    CControlUI* first = AddChild(root, L"width=\"50\" padding=\"1,2,3,4\"");
    CControlUI* second = AddChild(root, L"width=\"40\" height=\"30\"");
    CControlUI* third = AddChild(root, L"width=\"10\" maxheight=\"20\"");
    CControlUI* fourth = AddChild(root, L"minwidth=\"60\" maxwidth=\"60\"");
    Host().Attach(root);
    ASSERT_TRUE(Host().Layout());
    const RECT expected = {3, 5, 3 + 50 + 3, 5 + (100 - 3 - 5 - 2 - 4)};
    EXPECT_TRUE(EqualRect(&first->GetPos(), &expected) != FALSE);
    EXPECT_EQ(second->GetX(), 2 + 1 + 50 + 3 + 6);
    EXPECT_EQ(second->GetHeight(), 30);
    EXPECT_EQ(second->GetY(), 3);
    EXPECT_EQ(third->GetHeight(), 20);
    EXPECT_EQ(fourth->GetWidth(), 60);
}

}  // namespace
